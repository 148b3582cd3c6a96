// The 16F87XA, 16F62XA, 16F87/88 and 16F818 configuration dialogs.
#include <gtest/gtest.h>

#include <QLabel>
#include <QRadioButton>
#include <map>
#include <sstream>
#include <string>

#include "config/config_word.h"
#include "config/dialog_config.h"
#include "device/catalogue.h"
#include "ui_support.h"

namespace daxwel::testing {
namespace {

// Every button: "=0" for those selected at the start, else the word with it clicked from
// there (the gputils constants for the choice), "/" and the second word where it is not erased.
struct Expected {
  const ConfigLayout* layout;
  int index;  // a model of the family
  const char* name;
  const char* title;
  const char* buttons;
};

const Expected kDialogs[] = {
    {&kLayout16F87XA, 12, "frmConfigPic16F87XA", "PIC 16F873A / 74A / 76A / 77A",
     "XT=0 CpOff=0 CpdOff=0 LvpOff=0 WdteOff=0 PwrteOn=0 BodenOff=0 DebugOff=0 WrtOff=0 RC=3F33 "
     "HS=3F32 LP=3F30 CpOn=1F31 CpdOn=3E31 LvpOn=3FB1 WdteOn=3F35 PwrteOff=3F39 "
     "BodenOn=3F71 DebugOn=3731 Wrt0000_00FF=3D31 WrtQuarter=3B31 WrtHalf=3931"},
    {&kLayout16F62XA, 14, "frmConfigPic16F62XA", "PIC 16F627A / 28A / 48A",
     "XT=0 CpOff=0 CpdOff=0 LvpOff=0 WdteOff=0 PwrteOn=0 BodenOff=0 MclreOn=0 LP=3F20 HS=3F22 "
     "EC=3F23 IntoscIO=3F30 IntoscClkout=3F31 RcIO=3F32 RcClkout=3F33 "
     "CpOn=1F21 CpdOn=3E21 LvpOn=3FA1 WdteOn=3F25 PwrteOff=3F29 BodenOn=3F61 MclreOff=3F01"},
    {&kLayout16F88, 21, "frmConfigPic16F87_88", "PIC 16F87 / 88",
     "XT=0 CpOff=0 CcpRb0=0 DebugOff=0 WrtOff=0 CpdOff=0 LvpOff=0 BodenOff=0 MclreOn=0 PwrteOn=0 "
     "WdteOff=0 LP=3F20 HS=3F22 EC=3F23 IntoscIO=3F30 IntoscClkout=3F31 RcIO=3F32 RcClkout=3F33 "
     "CpOn=1F21 CcpRb3=2F21 DebugOn=3721 Wrt0000_00FF=3D21 Wrt0000_07FF=3B21 Wrt0000_0FFF=3921 "
     "CpdOn=3E21 LvpOn=3FA1 BodenOn=3F61 MclreOff=3F01 PwrteOff=3F29 WdteOn=3F25 IesoOn=0 "
     "FcmenOn=0 IesoOff=3F21/3FFD FcmenOff=3F21/3FFE"},
    {&kLayout16F818, 22, "frmConfigPic16F818", "PIC 16F818",
     "XT=0 CpOff=0 CcpRb2=0 DebugOff=0 WrtOff=0 CpdOff=0 LvpOff=0 BodenOff=0 MclreOn=0 PwrteOn=0 "
     "WdteOff=0 LP=3F20 HS=3F22 EC=3F23 IntoscIO=3F30 IntoscClkout=3F31 RcIO=3F32 RcClkout=3F33 "
     "CpOn=1F21 CcpRb3=2F21 DebugOn=3721 Wrt0000_01FF=3D21 Wrt0000_03FF=3B21 CpdOn=3E21 "
     "LvpOn=3FA1 BodenOn=3F61 MclreOff=3F01 PwrteOff=3F29 WdteOn=3F25"},
};

// Button -> the words at 0x2007 and 0x2008.
std::map<std::string, std::pair<int, int>> Buttons(const Expected& e) {
  std::map<std::string, std::pair<int, int>> buttons;
  std::istringstream words(e.buttons);
  for (std::string item; words >> item;) {
    const std::size_t slash = item.find('/');
    buttons[item.substr(0, item.find('='))] = {
        std::stoi(item.substr(item.find('=') + 1), nullptr, 16),
        slash == std::string::npos ? 0x3FFF : std::stoi(item.substr(slash + 1), nullptr, 16)};
  }
  return buttons;
}

TEST(ConfigDialogsAFamilies, ControlsDefaultsLayoutAndWords) {
  App();
  for (const Expected& e : kDialogs) {
    SCOPED_TRACE(e.name);
    ConfigDialog dialog(*e.layout);
    EXPECT_EQ(dialog.objectName(), e.name);
    EXPECT_EQ(Find<QLabel>(dialog, "Label1").text(), e.title);
    EXPECT_EQ(SetConfigWord(ConfigLayoutOf(e.index), dialog.State()), kFromFile);
    const std::map<std::string, std::pair<int, int>> buttons = Buttons(e);
    const auto options = dialog.findChildren<QRadioButton*>();
    EXPECT_EQ(options.size(), static_cast<qsizetype>(buttons.size()));
    const QRect save = Find(dialog, "cmdSave").geometry();
    for (QRadioButton* option : options) {
      const std::string n = option->objectName().toStdString();
      ASSERT_TRUE(buttons.count(n)) << n;
      EXPECT_EQ(option->isChecked(), buttons.at(n).first == 0) << n;
      EXPECT_FALSE(option->isEnabled()) << n;
      // The caption fits its button, the button its group, the group the window.
      EXPECT_LE(option->sizeHint().width(), option->width()) << n;
      QWidget* group = option->parentWidget();
      EXPECT_TRUE(group->rect().contains(option->geometry())) << n;
      EXPECT_TRUE(dialog.rect().contains(group->geometry()) && group->y() < save.y()) << n;
      for (QRadioButton* other : options) {
        if (other->parentWidget() != group) {
          EXPECT_FALSE(group->geometry().intersects(other->parentWidget()->geometry())) << n;
        }
      }
    }
    for (const auto& [name, words] : buttons) {
      if (words.first == 0) continue;
      ConfigDialog fresh(*e.layout);
      fresh.SetFromFile(false);
      Find<QRadioButton>(fresh, name.c_str(), false).click();
      const std::string text = SetConfigWord(ConfigLayoutOf(e.index), fresh.State());
      EXPECT_EQ(ConfigWordAt(text, 0), words.first) << name;
      EXPECT_EQ(ConfigWordAt(text, 1), words.second) << name;
    }
  }
}

}  // namespace
}  // namespace daxwel::testing
