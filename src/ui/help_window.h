#pragma once

#include <QDialog>
#include <QString>
#include <functional>

namespace daxwel {

// The help document "ayuda.htm": beside the program (the build tree), else where an install
// puts it relative to the program (bin/../share/daxwel). When neither exists the first is
// answered all the same; opening it then fails silently, as with no handler for HTML.
QString HelpDocumentPath(const QString& programDir);

// The port help: 21 lines joined by CR LF; the last line is empty, so the text ends with
// one CR LF.
QString LptHelpText();

// frmHelpOnLpt, "Ayuda": explains how to pick the port address. Destroyed when closed.
class FrmHelpOnLpt : public QDialog {
  Q_OBJECT

 public:
  // `chooseAdapter`, when given, is what the "Adaptador..." button does.
  explicit FrmHelpOnLpt(QWidget* parent = nullptr, std::function<void()> chooseAdapter = {});

 protected:
  // Escape goes the way of the close box: the window is destroyed, not kept hidden.
  void reject() override {
    QDialog::reject();
    deleteLater();
  }
};

// The help document in a window of our own, for a desktop that cannot open it (no browser):
// Qt renders its HTML, and its links to other sections work inside it. Destroyed when closed.
class FrmHelpDocument : public QDialog {
  Q_OBJECT

 public:
  explicit FrmHelpDocument(const QString& path, QWidget* parent = nullptr);

 protected:
  void reject() override {
    QDialog::reject();
    deleteLater();
  }
};

}  // namespace daxwel
