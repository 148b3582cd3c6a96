#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "link/adapters.h"
#include "link/line_driver.h"
#include "link/line_test.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

namespace daxwel {

// "Adaptador": picks a preset or a wiring file and the extra clock half-period. Reached from
// the port help window, so the main window keeps its layout.
class DlgAdapter : public QDialog {
  Q_OBJECT

 public:
  // `test` opens "Probar adaptador" on the adapter as chosen in the dialog so far. A `current`
  // without a name starts with nothing chosen.
  DlgAdapter(const AdapterChoice& current, std::function<void(const AdapterChoice&)> test,
             QWidget* parent = nullptr);
  AdapterChoice Choice() const { return choice_; }

 private:
  void OnPreset(int index);
  void ChooseFile();
  void Show();

  AdapterChoice choice_;
  std::function<void(const AdapterChoice&)> test_;
  QComboBox* cmbAdapter_ = nullptr;
  QLabel* lblPins_ = nullptr;
  QSpinBox* spnDelay_ = nullptr;
  QPushButton* cmdOk_ = nullptr;
  QPushButton* cmdTest_ = nullptr;
};

// "Probar adaptador": one check box per output line of the adapter, the data input read
// live. Every line is off when it opens and when it closes.
class DlgLineTest : public QDialog {
  Q_OBJECT

 public:
  explicit DlgLineTest(Link& link, QWidget* parent = nullptr);
  ~DlgLineTest() override;

 private:
  void Refresh();

  std::unique_ptr<LineTest> test_;
  QLabel* lblDataIn_ = nullptr;
  QLabel* lblExpect_ = nullptr;
  QTimer* poll_ = nullptr;
};

}  // namespace daxwel
