#include "modules/push_button_dialog.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

PushButtonDialog::PushButtonDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {
  const PUSH_BUTTON_SETTINGS defaults;
  const PUSH_BUTTON_SETTINGS* p = initial.As<PUSH_BUTTON_SETTINGS>();
  if (p == nullptr) p = &defaults;
  auto* box = new QGroupBox(QStringLiteral("Push Button"), this);
  auto* form = new QFormLayout(box);
  text_ = new QLineEdit(QString::fromStdString(p->Text), box);
  text_->setMaxLength(static_cast<int>(MODULE_MAX_TEXT_CHARS));
  form->addRow(QStringLiteral("Text:"), text_);
  alignment_ = NewAlignmentChoice(box, p->Alignment);
  form->addRow(QStringLiteral("Alignment:"), alignment_);
  repeat_ = new QCheckBox(QStringLiteral("Repeat on hold after"), box);
  repeat_->setChecked(p->HoldRepeat != 0);
  interval_ = new QLineEdit(box);
  interval_->setInputMask(QStringLiteral("00000"));
  interval_->setText(QString::number(p->IntervalMS));
  auto* repeat_row = new QHBoxLayout;
  repeat_row->addWidget(repeat_);
  repeat_row->addWidget(interval_);
  repeat_row->addWidget(new QLabel(QStringLiteral("ms"), box));
  form->addRow(repeat_row);
  style_.Build(box, form, p->Font, p->ColorText, p->ColorBackground, [this] { SettingsEdited(); });
  TypeLayout()->addWidget(box);

  auto* press_box = new QGroupBox(QStringLiteral("On press"), this);
  press_ = new WriteOperationList(press_box);
  (new QVBoxLayout(press_box))->addWidget(press_);
  press_->SetOperations(p->Press);
  TypeLayout()->addWidget(press_box);
  auto* release_box = new QGroupBox(QStringLiteral("On release"), this);
  release_ = new WriteOperationList(release_box);
  (new QVBoxLayout(release_box))->addWidget(release_);
  release_->SetOperations(p->Release);
  TypeLayout()->addWidget(release_box);

  auto edited = [this] { SettingsEdited(); };
  connect(text_, &QLineEdit::textEdited, this, edited);
  connect(alignment_, &QComboBox::currentIndexChanged, this, edited);
  connect(repeat_, &QCheckBox::toggled, this, edited);
  connect(interval_, &QLineEdit::editingFinished, this, edited);
  connect(press_, &WriteOperationList::_SignalEdited, this, edited);
  connect(release_, &WriteOperationList::_SignalEdited, this, edited);
}

void PushButtonDialog::WriteTypeSettings(MODULE_SETTINGS& settings) const {
  auto* p = settings.As<PUSH_BUTTON_SETTINGS>();
  if (p == nullptr) return;
  p->Text = text_->text().left(static_cast<int>(MODULE_MAX_TEXT_CHARS)).toStdString();
  p->Alignment = ChosenAlignment(alignment_);
  p->Font = style_.Font();
  p->HoldRepeat = repeat_->isChecked() ? 1 : 0;
  p->IntervalMS = std::max(1, interval_->text().trimmed().toInt());  // 0 ms would spin the worker
  p->ColorText = style_.text->Rgba();
  p->ColorBackground = style_.background->Rgba();
  p->Press = press_->Operations();
  p->Release = release_->Operations();
}
