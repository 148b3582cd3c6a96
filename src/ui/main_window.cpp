#include "ui/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <exception>
#include <optional>

#include "config/config_word.h"
#include "config/dialog_config.h"
#include "device/catalogue.h"
#include "device/operations.h"
#include "device/part_facts.h"
#include "link/port_open.h"
#include "link/user_settings.h"
#include "ui/adapter_dialog.h"
#include "ui/calibration_dialog.h"
#include "ui/help_window.h"
#include "ui/hex_file_dialog.h"
#include "ui/logo.h"
#include "ui/progress_viewer.h"

namespace daxwel {

namespace {

constexpr const char* kNoFile = "*.hex";
constexpr const char* kHardwareMissing = "Hardware no detectado !!!!";
constexpr const char* kSiteTip = "Enlace al sitio de Mirvane";
constexpr std::array<std::uint16_t, 3> kPortAddresses{0x378, 0x278, 0x3BC};
constexpr std::array<const char*, 3> kPortTexts{"0x378", "0x278", "0x3BC"};

// Design geometry is in twips; Qt works in device-independent pixels, 15 twips each.
QRect Twips(int left, int top, int width, int height) {
  return {left / 15, top / 15, width / 15, height / 15};
}

QString Qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The port and model to start with: those the environment or the settings file give (the
// command line's defaults too), else the first entries. A value the window cannot show is
// left for the command line.
int StartIndex(Setting setting) {
  const DefaultValue value = FindDefault(setting, LoadSettings());
  if (value.origin.empty()) return 0;
  if (setting == Setting::Model) return ModelIndexByName(value.value).value_or(0);
  const std::optional<PortRequest> port = ParsePortRequest(value.value);
  for (std::size_t i = 0; port && port->device.empty() && i < kPortAddresses.size(); ++i) {
    if (kPortAddresses[i] == port->address) return static_cast<int>(i);
  }
  return 0;
}

// The user's own choice (not a detection moving the list) is kept for the next start.
void KeepChoice(Setting setting, const std::string& value) {
  const SettingName& name = NameOf(setting);
  const std::string problem = SaveSettings(
      {{std::string(name.section), std::string(name.key), value}}, std::string(name.label));
  if (!problem.empty()) std::fprintf(stderr, "%s\n", problem.c_str());
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, const QRect& rect) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setGeometry(rect);
  return l;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text, const QString& tip,
                    const QRect& rect) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setToolTip(tip);
  b->setGeometry(rect);
  return b;
}

void Frame(QWidget* parent, const char* name, const QRect& rect) {
  auto* f = new QFrame(parent);
  f->setObjectName(name);
  f->setFrameShape(QFrame::Box);
  f->setFrameShadow(QFrame::Sunken);
  f->setGeometry(rect);
}

}  // namespace

FrmDaxwel::FrmDaxwel(PortOpener opener, Pacer& pacer, WindowHooks hooks, QWidget* parent)
    : QWidget(parent),
      opener_(std::move(opener)),
      pacer_(pacer),
      hooks_(std::move(hooks)),
      adapter_(hooks_.adapter),
      adapterProblem_(hooks_.adapterProblem) {
  setObjectName("frmDaxwel");
  setWindowTitle("Daxwel - Programador para PIC 16F8xx - (v 2.0)");
  setWindowIcon(QIcon(QPixmap::fromImage(DrawIcon(64))));
  setFixedSize(Twips(0, 0, 6870, 6720).size());
  BuildControls();
  StartUp();
}

FrmDaxwel::~FrmDaxwel() = default;

void FrmDaxwel::BuildControls() {
  // Frames first, so every control is drawn over them.
  Frame(this, "Shape1", Twips(480, 2520, 5895, 1335));
  Frame(this, "Shape2", Twips(3840, 1320, 2535, 975));

  QLabel* title =
      Label(this, "Label3", "  Programador para PIC 16F8xx", Twips(1800, 120, 3255, 735));
  QFont titleFont = title->font();
  titleFont.setPointSize(13);
  titleFont.setBold(true);
  title->setFont(titleFont);
  title->setWordWrap(true);
  title->setAlignment(Qt::AlignCenter);

  QLabel* version = Label(this, "Label5", "( Versión 2.0 )", Twips(2040, 840, 2775, 375));
  QFont versionFont = version->font();
  versionFont.setPointSize(10);
  version->setFont(versionFont);
  version->setAlignment(Qt::AlignCenter);

  Label(this, "Label11", "Seleccione puerto a usar", Twips(600, 1440, 2295, 255));
  cmbLptSelect_ = new QComboBox(this);
  cmbLptSelect_->setObjectName("cmbLptSelect");
  cmbLptSelect_->setToolTip("Seleccione el puerto LPT a usar");
  cmbLptSelect_->setGeometry(Twips(840, 1800, 1215, 360));
  auto* helpOnLpt = Button(this, "cmdHelpOnLpt", "?", "", Twips(2160, 1800, 495, 360));

  Label(this, "Label4", "Microcontrolador", Twips(3960, 1440, 2175, 255));
  cmbPicSelect_ = new QComboBox(this);
  cmbPicSelect_->setObjectName("cmbPicSelect");
  cmbPicSelect_->setToolTip("Seleccione el modelo de PIC a programar");
  cmbPicSelect_->setGeometry(Twips(3960, 1800, 2175, 315));

  Label(this, "Label1", "Ingrese el archivo ( .hex ) ", Twips(840, 2640, 3855, 375));
  txtarchivo_ = new QLineEdit(kNoFile, this);
  txtarchivo_->setObjectName("txtarchivo");
  txtarchivo_->setGeometry(Twips(720, 3120, 3975, 405));
  cmdbuscar_ = Button(this, "cmdbuscar", "Buscar", "Presione para buscar el archivo fuente (*.HEX)",
                      Twips(4800, 3120, 1215, 375));

  connect(helpOnLpt, &QPushButton::clicked, this, &FrmDaxwel::ShowLptHelp);
  connect(cmdbuscar_, &QPushButton::clicked, this, &FrmDaxwel::Browse);
  BuildCommands();
}

// The hardware warning, the command buttons, the maker's links and the presence timer.
void FrmDaxwel::BuildCommands() {
  lblchkhard_ = Label(this, "lblchkhard", "", Twips(840, 3960, 4935, 375));
  QPalette red = lblchkhard_->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  lblchkhard_->setPalette(red);
  QFont warningFont = lblchkhard_->font();
  warningFont.setBold(true);
  warningFont.setPointSize(11);
  lblchkhard_->setFont(warningFont);
  lblchkhard_->setAlignment(Qt::AlignCenter);

  cmdprog_ = Button(this, "cmdprog", "Programar", "Inicia la programación del PIC",
                    Twips(120, 4440, 2055, 495));
  cmdverify_ =
      Button(this, "cmdverify", "Verificar", "Compara archivo HEX contra programa actual del PIC",
             Twips(2400, 4440, 2055, 495));
  auto* help = Button(this, "cmdhelp", "Ayuda", "Despliega la ayuda", Twips(4680, 4440, 2055, 495));
  cmdborrar_ = Button(this, "cmdborrar", "Borrar", "Borra completamente el PIC",
                      Twips(120, 5040, 2055, 495));
  cmdconfig_ = Button(this, "cmdconfig", "Configurar",
                      "Establece configuración del PIC (PWRTE, CP, WDT, etc.)",
                      Twips(2400, 5040, 2055, 495));
  auto* exit = Button(this, "cmdsalir", "Salir", "Sale del programa", Twips(4680, 5040, 2055, 495));
  cmdRun_ = Button(this, "cmdRun", "Poner el PIC en modo RUN", "", Twips(120, 5640, 6615, 495));

  QLabel* link = Label(this, "lbllink", kMakerSite, Twips(1920, 6360, 2895, 255));
  QPalette blue = link->palette();
  blue.setColor(QPalette::WindowText, Qt::blue);
  link->setPalette(blue);
  QFont linkFont = link->font();
  linkFont.setUnderline(true);
  link->setFont(linkFont);
  link->setAlignment(Qt::AlignCenter);
  link->setToolTip(kSiteTip);
  link->setCursor(Qt::PointingHandCursor);
  link->installEventFilter(this);

  const QPixmap logo = QPixmap::fromImage(DrawLogo());
  for (const auto& [name, rect] : {std::pair{"imgmirvane1", Twips(0, 0, 1770, 1050)},
                                   std::pair{"imgmirvane2", Twips(5040, 0, 1770, 1050)}}) {
    QLabel* image = Label(this, name, "", rect);
    image->setPixmap(logo);
    image->setToolTip(kSiteTip);
    image->setCursor(Qt::PointingHandCursor);
    image->installEventFilter(this);
  }

  tmrcheck_ = new QTimer(this);
  tmrcheck_->setObjectName("tmrcheck");
  tmrcheck_->setInterval(500);

  connect(tmrcheck_, &QTimer::timeout, this, &FrmDaxwel::PresencePoll);
  connect(cmdprog_, &QPushButton::clicked, this, [this] { FileOperation(true); });
  connect(cmdverify_, &QPushButton::clicked, this, [this] { FileOperation(false); });
  connect(cmdborrar_, &QPushButton::clicked, this, &FrmDaxwel::Erase);
  connect(cmdconfig_, &QPushButton::clicked, this, &FrmDaxwel::Configure);
  connect(cmdRun_, &QPushButton::clicked, this, &FrmDaxwel::RunMode);
  connect(help, &QPushButton::clicked, this, &FrmDaxwel::OpenHelp);
  connect(exit, &QPushButton::clicked, this, &FrmDaxwel::Exit);
}

void FrmDaxwel::StartUp() {
  for (const char* text : kPortTexts) cmbLptSelect_->addItem(text);
  cmbLptSelect_->setCurrentIndex(StartIndex(Setting::Port));
  UpdatePorts();  // the selection of the first item
  UpdatePorts();
  LinesOff(*link_);
  connect(cmbLptSelect_, &QComboBox::currentIndexChanged, this, [this] { UpdatePorts(); });
  connect(cmbLptSelect_, &QComboBox::activated, this, [](int index) {
    KeepChoice(Setting::Port, kPortTexts[static_cast<std::size_t>(index)]);
  });

  for (const std::string& text : ModelListTexts()) cmbPicSelect_->addItem(Qs(text));
  // Each part's facts where the user chooses it, as `daxwel-cli parts` lists them.
  cmbPicSelect_->setItemData(0, "Detecta el modelo por su ID (el 16F84 sin A no tiene: elíjalo)",
                             Qt::ToolTipRole);
  for (int i = 1; i < cmbPicSelect_->count(); ++i) {
    if (const DeviceModel* m = ModelByIndex(i)) {
      cmbPicSelect_->setItemData(i, Qs(PartFactsText(*m)), Qt::ToolTipRole);
    }
  }
  const int model = StartIndex(Setting::Model);
  cmbPicSelect_->setCurrentIndex(model);
  OnModelChanged(model);
  connect(cmbPicSelect_, &QComboBox::activated, this, [](int index) {
    const DeviceModel* chosen = ModelByIndex(index);
    KeepChoice(Setting::Model, chosen != nullptr ? std::string(chosen->modelName) : "auto");
  });
  connect(cmbPicSelect_, &QComboBox::currentIndexChanged, this, &FrmDaxwel::OnModelChanged);

  tmrcheck_->start();
  // Once the window is on screen, so the message has something to stand in front of.
  if (!adapterProblem_.empty()) QTimer::singleShot(0, this, [this] { TellAdapterProblem(); });
}

void FrmDaxwel::TellAdapterProblem() {
  Message("Error", adapterProblem_ +
                       "\r\rEl puerto no se usa hasta elegir un adaptador (botón ? junto al "
                       "puerto, Adaptador).");
}

void FrmDaxwel::UpdatePorts(bool reopen) {
  const int index = cmbLptSelect_->currentIndex();
  std::uint16_t address = outPort_;
  if (index >= 0 && index < static_cast<int>(kPortAddresses.size())) {
    address = kPortAddresses[static_cast<std::size_t>(index)];
  }
  if (!link_ || address != outPort_ || reopen) {
    // The old port is released before the new one is claimed.
    link_.reset();
    port_.reset();
    // Without a readable adapter the port is not even opened: opening writes its "off" bytes.
    OpenedPort opened;
    if (adapterProblem_.empty()) opened = opener_(address, adapter_.wiring.Rest());
    port_ = opened.io ? std::move(opened.io) : std::make_unique<AbsentPort>();
    portProblem_ = adapterProblem_.empty() ? opened.problem : adapterProblem_;
    lblchkhard_->setToolTip(Qs(portProblem_));
    link_ = std::make_unique<Link>(*port_, pacer_, address, adapter_.wiring);
    link_->SetExtraHalfPeriod(adapter_.extraHalfPeriod);
    link_->SetYield([this] { Yield(); });
  }
  outPort_ = address;
  inPort_ = static_cast<std::uint16_t>(outPort_ + 1);
  try {
    LinesOff(*link_);
  } catch (const PortError&) {
    // A failing port reads as a missing adapter at the next poll.
  }
}

void FrmDaxwel::PresencePoll() {
  bool present = false;
  try {
    present = AdapterPresent(*link_);
  } catch (const PortError&) {
    present = false;
  }
  hardStatus_ = present ? "ok" : "error";
  if (!present) {
    // One tick on, one tick off: the warning blinks while the adapter is missing.
    lblchkhard_->setText(lblchkhard_->text().isEmpty() ? kHardwareMissing : "");
  } else {
    lblchkhard_->setText("");
  }
}

void FrmDaxwel::OnModelChanged(int index) {
  if (index < 0 || index >= cmbPicSelect_->count()) return;  // no item: nothing to reset
  tmrcheck_->stop();
  // A hand-set word survives a change within its family and is dropped otherwise.
  const ConfigLayout* chosen = ConfigLayoutOf(index);
  for (const ConfigLayout* layout : ConfigLayouts()) {
    if (layout != chosen) Dialog(*layout).SetFromFile(true);
  }
  tmrcheck_->start();
}

ConfigDialog& FrmDaxwel::Dialog(const ConfigLayout& layout) {
  ConfigDialog*& dialog = dialogs_[&layout];
  if (!dialog) dialog = new ConfigDialog(layout, this);
  return *dialog;
}

void FrmDaxwel::Browse() {
  if (!HardwareGateOpen() || busy_) return;
  tmrcheck_->stop();
  txtarchivo_->setText(BrowseHexFile());
  tmrcheck_->start();
}

QString FrmDaxwel::BrowseHexFile() {
  QString chosen;
  if (hooks_.chooseFile) {
    chosen = hooks_.chooseFile();
  } else {
    chosen = AskHexFile(this);
  }
  // A cancelled or failed dialog means "no file chosen".
  return chosen.isEmpty() ? QString(kNoFile) : chosen;
}

void FrmDaxwel::FileOperation(bool program) {
  if (!HardwareGateOpen() || busy_) return;
  if (txtarchivo_->text() == kNoFile) {
    Message("Error", "No ha seleccionado ningún archivo");
    return;
  }
  const std::string path = txtarchivo_->text().toStdString();
  tmrcheck_->stop();
  RunLocked([&] {
    if (program) {
      ProgramDevice(path, *link_, *this);
    } else {
      VerifyDevice(path, *link_, *this);
    }
  });
  if (!exited_) tmrcheck_->start();
}

void FrmDaxwel::Erase() {
  if (!HardwareGateOpen() || busy_) return;
  tmrcheck_->stop();
  RunLocked([&] { EraseDevice(*link_, *this); });
  if (!exited_) tmrcheck_->start();
}

void FrmDaxwel::Configure() {
  if (!HardwareGateOpen() || busy_) return;
  int index = ModelIndex();
  if (index == 0) {
    RunLocked([&] { index = DetectModel(*link_, *this); });
    if (exited_ || index == 0) return;  // the user has been told
  }
  const ConfigLayout* layout = ConfigLayoutOf(index);
  if (layout == nullptr) return;
  tmrcheck_->stop();
  ConfigDialog& dialog = Dialog(*layout);
  dialog.show();
  dialog.raise();
  dialog.activateWindow();
  tmrcheck_->start();
}

void FrmDaxwel::RunMode() {
  if (!HardwareGateOpen() || busy_) return;
  tmrcheck_->stop();
  RunLocked([&] {
    RunLineOn(*link_);
    Message("RUN Mode", "Ejecutando programa .....\r\rAceptar para detener",
            MessageIcon::Exclamation);
    LinesOff(*link_);
  });
  if (!exited_) tmrcheck_->start();
}

void FrmDaxwel::RunLocked(const std::function<void()>& action) {
  busy_ = true;
  givenValues_.clear();
  LockCommands(true);
  try {
    action();
  } catch (const std::exception& e) {
    // The operations catch their own failures; this only guards the window's own port calls.
    HideProgress();
    Message("Error", e.what());
    try {
      LinesOff(*link_);
    } catch (const PortError&) {
    }
  }
  LockCommands(false);
  busy_ = false;
  if (hooks_.afterOperation) hooks_.afterOperation();
  if (abandon_) Exit();
}

void FrmDaxwel::LockCommands(bool locked) {
  for (QWidget* w :
       std::initializer_list<QWidget*>{cmdbuscar_, cmdprog_, cmdverify_, cmdborrar_, cmdconfig_,
                                       cmdRun_, cmbLptSelect_, cmbPicSelect_}) {
    w->setEnabled(!locked);
  }
}

void FrmDaxwel::OpenHelp() {
  const QString path = HelpDocumentPath(QCoreApplication::applicationDirPath());
  // Help always works: without a browser the document opens in a window of our own.
  OpenUrl(QUrl::fromLocalFile(path), [this, path] {
    if (!frmHelpDocument_) frmHelpDocument_ = new FrmHelpDocument(path, this);
    frmHelpDocument_->show();
    frmHelpDocument_->raise();
  });
}

void FrmDaxwel::OpenSite() {
  const QUrl site(QStringLiteral("http://") + kMakerSite);
  OpenUrl(site, [this, site] {
    Message("Error", "No hay un navegador para abrir " + site.toString().toStdString());
  });
}

void FrmDaxwel::OpenUrl(const QUrl& url, std::function<void()> failed) {
  if (hooks_.openUrl) {
    if (!hooks_.openUrl(url)) failed();
    return;
  }
  // xdg-open, as the desktop services would run it, but its outcome is awaited: it ends with
  // an error when nothing on the system opens the document. Without a parent, so that a
  // browser it still waits on outlives the program.
  auto* opener = new QProcess();
  QObject::connect(opener, &QProcess::finished, this,
                   [opener, failed](int code, QProcess::ExitStatus status) {
                     if (status != QProcess::NormalExit || code != 0) failed();
                     opener->deleteLater();
                   });
  QObject::connect(opener, &QProcess::errorOccurred, this,
                   [opener, failed](QProcess::ProcessError error) {
                     if (error != QProcess::FailedToStart) return;
                     failed();
                     opener->deleteLater();
                   });
  opener->start(QStringLiteral("xdg-open"), {url.toString()});
}

void FrmDaxwel::ShowLptHelp() {
  if (!frmHelpOnLpt_) frmHelpOnLpt_ = new FrmHelpOnLpt(this, [this] { ChooseAdapter(); });
  frmHelpOnLpt_->show();
  frmHelpOnLpt_->raise();
}

void FrmDaxwel::UseAdapter(const AdapterChoice& choice, const std::string& problem) {
  adapter_ = choice;
  adapterProblem_ = problem;
  if (problem.empty() && hooks_.adapterInUse) hooks_.adapterInUse(adapter_);
  UpdatePorts(true);
  PresencePoll();
}

void FrmDaxwel::SetAdapter(const AdapterChoice& choice) {
  if (hooks_.adapterChanged) hooks_.adapterChanged(choice);
  UseAdapter(choice, {});
}

void FrmDaxwel::ChooseAdapter() {
  if (busy_) return;
  // With no usable adapter the dialog starts with none chosen, so that accepting it at once
  // cannot pick a wiring the user never looked at.
  AdapterChoice none;
  none.name.clear();
  DlgAdapter dialog(
      adapterProblem_.empty() ? adapter_ : none,
      [this](const AdapterChoice& trial) {
        // The test drives the adapter as chosen in the dialog; nothing is kept or remembered
        // unless the dialog is accepted.
        const AdapterChoice kept = adapter_;
        const std::string keptProblem = adapterProblem_;
        UseAdapter(trial, {});
        TestAdapter();
        UseAdapter(kept, keptProblem);
      },
      this);
  if (dialog.exec() == QDialog::Accepted) SetAdapter(dialog.Choice());
}

void FrmDaxwel::TestAdapter() {
  if (busy_) return;
  if (!adapterProblem_.empty()) {
    TellAdapterProblem();
    return;
  }
  // The presence poll would move the lines under the test.
  tmrcheck_->stop();
  busy_ = true;
  {
    DlgLineTest dialog(*link_, this);
    dialog.exec();
  }
  busy_ = false;
  if (!exited_) tmrcheck_->start();
}

void FrmDaxwel::Exit() {
  if (busy_) {
    // The run stops at its next yield point with the lines at 0; then the program ends.
    abandon_ = true;
    return;
  }
  try {
    LinesOff(*link_);
  } catch (const PortError&) {
  }
  exited_ = true;
  tmrcheck_->stop();
  if (hooks_.quit) {
    hooks_.quit();
  } else {
    QCoreApplication::exit(0);
  }
}

bool FrmDaxwel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    OpenSite();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void FrmDaxwel::closeEvent(QCloseEvent* event) {
  // "Salir" is the only way out.
  event->ignore();
}

// Operator

int FrmDaxwel::ModelIndex() { return cmbPicSelect_->currentIndex(); }

void FrmDaxwel::SetModelIndex(int index) {
  // Setting the list always runs the model change, even to the entry it already stands on
  // (a failed detection sets "Autodetectar" again); the list itself only signals a change.
  if (cmbPicSelect_->currentIndex() == index) {
    OnModelChanged(index);
  } else {
    cmbPicSelect_->setCurrentIndex(index);
  }
}

std::string FrmDaxwel::ConfigSource() {
  const ConfigLayout* layout = ConfigLayoutOf(ModelIndex());
  return SetConfigWord(layout, layout != nullptr ? Dialog(*layout).State() : DialogState{});
}

void FrmDaxwel::Message(std::string_view title, std::string_view text, MessageIcon icon) {
  Ask({false, std::string(title), std::string(text), icon});
}

bool FrmDaxwel::Confirm(std::string_view title, std::string_view text) {
  return Ask({true, std::string(title), std::string(text), MessageIcon::None});
}

bool FrmDaxwel::Ask(const MessageRequest& request) {
  if (hooks_.answer) return hooks_.answer(request);
  QMessageBox box(this);
  box.setWindowTitle(Qs(request.title));
  box.setTextFormat(Qt::PlainText);
  box.setText(Qs(request.text).replace('\r', '\n'));
  box.setIcon(request.icon == MessageIcon::Exclamation ? QMessageBox::Warning
                                                       : QMessageBox::NoIcon);
  if (request.confirm) {
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.button(QMessageBox::Cancel)->setText("Cancelar");
    box.setEscapeButton(QMessageBox::Cancel);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  box.button(QMessageBox::Ok)->setText("Aceptar");
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok;
}

bool FrmDaxwel::AskFactoryValues(std::string_view text, const std::vector<std::string>& names,
                                 const std::vector<CalibrationRecord>& candidates) {
  std::optional<std::vector<CalibrationValue>> values;
  if (hooks_.factoryValues) {
    values = hooks_.factoryValues(std::string(text), names, candidates);
  } else {
    FrmCalibracion dialog(std::string(text), names, candidates, this);
    if (dialog.exec() == QDialog::Accepted) values = dialog.Values();
  }
  if (!values) return false;
  for (const CalibrationValue& v : *values) givenValues_[v.name] = v.value;
  return true;
}

std::optional<std::uint16_t> FrmDaxwel::FactoryValue(std::string_view name) {
  const auto it = givenValues_.find(name);
  if (it == givenValues_.end()) return std::nullopt;
  return it->second;
}

void FrmDaxwel::ShowProgress() {
  if (!frmdoing_) frmdoing_ = new FrmDoing(this);
  if (!frmdoing_->isVisible()) frmdoing_->show();
}

void FrmDaxwel::SetProgressText(std::string_view text) {
  if (!frmdoing_) frmdoing_ = new FrmDoing(this);
  frmdoing_->SetText(Qs(text));
  QCoreApplication::processEvents();
}

void FrmDaxwel::HideProgress() {
  if (frmdoing_) frmdoing_->hide();
}

void FrmDaxwel::Yield() { QCoreApplication::processEvents(); }

}  // namespace daxwel
