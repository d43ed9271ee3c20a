#include "modules/toggle_button_dialog.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

ToggleButtonDialog::ToggleButtonDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {
  const TOGGLE_BUTTON_SETTINGS defaults;
  const TOGGLE_BUTTON_SETTINGS* p = initial.As<TOGGLE_BUTTON_SETTINGS>();
  if (p == nullptr) p = &defaults;
  auto* box = new QGroupBox(QStringLiteral("Toggle Button"), this);
  auto* form = new QFormLayout(box);
  symbol_ = new SymbolField(box);
  symbol_->SetSymbol(p->Symbol);
  form->addRow(QStringLiteral("Symbol:"), symbol_);
  form->addRow(NewWriteLimitsLabel(symbol_));
  const char* const value_names[] = {"Value 1st state:", "Value 2nd state:"};
  const char* const label_names[] = {"Label 1st state:", "Label 2nd state:"};
  const char* const background_names[] = {"Background 1st state", "Background 2nd state"};
  const double values[] = {p->ValueStateA, p->ValueStateB};
  const std::string* labels[] = {&p->LabelA, &p->LabelB};
  const uint32_t backgrounds[] = {p->BackgroundColorARGBA, p->BackgroundColorBRGBA};
  const uint32_t texts[] = {p->TextColorARGBA, p->TextColorBRGBA};
  for (int i = 0; i < 2; ++i) {
    value_[i] = NewValueBox(box, values[i]);
    form->addRow(QString::fromLatin1(value_names[i]), value_[i]);
    label_[i] = new QLineEdit(QString::fromStdString(*labels[i]), box);
    form->addRow(QString::fromLatin1(label_names[i]), label_[i]);
    background_[i] = new ColorButton(QString::fromLatin1(background_names[i]), backgrounds[i], box);
    text_[i] = new ColorButton(QStringLiteral("Text"), texts[i], box);
    auto* row = new QHBoxLayout;
    row->addWidget(background_[i]);
    row->addWidget(text_[i]);
    form->addRow(row);
  }
  checked_ = new QCheckBox(QStringLiteral("Check by default"), box);
  checked_->setChecked(p->DefaultState != 0);
  form->addRow(checked_);
  orientation_ = new QComboBox(box);
  orientation_->addItems({QStringLiteral("Horizontal"), QStringLiteral("Vertical")});
  orientation_->setCurrentIndex(p->IsVertical != 0 ? 1 : 0);
  form->addRow(QStringLiteral("Orientation:"), orientation_);
  TypeLayout()->addWidget(box);
  auto edited = [this] { SettingsEdited(); };
  connect(symbol_, &SymbolField::_SignalEdited, this, edited);
  for (int i = 0; i < 2; ++i) {
    connect(value_[i], &QDoubleSpinBox::valueChanged, this, edited);
    connect(label_[i], &QLineEdit::textEdited, this, edited);
    connect(background_[i], &ColorButton::_SignalEdited, this, edited);
    connect(text_[i], &ColorButton::_SignalEdited, this, edited);
  }
  connect(checked_, &QCheckBox::toggled, this, edited);
  connect(orientation_, &QComboBox::currentIndexChanged, this, edited);
}

void ToggleButtonDialog::WriteTypeSettings(MODULE_SETTINGS& settings) const {
  auto* p = settings.As<TOGGLE_BUTTON_SETTINGS>();
  if (p == nullptr) return;
  p->Symbol = symbol_->Symbol();
  p->ValueStateA = value_[0]->value();
  p->ValueStateB = value_[1]->value();
  p->LabelA = label_[0]->text().toStdString();
  p->LabelB = label_[1]->text().toStdString();
  p->BackgroundColorARGBA = background_[0]->Rgba();
  p->BackgroundColorBRGBA = background_[1]->Rgba();
  p->TextColorARGBA = text_[0]->Rgba();
  p->TextColorBRGBA = text_[1]->Rgba();
  p->DefaultState = checked_->isChecked() ? 1 : 0;
  p->IsVertical = orientation_->currentIndex() == 1 ? 1 : 0;
}
