#include "modules/led_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>

LEDDialog::LEDDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {
  auto* box = new QGroupBox(QStringLiteral("LED"), this);
  auto* form = new QFormLayout(box);
  formula_ = new FormulaField(box);
  form->addRow(QStringLiteral("Light up if"), formula_);
  on_ = new ColorButton(QStringLiteral("Light color"), 0, box);
  off_ = new ColorButton(QStringLiteral("Default color"), 0, box);
  form->addRow(on_, off_);
  blinking_ = new QCheckBox(QStringLiteral("Blinking"), box);
  form->addRow(blinking_);
  millis_on_ = new QSpinBox(box);
  millis_off_ = new QSpinBox(box);
  for (QSpinBox* b : {millis_on_, millis_off_}) b->setRange(0, INT_MAX);
  form->addRow(QStringLiteral("Millis on:"), millis_on_);
  form->addRow(QStringLiteral("Millis off:"), millis_off_);
  TypeLayout()->addWidget(box);
  if (const auto* p = initial.As<LED_SETTINGS>()) {
    formula_->SetFormula(p->Formula);
    on_->SetRgba(p->ColorOnRGBA);
    off_->SetRgba(p->ColorOffRGBA);
    blinking_->setChecked(p->Blinking != 0);
    millis_on_->setValue(p->MillisOn);
    millis_off_->setValue(p->MillisOff);
  }
  auto edited = [this] { SettingsEdited(); };
  connect(formula_, &FormulaField::_SignalEdited, this, edited);
  connect(on_, &ColorButton::_SignalEdited, this, edited);
  connect(off_, &ColorButton::_SignalEdited, this, edited);
  connect(blinking_, &QCheckBox::toggled, this, edited);
  connect(millis_on_, &QSpinBox::valueChanged, this, edited);
  connect(millis_off_, &QSpinBox::valueChanged, this, edited);
}

void LEDDialog::WriteTypeSettings(MODULE_SETTINGS& settings) const {
  auto* p = settings.As<LED_SETTINGS>();
  if (p == nullptr) return;
  p->Formula = formula_->Formula();
  p->ColorOnRGBA = on_->Rgba();
  p->ColorOffRGBA = off_->Rgba();
  p->Blinking = blinking_->isChecked() ? 1 : 0;
  p->MillisOn = millis_on_->value();
  p->MillisOff = millis_off_->value();
}
