#pragma once

#include <QDialog>
#include <map>

#include "config/config_word.h"
#include "config/layout.h"

class QCheckBox;
class QCloseEvent;
class QPushButton;
class QRadioButton;

namespace daxwel {

struct GroupPlace;

// A layout's "Configuration Word" window (frmConfigPic16F84, frmConfigPic16F870_1_2, ...), built
// from the layout's fields and the placement kept for it (dialog_placement.h). Its state is the
// state of its controls, read whenever a programming run needs the word; it is hidden by "Guardar
// Configuración" and never destroyed while the main window lives.
class ConfigDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ConfigDialog(const ConfigLayout& layout, QWidget* parent = nullptr);

  const ConfigLayout& Layout() const { return layout_; }
  // What SetConfigWord reads: the check box and the value of every field.
  DialogState State() const;
  // Checks or clears chkFromFile; the check box reaction enables or disables the options.
  void SetFromFile(bool fromFile);

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Escape would otherwise hide the dialog; only cmdSave may.
  void reject() override {}

 private:
  void AddGroup(const GroupPlace& place);
  void OnFromFileChanged(int state);

  const ConfigLayout& layout_;
  QCheckBox* chkFromFile_ = nullptr;
  QPushButton* cmdSave_ = nullptr;
  QList<QRadioButton*> options_;
  std::map<const ConfigValue*, QRadioButton*> buttons_;
};

}  // namespace daxwel
