#include "modules/slider_dialog.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

SliderDialog::SliderDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {
  const SLIDER_SETTINGS defaults;
  const SLIDER_SETTINGS* p = initial.As<SLIDER_SETTINGS>();
  if (p == nullptr) p = &defaults;
  auto* box = new QGroupBox(QStringLiteral("Slider"), this);
  auto* form = new QFormLayout(box);
  symbol_ = new SymbolField(box);
  symbol_->SetSymbol(p->Symbol);
  form->addRow(QStringLiteral("Symbol:"), symbol_);
  form->addRow(NewWriteLimitsLabel(symbol_));
  min_ = NewValueBox(box, p->MinValue);
  max_ = NewValueBox(box, p->MaxValue);
  form->addRow(QStringLiteral("Minimum value:"), min_);
  form->addRow(QStringLiteral("Maximum value:"), max_);
  orientation_ = new QComboBox(box);
  orientation_->addItems({QStringLiteral("Horizontal"), QStringLiteral("Vertical")});
  orientation_->setCurrentIndex(p->IsHorizontal != 0 ? 0 : 1);
  form->addRow(QStringLiteral("Orientation:"), orientation_);
  mode_ = new QComboBox(box);
  mode_->addItems({QStringLiteral("Write only"), QStringLiteral("Read only"), QStringLiteral("Read / Write")});
  mode_->setCurrentIndex(std::clamp(p->Mode, 0, 2));
  form->addRow(QStringLiteral("Mode:"), mode_);
  formula_ = new FormulaField(box);
  formula_->SetFormula(p->Formula);
  form->addRow(QStringLiteral("Read if"), formula_);
  handle_ = new ColorButton(QStringLiteral("Handle"), p->ColorRGBA, box);
  form->addRow(handle_);
  TypeLayout()->addWidget(box);
  auto edited = [this] { SettingsEdited(); };
  connect(symbol_, &SymbolField::_SignalEdited, this, edited);
  connect(min_, &QDoubleSpinBox::valueChanged, this, edited);
  connect(max_, &QDoubleSpinBox::valueChanged, this, edited);
  connect(orientation_, &QComboBox::currentIndexChanged, this, edited);
  connect(mode_, &QComboBox::currentIndexChanged, this, edited);
  connect(formula_, &FormulaField::_SignalEdited, this, edited);
  connect(handle_, &ColorButton::_SignalEdited, this, edited);
}

void SliderDialog::WriteTypeSettings(MODULE_SETTINGS& settings) const {
  auto* p = settings.As<SLIDER_SETTINGS>();
  if (p == nullptr) return;
  p->Symbol = symbol_->Symbol();
  p->MinValue = min_->value();
  p->MaxValue = max_->value();
  p->IsHorizontal = orientation_->currentIndex() == 0 ? 1 : 0;
  p->Mode = mode_->currentIndex();
  p->Formula = formula_->Formula();
  p->ColorRGBA = handle_->Rgba();
}
