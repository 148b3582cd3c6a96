#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTimer>

#include "config/config_word.h"
#include "config/dialog_config.h"
#include "device/calibration_store.h"
#include "device/catalogue.h"
#include "image/hex_image.h"
#include "support/hex_builder.h"
#include "ui/calibration_dialog.h"
#include "ui/progress_viewer.h"
#include "ui_support.h"

namespace daxwel::testing {
namespace {

const std::string kExample = std::string(DAXWEL_SOURCE_DIR) + "/examples/eeprom877.inhx8m.hex";

std::string ViolationsOf(const sim::SimAdapter& s) {
  std::string all;
  for (const std::string& v : s.Violations()) all += v + "\n";
  return all;
}

// The commands that could start a second operation, and whether each is enabled.
std::vector<bool> CommandStates(Rig& r) {
  std::vector<bool> states;
  for (const char* name : {"cmdprog", "cmdverify", "cmdborrar", "cmdconfig", "cmdRun", "cmdbuscar",
                           "cmbLptSelect", "cmbPicSelect"}) {
    states.push_back(r.Control(name).isEnabled());
  }
  return states;
}

TEST(MainWindowOnSimulator, ProgramVerifyEraseAndRun) {
  SimRig r(sim::SimModel("16F877"));
  FrmDaxwel& w = *r.window;
  r.sim.Memory().program[2] = 0x0ABC;  // a word the file leaves blank
  // A word set by hand in the 16F876/77 dialog: HS, watchdog on, the rest as designed.
  ConfigDialog& dialog = w.Dialog(kLayout16F876);
  dialog.SetFromFile(false);
  Find<QRadioButton>(dialog, "HS", false).click();
  Find<QRadioButton>(dialog, "WdteOn", false).click();
  const std::string word = "11111100110110";
  r.Control<QLineEdit>("txtarchivo").setText(QString::fromStdString(kExample));  // typed

  // Mid-run, from the first yield: what is locked, and clicks that must not start anything.
  std::vector<bool> duringRun;
  bool viewerShown = false;
  bool viewerRefusedClose = false;
  r.reply = [&](const MessageRequest& m) {
    if (m.title == "Confirmar") {
      r.Soon([&] {
        duringRun = CommandStates(r);
        viewerShown = w.ProgressViewer() != nullptr && w.ProgressViewer()->isVisible();
        viewerRefusedClose = !w.ProgressViewer()->close();
        r.Click("cmdverify");
        r.Click("cmdRun");
      });
    }
    return true;
  };
  r.Click("cmdprog");

  ASSERT_EQ(r.Titles(), (std::vector<std::string>{"Confirmar", "Fin"})) << ViolationsOf(r.sim);
  const std::string& confirm = r.seen[0].text;
  EXPECT_TRUE(r.seen[0].confirm);
  EXPECT_EQ(confirm, "Microcontrolador: PIC 16F877\r\rPrograma: " + kExample +
                         "\r\r          **** Configuración ****\rTipo: Manual\r" +
                         Config_Detail(word, ConfigLayoutOf(8)));
  EXPECT_EQ(r.seen[1].text, "Programación finalizada");
  EXPECT_EQ(w.ModelIndex(), 8) << "the detected model stays selected";
  EXPECT_EQ(duringRun, std::vector<bool>(8, false));
  EXPECT_TRUE(viewerShown);
  EXPECT_TRUE(viewerRefusedClose);
  EXPECT_EQ(CommandStates(r), std::vector<bool>(8, true));
  EXPECT_FALSE(w.Busy());
  EXPECT_FALSE(w.ProgressViewer()->isVisible());
  EXPECT_TRUE(Find<QTimer>(w, "tmrcheck").isActive());
  EXPECT_EQ(r.operationsEnded, 1);

  // The chip holds the file, with the hand-set word.
  const HexLoadResult file = LoadHexImage(kExample, {8192, 256});
  ASSERT_EQ(file.status, HexStatus::Ok);
  const sim::ChipMemory& chip = r.sim.Memory();
  for (int a = 0; a <= file.image.ProgramEnd; ++a) {
    ASSERT_EQ(chip.program[a], file.image.ProgramWords[a] & 0x3FFF) << a;
  }
  EXPECT_EQ(chip.program[2], 0x3FFF);
  for (int i = 0; i <= file.image.EepromEnd; ++i) {
    ASSERT_EQ(chip.eeprom[i], file.image.EepromWords[i] & 0xFF) << i;
  }
  for (int j = 0; j < 4; ++j) EXPECT_EQ(chip.ids[j], 0x3F80 | (file.image.IdWords()[j] & 0xF));
  EXPECT_EQ(chip.config, FromBitString(word));
  EXPECT_TRUE(r.sim.Violations().empty()) << ViolationsOf(r.sim);
  EXPECT_EQ(r.sim.DataRegister(), 0);

  // Verification against the same file.
  r.seen.clear();
  r.reply = {};
  r.Click("cmdverify");
  ASSERT_EQ(r.Titles(), (std::vector<std::string>{"Verificar", "Fin"}));
  EXPECT_EQ(r.seen[0].text, "Microcontrolador: PIC 16F877\r\rPrograma: " + kExample);
  EXPECT_EQ(r.seen[1].text, "** PIC Verificado OK **");

  // Run mode: the run line alone while the box is up, the lines at 0 after it.
  r.seen.clear();
  int linesDuringRun = -1;
  bool pollDuringRun = true;
  r.reply = [&](const MessageRequest&) {
    linesDuringRun = r.sim.DataRegister();
    pollDuringRun = Find<QTimer>(w, "tmrcheck").isActive();
    return true;
  };
  r.Click("cmdRun");
  ASSERT_EQ(r.seen.size(), 1u);
  EXPECT_EQ(r.seen[0].title, "RUN Mode");
  EXPECT_EQ(r.seen[0].text, "Ejecutando programa .....\r\rAceptar para detener");
  EXPECT_EQ(r.seen[0].icon, MessageIcon::Exclamation);
  EXPECT_FALSE(r.seen[0].confirm);
  EXPECT_EQ(linesDuringRun, 8);
  EXPECT_FALSE(pollDuringRun);
  EXPECT_EQ(r.sim.DataRegister(), 0);
  EXPECT_TRUE(Find<QTimer>(w, "tmrcheck").isActive());

  // Bulk erase, the viewer's close box tried on the way.
  r.seen.clear();
  r.reply = [&](const MessageRequest& m) {
    if (m.title == "Borrar") r.Soon([&] { viewerRefusedClose = !w.ProgressViewer()->close(); });
    return true;
  };
  viewerRefusedClose = false;
  r.Click("cmdborrar");
  ASSERT_EQ(r.Titles(), (std::vector<std::string>{"Borrar", "Fin"}));
  EXPECT_EQ(r.seen[0].text,
            "El PIC 16F877 será completamente borrado\r\r                 ¿ Desea continuar ?");
  EXPECT_EQ(r.seen[1].text, "El PIC ha sido borrado");
  EXPECT_TRUE(viewerRefusedClose);
  for (int a = 0; a < 8192; ++a) ASSERT_EQ(r.sim.Memory().program[a], 0x3FFF) << a;
  EXPECT_EQ(r.sim.Memory().config, 0x3FFF);
  EXPECT_TRUE(r.sim.Violations().empty()) << ViolationsOf(r.sim);
  EXPECT_EQ(r.sim.DataRegister(), 0);
  EXPECT_EQ(r.operationsEnded, 4);
  EXPECT_EQ(r.quits, 0);
}

TEST(MainWindowOnSimulator, ConfirmationShowsTheFileWordAndCancelTouchesNothing) {
  SimRig r(sim::SimModel("16F84A"));
  TempDir dir;
  const std::string path =
      dir.Write("a.hex", HexBuilder().Words(0, {0x3007, 0x0086}).Config(0x3FF2).Text());
  r.window->SetModelIndex(1);
  r.Control<QLineEdit>("txtarchivo").setText(QString::fromStdString(path));
  const long long writesBefore = r.sim.Stats().portWrites;
  r.reply = [](const MessageRequest&) { return false; };
  r.Click("cmdprog");
  ASSERT_EQ(r.Titles(), std::vector<std::string>{"Confirmar"});
  EXPECT_NE(r.seen[0].text.find("Microcontrolador: PIC 16F84\r"), std::string::npos);
  EXPECT_NE(r.seen[0].text.find("Tipo: Desde Archivo\r" +
                                Config_Detail("11111111110010", ConfigLayoutOf(1))),
            std::string::npos);
  EXPECT_EQ(r.sim.Memory().program[0], 0x3FFF);
  EXPECT_LE(r.sim.Stats().portWrites - writesBefore, 1) << "at most the lines dropped";
  EXPECT_EQ(r.sim.DataRegister(), 0);
  EXPECT_TRUE(r.sim.Violations().empty()) << ViolationsOf(r.sim);
}

TEST(MainWindowOnSimulator, SalirDuringARunAbandonsItAndEnds) {
  SimRig r(sim::SimModel("16F877"));
  FrmDaxwel& w = *r.window;
  w.SetModelIndex(8);
  r.Control<QLineEdit>("txtarchivo").setText(QString::fromStdString(kExample));
  r.reply = [&](const MessageRequest& m) {
    if (m.title == "Confirmar") r.Soon([&] { r.Click("cmdsalir"); });
    return true;
  };
  r.Click("cmdprog");
  EXPECT_EQ(r.Titles(), std::vector<std::string>{"Confirmar"}) << "no message after Salir";
  EXPECT_EQ(r.quits, 1);
  EXPECT_TRUE(w.AbandonRequested());
  EXPECT_FALSE(w.Busy());
  EXPECT_EQ(r.sim.DataRegister(), 0);
  EXPECT_FALSE(r.sim.InProgramMode());
  EXPECT_TRUE(r.sim.Violations().empty()) << ViolationsOf(r.sim);
  EXPECT_LT(r.sim.Stats().programWrites, 10) << "the run stopped at once";
  EXPECT_FALSE(w.ProgressViewer()->isVisible());
  EXPECT_FALSE(Find<QTimer>(w, "tmrcheck").isActive());
}

TEST(MainWindowOnSimulator, MissingAdapterBlocksEverything) {
  App();
  VirtualPacer pacer;
  sim::Faults faults;
  faults.noAdapter = true;
  sim::SimAdapter chip(sim::SimModel("16F877"), pacer, 0x378, faults);
  class NoAdapterRig : public Rig {
   public:
    NoAdapterRig(PortIo& io, Pacer& p) { Open(PortsOf(io), p); }
    ~NoAdapterRig() { window.reset(); }
  } r(chip, pacer);
  r.window->PresencePoll();
  EXPECT_EQ(r.window->HardStatus(), "error");
  r.Control<QLineEdit>("txtarchivo").setText(QString::fromStdString(kExample));
  for (const char* gated : {"cmdprog", "cmdverify", "cmdborrar", "cmdRun", "cmdconfig"}) {
    r.Click(gated);
  }
  EXPECT_TRUE(r.seen.empty());
  EXPECT_EQ(chip.Stats().programModeEntries, 0);
}

// A chip that lost its calibration gets it back from the window: frmCalibracion offers what
// the store keeps for the part, newest first, and a choice fills the values; Cancel erases
// nothing.
TEST(MainWindowOnSimulator, ALostCalibrationIsChosenInFrmCalibracion) {
  sim::Faults lost;
  lost.lostCalibration = true;
  lost.osccal = 0x3490;
  lost.bandGap = 2;
  SimRig r(sim::SimModel("12F675"), lost);
  const CalibrationStore store(r.store.Path());
  ASSERT_EQ(
      store.Append({r.sim.DeviceId(), {{"OSCCAL", 0x3470}, {"BG", 1}}, RecordKind::kRead, ""}), "");
  ASSERT_EQ(
      store.Append({r.sim.DeviceId(), {{"OSCCAL", 0x3490}, {"BG", 2}}, RecordKind::kRead, ""}), "");
  r.sim.Memory().program[0] = 0x1234;

  r.Click("cmdborrar");
  EXPECT_EQ(r.sim.Memory().program[0], 0x1234) << "Cancel erases nothing";
  EXPECT_NE(r.seen.back().text.find("No se borró ni se escribió nada"), std::string::npos);

  std::vector<std::string> shown;
  r.factoryValues = [&](const std::string& text, const std::vector<std::string>& names,
                        const std::vector<CalibrationRecord>& candidates) {
    FrmCalibracion dialog(text, names, candidates, r.window.get());
    auto& ok = Find<QAbstractButton>(dialog, "cmdAceptar", false);
    EXPECT_FALSE(ok.isEnabled()) << "no value yet";
    auto& list = Find<QListWidget>(dialog, "lstCalibraciones", false);
    for (int i = 0; i < list.count(); ++i) shown.push_back(list.item(i)->text().toStdString());
    list.setCurrentRow(0);
    EXPECT_EQ(Find<QLineEdit>(dialog, "txtOSCCAL", false).text(), "0x3490");
    EXPECT_EQ(Find<QLineEdit>(dialog, "txtBG", false).text(), "2");
    EXPECT_TRUE(ok.isEnabled());
    return dialog.Values();
  };
  r.Click("cmdborrar");
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].rfind("OSCCAL 0x3490, BG 2 (", 0), 0u) << shown[0];
  EXPECT_EQ(shown[1].rfind("OSCCAL 0x3470, BG 1 (", 0), 0u) << shown[1];
  EXPECT_EQ(r.seen.back().title, "Fin") << r.seen.back().text;
  EXPECT_EQ(r.sim.Memory().program[0], 0x3FFF);
  EXPECT_EQ(r.sim.Memory().program.back(), 0x3490);
  EXPECT_EQ((r.sim.Memory().config >> 12) & 3, 2u);
  EXPECT_TRUE(r.sim.Violations().empty()) << ViolationsOf(r.sim);
}

// Typed values are taken as hexadecimal with 0x and decimal without, at most 14 bits.
TEST(FrmCalibracionTest, TypedValues) {
  const struct {
    const char* text;
    std::optional<std::uint16_t> value;
  } cases[] = {{"0x3490", 0x3490},   {"0X34a0", 0x34A0},  {"2", 2},
               {"0x", std::nullopt}, {"", std::nullopt},  {"0x4000", std::nullopt},
               {"2a", std::nullopt}, {"-1", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(ParseCalibrationValue(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace daxwel::testing
