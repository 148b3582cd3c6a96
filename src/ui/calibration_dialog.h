#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "device/calibration_store.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace daxwel {

// frmCalibracion: a chip that lost its factory calibration gets it back here, chosen among
// the values the user's store keeps for its part or typed by hand (as "0x3490" or "2").
class FrmCalibracion : public QDialog {
  Q_OBJECT

 public:
  FrmCalibracion(const std::string& text, const std::vector<std::string>& names,
                 const std::vector<CalibrationRecord>& candidates, QWidget* parent = nullptr);

  // The values by name; nothing while one is missing or not a number of 14 bits.
  std::optional<std::vector<CalibrationValue>> Values() const;

 private:
  void Choose(int row);
  void Check();

  std::vector<std::string> names_;
  std::vector<CalibrationRecord> candidates_;
  std::vector<QLineEdit*> fields_;
  QListWidget* list_ = nullptr;
  QPushButton* ok_ = nullptr;
};

}  // namespace daxwel
