#pragma once

#include <QDialog>

class QCloseEvent;
class QLabel;

namespace daxwel {

// frmdoing, "Visor de Procesos": the one line a running device operation shows. The user
// cannot close it; only HideProgress takes it off the screen.
class FrmDoing : public QDialog {
  Q_OBJECT

 public:
  explicit FrmDoing(QWidget* parent = nullptr);

  // Replaces the line (widening the window if this font needs more room than the design).
  void SetText(const QString& text);
  QString Text() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override {}

 private:
  QLabel* lbldoing_;
};

}  // namespace daxwel
