#include "config/dialog_config.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace daxwel {

namespace {

// Client areas in device-independent pixels (design twips / 15).
constexpr QSize kF84Size{344, 374};
constexpr QSize kF87xSize{520, 371};
constexpr int kLabelLine = 16;

}  // namespace

const char* ConfigDialog::ObjectNameFor(Family family) {
  switch (family) {
    case Family::F84:
      return "frmConfigPic16F84";
    case Family::F870:
      return "frmConfigPic16F870_1_2";
    case Family::F873:
      return "frmConfigPic16F873_4";
    case Family::F876:
      return "frmConfigPic16F876_7";
  }
  return "";
}

const char* ConfigDialog::TitleFor(Family family) {
  switch (family) {
    case Family::F84:
      return "PIC 16F84";
    case Family::F870:
      return "PIC 16F870 / 71 / 72";
    case Family::F873:
      return "PIC 16F873 / 74";
    case Family::F876:
      return "PIC 16F876 / 77";
  }
  return "";
}

ConfigDialog::ConfigDialog(Family family, QWidget* parent) : QDialog(parent), family_(family) {
  setObjectName(ObjectNameFor(family));
  setWindowTitle("Configuration Word");
  // White window and white controls.
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::Button, Qt::white);
  white.setColor(QPalette::Base, Qt::white);
  // Disabled captions stay grey, but dark enough to read on the white (5.7:1, above the 4.5:1
  // that small text needs): the choices a dialog keeps must be readable while it takes the
  // word from the file.
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
    white.setColor(QPalette::Disabled, role, QColor(0x66, 0x66, 0x66));
  }
  setPalette(white);
  setAutoFillBackground(true);
  // The design's 8-point text; the grids are sized for it.
  QFont small = font();
  small.setPointSize(8);
  setFont(small);

  const QSize size = family == Family::F84 ? kF84Size : kF87xSize;
  setFixedSize(size);

  auto* title = new QLabel(TitleFor(family), this);
  title->setObjectName("Label1");
  QFont titleFont = title->font();
  titleFont.setBold(true);
  titleFont.setPointSize(12);
  title->setFont(titleFont);
  title->setAlignment(Qt::AlignCenter);
  title->setGeometry(0, 8, size.width(), 26);

  const QRect shapeRect = family == Family::F84 ? QRect(16, 42, 312, 32) : QRect(90, 42, 340, 32);
  auto* shape = new QFrame(this);
  shape->setObjectName("Shape1");
  shape->setFrameShape(QFrame::Box);
  shape->setGeometry(shapeRect);

  chkFromFile_ = new QCheckBox("Tomar configuración desde archivo ( .hex )", this);
  chkFromFile_->setObjectName("chkFromFile");
  chkFromFile_->setGeometry(shapeRect.adjusted(8, 6, -4, -6));
  chkFromFile_->setChecked(true);

  if (family == Family::F84) {
    BuildF84();
  } else {
    BuildF87x();
  }

  cmdSave_ = new QPushButton("Guardar Configuración", this);
  cmdSave_->setObjectName("cmdSave");
  cmdSave_->setAutoDefault(false);
  cmdSave_->setGeometry((size.width() - 160) / 2, size.height() - 40, 160, 30);

  // Design state: the options follow the checked box, so they start disabled.
  for (QRadioButton* option : options_) option->setEnabled(false);
  connect(chkFromFile_, &QCheckBox::stateChanged, this, &ConfigDialog::OnFromFileChanged);
  connect(cmdSave_, &QPushButton::clicked, this, &QWidget::hide);
}

QWidget* ConfigDialog::AddGroup(const QRect& rect, const QStringList& labels) {
  // A captionless frame: its buttons are one exclusive group because they share it as parent.
  auto* frame = new QFrame(this);
  frame->setFrameShape(QFrame::Box);
  frame->setGeometry(rect);
  int y = 6;
  for (const QString& text : labels) {
    auto* label = new QLabel(text, frame);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(2, y, rect.width() - 4, kLabelLine);
    y += kLabelLine;
  }
  return frame;
}

QRadioButton* ConfigDialog::AddOption(QWidget* group, const Option& option, const QRect& rect) {
  auto* button = new QRadioButton(option.caption, group);
  button->setObjectName(option.name);
  button->setGeometry(rect);
  button->setChecked(option.selected);
  options_.append(button);
  return button;
}

void ConfigDialog::BuildF84() {
  constexpr int kWidth = 152;
  constexpr int kHeight = 110;
  const int left = 16;
  const int right = left + kWidth + 8;
  const int top = 86;
  const int bottom = top + kHeight + 10;
  const int half = kWidth / 2;
  const int buttonsTop = 6 + kLabelLine + 8;

  QWidget* osc = AddGroup({left, top, kWidth, kHeight}, {"Oscilador"});
  AddOption(osc, {"RC", "RC", false}, {16, buttonsTop, half - 20, 22});
  AddOption(osc, {"XT", "XT", true}, {half + 8, buttonsTop, half - 16, 22});
  AddOption(osc, {"HS", "HS", false}, {16, buttonsTop + 28, half - 20, 22});
  AddOption(osc, {"LP", "LP", false}, {half + 8, buttonsTop + 28, half - 16, 22});

  auto onOff = [&](const QRect& rect, const QStringList& labels, const Option& off,
                   const Option& on) {
    QWidget* group = AddGroup(rect, labels);
    const int y = 6 + kLabelLine * static_cast<int>(labels.size()) + 8;
    AddOption(group, off, {16, y, half - 20, 22});
    AddOption(group, on, {half + 8, y, half - 16, 22});
  };
  onOff({right, top, kWidth, kHeight}, {"Code Protect"}, {"CpOff", "OFF", true},
        {"CpOn", "ON", false});
  onOff({left, bottom, kWidth, kHeight}, {"Watchdog Timer"}, {"WdteOff", "OFF", true},
        {"WdteOn", "ON", false});
  onOff({right, bottom, kWidth, kHeight}, {"Power Up Timer"}, {"PwrteOff", "OFF", false},
        {"PwrteOn", "ON", true});
}

void ConfigDialog::BuildF87x() {
  constexpr int kWidth = 120;
  constexpr int kTopHeight = 130;
  constexpr int kBottomHeight = 104;
  const int top = 84;
  const int bottom = top + kTopHeight + 8;
  const int half = kWidth / 2;
  auto column = [](int i) { return 8 + i * 128; };
  auto buttonsTop = [](int lines) { return 6 + kLabelLine * lines + 8; };

  QWidget* osc = AddGroup({column(0), top, kWidth, kTopHeight}, {"Oscilador"});
  AddOption(osc, {"RC", "RC", false}, {10, buttonsTop(1), half - 12, 22});
  AddOption(osc, {"XT", "XT", true}, {half + 4, buttonsTop(1), half - 8, 22});
  AddOption(osc, {"HS", "HS", false}, {10, buttonsTop(1) + 28, half - 12, 22});
  AddOption(osc, {"LP", "LP", false}, {half + 4, buttonsTop(1) + 28, half - 8, 22});

  auto onOff = [&](const QRect& rect, const QStringList& labels, const Option& off,
                   const Option& on) {
    QWidget* group = AddGroup(rect, labels);
    const int y = buttonsTop(static_cast<int>(labels.size()));
    AddOption(group, off, {10, y, half - 12, 22});
    AddOption(group, on, {half + 4, y, half - 8, 22});
  };

  const QRect cpRect{column(1), top, kWidth, kTopHeight};
  if (family_ == Family::F870) {
    onOff(cpRect, {"Code Protect"}, {"CpOff", "OFF", true}, {"CpOn", "ON", false});
  } else {
    const bool small = family_ == Family::F873;
    const Option stack[] = {
        {"CpOff", "OFF", true},
        {small ? "Cp0000_0FFF" : "Cp0000_1FFF", small ? "0000h a 0FFFh" : "0000h a 1FFFh", false},
        {small ? "Cp0800_0FFF" : "Cp1000_1FFF", small ? "0800h a 0FFFh" : "1000h a 1FFFh", false},
        {small ? "Cp0F00_0FFF" : "Cp1F00_1FFF", small ? "0F00h a 0FFFh" : "1F00h a 1FFFh", false},
    };
    QWidget* cp = AddGroup(cpRect, {"Code Protect"});
    int y = buttonsTop(1) - 4;
    for (const Option& option : stack) {
      AddOption(cp, option, {6, y, kWidth - 8, 22});
      y += 23;
    }
  }
  onOff({column(2), top, kWidth, kTopHeight}, {"EE Memory", "Code Protection"},
        {"CpdOff", "OFF", true}, {"CpdOn", "ON", false});
  onOff({column(3), top, kWidth, kTopHeight}, {"Low Voltage", "Programming"},
        {"LvpOff", "OFF", true}, {"LvpOn", "ON", false});
  onOff({column(0), bottom, kWidth, kBottomHeight}, {"Watchdog Timer"}, {"WdteOff", "OFF", true},
        {"WdteOn", "ON", false});
  onOff({column(1), bottom, kWidth, kBottomHeight}, {"Power Up Timer"}, {"PwrteOff", "OFF", false},
        {"PwrteOn", "ON", true});
  onOff({column(2), bottom, kWidth, kBottomHeight}, {"Brown-Out Reset"}, {"BodenOff", "OFF", true},
        {"BodenOn", "ON", false});
  onOff({column(3), bottom, kWidth, kBottomHeight}, {"Flash Program", "Memory Write", "Enable"},
        {"WrtOff", "OFF", false}, {"WrtOn", "ON", true});
}

void ConfigDialog::OnFromFileChanged(int state) {
  // A third state would leave the options as they are.
  if (state == Qt::Checked || state == Qt::Unchecked) {
    for (QRadioButton* option : options_) option->setEnabled(state == Qt::Unchecked);
  }
}

void ConfigDialog::SetFromFile(bool fromFile) { chkFromFile_->setChecked(fromFile); }

bool ConfigDialog::Selected(const char* name) const {
  for (const QRadioButton* option : options_) {
    if (option->objectName() == QLatin1String(name)) return option->isChecked();
  }
  return false;
}

DialogState ConfigDialog::State() const {
  DialogState state;
  state.chkFromFile = chkFromFile_->isChecked();
  // Tested in the order the word is composed: the first selected button wins.
  if (Selected("RC")) {
    state.osc = Osc::RC;
  } else if (Selected("HS")) {
    state.osc = Osc::HS;
  } else if (Selected("XT")) {
    state.osc = Osc::XT;
  } else if (Selected("LP")) {
    state.osc = Osc::LP;
  }
  switch (family_) {
    case Family::F84:
    case Family::F870:
      state.cp = Selected("CpOn") ? Cp::All : Cp::Off;
      break;
    case Family::F873:
    case Family::F876: {
      const bool small = family_ == Family::F873;
      if (Selected(small ? "Cp0000_0FFF" : "Cp0000_1FFF")) {
        state.cp = Cp::All;
      } else if (Selected(small ? "Cp0800_0FFF" : "Cp1000_1FFF")) {
        state.cp = Cp::Half;
      } else if (Selected(small ? "Cp0F00_0FFF" : "Cp1F00_1FFF")) {
        state.cp = Cp::Top;
      } else {
        state.cp = Cp::Off;
      }
      break;
    }
  }
  state.wdteOn = Selected("WdteOn");
  state.pwrteOn = Selected("PwrteOn");
  if (family_ != Family::F84) {
    state.bodenOn = Selected("BodenOn");
    state.lvpOn = Selected("LvpOn");
    state.cpdOn = Selected("CpdOn");
    state.wrtOn = Selected("WrtOn");
  }
  return state;
}

void ConfigDialog::closeEvent(QCloseEvent* event) {
  // Only "Guardar Configuración" dismisses the dialog.
  event->ignore();
}

}  // namespace daxwel
