// The 16F87XA and 16F62XA configuration dialogs.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <functional>
#include <map>
#include <tuple>
#include <vector>

#include "config/config_word.h"
#include "config/dialog_config.h"
#include "ui_support.h"

namespace daxwel::testing {
namespace {

struct Expected {
  Family family;
  int index;  // a model of the family
  const char* objectName;
  const char* title;
  std::map<std::string, bool> options;  // name -> selected at start
  // Two-button groups and their labels.
  std::map<std::string, QStringList> onOff;
};

std::vector<Expected> Dialogs() {
  const std::map<std::string, QStringList> common{{"Cp", {"Code Protect"}},
                                                  {"Cpd", {"EE Memory", "Code Protection"}},
                                                  {"Lvp", {"Low Voltage", "Programming"}},
                                                  {"Wdte", {"Watchdog Timer"}},
                                                  {"Pwrte", {"Power Up Timer"}},
                                                  {"Boden", {"Brown-Out Reset"}}};
  const std::map<std::string, bool> defaults{
      {"XT", true},      {"HS", false},      {"LP", false},     {"CpOff", true},
      {"CpOn", false},   {"CpdOff", true},   {"CpdOn", false},  {"LvpOff", true},
      {"LvpOn", false},  {"WdteOff", true},  {"WdteOn", false}, {"PwrteOff", false},
      {"PwrteOn", true}, {"BodenOff", true}, {"BodenOn", false}};
  Expected a{Family::F87XA, 12,    "frmConfigPic16F87XA", "PIC 16F873A / 74A / 76A / 77A",
             defaults,      common};
  a.options.insert({{"RC", false},
                    {"DebugOff", true},
                    {"DebugOn", false},
                    {"WrtOff", true},
                    {"Wrt0000_00FF", false},
                    {"WrtQuarter", false},
                    {"WrtHalf", false}});
  a.onOff["Debug"] = {"In-Circuit", "Debugger"};
  Expected b{Family::F62XA, 14, "frmConfigPic16F62XA", "PIC 16F627A / 28A / 48A", defaults, common};
  b.options.insert({{"EC", false},
                    {"IntoscIO", false},
                    {"IntoscClkout", false},
                    {"RcIO", false},
                    {"RcClkout", false},
                    {"MclreOff", false},
                    {"MclreOn", true}});
  b.onOff["Mclre"] = {"Master Clear", "Enable"};
  return {a, b};
}

QStringList LabelsOf(QWidget* frame) {
  QList<QLabel*> labels = frame->findChildren<QLabel*>();
  std::sort(labels.begin(), labels.end(),
            [](const QLabel* l, const QLabel* r) { return l->y() < r->y(); });
  QStringList texts;
  for (QLabel* label : labels) texts << label->text();
  return texts;
}

TEST(ConfigDialogsAFamilies, ControlsDefaultsAndLayout) {
  App();
  for (const Expected& e : Dialogs()) {
    SCOPED_TRACE(e.objectName);
    ConfigDialog dialog(e.family);
    EXPECT_EQ(dialog.objectName(), e.objectName);
    EXPECT_EQ(dialog.windowTitle(), "Configuration Word");
    EXPECT_EQ(dialog.palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(Find<QLabel>(dialog, "Label1").text(), e.title);
    auto& fromFile = Find<QCheckBox>(dialog, "chkFromFile");
    EXPECT_EQ(fromFile.text(), "Tomar configuración desde archivo ( .hex )");
    EXPECT_TRUE(fromFile.isChecked());
    auto& save = Find<QPushButton>(dialog, "cmdSave");
    EXPECT_EQ(save.text(), "Guardar Configuración");

    const auto options = dialog.findChildren<QRadioButton*>();
    EXPECT_EQ(options.size(), static_cast<qsizetype>(e.options.size()));
    QList<QWidget*> frames;
    for (QRadioButton* option : options) {
      const std::string n = option->objectName().toStdString();
      ASSERT_TRUE(e.options.count(n)) << n;
      EXPECT_EQ(option->isChecked(), e.options.at(n)) << n;
      EXPECT_FALSE(option->isEnabled()) << n;
      // Every caption fits its button, and every button its frame.
      EXPECT_LE(option->sizeHint().width(), option->width()) << n;
      EXPECT_TRUE(option->parentWidget()->rect().contains(option->geometry())) << n;
      if (!frames.contains(option->parentWidget())) frames << option->parentWidget();
    }
    // The groups stand apart, inside the window, above the save button.
    for (QWidget* frame : frames) {
      EXPECT_TRUE(dialog.rect().contains(frame->geometry()));
      EXPECT_LT(frame->geometry().bottom(), save.y());
      for (QWidget* other : frames) {
        if (other != frame) {
          EXPECT_FALSE(frame->geometry().intersects(other->geometry()));
        }
      }
    }
    for (const auto& [group, labels] : e.onOff) {
      auto& off = Find<QRadioButton>(dialog, (group + "Off").c_str(), false);
      auto& on = Find<QRadioButton>(dialog, (group + "On").c_str(), false);
      EXPECT_EQ(off.text(), "OFF");
      EXPECT_EQ(on.text(), "ON");
      EXPECT_EQ(off.parentWidget(), on.parentWidget()) << group;
      EXPECT_TRUE(off.y() == on.y() && off.x() < on.x()) << group;
      EXPECT_EQ(LabelsOf(off.parentWidget()), labels) << group;
    }

    // Behind the box the word comes from the file; cleared, it is the defaults' word.
    EXPECT_EQ(SetConfigWord(e.index, dialog.State()), kFromFile);
    fromFile.click();
    for (QRadioButton* option : options) EXPECT_TRUE(option->isEnabled());
    EXPECT_EQ(SetConfigWord(e.index, dialog.State()), SetConfigWord(e.index, [] {
                DialogState d;
                d.chkFromFile = false;
                return d;
              }()));
  }
}

// Each button reaches its field of the dialog state.
TEST(ConfigDialogsAFamilies, EveryButtonSetsItsField) {
  App();
  using Check = std::function<bool(const DialogState&)>;
  const std::vector<std::tuple<Family, const char*, Check>> rows{
      {Family::F87XA, "RC", [](const DialogState& s) { return s.osc == Osc::RC; }},
      {Family::F87XA, "HS", [](const DialogState& s) { return s.osc == Osc::HS; }},
      {Family::F87XA, "CpOn", [](const DialogState& s) { return s.cp == Cp::All; }},
      {Family::F87XA, "DebugOn", [](const DialogState& s) { return s.debugOn; }},
      {Family::F87XA, "Wrt0000_00FF",
       [](const DialogState& s) { return s.wrtProtect == WrtProtect::First256; }},
      {Family::F87XA, "WrtQuarter",
       [](const DialogState& s) { return s.wrtProtect == WrtProtect::Quarter; }},
      {Family::F87XA, "WrtHalf",
       [](const DialogState& s) { return s.wrtProtect == WrtProtect::Half; }},
      {Family::F87XA, "CpdOn", [](const DialogState& s) { return s.cpdOn; }},
      {Family::F87XA, "LvpOn", [](const DialogState& s) { return s.lvpOn; }},
      {Family::F87XA, "BodenOn", [](const DialogState& s) { return s.bodenOn; }},
      {Family::F87XA, "WdteOn", [](const DialogState& s) { return s.wdteOn; }},
      {Family::F87XA, "PwrteOff", [](const DialogState& s) { return !s.pwrteOn; }},
      {Family::F62XA, "LP", [](const DialogState& s) { return s.osc == Osc::LP; }},
      {Family::F62XA, "EC", [](const DialogState& s) { return s.osc == Osc::EC; }},
      {Family::F62XA, "IntoscIO", [](const DialogState& s) { return s.osc == Osc::IntoscIO; }},
      {Family::F62XA, "IntoscClkout",
       [](const DialogState& s) { return s.osc == Osc::IntoscClkout; }},
      {Family::F62XA, "RcIO", [](const DialogState& s) { return s.osc == Osc::RcIO; }},
      {Family::F62XA, "RcClkout", [](const DialogState& s) { return s.osc == Osc::RC; }},
      {Family::F62XA, "CpOn", [](const DialogState& s) { return s.cp == Cp::All; }},
      {Family::F62XA, "MclreOff", [](const DialogState& s) { return !s.mclreOn; }},
      {Family::F62XA, "CpdOn", [](const DialogState& s) { return s.cpdOn; }},
      {Family::F62XA, "LvpOn", [](const DialogState& s) { return s.lvpOn; }},
      {Family::F62XA, "BodenOn", [](const DialogState& s) { return s.bodenOn; }},
  };
  for (const auto& [family, button, check] : rows) {
    ConfigDialog dialog(family);
    dialog.SetFromFile(false);
    ASSERT_FALSE(check(dialog.State())) << button << " at the start";
    Find<QRadioButton>(dialog, button, false).click();
    EXPECT_TRUE(check(dialog.State())) << button;
  }
}

// "Configurar" on a model of a new family shows that family's dialog.
TEST(ConfigDialogsAFamilies, ConfigureOpensTheFamilysDialog) {
  FakeRig r;
  r.port.idle = 0x87;
  FrmDaxwel& w = *r.window;
  w.PresencePoll();
  if (r.Control<QComboBox>("cmbPicSelect").count() < 16) {
    GTEST_SKIP() << "the model list has no 16F87XA / 16F62XA rows yet";
  }
  for (int index = 9; index <= 15; ++index) {
    const Family family = index <= 12 ? Family::F87XA : Family::F62XA;
    w.SetModelIndex(index);
    r.Click("cmdconfig");
    ConfigDialog& dialog = w.Dialog(family);
    EXPECT_TRUE(dialog.isVisible()) << index;
    for (ConfigDialog* other : w.findChildren<ConfigDialog*>()) {
      if (other != &dialog) {
        EXPECT_FALSE(other->isVisible()) << index;
      }
    }
    dialog.SetFromFile(false);
    EXPECT_EQ(w.ConfigSource(), SetConfigWord(index, dialog.State())) << index;
    Find<QPushButton>(dialog, "cmdSave").click();
  }
}

}  // namespace
}  // namespace daxwel::testing
