#include "modules/digital_display_dialog.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
constexpr int32_t kBases[] = {2, 8, 10, 16};
}

DigitalDisplayDialog::DigitalDisplayDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {
  auto* box = new QGroupBox(QStringLiteral("Digital Display"), this);
  auto* form = new QFormLayout(box);
  calc_ = new CalculationField(box);
  form->addRow(QStringLiteral("Display"), calc_);
  base_ = new QComboBox(box);
  base_->addItems({QStringLiteral("Binary"), QStringLiteral("Octal"), QStringLiteral("Decimal"), QStringLiteral("Hexadecimal")});
  form->addRow(QStringLiteral("Mode:"), base_);
  digits_ = new QSpinBox(box);
  digits_->setRange(1, 64);
  form->addRow(QStringLiteral("Number of digits:"), digits_);
  auto* colors = new QHBoxLayout;
  text_ = new ColorButton(QStringLiteral("Text"), 0, box);
  background_ = new ColorButton(QStringLiteral("Background"), 0, box);
  colors->addWidget(text_);
  colors->addWidget(background_);
  form->addRow(QStringLiteral("Colors"), colors);
  TypeLayout()->addWidget(box);
  if (const auto* p = initial.As<DIGITAL_DISPLAY_SETTINGS>()) {
    calc_->SetCalculation(p->Calculation);
    base_->setCurrentIndex(p->NumberBase == 2 ? 0 : p->NumberBase == 8 ? 1 : p->NumberBase == 16 ? 3 : 2);
    digits_->setValue(p->DigitCount);
    text_->SetRgba(p->ColorTextRGBA);
    background_->SetRgba(p->ColorBackgroundRGBA);
  }
  auto edited = [this] { SettingsEdited(); };
  connect(calc_, &CalculationField::_SignalEdited, this, edited);
  connect(base_, &QComboBox::currentIndexChanged, this, edited);
  connect(digits_, &QSpinBox::valueChanged, this, edited);
  connect(text_, &ColorButton::_SignalEdited, this, edited);
  connect(background_, &ColorButton::_SignalEdited, this, edited);
}

void DigitalDisplayDialog::WriteTypeSettings(MODULE_SETTINGS& settings) const {
  auto* p = settings.As<DIGITAL_DISPLAY_SETTINGS>();
  if (p == nullptr) return;
  p->Calculation = calc_->Calculation();
  p->NumberBase = kBases[std::clamp(base_->currentIndex(), 0, 3)];
  p->DigitCount = digits_->value();
  p->ColorTextRGBA = text_->Rgba();
  p->ColorBackgroundRGBA = background_->Rgba();
}
