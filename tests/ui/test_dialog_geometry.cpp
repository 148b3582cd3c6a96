// Every configuration dialog's controls where its pictures show them: a fingerprint of each
// control's class, name, rectangle, text, font and state, taken from the dialogs as they were
// drawn when their placement was last checked by eye.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QRadioButton>
#include <algorithm>
#include <map>
#include <string>

#include "config/dialog_config.h"
#include "config/dialog_placement.h"
#include "device/catalogue.h"

namespace daxwel::testing {
namespace {

void Describe(const QWidget& widget, std::string& out) {
  const QRect r = widget.geometry();
  out += widget.metaObject()->className();
  out += " " + widget.objectName().toStdString();
  out += " " + std::to_string(r.x()) + "," + std::to_string(r.y()) + "," +
         std::to_string(r.width()) + "x" + std::to_string(r.height());
  out += " " + std::to_string(widget.font().pointSize()) + (widget.font().bold() ? "b" : "");
  if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
    out += " [" + label->text().toStdString() + "] " + std::to_string(label->alignment());
  }
  if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
    out += " [" + button->text().toStdString() + "]" + (button->isChecked() ? " checked" : "");
  }
  if (const auto* frame = qobject_cast<const QFrame*>(&widget)) {
    out += " frame" + std::to_string(frame->frameShape());
  }
  out += widget.isEnabled() ? "\n" : " disabled\n";
  for (const QObject* child : widget.children()) {
    if (const auto* w = qobject_cast<const QWidget*>(child)) Describe(*w, out);
  }
}

// FNV-1a: stable across runs and platforms, unlike qHash.
std::uint64_t Fingerprint(const std::string& text) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const unsigned char c : text) hash = (hash ^ c) * 0x100000001b3ULL;
  return hash;
}

// Taken from the dialogs whose pictures were compared by eye. A change that moves, renames or
// restyles any control changes its dialog's number: compare the new picture before taking it.
const std::map<std::string, std::uint64_t> kPictures = {
    {"frmConfigPic16F84", 0x4fb0577eb262bf5dULL},
    {"frmConfigPic16F870_1_2", 0x05d45bbfef4e1fd7ULL},
    {"frmConfigPic16F873_4", 0xdfe21eb396e6889aULL},
    {"frmConfigPic16F876_7", 0xfb7ba732f47a46fcULL},
    {"frmConfigPic16F87XA", 0x1ba81ad92c773b2fULL},
    {"frmConfigPic16F62XA", 0xb90e591923505feaULL},
    {"frmConfigPic12F675", 0xbb1bbb841d876b5fULL},
    {"frmConfigPic16F87_88", 0xb09b4495b974af87ULL},
    {"frmConfigPic16F818", 0xcef51d5679249e90ULL},
    {"frmConfigPic16F819", 0x436f6876e8711be6ULL},
    {"frmConfigPic16F882", 0xae9e12e267e237f0ULL},
    {"frmConfigPic16F883_4", 0x8ee39aca0f84dcaeULL},
    {"frmConfigPic16F886_7", 0x65dd9687435829e6ULL},
    {"frmConfigPic16F6XX", 0x4e85a359992de2daULL},
    {"frmConfigPic16F91X", 0x0379a5faf7fa303dULL},
    {"frmConfigPic16F627", 0xc922afe6a3aae504ULL},
    {"frmConfigPic16F628", 0x5486612a96272547ULL},
    {"frmConfigPic16F716", 0xa05cbd13b08e8d73ULL},
    {"frmConfigPic12F61X", 0x8ab6a495d79dc11dULL},
    {"frmConfigPic12F617", 0x1e8ff6e721629c3cULL},
    {"frmConfigPic12F752", 0xbf0ed1d194106cc2ULL},
    {"frmConfigPic16F7X", 0x25e8811dd9ed693cULL},
};

// Every field has one group in the dialog and every choosable value one button in it.
TEST(DialogGeometry, DialogPlacesEveryFieldAndValueOnce) {
  for (const ConfigLayout* layout : ConfigLayouts()) {
    const DialogPlacement* dialog = FindPlacement(*layout);
    ASSERT_NE(dialog, nullptr);
    SCOPED_TRACE(std::string(dialog->objectName));
    for (const ConfigField& field : layout->fields) {
      int groups = 0;
      for (const GroupPlace& group : dialog->groups) {
        if (group.field != field.name) continue;
        ++groups;
        for (const ConfigValue& value : field.values) {
          const auto placed =
              std::count_if(group.buttons.begin(), group.buttons.end(), [&](const ButtonPlace& b) {
                return !value.button.empty() && b.button == value.button;
              });
          EXPECT_EQ(placed, value.name.empty() ? 0 : 1) << value.button;
        }
        EXPECT_EQ(group.buttons.size(), static_cast<std::size_t>(std::count_if(
                                            field.values.begin(), field.values.end(),
                                            [](const ConfigValue& v) { return !v.name.empty(); })));
      }
      EXPECT_EQ(groups, 1) << field.name;
    }
    EXPECT_EQ(dialog->groups.size(), layout->fields.size());
  }
}

TEST(DialogGeometry, EveryDialogDrawsItsControlsWhereItsPictureShows) {
  std::map<std::string, std::uint64_t> seen;
  for (const ConfigLayout* layout : ConfigLayouts()) {
    ConfigDialog dialog(*layout);
    std::string description;
    Describe(dialog, description);
    const std::string name = dialog.objectName().toStdString();
    seen[name] = Fingerprint(description);
    const auto expected = kPictures.find(name);
    ASSERT_NE(expected, kPictures.end()) << name << " draws " << seen[name] << ":\n" << description;
    EXPECT_EQ(seen[name], expected->second) << name << " now draws:\n" << description;
  }
  EXPECT_EQ(seen.size(), kPictures.size());
}

// A layout no dialog places still gets a window that takes the word from the file and closes.
TEST(DialogGeometry, UnplacedLayoutShowsOnlyTheCheckBoxAndTheButton) {
  const ConfigLayout unplaced{kLayout16F84.fields};
  ASSERT_EQ(FindPlacement(unplaced), nullptr);
  ASSERT_NE(FindPlacement(kLayout16F84), nullptr);
  ConfigDialog dialog(unplaced);
  EXPECT_EQ(dialog.objectName(), "frmConfig");
  EXPECT_TRUE(dialog.findChildren<QRadioButton*>().isEmpty());
  EXPECT_NE(dialog.findChild<QAbstractButton*>("chkFromFile"), nullptr);
  EXPECT_NE(dialog.findChild<QAbstractButton*>("cmdSave"), nullptr);
  EXPECT_TRUE(dialog.State().chkFromFile);
  EXPECT_TRUE(dialog.State().values.empty());
}

}  // namespace
}  // namespace daxwel::testing
