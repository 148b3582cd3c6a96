#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <map>
#include <set>

#include "config/config_word.h"
#include "config/dialog_config.h"
#include "ui/app_options.h"
#include "ui/help_window.h"
#include "ui/progress_viewer.h"
#include "ui_support.h"

namespace daxwel::testing {
namespace {

using Defaults = std::map<std::string, bool>;  // option name -> selected at start

Defaults ExpectedOptions(Family family) {
  Defaults d{{"RC", false},     {"XT", true},        {"HS", false},
             {"LP", false},     {"CpOff", true},     {"WdteOff", true},
             {"WdteOn", false}, {"PwrteOff", false}, {"PwrteOn", true}};
  if (family == Family::F84 || family == Family::F870) d["CpOn"] = false;
  if (family != Family::F84) {
    d.insert({{"CpdOff", true},
              {"CpdOn", false},
              {"LvpOff", true},
              {"LvpOn", false},
              {"BodenOff", true},
              {"BodenOn", false},
              {"WrtOff", false},
              {"WrtOn", true}});
  }
  if (family == Family::F873) {
    d.insert({{"Cp0000_0FFF", false}, {"Cp0800_0FFF", false}, {"Cp0F00_0FFF", false}});
  }
  if (family == Family::F876) {
    d.insert({{"Cp0000_1FFF", false}, {"Cp1000_1FFF", false}, {"Cp1F00_1FFF", false}});
  }
  return d;
}

TEST(ConfigDialogs, ControlsDefaultsAndTheFromFileSwitch) {
  App();
  const std::map<Family, std::pair<const char*, const char*>> names{
      {Family::F84, {"frmConfigPic16F84", "PIC 16F84"}},
      {Family::F870, {"frmConfigPic16F870_1_2", "PIC 16F870 / 71 / 72"}},
      {Family::F873, {"frmConfigPic16F873_4", "PIC 16F873 / 74"}},
      {Family::F876, {"frmConfigPic16F876_7", "PIC 16F876 / 77"}}};
  for (const auto& [family, name] : names) {
    SCOPED_TRACE(name.first);
    ConfigDialog dialog(family);
    EXPECT_EQ(dialog.objectName(), name.first);
    EXPECT_EQ(dialog.windowTitle(), "Configuration Word");
    EXPECT_EQ(dialog.palette().color(QPalette::Window), QColor(Qt::white));
    auto& title = Find<QLabel>(dialog, "Label1");
    EXPECT_EQ(title.text(), name.second);
    EXPECT_TRUE(title.font().bold());
    EXPECT_EQ(title.font().pointSize(), 12);
    auto& fromFile = Find<QCheckBox>(dialog, "chkFromFile");
    EXPECT_EQ(fromFile.text(), "Tomar configuración desde archivo ( .hex )");
    EXPECT_TRUE(fromFile.isChecked());
    EXPECT_TRUE(Find<QFrame>(dialog, "Shape1").geometry().contains(fromFile.geometry()));
    EXPECT_EQ(Find<QPushButton>(dialog, "cmdSave").text(), "Guardar Configuración");

    // Exactly the family's options, each with its default, all disabled behind the box.
    const Defaults expected = ExpectedOptions(family);
    const auto options = dialog.findChildren<QRadioButton*>();
    EXPECT_EQ(options.size(), static_cast<qsizetype>(expected.size()));
    for (QRadioButton* option : options) {
      const std::string n = option->objectName().toStdString();
      ASSERT_TRUE(expected.count(n)) << n;
      EXPECT_EQ(option->isChecked(), expected.at(n)) << n;
      EXPECT_FALSE(option->isEnabled()) << n;
    }
    const DialogState state = dialog.State();
    EXPECT_TRUE(state.chkFromFile);
    EXPECT_EQ(state.osc, Osc::XT);
    EXPECT_EQ(state.cp, Cp::Off);
    EXPECT_TRUE(state.pwrteOn);
    EXPECT_FALSE(state.wdteOn);

    // Clearing the box enables every option; checking it again disables them but keeps them.
    fromFile.click();
    for (QRadioButton* option : options) EXPECT_TRUE(option->isEnabled());
    Find<QRadioButton>(dialog, "LP", false).click();
    Find<QRadioButton>(dialog, "WdteOn", false).click();
    dialog.SetFromFile(true);
    for (QRadioButton* option : options) EXPECT_FALSE(option->isEnabled());
    EXPECT_TRUE(Find<QRadioButton>(dialog, "LP", false).isChecked());
    EXPECT_FALSE(Find<QRadioButton>(dialog, "XT", false).isChecked()) << "one per group";
    EXPECT_TRUE(Find<QRadioButton>(dialog, "PwrteOn", false).isChecked())
        << "groups are independent";
    EXPECT_EQ(dialog.State().osc, Osc::LP);
    EXPECT_TRUE(dialog.State().wdteOn);
  }
}

// The worked values of the configuration word, read through the dialogs' controls.
TEST(ConfigDialogs, StateComposesTheWorkedWords) {
  App();
  auto manual = [](ConfigDialog& d) { d.SetFromFile(false); };
  auto pick = [](ConfigDialog& d, const char* name) { Find<QRadioButton>(d, name, false).click(); };

  ConfigDialog f84(Family::F84);
  EXPECT_EQ(SetConfigWord(1, f84.State()), kFromFile);
  manual(f84);
  EXPECT_EQ(SetConfigWord(1, f84.State()), "11111111110001");
  pick(f84, "CpOn");
  pick(f84, "WdteOn");
  pick(f84, "RC");
  EXPECT_EQ(SetConfigWord(1, f84.State()), "00000000000111");

  ConfigDialog f870(Family::F870);
  manual(f870);
  EXPECT_EQ(SetConfigWord(3, f870.State()), "11111100110001");

  ConfigDialog f873(Family::F873);
  manual(f873);
  pick(f873, "Cp0800_0FFF");
  EXPECT_EQ(f873.State().cp, Cp::Half);
  EXPECT_EQ(SetConfigWord(5, f873.State()), "01111100010001");

  ConfigDialog f876(Family::F876);
  manual(f876);
  pick(f876, "Cp1F00_1FFF");
  EXPECT_EQ(f876.State().cp, Cp::Top);
  EXPECT_EQ(SetConfigWord(8, f876.State()), "10111100100001");
  pick(f876, "Cp0000_1FFF");
  pick(f876, "BodenOn");
  pick(f876, "LvpOn");
  pick(f876, "CpdOn");
  pick(f876, "WrtOff");
  const DialogState s = f876.State();
  EXPECT_EQ(s.cp, Cp::All);
  EXPECT_TRUE(s.bodenOn && s.lvpOn && s.cpdOn);
  EXPECT_FALSE(s.wrtOn);
}

TEST(ConfigDialogs, OnlyTheSaveButtonDismisses) {
  App();
  ConfigDialog dialog(Family::F870);
  dialog.show();
  EXPECT_FALSE(dialog.close());
  EXPECT_TRUE(dialog.isVisible());
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_TRUE(dialog.isVisible());
  dialog.SetFromFile(false);
  Find<QRadioButton>(dialog, "HS", false).click();
  Find<QPushButton>(dialog, "cmdSave").click();
  EXPECT_FALSE(dialog.isVisible());
  // Shown again, it has the same choices, still enabled.
  dialog.show();
  EXPECT_TRUE(Find<QRadioButton>(dialog, "HS", false).isChecked());
  EXPECT_TRUE(Find<QRadioButton>(dialog, "HS", false).isEnabled());
  EXPECT_FALSE(dialog.State().chkFromFile);
}

TEST(ProgressViewer, OneLineWholeAndNotClosable) {
  App();
  FrmDoing viewer;
  EXPECT_EQ(viewer.objectName(), "frmdoing");
  EXPECT_EQ(viewer.windowTitle(), "Visor de Procesos");
  auto& line = Find<QLabel>(viewer, "lbldoing");
  EXPECT_EQ(line.text(), "Label1");
  EXPECT_EQ(line.geometry(), QRect(24, 32, 201, 17));
  const QString longest = "Verificando Program Memory:  0x1FFF";
  ASSERT_EQ(longest.size(), 35);
  viewer.SetText(longest);
  EXPECT_EQ(line.text(), longest);
  EXPECT_GE(line.width(), line.fontMetrics().horizontalAdvance(longest));
  EXPECT_LE(line.geometry().right(), viewer.width());
  viewer.show();
  EXPECT_FALSE(viewer.close());
  QTest::keyClick(&viewer, Qt::Key_Escape);
  EXPECT_TRUE(viewer.isVisible());
}

TEST(PortHelp, TextIsTheTwentyOneLines) {
  App();
  const QString text = LptHelpText();
  EXPECT_EQ(text.size(), 628);
  EXPECT_TRUE(text.endsWith("cualquier tecla.\r\n"));
  const QStringList lines = text.split("\r\n");
  ASSERT_EQ(lines.size(), 21);
  EXPECT_EQ(lines[0], "Para seleccionar el puerto LPT a usar,");
  EXPECT_TRUE(lines[3].isEmpty());
  EXPECT_TRUE(lines[10].isEmpty());
  EXPECT_TRUE(lines[20].isEmpty());
  for (int i = 0; i < 21; ++i) {
    const bool blank = i == 4 || i == 6 || i == 8 || i == 16;
    EXPECT_EQ(lines[i].endsWith(' '), blank) << "line " << i + 1;
  }
  EXPECT_EQ(lines[17], "datos mostrados, luego podrá continuar");
  EXPECT_FALSE(text.endsWith("\r\n\r\n"));

  FrmHelpOnLpt help;
  EXPECT_EQ(help.windowTitle(), "Ayuda");
  EXPECT_EQ(Find<QPlainTextEdit>(help, "txtHelp").toPlainText().replace("\n", "\r\n"), text);
  EXPECT_EQ(Find<QPushButton>(help, "cmdAceptar").text(), "Aceptar");
}

TEST(HelpDocument, CoversWiringPermissionsAndEveryButton) {
  QFile file(QStringLiteral(DAXWEL_SOURCE_DIR) + "/resources/ayuda.htm");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString html = QString::fromUtf8(file.readAll());
  for (const char* needed : {"RB6",
                             "RB7",
                             "MCLR",
                             "pata DB25",
                             "10 (ACK)",
                             "0x80 o 0xC0",
                             "modprobe ppdev",
                             "grupo",
                             "/dev/parport",
                             "RB3",
                             "Programar",
                             "Verificar",
                             "Borrar",
                             "Configurar",
                             "Poner el PIC en modo RUN",
                             "Buscar",
                             "Salir",
                             "Hardware no detectado !!!!",
                             "No ha seleccionado ningún archivo",
                             "Programación finalizada",
                             "** PIC Verificado OK **",
                             "El PIC ha sido borrado",
                             "Code Protect activado !!!"}) {
    EXPECT_TRUE(html.contains(QString::fromUtf8(needed), Qt::CaseInsensitive)) << needed;
  }
}

TEST(AppOptions, SimulatorOptionsAndMistakes) {
  AppOptions options;
  EXPECT_TRUE(ParseAppOptions({"daxwel"}, options).isEmpty());
  EXPECT_FALSE(options.sim.has_value());

  ASSERT_TRUE(ParseAppOptions({"daxwel", "--sim", "16F877"}, options).isEmpty());
  ASSERT_TRUE(options.sim.has_value());
  EXPECT_EQ(options.sim->model, sim::SimModel::F877);
  EXPECT_EQ(options.sim->time, sim::SimTime::Real);
  EXPECT_TRUE(options.sim->statePath.empty());

  ASSERT_TRUE(ParseAppOptions({"daxwel", "--sim", "16f84a:/tmp/chip.hex", "--sim-time", "virtual",
                               "--sim-fault", "no-adapter", "--sim-fault", "stuck=0x10",
                               "--sim-fault", "id=2464"},
                              options)
                  .isEmpty());
  EXPECT_EQ(options.sim->model, sim::SimModel::F84A);
  EXPECT_EQ(options.sim->statePath, "/tmp/chip.hex");
  EXPECT_EQ(options.sim->time, sim::SimTime::Virtual);
  EXPECT_TRUE(options.sim->faults.noAdapter);
  EXPECT_EQ(options.sim->faults.stuckProgram, std::vector<int>{0x10});
  EXPECT_EQ(options.sim->faults.deviceId, 2464);

  ASSERT_TRUE(ParseAppOptions({"daxwel", "--screenshot", "/tmp/s"}, options).isEmpty());
  EXPECT_EQ(options.screenshotDir, "/tmp/s");

  for (const QStringList& wrong :
       {QStringList{"daxwel", "--sim", "16F999"},
        QStringList{"daxwel", "--sim", "16F877", "--sim-time", "x"},
        QStringList{"daxwel", "--sim", "16F877", "--sim-fault", "x=1"},
        QStringList{"daxwel", "--sim-time", "virtual"}, QStringList{"daxwel", "--bogus"},
        QStringList{"daxwel", "file.hex"}}) {
    EXPECT_FALSE(ParseAppOptions(wrong, options).isEmpty()) << wrong.join(' ').toStdString();
  }
}

}  // namespace
}  // namespace daxwel::testing
