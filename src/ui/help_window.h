#pragma once

#include <QDialog>
#include <QString>

namespace daxwel {

// The port help: 21 lines joined by CR LF; the last line is empty, so the text ends with
// one CR LF.
QString LptHelpText();

// frmHelpOnLpt, "Ayuda": explains how to pick the port address. Destroyed when closed.
class FrmHelpOnLpt : public QDialog {
  Q_OBJECT

 public:
  explicit FrmHelpOnLpt(QWidget* parent = nullptr);

 protected:
  // Escape goes the way of the close box: the window is destroyed, not kept hidden.
  void reject() override {
    QDialog::reject();
    deleteLater();
  }
};

}  // namespace daxwel
