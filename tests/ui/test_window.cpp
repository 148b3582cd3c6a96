#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "config/config_word.h"
#include "config/dialog_config.h"
#include "device/catalogue.h"
#include "ui/help_window.h"
#include "ui/progress_viewer.h"
#include "ui_support.h"

namespace daxwel::testing {
namespace {

QStringList Items(const QComboBox& box) {
  QStringList items;
  for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
  return items;
}

// Writes logged since `from`, as (address, value).
std::vector<std::pair<int, int>> WritesSince(const RecordingPort& port, std::size_t from) {
  std::vector<std::pair<int, int>> writes;
  for (std::size_t i = from; i < port.log.size(); ++i) {
    if (port.log[i].write) writes.emplace_back(port.log[i].address, port.log[i].value);
  }
  return writes;
}

TEST(MainWindow, StartUpState) {
  FakeRig r;
  FrmDaxwel& w = *r.window;
  EXPECT_EQ(w.objectName(), "frmDaxwel");
  EXPECT_EQ(w.windowTitle(), "Daxwel - Programador para PIC 16F8xx - (v 2.0)");
  EXPECT_EQ(w.size(), QSize(458, 448));

  auto& ports = r.Control<QComboBox>("cmbLptSelect");
  EXPECT_EQ(Items(ports), (QStringList{"0x378", "0x278", "0x3BC"}));
  EXPECT_EQ(ports.currentIndex(), 0);
  EXPECT_EQ(w.OutPort(), 0x378);
  EXPECT_EQ(w.InPort(), 0x379);

  auto& models = r.Control<QComboBox>("cmbPicSelect");
  // The original rows keep their places (a saved model index names them); later parts follow.
  EXPECT_EQ(models.count(), static_cast<int>(Catalogue().size()) + 1);
  EXPECT_EQ(Items(models).mid(0, 16),
            (QStringList{"Autodetectar", "16F84/84A", "16F870", "16F871", "16F872", "16F873",
                         "16F874", "16F876", "16F877", "16F873A", "16F874A", "16F876A", "16F877A",
                         "16F627A", "16F628A", "16F648A"}));
  EXPECT_EQ(models.currentIndex(), 0);
  EXPECT_EQ(w.ModelIndex(), 0);
  EXPECT_EQ(r.Control<QLineEdit>("txtarchivo").text(), "*.hex");

  // The lines were dropped on the first port and nowhere else; nothing was read yet.
  const auto writes = WritesSince(r.port, 0);
  ASSERT_FALSE(writes.empty());
  for (const auto& [address, value] : writes) {
    EXPECT_EQ(address, 0x378);
    EXPECT_EQ(value, 0);
  }
  EXPECT_EQ(r.port.ReadCount(), 0);

  EXPECT_EQ(w.HardStatus(), "");
  auto& poll = Find<QTimer>(w, "tmrcheck");
  EXPECT_TRUE(poll.isActive());
  EXPECT_EQ(poll.interval(), 500);

  // Every family's dialog exists, hidden, taking the word from the file.
  const auto dialogs = w.findChildren<ConfigDialog*>();
  EXPECT_EQ(dialogs.size(), static_cast<qsizetype>(ConfigLayouts().size()));
  for (ConfigDialog* d : dialogs) {
    EXPECT_FALSE(d->isVisible());
    EXPECT_TRUE(d->State().chkFromFile);
  }
  for (int index = 1; index <= 8; ++index) {
    w.SetModelIndex(index);
    EXPECT_EQ(w.ConfigSource(), kFromFile) << index;
  }
  w.SetModelIndex(0);
  EXPECT_EQ(w.ConfigSource(), "");
}

// Each entry of the model list shows its part's facts (the closed list keeps its own tip).
TEST(MainWindow, ModelListEntriesShowEachPartsFacts) {
  FakeRig r;
  auto& models = r.Control<QComboBox>("cmbPicSelect");
  ASSERT_EQ(models.count(), static_cast<int>(Catalogue().size()) + 1);
  EXPECT_EQ(models.toolTip().toStdString(), "Seleccione el modelo de PIC a programar");
  const auto tip = [&](const char* text) {
    return models.itemData(models.findText(text), Qt::ToolTipRole).toString().toStdString();
  };
  EXPECT_EQ(tip("12F675"),
            "PIC 12F675, familia 12F675\n"
            "Memoria de programa: 1024 palabras; EEPROM: 128 bytes\n"
            "Palabras de configuración: 1; calibración de fábrica: OSCCAL 0x03FF, BG "
            "0x2007<13:12>\n"
            "VPP máxima: 13 V; VDD al grabar: 4,5-5,5 V\n"
            "Patas ICSP (8 patas): reloj GP1:6, datos GP0:7, VPP GP3:4");
  EXPECT_NE(tip("16F886").find("VPP máxima: 12 V"), std::string::npos);
  EXPECT_NE(tip("16F88").find(", PGM RB3:9"), std::string::npos);
  for (int i = 1; i < models.count(); ++i) {
    const std::string text = models.itemData(i, Qt::ToolTipRole).toString().toStdString();
    EXPECT_EQ(text.rfind("PIC " + models.itemText(i).toStdString() + ",", 0), 0u) << text;
  }
}

TEST(MainWindow, ControlsStandWhereTheTablePutsThem) {
  FakeRig r;
  struct Row {
    const char* name;
    const char* text;
    const char* tip;
    int left, top, width, height;  // twips
  };
  const Row rows[] = {
      {"Label3", "  Programador para PIC 16F8xx", "", 1800, 120, 3255, 735},
      {"Label5", "( Versión 2.0 )", "", 2040, 840, 2775, 375},
      {"Label11", "Seleccione puerto a usar", "", 600, 1440, 2295, 255},
      {"cmbLptSelect", nullptr, "Seleccione el puerto LPT a usar", 840, 1800, 1215, 360},
      {"cmdHelpOnLpt", "?", "", 2160, 1800, 495, 360},
      {"Label4", "Microcontrolador", "", 3960, 1440, 2175, 255},
      {"cmbPicSelect", nullptr, "Seleccione el modelo de PIC a programar", 3960, 1800, 2175, 315},
      {"Label1", "Ingrese el archivo ( .hex ) ", "", 840, 2640, 3855, 375},
      {"txtarchivo", "*.hex", "", 720, 3120, 3975, 405},
      {"cmdbuscar", "Buscar", "Presione para buscar el archivo fuente (*.HEX)", 4800, 3120, 1215,
       375},
      {"lblchkhard", "", "", 840, 3960, 4935, 375},
      {"cmdprog", "Programar", "Inicia la programación del PIC", 120, 4440, 2055, 495},
      {"cmdverify", "Verificar", "Compara archivo HEX contra programa actual del PIC", 2400, 4440,
       2055, 495},
      {"cmdhelp", "Ayuda", "Despliega la ayuda", 4680, 4440, 2055, 495},
      {"cmdborrar", "Borrar", "Borra completamente el PIC", 120, 5040, 2055, 495},
      {"cmdconfig", "Configurar", "Establece configuración del PIC (PWRTE, CP, WDT, etc.)", 2400,
       5040, 2055, 495},
      {"cmdsalir", "Salir", "Sale del programa", 4680, 5040, 2055, 495},
      {"cmdRun", "Poner el PIC en modo RUN", "", 120, 5640, 6615, 495},
      {"lbllink", kMakerSite, "Enlace al sitio de Mirvane", 1920, 6360, 2895, 255},
      {"imgmirvane1", nullptr, "Enlace al sitio de Mirvane", 0, 0, 1770, 1050},
      {"imgmirvane2", nullptr, "Enlace al sitio de Mirvane", 5040, 0, 1770, 1050},
      {"Shape1", nullptr, "", 480, 2520, 5895, 1335},
      {"Shape2", nullptr, "", 3840, 1320, 2535, 975},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QWidget& c = r.Control(row.name);
    EXPECT_EQ(c.geometry(), QRect(row.left / 15, row.top / 15, row.width / 15, row.height / 15));
    EXPECT_EQ(c.toolTip(), QString::fromUtf8(row.tip));
    if (row.text == nullptr) continue;
    QString text;
    if (auto* label = qobject_cast<QLabel*>(&c)) text = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(&c)) text = button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(&c)) text = edit->text();
    EXPECT_EQ(text, QString::fromUtf8(row.text));
  }
  for (const char* logo : {"imgmirvane1", "imgmirvane2"}) {
    EXPECT_EQ(r.Control<QLabel>(logo).pixmap().size(), QSize(118, 70));
  }
  EXPECT_EQ(r.Control("lblchkhard").palette().color(QPalette::WindowText), QColor(Qt::red));
  EXPECT_EQ(r.Control("lbllink").palette().color(QPalette::WindowText), QColor(Qt::blue));
}

TEST(MainWindow, PresencePollBlinksWhileTheAdapterIsMissing) {
  FakeRig r;
  FrmDaxwel& w = *r.window;
  auto& warning = r.Control<QLabel>("lblchkhard");
  r.port.idle = 0xFF;  // a port with nothing on it
  // The running timer does the first tick.
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.HardStatus() == "error"; }, 3000));
  EXPECT_EQ(warning.text(), "Hardware no detectado !!!!");
  Find<QTimer>(w, "tmrcheck").stop();
  for (int tick = 0; tick < 4; ++tick) {
    const QString before = warning.text();
    w.PresencePoll();
    EXPECT_EQ(w.HardStatus(), "error");
    EXPECT_EQ(warning.text(), before.isEmpty() ? "Hardware no detectado !!!!" : "") << tick;
  }
  r.port.idle = 0xC7;
  w.PresencePoll();
  EXPECT_EQ(w.HardStatus(), "ok");
  EXPECT_EQ(warning.text(), "");
  r.port.idle = 0x88;
  w.PresencePoll();
  EXPECT_EQ(w.HardStatus(), "error");
  r.port.idle = 0x87;
  w.PresencePoll();
  EXPECT_EQ(w.HardStatus(), "ok");
  // Each tick reads the status register of the chosen port.
  EXPECT_EQ(r.port.log.back().address, 0x379);
  EXPECT_FALSE(r.port.log.back().write);
}

TEST(MainWindow, HardwareGateComesBeforeTheFileGate) {
  FakeRig r;
  FrmDaxwel& w = *r.window;
  r.port.idle = 0xFF;
  // Before the first tick the gated commands work: the file gate answers.
  r.Click("cmdprog");
  ASSERT_EQ(r.seen.size(), 1u);
  EXPECT_EQ(r.seen[0].title, "Error");
  EXPECT_EQ(r.seen[0].text, "No ha seleccionado ningún archivo");
  EXPECT_FALSE(r.seen[0].confirm);
  EXPECT_EQ(r.seen[0].icon, MessageIcon::None);
  r.Click("cmdverify");
  EXPECT_EQ(r.seen.size(), 2u);

  w.PresencePoll();
  ASSERT_EQ(w.HardStatus(), "error");
  r.seen.clear();
  const std::size_t logged = r.port.log.size();
  r.fileToChoose = "/tmp/elegido.hex";
  for (const char* gated :
       {"cmdprog", "cmdverify", "cmdborrar", "cmdconfig", "cmdRun", "cmdbuscar"}) {
    r.Click(gated);
  }
  r.Control<QLineEdit>("txtarchivo").setText("/no/existe.hex");
  r.Click("cmdprog");
  EXPECT_TRUE(r.seen.empty());
  EXPECT_EQ(r.port.log.size(), logged) << "the port is not touched";
  EXPECT_EQ(r.Control<QLineEdit>("txtarchivo").text(), "/no/existe.hex");
  for (ConfigDialog* d : w.findChildren<ConfigDialog*>()) EXPECT_FALSE(d->isVisible());

  // Help, the port help and the links are not gated.
  r.Click("cmdhelp");
  r.Click("cmdHelpOnLpt");
  EXPECT_EQ(r.urls.size(), 1u);
  EXPECT_TRUE(Find<FrmHelpOnLpt>(w, "frmHelpOnLpt").isVisible());

  // With the adapter back, browse sets the path, and a cancelled dialog resets it.
  r.port.idle = 0x87;
  w.PresencePoll();
  r.Click("cmdbuscar");
  EXPECT_EQ(r.Control<QLineEdit>("txtarchivo").text(), "/tmp/elegido.hex");
  r.fileToChoose.clear();
  r.Click("cmdbuscar");
  EXPECT_EQ(r.Control<QLineEdit>("txtarchivo").text(), "*.hex");
  EXPECT_TRUE(Find<QTimer>(w, "tmrcheck").isActive());
}

TEST(MainWindow, ModelChangeResetsTheOtherFamiliesOnly) {
  FakeRig r;
  FrmDaxwel& w = *r.window;
  ConfigDialog& f870 = w.Dialog(kLayout16F870);
  ConfigDialog& f873 = w.Dialog(kLayout16F873);
  auto pick = [](ConfigDialog& d, const char* name) { Find<QRadioButton>(d, name, false).click(); };

  w.SetModelIndex(2);  // 16F870
  f870.SetFromFile(false);
  pick(f870, "HS");
  pick(f870, "CpOn");
  w.SetModelIndex(4);  // 16F872: same family
  EXPECT_FALSE(f870.State().chkFromFile);
  EXPECT_EQ(w.ConfigSource(), SetConfigWord(ConfigLayoutOf(4), f870.State()));
  EXPECT_EQ(w.ConfigSource().size(), 14u);

  r.Control<QComboBox>("cmbPicSelect").setCurrentIndex(5);  // 16F873, as the user would
  EXPECT_TRUE(f870.State().chkFromFile);
  EXPECT_FALSE(Find<QRadioButton>(f870, "HS", false).isEnabled());
  EXPECT_TRUE(Find<QRadioButton>(f870, "HS", false).isChecked()) << "the choices are kept";
  EXPECT_TRUE(Find<QRadioButton>(f870, "CpOn", false).isChecked());

  f873.SetFromFile(false);
  w.SetModelIndex(6);  // 16F874
  EXPECT_FALSE(f873.State().chkFromFile);
  w.SetModelIndex(0);  // Autodetectar resets them all
  for (ConfigDialog* d : w.findChildren<ConfigDialog*>()) EXPECT_TRUE(d->State().chkFromFile);
  EXPECT_TRUE(Find<QTimer>(w, "tmrcheck").isActive());

  // "Configurar" shows the family's dialog, modeless, and only while the adapter is there.
  w.SetModelIndex(5);
  r.Click("cmdconfig");
  EXPECT_TRUE(f873.isVisible());
  EXPECT_FALSE(f873.isModal());
  Find<QPushButton>(f873, "cmdSave").click();
  EXPECT_FALSE(f873.isVisible());
  r.port.idle = 0xFF;
  w.PresencePoll();
  r.Click("cmdconfig");
  EXPECT_FALSE(f873.isVisible());
}

TEST(MainWindow, ConfigureOnAutodetectWithoutTargetTellsAndOpensNothing) {
  FakeRig r;
  r.port.idle = 0x87;  // adapter present, data line low: the ID reads as zeros
  // A dialog left open from an earlier model and set by hand while the list stood on
  // "Autodetectar": the failed detection sets the list to 0 again, which resets it.
  ConfigDialog& open = r.window->Dialog(kLayout16F876);
  open.SetFromFile(false);
  r.Click("cmdconfig");
  EXPECT_TRUE(open.State().chkFromFile);
  EXPECT_FALSE(Find<QRadioButton>(open, "XT", false).isEnabled());
  ASSERT_EQ(r.seen.size(), 1u);
  EXPECT_EQ(r.seen[0].title, "Error");
  EXPECT_EQ(r.seen[0].text.rfind(
                "   No fue posible detectar el PIC\r\rDeberá seleccionarlo manualmente\r\r", 0),
            0u)
      << r.seen[0].text;
  for (ConfigDialog* d : r.window->findChildren<ConfigDialog*>()) EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(r.window->ModelIndex(), 0);
  EXPECT_EQ(r.port.Writes().back(), 0);
}

class PortRig : public Rig {
 public:
  RecordingPort port;
  VirtualPacer pacer;
  std::vector<int> opened;
  PortRig() {
    Open(
        [this](std::uint16_t address, const RestBytes& /*rest*/) {
          opened.push_back(address);
          OpenedPort o;
          o.io = std::make_unique<ForwardingPort>(port);
          o.base = address;
          if (address == 0x278) o.problem = "/dev/parport1: permiso denegado";
          return o;
        },
        pacer);
  }
  ~PortRig() { window.reset(); }
};

TEST(MainWindow, PortChangeReopensAndDropsTheNewPortOnly) {
  PortRig r;
  FrmDaxwel& w = *r.window;
  auto& ports = r.Control<QComboBox>("cmbLptSelect");
  auto& warning = r.Control<QLabel>("lblchkhard");
  EXPECT_EQ(r.opened, std::vector<int>{0x378});

  std::size_t from = r.port.log.size();
  ports.setCurrentIndex(1);
  EXPECT_EQ(w.OutPort(), 0x278);
  EXPECT_EQ(w.InPort(), 0x279);
  EXPECT_EQ(r.opened, (std::vector<int>{0x378, 0x278}));
  EXPECT_EQ(WritesSince(r.port, from), (std::vector<std::pair<int, int>>{{0x278, 0}}));
  EXPECT_EQ(warning.toolTip(), "/dev/parport1: permiso denegado");
  w.PresencePoll();
  EXPECT_EQ(r.port.log.back().address, 0x279);

  ports.setCurrentIndex(2);
  EXPECT_EQ(w.OutPort(), 0x3BC);
  EXPECT_EQ(warning.toolTip(), "");

  // No selection: the port stays, and 0 is written to it again.
  from = r.port.log.size();
  ports.setCurrentIndex(-1);
  EXPECT_EQ(w.OutPort(), 0x3BC);
  EXPECT_EQ(w.InPort(), 0x3BD);
  EXPECT_EQ(r.opened.size(), 3u);
  EXPECT_EQ(WritesSince(r.port, from), (std::vector<std::pair<int, int>>{{0x3BC, 0}}));
}

TEST(MainWindow, CloseRequestsAreRefusedAndSalirEnds) {
  FakeRig r;
  FrmDaxwel& w = *r.window;
  w.show();
  EXPECT_FALSE(w.close());
  EXPECT_TRUE(w.isVisible());
  ConfigDialog& dialog = w.Dialog(kLayout16F84);
  dialog.show();
  EXPECT_FALSE(dialog.close());
  EXPECT_TRUE(dialog.isVisible());
  w.ShowProgress();
  w.ShowProgress();
  EXPECT_EQ(w.findChildren<FrmDoing*>().size(), 1);
  ASSERT_NE(w.ProgressViewer(), nullptr);
  EXPECT_FALSE(w.ProgressViewer()->close());
  EXPECT_TRUE(w.ProgressViewer()->isVisible());
  w.SetProgressText("Borrando memoria de programa y datos ...");
  EXPECT_EQ(w.ProgressViewer()->Text(), "Borrando memoria de programa y datos ...");
  w.HideProgress();
  w.HideProgress();
  EXPECT_FALSE(w.ProgressViewer()->isVisible());
  EXPECT_EQ(w.ProgressViewer()->Text(), "Borrando memoria de programa y datos ...");
  EXPECT_EQ(r.quits, 0);

  r.port.log.clear();
  r.Click("cmdsalir");
  EXPECT_EQ(r.quits, 1);
  EXPECT_EQ(WritesSince(r.port, 0), (std::vector<std::pair<int, int>>{{0x378, 0}}));
  EXPECT_FALSE(Find<QTimer>(w, "tmrcheck").isActive());
}

TEST(MainWindow, HelpAndLinksGoToTheDesktop) {
  FakeRig r;
  FrmDaxwel& w = *r.window;
  w.show();
  r.Click("cmdhelp");
  for (const char* link : {"lbllink", "imgmirvane1", "imgmirvane2"}) {
    QTest::mouseClick(&r.Control(link), Qt::LeftButton);
  }
  ASSERT_EQ(r.urls.size(), 4u);
  EXPECT_EQ(r.urls[0], QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + "/ayuda.htm"));
  for (std::size_t i = 1; i < 4; ++i) EXPECT_EQ(r.urls[i], QUrl("http://www.mirvane.com.ar"));

  // The port help: one window while open, destroyed by "Aceptar", the same text again.
  r.Click("cmdHelpOnLpt");
  r.Click("cmdHelpOnLpt");
  EXPECT_EQ(w.findChildren<FrmHelpOnLpt*>().size(), 1);
  auto* help = w.findChild<FrmHelpOnLpt*>("frmHelpOnLpt");
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  Find<QPushButton>(*help, "cmdAceptar").click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(w.findChild<FrmHelpOnLpt*>("frmHelpOnLpt"), nullptr);
  r.Click("cmdHelpOnLpt");
  help = w.findChild<FrmHelpOnLpt*>("frmHelpOnLpt");
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(Find<QPlainTextEdit>(*help, "txtHelp").toPlainText().replace("\n", "\r\n"),
            LptHelpText());
  QTest::keyClick(help, Qt::Key_Escape);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(w.findChild<FrmHelpOnLpt*>("frmHelpOnLpt"), nullptr);
}

// Answers the next modal QMessageBox with `button`, recording what it showed.
struct BoxWatcher {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::Critical;
  QStringList buttons;
  int lineState = -1;
  QTimer timer;
  BoxWatcher(QMessageBox::StandardButton button, std::function<int()> probe = {}) {
    QObject::connect(&timer, &QTimer::timeout, [this, button, probe] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      timer.stop();
      title = box->windowTitle();
      text = box->text();
      icon = box->icon();
      for (QAbstractButton* b : box->buttons()) buttons << b->text();
      if (probe) lineState = probe();
      box->button(button)->click();
    });
    timer.start(10);
  }
};

TEST(MainWindow, RealMessageBoxes) {
  FakeRig r(/*withRealBoxes=*/true);
  {
    BoxWatcher watch(QMessageBox::Ok);
    r.Click("cmdprog");
    EXPECT_EQ(watch.title, "Error");
    EXPECT_EQ(watch.text, "No ha seleccionado ningún archivo");
    EXPECT_EQ(watch.icon, QMessageBox::NoIcon);
    EXPECT_EQ(watch.buttons, QStringList{"Aceptar"});
  }
  {
    // Run mode: the exclamation box is up while the run line is set, then the lines drop.
    BoxWatcher watch(QMessageBox::Ok, [&r] { return r.port.Writes().back(); });
    r.Click("cmdRun");
    EXPECT_EQ(watch.title, "RUN Mode");
    EXPECT_EQ(watch.text, "Ejecutando programa .....\n\nAceptar para detener");
    EXPECT_EQ(watch.icon, QMessageBox::Warning);
    EXPECT_EQ(watch.lineState, 8);
    EXPECT_EQ(r.port.Writes().back(), 0);
  }
  {
    BoxWatcher watch(QMessageBox::Cancel);
    EXPECT_FALSE(r.window->Confirm("Borrar", "uno\rdos"));
    EXPECT_EQ(watch.text, "uno\ndos");
    EXPECT_EQ(watch.buttons.size(), 2);
    EXPECT_TRUE(watch.buttons.contains("Cancelar"));
  }
}

}  // namespace
}  // namespace daxwel::testing
