// The window and a saved adapter it cannot use; "Probar adaptador" keeps nothing.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "link/adapters.h"
#include "link/user_settings.h"
#include "support/hex_builder.h"
#include "support/scoped_env.h"
#include "ui/adapter_dialog.h"
#include "ui_support.h"

namespace daxwel::testing {
namespace {

// The window on a recording port that counts how often it is opened, with hooks the test sets.
class AdapterRig : public Rig {
 public:
  RecordingPort port;
  VirtualPacer pacer;
  int opened = 0;
  std::uint16_t lastAddress = 0;
  std::vector<std::string> saved;  // names handed to adapterChanged
  std::vector<std::string> inUse;  // names handed to adapterInUse

  explicit AdapterRig(const std::string& problem) {
    App();
    WindowHooks hooks;
    hooks.answer = [this](const MessageRequest& r) {
      seen.push_back(r);
      return true;
    };
    hooks.adapterProblem = problem;
    hooks.adapterChanged = [this](const AdapterChoice& c) { saved.push_back(c.name); };
    hooks.adapterInUse = [this](const AdapterChoice& c) { inUse.push_back(c.name); };
    window = std::make_unique<FrmDaxwel>(
        [this](std::uint16_t address, const RestBytes&) {
          ++opened;
          lastAddress = address;
          OpenedPort o;
          o.io = std::make_unique<ForwardingPort>(port);
          o.base = address;
          return o;
        },
        pacer, hooks);
    QCoreApplication::processEvents();
  }
  ~AdapterRig() { window.reset(); }
};

TEST(SavedAdapterWindow, ABrokenSavedAdapterDrivesNoPortAndSaysWhy) {
  const std::string why = "Adaptador guardado en /x/daxwel.conf: /x/a.ini:2: clave desconocida";
  AdapterRig r(why);
  EXPECT_EQ(r.opened, 0);
  EXPECT_TRUE(r.port.log.empty()) << "not one byte, not even the default wiring's \"off\" byte";
  ASSERT_EQ(r.seen.size(), 1u);
  EXPECT_EQ(r.seen[0].title, "Error");
  EXPECT_EQ(r.seen[0].text.rfind(why, 0), 0u) << r.seen[0].text;
  EXPECT_EQ(r.window->AdapterProblem(), why);
  EXPECT_EQ(r.Control<QLabel>("lblchkhard").toolTip().toStdString(), why);

  // The presence poll and the port list do not reach the port either.
  r.window->PresencePoll();
  EXPECT_EQ(r.window->HardStatus(), "error");
  r.Control<QComboBox>("cmbLptSelect").setCurrentIndex(1);
  EXPECT_EQ(r.opened, 0);
  EXPECT_TRUE(r.port.log.empty());
  // "Probar adaptador" from outside the dialog says why instead of driving lines.
  r.window->TestAdapter();
  EXPECT_EQ(r.seen.size(), 2u);
  EXPECT_TRUE(r.port.log.empty());

  // A chosen adapter ends the wait: the port is opened and dropped to its "off" bytes.
  const AdapterPreset& tait = *FindAdapterPreset("tait-7407");
  r.window->SetAdapter({std::string(tait.name), tait.wiring, {}});
  EXPECT_EQ(r.window->AdapterProblem(), "");
  EXPECT_EQ(r.opened, 1);
  ASSERT_FALSE(r.port.Writes().empty());
  EXPECT_EQ(r.port.Writes().back(), tait.wiring.Off().data);
  EXPECT_EQ(r.saved, std::vector<std::string>{"tait-7407"});
}

// The dialog opened with no usable adapter starts with none chosen: nothing to accept yet.
TEST(SavedAdapterWindow, DialogWithoutAnAdapterHasNothingToAccept) {
  App();
  DlgAdapter dialog(AdapterChoice{"", Wiring{}, {}}, nullptr);
  auto& list = Find<QComboBox>(dialog, "cmbAdapter");
  EXPECT_EQ(list.currentIndex(), -1);
  EXPECT_EQ(list.count(), static_cast<int>(AdapterPresets().size()) + 1);
  EXPECT_FALSE(Find<QPushButton>(dialog, "cmdAceptar").isEnabled());
  EXPECT_FALSE(Find<QPushButton>(dialog, "cmdProbar").isEnabled());
  list.setCurrentIndex(1);
  emit list.activated(1);
  EXPECT_EQ(dialog.Choice().name, std::string(AdapterPresets()[1].name));
  EXPECT_TRUE(Find<QPushButton>(dialog, "cmdAceptar").isEnabled());
}

// The trial drives the port with the dialog's choice, but only "Aceptar" keeps it.
TEST(SavedAdapterWindow, ProbarAdaptadorSavesNothingUntilAccepted) {
  AdapterRig r("");
  std::string testedWith;
  std::size_t savedDuringTest = 99;
  QTimer::singleShot(0, r.window.get(), [&] {
    auto* dialog = r.window->findChild<DlgAdapter*>();
    ASSERT_NE(dialog, nullptr);
    auto& list = Find<QComboBox>(*dialog, "cmbAdapter");
    const int tait = list.findText("tait-7407 ", Qt::MatchStartsWith);
    list.setCurrentIndex(tait);
    emit list.activated(tait);
    QTimer::singleShot(0, r.window.get(), [&] {
      auto* test = r.window->findChild<QDialog*>("dlgProbarAdaptador");
      ASSERT_NE(test, nullptr);
      testedWith = r.window->Adapter().name;
      savedDuringTest = r.saved.size();
      test->accept();
    });
    Find<QPushButton>(*dialog, "cmdProbar").click();
    dialog->reject();
  });
  r.window->ChooseAdapter();
  EXPECT_EQ(testedWith, "tait-7407");
  EXPECT_EQ(savedDuringTest, 0u);
  EXPECT_TRUE(r.saved.empty()) << "cancelled: nothing remembered";
  EXPECT_EQ(r.window->Adapter().name, "daxwel");
  EXPECT_EQ(r.inUse, (std::vector<std::string>{"tait-7407", "daxwel"}));
  EXPECT_EQ(r.port.Writes().back(), DefaultWiring().Off().data);
}

// The window starts on the port and model of the shared settings (as the command line does)
// and keeps the user's own choice there; a detection moving the list keeps nothing.
TEST(SavedAdapterWindow, PortAndModelComeFromAndGoToTheSharedSettings) {
  TempDir dir;
  ScopedEnv xdg("XDG_CONFIG_HOME", dir.Path().c_str());
  ScopedEnv model("DAXWEL_MODEL", nullptr);
  ScopedEnv port("DAXWEL_PORT", nullptr);
  std::filesystem::create_directories(SettingsFile().parent_path());
  std::ofstream(SettingsFile()) << "[daxwel]\npuerto=0x278\nmodelo=16F628A\n";
  AdapterRig r("");
  auto& ports = Find<QComboBox>(*r.window, "cmbLptSelect");
  auto& models = Find<QComboBox>(*r.window, "cmbPicSelect");
  EXPECT_EQ(ports.currentText().toStdString(), "0x278");
  EXPECT_EQ(r.lastAddress, 0x278);
  EXPECT_EQ(models.currentText().toStdString(), "16F628A");

  models.setCurrentIndex(models.findText("16F877"));  // as a detection does
  EXPECT_EQ(LoadSettings().Find("daxwel", "modelo")->value, "16F628A");
  const int chosen = models.findText("16F88");
  models.setCurrentIndex(chosen);
  emit models.activated(chosen);
  ports.setCurrentIndex(2);
  emit ports.activated(2);
  std::ifstream in(SettingsFile());
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "[daxwel]\npuerto=0x3BC\nmodelo=16F88\n");
}

}  // namespace
}  // namespace daxwel::testing
