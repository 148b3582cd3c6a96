#pragma once

#include <QDialog>
#include <initializer_list>

#include "config/config_word.h"
#include "config/family.h"

class QCheckBox;
class QCloseEvent;
class QPushButton;
class QRadioButton;

namespace daxwel {

// One family's "Configuration Word" window: frmConfigPic16F84, frmConfigPic16F870_1_2,
// frmConfigPic16F873_4, frmConfigPic16F876_7, frmConfigPic16F87XA or frmConfigPic16F62XA. Its state
// is the state of its controls, read whenever a programming run needs the word; it is hidden by
// "Guardar Configuración" and never destroyed while the main window lives.
class ConfigDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ConfigDialog(Family family, QWidget* parent = nullptr);

  Family GetFamily() const { return family_; }
  // What SetConfigWord reads: the check box and the selected button of every group.
  DialogState State() const;
  // Checks or clears chkFromFile; the check box reaction enables or disables the options.
  void SetFromFile(bool fromFile);

  static const char* ObjectNameFor(Family family);
  static const char* TitleFor(Family family);

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Escape would otherwise hide the dialog; only cmdSave may.
  void reject() override {}

 private:
  struct Option {
    const char* name;
    const char* caption;
    bool selected;
  };
  QWidget* AddGroup(const QRect& rect, const QStringList& labels);
  QRadioButton* AddOption(QWidget* group, const Option& option, const QRect& rect);
  // OFF on the left, ON on the right, under the labels.
  void AddOnOff(const QRect& rect, const QStringList& labels, const Option& off, const Option& on);
  // One button per line, top to bottom.
  void AddStack(const QRect& rect, const QStringList& labels, std::initializer_list<Option> stack);
  // RC and XT above HS and LP.
  void AddFourOscillators(const QRect& rect);
  void AddAFamilyCommon(int firstTopColumn, const QStringList& lastLabels, const Option& lastOff,
                        const Option& lastOn);
  void BuildF84();
  void BuildF87x();
  void BuildF87xa();
  void BuildF62xa();
  void OnFromFileChanged(int state);
  bool Selected(const char* name) const;

  Family family_;
  QCheckBox* chkFromFile_ = nullptr;
  QPushButton* cmdSave_ = nullptr;
  QList<QRadioButton*> options_;
};

}  // namespace daxwel
