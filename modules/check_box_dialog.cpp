#include "modules/check_box_dialog.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CheckBoxDialog::CheckBoxDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {
  const CHECK_BOX_SETTINGS defaults;
  const CHECK_BOX_SETTINGS* p = initial.As<CHECK_BOX_SETTINGS>();
  if (p == nullptr) p = &defaults;
  auto* box = new QGroupBox(QStringLiteral("Check Box"), this);
  auto* form = new QFormLayout(box);
  symbol_ = new SymbolField(box);
  symbol_->SetSymbol(p->Symbol);
  form->addRow(QStringLiteral("Symbol:"), symbol_);
  form->addRow(NewWriteLimitsLabel(symbol_));
  text_ = new QLineEdit(QString::fromStdString(p->Text), box);
  form->addRow(QStringLiteral("Text:"), text_);
  checked_value_ = NewValueBox(box, p->CheckedValue);
  unchecked_value_ = NewValueBox(box, p->UncheckedValue);
  form->addRow(QStringLiteral("Value if checked:"), checked_value_);
  form->addRow(QStringLiteral("Value if unchecked:"), unchecked_value_);
  by_default_ = new QCheckBox(QStringLiteral("Check by default"), box);
  by_default_->setChecked(p->CheckedByDefault != 0);
  form->addRow(by_default_);
  force_ = new QCheckBox(QStringLiteral("Force value"), box);
  force_->setChecked(p->ForceValue != 0);
  auto* force_text = new QLabel(QStringLiteral(
      "If selected Vistro will check that the symbols value is according to the current state and write the correct "
      "value as soon as a deviation is noticed.\nThis requires the symbol to be read.If not selected Vistro will "
      "write to the symbol in case the user toggles the state only."),
      box);
  force_text->setWordWrap(true);
  form->addRow(force_);
  form->addRow(force_text);
  style_.Build(box, form, p->Font, p->ColorTextRGBA, p->ColorBackgroundRGBA, [this] { SettingsEdited(); });
  TypeLayout()->addWidget(box);
  auto edited = [this] { SettingsEdited(); };
  connect(symbol_, &SymbolField::_SignalEdited, this, edited);
  connect(text_, &QLineEdit::textEdited, this, edited);
  connect(checked_value_, &QDoubleSpinBox::valueChanged, this, edited);
  connect(unchecked_value_, &QDoubleSpinBox::valueChanged, this, edited);
  connect(by_default_, &QCheckBox::toggled, this, edited);
  connect(force_, &QCheckBox::toggled, this, edited);
}

void CheckBoxDialog::WriteTypeSettings(MODULE_SETTINGS& settings) const {
  auto* p = settings.As<CHECK_BOX_SETTINGS>();
  if (p == nullptr) return;
  p->Symbol = symbol_->Symbol();
  p->Text = text_->text().toStdString();
  p->CheckedValue = checked_value_->value();
  p->UncheckedValue = unchecked_value_->value();
  p->CheckedByDefault = by_default_->isChecked() ? 1 : 0;
  p->ForceValue = force_->isChecked() ? 1 : 0;
  p->Font = style_.Font();
  p->ColorTextRGBA = style_.text->Rgba();
  p->ColorBackgroundRGBA = style_.background->Rgba();
}
