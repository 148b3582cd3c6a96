#include "ui/progress_viewer.h"

#include <QCloseEvent>
#include <QLabel>

namespace daxwel {

namespace {

// Design geometry (twips / 15).
constexpr QSize kClient{250, 76};
constexpr QRect kLabel{24, 32, 201, 17};

}  // namespace

FrmDoing::FrmDoing(QWidget* parent) : QDialog(parent) {
  setObjectName("frmdoing");
  setWindowTitle("Visor de Procesos");
  setModal(false);
  setFixedSize(kClient);
  lbldoing_ = new QLabel("Label1", this);
  lbldoing_->setObjectName("lbldoing");
  lbldoing_->setGeometry(kLabel);
}

void FrmDoing::SetText(const QString& text) {
  lbldoing_->setText(text);
  const int needed = lbldoing_->fontMetrics().horizontalAdvance(text) + 2;
  if (needed > lbldoing_->width()) {
    lbldoing_->resize(needed, lbldoing_->height());
    setFixedSize(kLabel.left() * 2 + needed, kClient.height());
  }
}

QString FrmDoing::Text() const { return lbldoing_->text(); }

void FrmDoing::closeEvent(QCloseEvent* event) {
  // No cancel exists: once confirmed, an operation runs to its end.
  event->ignore();
}

}  // namespace daxwel
