#include "config/dialog_config.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <utility>

namespace daxwel {

namespace {

// Client areas in device-independent pixels (design twips / 15).
constexpr QSize kF84Size{344, 374};
constexpr QSize kF87xSize{520, 371};
// The A families have nine groups: a 2 x 5 grid, the top row taller for the stacked choices.
constexpr QSize kAFamilySize{648, 381};
constexpr int kLabelLine = 16;
// The 16F87X grid: groups kGroupWidth wide on a kColumnPitch pitch.
constexpr int kGroupWidth = 120;
constexpr int kColumnPitch = 128;
constexpr int kTopRow = 84;
constexpr int kBottomHeight = 104;
constexpr int kATopHeight = 140;

int Column(int i) { return 8 + i * kColumnPitch; }
int ButtonsTop(int labelLines) { return 6 + kLabelLine * labelLines + 8; }

QSize SizeFor(Family family) {
  switch (family) {
    case Family::F84:
      return kF84Size;
    case Family::F87XA:
    case Family::F62XA:
      return kAFamilySize;
    default:
      return kF87xSize;
  }
}

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
    case Family::F87XA:
      return "frmConfigPic16F87XA";
    case Family::F62XA:
      return "frmConfigPic16F62XA";
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
    case Family::F87XA:
      return "PIC 16F873A / 74A / 76A / 77A";
    case Family::F62XA:
      return "PIC 16F627A / 28A / 48A";
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

  const QSize size = SizeFor(family);
  setFixedSize(size);

  auto* title = new QLabel(TitleFor(family), this);
  title->setObjectName("Label1");
  QFont titleFont = title->font();
  titleFont.setBold(true);
  titleFont.setPointSize(12);
  title->setFont(titleFont);
  title->setAlignment(Qt::AlignCenter);
  title->setGeometry(0, 8, size.width(), 26);

  const QRect shapeRect =
      family == Family::F84 ? QRect(16, 42, 312, 32) : QRect((size.width() - 340) / 2, 42, 340, 32);
  auto* shape = new QFrame(this);
  shape->setObjectName("Shape1");
  shape->setFrameShape(QFrame::Box);
  shape->setGeometry(shapeRect);

  chkFromFile_ = new QCheckBox("Tomar configuración desde archivo ( .hex )", this);
  chkFromFile_->setObjectName("chkFromFile");
  chkFromFile_->setGeometry(shapeRect.adjusted(8, 6, -4, -6));
  chkFromFile_->setChecked(true);

  switch (family) {
    case Family::F84:
      BuildF84();
      break;
    case Family::F87XA:
      BuildF87xa();
      break;
    case Family::F62XA:
      BuildF62xa();
      break;
    default:
      BuildF87x();
      break;
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

void ConfigDialog::AddOnOff(const QRect& rect, const QStringList& labels, const Option& off,
                            const Option& on) {
  QWidget* group = AddGroup(rect, labels);
  const int half = rect.width() / 2;
  const int y = ButtonsTop(static_cast<int>(labels.size()));
  AddOption(group, off, {10, y, half - 12, 22});
  AddOption(group, on, {half + 4, y, half - 8, 22});
}

void ConfigDialog::AddStack(const QRect& rect, const QStringList& labels,
                            std::initializer_list<Option> stack) {
  QWidget* group = AddGroup(rect, labels);
  int y = ButtonsTop(static_cast<int>(labels.size())) - 4;
  for (const Option& option : stack) {
    AddOption(group, option, {6, y, rect.width() - 8, 22});
    y += 23;
  }
}

void ConfigDialog::AddFourOscillators(const QRect& rect) {
  QWidget* osc = AddGroup(rect, {"Oscilador"});
  const int half = rect.width() / 2;
  AddOption(osc, {"RC", "RC", false}, {10, ButtonsTop(1), half - 12, 22});
  AddOption(osc, {"XT", "XT", true}, {half + 4, ButtonsTop(1), half - 8, 22});
  AddOption(osc, {"HS", "HS", false}, {10, ButtonsTop(1) + 28, half - 12, 22});
  AddOption(osc, {"LP", "LP", false}, {half + 4, ButtonsTop(1) + 28, half - 8, 22});
}

void ConfigDialog::BuildF87x() {
  constexpr int kTopHeight = 130;
  const int bottom = kTopRow + kTopHeight + 8;
  auto cell = [](int column, int y, int height) {
    return QRect(Column(column), y, kGroupWidth, height);
  };

  AddFourOscillators(cell(0, kTopRow, kTopHeight));
  const QRect cpRect = cell(1, kTopRow, kTopHeight);
  if (family_ == Family::F870) {
    AddOnOff(cpRect, {"Code Protect"}, {"CpOff", "OFF", true}, {"CpOn", "ON", false});
  } else {
    const bool small = family_ == Family::F873;
    AddStack(
        cpRect, {"Code Protect"},
        {{"CpOff", "OFF", true},
         {small ? "Cp0000_0FFF" : "Cp0000_1FFF", small ? "0000h a 0FFFh" : "0000h a 1FFFh", false},
         {small ? "Cp0800_0FFF" : "Cp1000_1FFF", small ? "0800h a 0FFFh" : "1000h a 1FFFh", false},
         {small ? "Cp0F00_0FFF" : "Cp1F00_1FFF", small ? "0F00h a 0FFFh" : "1F00h a 1FFFh",
          false}});
  }
  AddOnOff(cell(2, kTopRow, kTopHeight), {"EE Memory", "Code Protection"}, {"CpdOff", "OFF", true},
           {"CpdOn", "ON", false});
  AddOnOff(cell(3, kTopRow, kTopHeight), {"Low Voltage", "Programming"}, {"LvpOff", "OFF", true},
           {"LvpOn", "ON", false});
  AddOnOff(cell(0, bottom, kBottomHeight), {"Watchdog Timer"}, {"WdteOff", "OFF", true},
           {"WdteOn", "ON", false});
  AddOnOff(cell(1, bottom, kBottomHeight), {"Power Up Timer"}, {"PwrteOff", "OFF", false},
           {"PwrteOn", "ON", true});
  AddOnOff(cell(2, bottom, kBottomHeight), {"Brown-Out Reset"}, {"BodenOff", "OFF", true},
           {"BodenOn", "ON", false});
  AddOnOff(cell(3, bottom, kBottomHeight), {"Flash Program", "Memory Write", "Enable"},
           {"WrtOff", "OFF", false}, {"WrtOn", "ON", true});
}

// Shared by both A families: code protection, EEPROM protection and LVP on the top row's
// right, and a bottom row of four centred under the five columns, the family's own group last.
void ConfigDialog::AddAFamilyCommon(int firstTopColumn, const QStringList& lastLabels,
                                    const Option& lastOff, const Option& lastOn) {
  auto top = [](int column) { return QRect(Column(column), kTopRow, kGroupWidth, kATopHeight); };
  const int bottom = kTopRow + kATopHeight + 8;
  auto low = [bottom](int i) {
    return QRect(Column(i) + kColumnPitch / 2, bottom, kGroupWidth, kBottomHeight);
  };
  AddOnOff(top(firstTopColumn), {"Code Protect"}, {"CpOff", "OFF", true}, {"CpOn", "ON", false});
  AddOnOff(top(firstTopColumn + 1), {"EE Memory", "Code Protection"}, {"CpdOff", "OFF", true},
           {"CpdOn", "ON", false});
  AddOnOff(top(firstTopColumn + 2), {"Low Voltage", "Programming"}, {"LvpOff", "OFF", true},
           {"LvpOn", "ON", false});
  AddOnOff(low(0), {"Watchdog Timer"}, {"WdteOff", "OFF", true}, {"WdteOn", "ON", false});
  AddOnOff(low(1), {"Power Up Timer"}, {"PwrteOff", "OFF", false}, {"PwrteOn", "ON", true});
  AddOnOff(low(2), {"Brown-Out Reset"}, {"BodenOff", "OFF", true}, {"BodenOn", "ON", false});
  AddOnOff(low(3), lastLabels, lastOff, lastOn);
}

void ConfigDialog::BuildF87xa() {
  AddFourOscillators({Column(0), kTopRow, kGroupWidth, kATopHeight});
  AddAFamilyCommon(1, {"In-Circuit", "Debugger"}, {"DebugOff", "OFF", true},
                   {"DebugOn", "ON", false});
  // The quarter and the half depend on the part's size (0000h-03FFh or 0000h-07FFh, and
  // 0000h-07FFh or 0000h-0FFFh): the captions name the share, not the addresses.
  AddStack({Column(4), kTopRow, kGroupWidth, kATopHeight}, {"Flash Program", "Write Protect"},
           {{"WrtOff", "OFF", true},
            {"Wrt0000_00FF", "0000h a 00FFh", false},
            {"WrtQuarter", "1/4 inferior", false},
            {"WrtHalf", "1/2 inferior", false}});
}

void ConfigDialog::BuildF62xa() {
  // Eight oscillator modes: two columns wide, crystal and external clock modes on the left,
  // the internal oscillator and RC on the right.
  const int width = kColumnPitch + kGroupWidth;
  QWidget* osc = AddGroup({Column(0), kTopRow, width, kATopHeight}, {"Oscilador"});
  const Option left[] = {
      {"LP", "LP", false}, {"XT", "XT", true}, {"HS", "HS", false}, {"EC", "EC", false}};
  const Option right[] = {{"IntoscIO", "INTOSC I/O", false},
                          {"IntoscClkout", "INTOSC CLKOUT", false},
                          {"RcIO", "RC I/O", false},
                          {"RcClkout", "RC CLKOUT", false}};
  const int half = width / 2;
  for (int i = 0; i < 4; ++i) {
    const int y = ButtonsTop(1) - 4 + i * 26;
    AddOption(osc, left[i], {10, y, half - 12, 22});
    AddOption(osc, right[i], {half + 4, y, half - 8, 22});
  }
  AddAFamilyCommon(2, {"Master Clear", "Enable"}, {"MclreOff", "OFF", false},
                   {"MclreOn", "ON", true});
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
  // Tested in the order the word is composed: the first selected button wins. The 16F62XA's
  // "RC CLKOUT" is the RC mode of the older parts, which also drive CLKOUT.
  static constexpr std::pair<const char*, Osc> kOscillators[] = {
      {"RC", Osc::RC},
      {"HS", Osc::HS},
      {"XT", Osc::XT},
      {"LP", Osc::LP},
      {"EC", Osc::EC},
      {"IntoscIO", Osc::IntoscIO},
      {"IntoscClkout", Osc::IntoscClkout},
      {"RcIO", Osc::RcIO},
      {"RcClkout", Osc::RC},
  };
  for (const auto& [name, osc] : kOscillators) {
    if (Selected(name)) {
      state.osc = osc;
      break;
    }
  }
  switch (family_) {
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
    default:
      state.cp = Selected("CpOn") ? Cp::All : Cp::Off;
      break;
  }
  state.wdteOn = Selected("WdteOn");
  state.pwrteOn = Selected("PwrteOn");
  if (family_ != Family::F84) {
    state.bodenOn = Selected("BodenOn");
    state.lvpOn = Selected("LvpOn");
    state.cpdOn = Selected("CpdOn");
  }
  if (family_ == Family::F870 || family_ == Family::F873 || family_ == Family::F876) {
    state.wrtOn = Selected("WrtOn");
  }
  if (family_ == Family::F87XA) {
    state.debugOn = Selected("DebugOn");
    if (Selected("Wrt0000_00FF")) {
      state.wrtProtect = WrtProtect::First256;
    } else if (Selected("WrtQuarter")) {
      state.wrtProtect = WrtProtect::Quarter;
    } else if (Selected("WrtHalf")) {
      state.wrtProtect = WrtProtect::Half;
    }
  }
  if (family_ == Family::F62XA) state.mclreOn = Selected("MclreOn");
  return state;
}

void ConfigDialog::closeEvent(QCloseEvent* event) {
  // Only "Guardar Configuración" dismisses the dialog.
  event->ignore();
}

}  // namespace daxwel
