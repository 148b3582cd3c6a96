#include "ui/adapter_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace daxwel {

namespace {

QString Qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

constexpr const char* kOwnFile = "Archivo propio...";

}  // namespace

DlgAdapter::DlgAdapter(const AdapterChoice& current, std::function<void(const AdapterChoice&)> test,
                       QWidget* parent)
    : QDialog(parent), choice_(current), test_(std::move(test)) {
  setObjectName("dlgAdapter");
  setWindowTitle("Adaptador");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Programador conectado al puerto paralelo:", this));
  cmbAdapter_ = new QComboBox(this);
  cmbAdapter_->setObjectName("cmbAdapter");
  int selected = -1;
  for (const AdapterPreset& preset : AdapterPresets()) {
    if (preset.name == current.name) selected = cmbAdapter_->count();
    cmbAdapter_->addItem(Qs(preset.name) + " - " + Qs(preset.title));
  }
  if (selected < 0 && !current.name.empty()) {
    cmbAdapter_->addItem(Qs(current.name));
    selected = cmbAdapter_->count() - 1;
  }
  cmbAdapter_->addItem(kOwnFile);
  cmbAdapter_->setCurrentIndex(selected);
  layout->addWidget(cmbAdapter_);

  lblPins_ = new QLabel(this);
  lblPins_->setObjectName("lblPins");
  lblPins_->setWordWrap(true);
  lblPins_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(lblPins_);

  auto* delayRow = new QHBoxLayout;
  delayRow->addWidget(new QLabel("Alargar cada fase del reloj (µs):", this));
  spnDelay_ = new QSpinBox(this);
  spnDelay_->setObjectName("spnDelay");
  spnDelay_->setRange(0, kMaxExtraHalfPeriodUs);
  spnDelay_->setValue(static_cast<int>(current.extraHalfPeriod.count()));
  delayRow->addWidget(spnDelay_);
  layout->addLayout(delayRow);

  auto* buttons = new QHBoxLayout;
  cmdTest_ = new QPushButton("Probar adaptador", this);
  cmdTest_->setObjectName("cmdProbar");
  cmdOk_ = new QPushButton("Aceptar", this);
  cmdOk_->setObjectName("cmdAceptar");
  auto* cmdCancel = new QPushButton("Cancelar", this);
  cmdCancel->setObjectName("cmdCancelar");
  buttons->addWidget(cmdTest_);
  buttons->addStretch();
  buttons->addWidget(cmdOk_);
  buttons->addWidget(cmdCancel);
  layout->addLayout(buttons);

  connect(cmbAdapter_, &QComboBox::activated, this, &DlgAdapter::OnPreset);
  connect(spnDelay_, &QSpinBox::valueChanged, this,
          [this](int us) { choice_.extraHalfPeriod = std::chrono::microseconds(us); });
  connect(cmdTest_, &QPushButton::clicked, this, [this] {
    if (test_) test_(choice_);
  });
  connect(cmdOk_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
  Show();
}

void DlgAdapter::OnPreset(int index) {
  if (cmbAdapter_->itemText(index) == kOwnFile) {
    ChooseFile();
    return;
  }
  if (index >= static_cast<int>(AdapterPresets().size())) return;  // the file already chosen
  const AdapterPreset& preset = AdapterPresets()[static_cast<std::size_t>(index)];
  choice_ = {std::string(preset.name), preset.wiring,
             std::chrono::microseconds(preset.extraHalfPeriodUs)};
  spnDelay_->setValue(preset.extraHalfPeriodUs);
  Show();
}

void DlgAdapter::ChooseFile() {
  const QString folder = QString::fromStdString(UserAdapterFolder().string());
  QDir().mkpath(folder);
  const QString path = QFileDialog::getOpenFileName(this, "Archivo de adaptador", folder,
                                                    "Adaptadores (*.ini *.txt);;Todos (*)");
  AdapterChoice file;
  if (!path.isEmpty()) {
    const std::string problem = ReadWiringFile(path.toStdString(), file);
    if (problem.empty()) {
      choice_ = file;
      const int own = cmbAdapter_->count() - 1;
      cmbAdapter_->insertItem(own, path);
      cmbAdapter_->setCurrentIndex(own);
      spnDelay_->setValue(static_cast<int>(file.extraHalfPeriod.count()));
      Show();
      return;
    }
    QMessageBox::warning(this, "Adaptador", Qs(problem));
  }
  // Back on what was chosen before.
  cmbAdapter_->setCurrentIndex(-1);
  for (int i = 0; i < cmbAdapter_->count() && !choice_.name.empty(); ++i) {
    if (cmbAdapter_->itemText(i).startsWith(Qs(choice_.name))) cmbAdapter_->setCurrentIndex(i);
  }
}

void DlgAdapter::Show() {
  // Nothing chosen yet (the saved adapter could not be read): nothing to accept or test.
  const bool chosen = !choice_.name.empty();
  cmdOk_->setEnabled(chosen);
  cmdTest_->setEnabled(chosen);
  if (!chosen) {
    lblPins_->setText("Ningún adaptador elegido: elija uno de la lista o un archivo propio.");
    return;
  }
  QString text = Qs(DescribeWiring(choice_.wiring));
  if (const AdapterPreset* preset = FindAdapterPreset(choice_.name)) {
    text += "\nFuente: " + Qs(preset->source);
  }
  text += choice_.wiring.SwitchesVdd()
              ? "\nConmuta VDD: los 16F62XA, 12F629/675, 16F630/676, 16F88X, 16F6XX, 12F683, "
                "16F91X, 16F627/628, 12F61X, 12F752 y 12HV752 entran en modo de programación con "
                "VPP antes que VDD."
              : "\nVDD siempre encendido.";
  lblPins_->setText(text);
}

DlgLineTest::DlgLineTest(Link& link, QWidget* parent)
    : QDialog(parent), test_(std::make_unique<LineTest>(link)) {
  setObjectName("dlgProbarAdaptador");
  setWindowTitle("Probar adaptador");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(
      "Encienda cada línea y mida en el zócalo.\nSin PIC, en la mayoría de los adaptadores la "
      "entrada de datos sigue a la salida de datos.",
      this));
  const Wiring& wiring = link.GetWiring();
  for (Line line : test_->Outputs()) {
    auto* box = new QCheckBox(Qs(LineKey(line)) + ": " + Qs(LineDescription(line)) + " (pata " +
                                  QString::number(wiring[line].number) + ")",
                              this);
    box->setObjectName("chk_" + Qs(LineKey(line)));
    layout->addWidget(box);
    connect(box, &QCheckBox::toggled, this, [this, line](bool on) {
      test_->Set(line, on);
      lblExpect_->setText(Qs(test_->Expectation(line)));
      Refresh();
    });
  }
  lblExpect_ = new QLabel(this);
  lblExpect_->setObjectName("lblExpect");
  lblExpect_->setWordWrap(true);
  layout->addWidget(lblExpect_);
  lblDataIn_ = new QLabel(this);
  lblDataIn_->setObjectName("lblDataIn");
  layout->addWidget(lblDataIn_);
  auto* close = new QPushButton("Cerrar", this);
  close->setObjectName("cmdCerrar");
  layout->addWidget(close);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  poll_ = new QTimer(this);
  poll_->setInterval(100);
  connect(poll_, &QTimer::timeout, this, &DlgLineTest::Refresh);
  poll_->start();
  Refresh();
}

DlgLineTest::~DlgLineTest() = default;

void DlgLineTest::Refresh() {
  try {
    lblDataIn_->setText(Qs(test_->DataInText(test_->DataIn())));
  } catch (const std::exception& e) {
    lblDataIn_->setText(Qs(e.what()));
  }
}

}  // namespace daxwel
