#include "ui/calibration_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>

namespace daxwel {

FrmCalibracion::FrmCalibracion(const std::string& text, const std::vector<std::string>& names,
                               const std::vector<CalibrationRecord>& candidates, QWidget* parent)
    : QDialog(parent), names_(names), candidates_(candidates) {
  setObjectName("frmCalibracion");
  setWindowTitle("Calibración de fábrica");
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(QString::fromStdString(text).replace('\r', '\n'), this);
  label->setObjectName("lblCalibracion");
  label->setWordWrap(true);
  layout->addWidget(label);

  layout->addWidget(new QLabel("Calibraciones guardadas de este modelo:", this));
  list_ = new QListWidget(this);
  list_->setObjectName("lstCalibraciones");
  for (const CalibrationRecord& r : candidates_) {
    list_->addItem(QString::fromStdString(r.Describe() + " (" + r.savedAt + ")"));
  }
  layout->addWidget(list_);
  connect(list_, &QListWidget::currentRowChanged, this, &FrmCalibracion::Choose);

  auto* form = new QFormLayout;
  for (const std::string& name : names_) {
    auto* field = new QLineEdit(this);
    field->setObjectName(QString::fromStdString("txt" + name));
    connect(field, &QLineEdit::textChanged, this, &FrmCalibracion::Check);
    form->addRow(QString::fromStdString(name), field);
    fields_.push_back(field);
  }
  layout->addLayout(form);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setText("Aceptar");
  ok_->setObjectName("cmdAceptar");
  buttons->button(QDialogButtonBox::Cancel)->setText("Cancelar");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  Check();
}

void FrmCalibracion::Choose(int row) {
  if (row < 0 || row >= static_cast<int>(candidates_.size())) return;
  const CalibrationRecord& r = candidates_[static_cast<std::size_t>(row)];
  for (std::size_t i = 0; i < names_.size(); ++i) {
    const auto value = r.Value(names_[i]);
    if (!value) continue;
    char text[16];
    std::snprintf(text, sizeof text, *value < 10 ? "%u" : "0x%04X", unsigned{*value});
    fields_[i]->setText(text);
  }
}

void FrmCalibracion::Check() { ok_->setEnabled(Values().has_value()); }

std::optional<std::vector<CalibrationValue>> FrmCalibracion::Values() const {
  std::vector<CalibrationValue> values;
  for (std::size_t i = 0; i < names_.size(); ++i) {
    const auto value = ParseCalibrationValue(fields_[i]->text().trimmed().toStdString());
    if (!value) return std::nullopt;
    values.push_back({names_[i], *value});
  }
  return values;
}

}  // namespace daxwel
