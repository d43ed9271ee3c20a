#include "modules/tool_module_dialog.h"

#include <algorithm>

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "modules/module_host.h"
#include "modules/records/module_types.h"
#include "modules/tool_module.h"
#include "platform/sys_msgbox.h"

namespace {

constexpr int kMaxCells = 1 << 20;

QLineEdit* NumberEdit(int value, QWidget* parent) {
  auto* edit = new QLineEdit(QString::number(value), parent);
  edit->setValidator(new QIntValidator(0, kMaxCells, edit));
  return edit;
}

int ReadNumber(const QLineEdit* edit, int fallback) {
  bool ok = false;
  const int value = edit->text().toInt(&ok);
  return ok ? value : fallback;
}

}  // namespace

ToolModuleDialog::ToolModuleDialog(ToolModule* module, const MODULE_SETTINGS& initial,
                                   QWidget* parent)
    : QDialog(parent), module_(module), initial_(initial) {
  setWindowTitle(QString::fromUtf8(MODULE_DialogTitle(initial_.Type())));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setModal(true);

  const MODULE_TYPE_INFO* info = MODULE_GetTypeInfo(initial_.Type());
  const int min_width = module ? module->GetMinWidth() : (info ? info->DefaultWidth : 1);
  const int min_height = module ? module->GetMinHeight() : (info ? info->DefaultHeight : 1);

  auto* position_box = new QGroupBox(tr("Position and size"), this);
  auto* grid = new QGridLayout(position_box);
  grid->setContentsMargins(10, 10, 10, 10);
  x_edit_ = NumberEdit(std::max(initial_.X, 0), position_box);
  y_edit_ = NumberEdit(std::max(initial_.Y, 0), position_box);
  width_edit_ = NumberEdit(initial_.Width >= 1 ? initial_.Width : min_width, position_box);
  height_edit_ = NumberEdit(initial_.Height >= 1 ? initial_.Height : min_height, position_box);
  current_button_ = new QPushButton(tr("Current position"), position_box);
  marked_button_ = new QPushButton(tr("Marked position"), position_box);
  grid->addWidget(new QLabel(tr("X-Postion:"), position_box), 0, 0);
  grid->addWidget(x_edit_, 0, 1);
  grid->addWidget(current_button_, 0, 2);
  grid->addWidget(new QLabel(tr("Y-Position:"), position_box), 1, 0);
  grid->addWidget(y_edit_, 1, 1);
  grid->addWidget(marked_button_, 1, 2);
  grid->addWidget(new QLabel(tr("Width:"), position_box), 2, 0);
  grid->addWidget(width_edit_, 2, 1);
  grid->addWidget(new QLabel(tr("Height:"), position_box), 3, 0);
  grid->addWidget(height_edit_, 3, 1);
  current_button_->setEnabled(module && module->IsPlaced());
  marked_button_->setEnabled(module && module->Host() && module->Host()->MarkedCell());

  type_layout_ = new QVBoxLayout();

  ok_button_ = new QPushButton(tr("OK"), this);
  ok_button_->setDefault(true);
  ok_button_->setStyleSheet(QStringLiteral("background-color: rgb(64, 192, 64);"));
  cancel_button_ = new QPushButton(tr("Cancel"), this);
  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  buttons->addWidget(ok_button_);
  buttons->addWidget(cancel_button_);

  auto* main_layout = new QVBoxLayout(this);
  main_layout->addWidget(position_box);
  main_layout->addLayout(type_layout_);
  main_layout->addLayout(buttons);

  connect(ok_button_, &QPushButton::clicked, this, &ToolModuleDialog::_SlotOnBtnApplyClicked);
  connect(cancel_button_, &QPushButton::clicked, this, &ToolModuleDialog::_SlotOnBtnCloseClicked);
  connect(current_button_, &QPushButton::clicked, this,
          &ToolModuleDialog::_SlotOnBtnSetCurrentPosition);
  connect(marked_button_, &QPushButton::clicked, this,
          &ToolModuleDialog::_SlotOnBtnSetMarkedPosition);
  for (QLineEdit* edit : {x_edit_, y_edit_, width_edit_, height_edit_}) {
    connect(edit, &QLineEdit::textEdited, this, &ToolModuleDialog::SettingsEdited);
  }
}

ToolModuleDialog::~ToolModuleDialog() = default;

MODULE_SETTINGS ToolModuleDialog::GetDialogSettings() const {
  MODULE_SETTINGS settings = initial_;
  settings.X = ReadNumber(x_edit_, std::max(initial_.X, 0));
  settings.Y = ReadNumber(y_edit_, std::max(initial_.Y, 0));
  settings.Width = ReadNumber(width_edit_, initial_.Width);
  settings.Height = ReadNumber(height_edit_, initial_.Height);
  WriteTypeSettings(settings);
  return settings;
}

void ToolModuleDialog::showEvent(QShowEvent* event) {
  if (!shown_initial_) shown_initial_ = GetDialogSettings();
  QDialog::showEvent(event);
}

void ToolModuleDialog::reject() {
  if (!(GetDialogSettings() == shown_initial_.value_or(initial_))) {
    const uint32_t answer = SYS_QuestionBox("Are you sure to cancel?", "Yes", "No", 1,
                                            SYS_MB_ICON_QUESTION, 1);
    if (answer != 0) return;
  }
  QDialog::reject();
}

void ToolModuleDialog::SettingsEdited() {
  if (module_) module_->PreviewDialogSettings();
}

void ToolModuleDialog::_SlotOnBtnCloseClicked() { reject(); }

void ToolModuleDialog::_SlotOnBtnApplyClicked() {
  if (!Validate()) return;
  accept();
}

void ToolModuleDialog::_SlotOnBtnSetCurrentPosition() {
  if (!module_ || !module_->IsPlaced()) return;
  const QPoint position = module_->GetPosition();
  x_edit_->setText(QString::number(position.x()));
  y_edit_->setText(QString::number(position.y()));
  SettingsEdited();
}

void ToolModuleDialog::_SlotOnBtnSetMarkedPosition() {
  if (!module_ || !module_->Host()) return;
  const std::optional<QPoint> marked = module_->Host()->MarkedCell();
  if (!marked) return;
  x_edit_->setText(QString::number(marked->x()));
  y_edit_->setText(QString::number(marked->y()));
  SettingsEdited();
}
