#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "config/config_word.h"
#include "config/dialog_config.h"
#include "device/catalogue.h"
#include "ui/app_options.h"
#include "ui/help_window.h"
#include "ui/progress_viewer.h"
#include "ui_support.h"

namespace daxwel::testing {
namespace {

using Defaults = std::map<std::string, bool>;  // option name -> selected at start

Defaults ExpectedOptions(const ConfigLayout* family) {
  Defaults d{{"RC", false},     {"XT", true},        {"HS", false},
             {"LP", false},     {"CpOff", true},     {"WdteOff", true},
             {"WdteOn", false}, {"PwrteOff", false}, {"PwrteOn", true}};
  if (family == &kLayout16F84 || family == &kLayout16F870) d["CpOn"] = false;
  if (family != &kLayout16F84) {
    d.insert({{"CpdOff", true},
              {"CpdOn", false},
              {"LvpOff", true},
              {"LvpOn", false},
              {"BodenOff", true},
              {"BodenOn", false},
              {"WrtOff", false},
              {"WrtOn", true}});
  }
  if (family == &kLayout16F873) {
    d.insert({{"Cp0000_0FFF", false}, {"Cp0800_0FFF", false}, {"Cp0F00_0FFF", false}});
  }
  if (family == &kLayout16F876) {
    d.insert({{"Cp0000_1FFF", false}, {"Cp1000_1FFF", false}, {"Cp1F00_1FFF", false}});
  }
  return d;
}

// Contrast ratio of two colours as accessibility guidelines define it (1 to 21).
double Contrast(const QColor& a, const QColor& b) {
  const auto luminance = [](const QColor& c) {
    const auto linear = [](double v) {
      return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
  };
  const double la = luminance(a);
  const double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(ConfigDialogs, DisabledCaptionsAreReadableYetLookDisabled) {
  App();
  for (const ConfigLayout* family :
       {&kLayout16F84, &kLayout16F870, &kLayout16F873, &kLayout16F876}) {
    ConfigDialog dialog(*family);
    const QColor white = dialog.palette().color(QPalette::Window);
    for (QRadioButton* option : dialog.findChildren<QRadioButton*>()) {
      ASSERT_FALSE(option->isEnabled()) << "taken from the file";
      // What the style is handed to draw the caption: the button's own palette, in the
      // disabled group; a radio button's caption is drawn with WindowText.
      QStyleOptionButton drawn;
      drawn.initFrom(option);
      const QColor caption = drawn.palette.color(QPalette::WindowText);
      const QColor enabled = option->palette().color(QPalette::Active, QPalette::WindowText);
      EXPECT_GE(Contrast(caption, white), 4.5) << caption.name().toStdString();
      EXPECT_GE(Contrast(caption, enabled), 2.0) << "must still look disabled";
    }
  }
}

TEST(ConfigDialogs, ControlsDefaultsAndTheFromFileSwitch) {
  App();
  const std::map<const ConfigLayout*, std::pair<const char*, const char*>> names{
      {&kLayout16F84, {"frmConfigPic16F84", "PIC 16F84"}},
      {&kLayout16F870, {"frmConfigPic16F870_1_2", "PIC 16F870 / 71 / 72"}},
      {&kLayout16F873, {"frmConfigPic16F873_4", "PIC 16F873 / 74"}},
      {&kLayout16F876, {"frmConfigPic16F876_7", "PIC 16F876 / 77"}}};
  for (const auto& [family, name] : names) {
    SCOPED_TRACE(name.first);
    ConfigDialog dialog(*family);
    EXPECT_EQ(dialog.objectName(), name.first);
    EXPECT_EQ(dialog.windowTitle(), "Configuration Word");
    // Client areas 5160 x 5610 and 7800 x 5565 twips.
    EXPECT_EQ(dialog.size(), family == &kLayout16F84 ? QSize(344, 374) : QSize(520, 371));
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
    EXPECT_EQ(state.values.at("osc"), "xt");
    EXPECT_EQ(state.values.at("cp"), "off");
    EXPECT_EQ(state.values.at("pwrte"), "on");
    EXPECT_EQ(state.values.at("wdt"), "off");

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
    EXPECT_EQ(dialog.State().values.at("osc"), "lp");
    EXPECT_EQ(dialog.State().values.at("wdt"), "on");
  }
}

// Where each group stands in the grid, its labels, and where its buttons stand in it.
TEST(ConfigDialogs, GroupsStandInTheirGridPlaces) {
  App();
  struct Group {
    const char* first;  // a button of the group
    int row, column;
    QStringList labels;
  };
  const std::vector<Group> f84{{"RC", 0, 0, {"Oscilador"}},
                               {"CpOff", 0, 1, {"Code Protect"}},
                               {"WdteOff", 1, 0, {"Watchdog Timer"}},
                               {"PwrteOff", 1, 1, {"Power Up Timer"}}};
  const std::vector<Group> f87x{{"RC", 0, 0, {"Oscilador"}},
                                {"CpOff", 0, 1, {"Code Protect"}},
                                {"CpdOff", 0, 2, {"EE Memory", "Code Protection"}},
                                {"LvpOff", 0, 3, {"Low Voltage", "Programming"}},
                                {"WdteOff", 1, 0, {"Watchdog Timer"}},
                                {"PwrteOff", 1, 1, {"Power Up Timer"}},
                                {"BodenOff", 1, 2, {"Brown-Out Reset"}},
                                {"WrtOff", 1, 3, {"Flash Program", "Memory Write", "Enable"}}};
  for (const ConfigLayout* family :
       {&kLayout16F84, &kLayout16F870, &kLayout16F873, &kLayout16F876}) {
    ConfigDialog dialog(*family);
    SCOPED_TRACE(dialog.objectName().toStdString());
    auto frameOf = [&](const char* name) {
      return Find<QRadioButton>(dialog, name, false).parentWidget();
    };
    const std::vector<Group>& groups = family == &kLayout16F84 ? f84 : f87x;
    std::set<int> lefts, tops;
    for (const Group& g : groups) {
      lefts.insert(frameOf(g.first)->x());
      tops.insert(frameOf(g.first)->y());
    }
    ASSERT_EQ(lefts.size(), family == &kLayout16F84 ? 2u : 4u);
    ASSERT_EQ(tops.size(), 2u);
    for (const Group& g : groups) {
      SCOPED_TRACE(g.first);
      QWidget* frame = frameOf(g.first);
      EXPECT_EQ(std::distance(tops.begin(), tops.find(frame->y())), g.row);
      EXPECT_EQ(std::distance(lefts.begin(), lefts.find(frame->x())), g.column);
      EXPECT_TRUE(dialog.rect().contains(frame->geometry()));
      // Bold labels at the top, top to bottom, then the buttons under them.
      QStringList texts;
      int labelsEnd = 0;
      QList<QLabel*> labels = frame->findChildren<QLabel*>();
      std::sort(labels.begin(), labels.end(),
                [](const QLabel* a, const QLabel* b) { return a->y() < b->y(); });
      for (QLabel* label : labels) {
        EXPECT_TRUE(label->font().bold());
        texts << label->text();
        labelsEnd = std::max(labelsEnd, label->geometry().bottom());
      }
      EXPECT_EQ(texts, g.labels);
      for (QRadioButton* button : frame->findChildren<QRadioButton*>()) {
        EXPECT_GT(button->y(), labelsEnd) << button->objectName().toStdString();
        EXPECT_TRUE(frame->rect().contains(button->geometry()));
      }
    }
    auto& rc = Find<QRadioButton>(dialog, "RC", false);
    auto& xt = Find<QRadioButton>(dialog, "XT", false);
    auto& hs = Find<QRadioButton>(dialog, "HS", false);
    auto& lp = Find<QRadioButton>(dialog, "LP", false);
    EXPECT_TRUE(rc.y() == xt.y() && hs.y() == lp.y() && rc.y() < hs.y());
    EXPECT_TRUE(rc.x() < xt.x() && hs.x() < lp.x());
    std::vector<std::pair<const char*, const char*>> pairs{{"WdteOff", "WdteOn"},
                                                           {"PwrteOff", "PwrteOn"}};
    if (family != &kLayout16F84) {
      for (auto pair : {std::pair{"CpdOff", "CpdOn"}, std::pair{"LvpOff", "LvpOn"},
                        std::pair{"BodenOff", "BodenOn"}, std::pair{"WrtOff", "WrtOn"}}) {
        pairs.push_back(pair);
      }
    }
    if (family == &kLayout16F84 || family == &kLayout16F870) pairs.emplace_back("CpOff", "CpOn");
    for (const auto& [off, on] : pairs) {
      auto& offButton = Find<QRadioButton>(dialog, off, false);
      auto& onButton = Find<QRadioButton>(dialog, on, false);
      EXPECT_EQ(offButton.text(), "OFF");
      EXPECT_EQ(onButton.text(), "ON");
      EXPECT_EQ(offButton.y(), onButton.y()) << off;
      EXPECT_LT(offButton.x(), onButton.x()) << off;
    }
    if (family == &kLayout16F873 || family == &kLayout16F876) {
      const bool small = family == &kLayout16F873;
      const QStringList stack =
          small ? QStringList{"CpOff", "Cp0000_0FFF", "Cp0800_0FFF", "Cp0F00_0FFF"}
                : QStringList{"CpOff", "Cp0000_1FFF", "Cp1000_1FFF", "Cp1F00_1FFF"};
      const QStringList captions =
          small ? QStringList{"OFF", "0000h a 0FFFh", "0800h a 0FFFh", "0F00h a 0FFFh"}
                : QStringList{"OFF", "0000h a 1FFFh", "1000h a 1FFFh", "1F00h a 1FFFh"};
      int y = -1;
      for (int i = 0; i < stack.size(); ++i) {
        auto& button = Find<QRadioButton>(dialog, stack[i].toLatin1().constData(), false);
        EXPECT_EQ(button.text(), captions[i]);
        EXPECT_GT(button.y(), y) << "top to bottom";
        y = button.y();
        // The caption fits its button in the dialog's font.
        EXPECT_LE(button.sizeHint().width(), button.width()) << captions[i].toStdString();
      }
    }
    EXPECT_TRUE(dialog.rect().contains(Find(dialog, "cmdSave").geometry()));
  }
}

// The worked values of the configuration word, read through the dialogs' controls.
TEST(ConfigDialogs, StateComposesTheWorkedWords) {
  App();
  auto manual = [](ConfigDialog& d) { d.SetFromFile(false); };
  auto pick = [](ConfigDialog& d, const char* name) { Find<QRadioButton>(d, name, false).click(); };

  ConfigDialog f84(kLayout16F84);
  EXPECT_EQ(SetConfigWord(ConfigLayoutOf(1), f84.State()), kFromFile);
  manual(f84);
  EXPECT_EQ(SetConfigWord(ConfigLayoutOf(1), f84.State()), "11111111110001");
  pick(f84, "CpOn");
  pick(f84, "WdteOn");
  pick(f84, "RC");
  EXPECT_EQ(SetConfigWord(ConfigLayoutOf(1), f84.State()), "00000000000111");

  ConfigDialog f870(kLayout16F870);
  manual(f870);
  EXPECT_EQ(SetConfigWord(ConfigLayoutOf(3), f870.State()), "11111100110001");

  ConfigDialog f873(kLayout16F873);
  manual(f873);
  pick(f873, "Cp0800_0FFF");
  EXPECT_EQ(f873.State().values.at("cp"), "half");
  EXPECT_EQ(SetConfigWord(ConfigLayoutOf(5), f873.State()), "01111100010001");

  ConfigDialog f876(kLayout16F876);
  manual(f876);
  pick(f876, "Cp1F00_1FFF");
  EXPECT_EQ(f876.State().values.at("cp"), "top");
  EXPECT_EQ(SetConfigWord(ConfigLayoutOf(8), f876.State()), "10111100100001");
  pick(f876, "Cp0000_1FFF");
  pick(f876, "BodenOn");
  pick(f876, "LvpOn");
  pick(f876, "CpdOn");
  pick(f876, "WrtOff");
  const DialogState s = f876.State();
  EXPECT_EQ(s.values.at("cp"), "all");
  EXPECT_TRUE(s.values.at("boden") == "on" && s.values.at("lvp") == "on" &&
              s.values.at("cpd") == "on");
  EXPECT_EQ(s.values.at("wrt"), "off");
}

TEST(ConfigDialogs, OnlyTheSaveButtonDismisses) {
  App();
  ConfigDialog dialog(kLayout16F870);
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
  EXPECT_EQ(viewer.size(), QSize(250, 76));
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
  EXPECT_EQ(help.size(), QSize(250, 376));
  EXPECT_EQ(Find(help, "txtHelp").geometry(), QRect(8, 8, 241, 329));
  EXPECT_EQ(Find(help, "cmdAceptar").geometry(), QRect(72, 344, 89, 25));
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
                             "Code Protect activado !!!",
                             "16F877A",
                             "16F648A",
                             "RB4",
                             "MCLRE = 0"}) {
    EXPECT_TRUE(html.contains(QString::fromUtf8(needed), Qt::CaseInsensitive)) << needed;
  }
}

TEST(AppOptions, SimulatorOptionsAndMistakes) {
  AppOptions options;
  EXPECT_TRUE(ParseAppOptions({"daxwel"}, options).isEmpty());
  EXPECT_FALSE(options.sim.has_value());

  ASSERT_TRUE(ParseAppOptions({"daxwel", "--sim", "16F877"}, options).isEmpty());
  ASSERT_TRUE(options.sim.has_value());
  EXPECT_EQ(options.sim->model, sim::SimModel("16F877"));
  EXPECT_EQ(options.sim->time, sim::SimTime::Real);
  EXPECT_TRUE(options.sim->statePath.empty());

  ASSERT_TRUE(ParseAppOptions({"daxwel", "--sim", "16f84a:/tmp/chip.hex", "--sim-time", "virtual",
                               "--sim-fault", "no-adapter", "--sim-fault", "stuck=0x10",
                               "--sim-fault", "id=2464"},
                              options)
                  .isEmpty());
  EXPECT_EQ(options.sim->model, sim::SimModel("16F84A"));
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
