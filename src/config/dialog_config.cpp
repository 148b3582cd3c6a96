#include "config/dialog_config.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "config/dialog_placement.h"

namespace daxwel {

namespace {

constexpr int kLabelLine = 16;

QRect ToRect(const Box& box) { return {box.x, box.y, box.width, box.height}; }

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// What a layout no dialog places shows: the check box and the button alone.
constexpr DialogPlacement kUnplaced{nullptr, "frmConfig", "", 344, 150, {16, 42, 312, 32}, {}};

}  // namespace

ConfigDialog::ConfigDialog(const ConfigLayout& layout, QWidget* parent)
    : QDialog(parent), layout_(layout) {
  const DialogPlacement* found = FindPlacement(layout);
  const DialogPlacement& place = found != nullptr ? *found : kUnplaced;
  setObjectName(Text(place.objectName));
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

  const QSize size(place.width, place.height);
  setFixedSize(size);

  auto* title = new QLabel(Text(place.title), this);
  title->setObjectName("Label1");
  QFont titleFont = title->font();
  titleFont.setBold(true);
  titleFont.setPointSize(12);
  title->setFont(titleFont);
  title->setAlignment(Qt::AlignCenter);
  title->setGeometry(0, 8, size.width(), 26);

  const QRect shapeRect = ToRect(place.shape);
  auto* shape = new QFrame(this);
  shape->setObjectName("Shape1");
  shape->setFrameShape(QFrame::Box);
  shape->setGeometry(shapeRect);

  chkFromFile_ = new QCheckBox("Tomar configuración desde archivo ( .hex )", this);
  chkFromFile_->setObjectName("chkFromFile");
  chkFromFile_->setGeometry(shapeRect.adjusted(8, 6, -4, -6));
  chkFromFile_->setChecked(true);

  for (const GroupPlace& group : place.groups) AddGroup(group);

  cmdSave_ = new QPushButton("Guardar Configuración", this);
  cmdSave_->setObjectName("cmdSave");
  cmdSave_->setAutoDefault(false);
  cmdSave_->setGeometry((size.width() - 160) / 2, size.height() - 40, 160, 30);

  // Design state: the options follow the checked box, so they start disabled.
  for (QRadioButton* option : options_) option->setEnabled(false);
  connect(chkFromFile_, &QCheckBox::stateChanged, this, &ConfigDialog::OnFromFileChanged);
  connect(cmdSave_, &QPushButton::clicked, this, &QWidget::hide);
}

void ConfigDialog::AddGroup(const GroupPlace& place) {
  const ConfigField* field = FindField(layout_, place.field);
  if (field == nullptr) return;
  // A captionless frame: its buttons are one exclusive group because they share it as parent.
  auto* frame = new QFrame(this);
  frame->setFrameShape(QFrame::Box);
  frame->setGeometry(ToRect(place.frame));
  int y = 6;
  for (std::string_view text : field->labels) {
    if (text.empty()) break;
    auto* label = new QLabel(Text(text), frame);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(2, y, place.frame.width - 4, kLabelLine);
    y += kLabelLine;
  }
  for (const ButtonPlace& button : place.buttons) {
    for (const ConfigValue& value : field->values) {
      if (value.button != button.button) continue;
      auto* option = new QRadioButton(Text(value.caption), frame);
      option->setObjectName(Text(value.button));
      option->setGeometry(ToRect(button.box));
      option->setChecked(value.name == field->defaultValue);
      options_.append(option);
      buttons_.emplace(&value, option);
    }
  }
}

void ConfigDialog::OnFromFileChanged(int state) {
  // A third state would leave the options as they are.
  if (state == Qt::Checked || state == Qt::Unchecked) {
    for (QRadioButton* option : options_) option->setEnabled(state == Qt::Unchecked);
  }
}

void ConfigDialog::SetFromFile(bool fromFile) { chkFromFile_->setChecked(fromFile); }

DialogState ConfigDialog::State() const {
  DialogState state;
  state.chkFromFile = chkFromFile_->isChecked();
  // Each group is exclusive; its values are tested in the layout's order, the first selected
  // one winning, and a group with none selected keeps its default.
  for (const ConfigField& field : layout_.fields) {
    for (const ConfigValue& value : field.values) {
      const auto found = buttons_.find(&value);
      if (found != buttons_.end() && found->second->isChecked()) {
        state.values.emplace(field.name, value.name);
        break;
      }
    }
  }
  return state;
}

void ConfigDialog::closeEvent(QCloseEvent* event) {
  // Only "Guardar Configuración" dismisses the dialog.
  event->ignore();
}

}  // namespace daxwel
