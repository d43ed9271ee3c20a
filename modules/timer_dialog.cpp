#include "modules/timer_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>

#include "symbols/active_symbol.h"

TimerDialog::TimerDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {
  const TIMER_SETTINGS defaults;
  const TIMER_SETTINGS* p = initial.As<TIMER_SETTINGS>();
  if (p == nullptr) p = &defaults;
  auto* box = new QGroupBox(QStringLiteral("Timer"), this);
  auto* form = new QFormLayout(box);
  interval_ = new QSpinBox(box);
  interval_->setRange(1, INT_MAX);  // a pause of 0 ms would spin the worker
  interval_->setValue(std::max(1, p->IntervalMS));
  form->addRow(QStringLiteral("Min pause (ms):"), interval_);
  animate_ = new QCheckBox(QStringLiteral("Animate"), box);
  animate_->setChecked(p->Animate != 0);
  form->addRow(animate_);
  color_ = new ColorButton(QStringLiteral("Color"), p->ColorRGBA, box);
  form->addRow(color_);
  TypeLayout()->addWidget(box);
  auto* writes_box = new QGroupBox(QStringLiteral("If time is up"), this);
  auto* writes_layout = new QVBoxLayout(writes_box);
  if (MAIN_pActiveSymbols == nullptr) {
    writes_layout->addWidget(new QLabel(
        QStringLiteral("No symbols available to write to.\nCreate a project and add a symbol to the symbol table."), writes_box));
  }
  writes_ = new WriteOperationList(writes_box);
  writes_layout->addWidget(writes_);
  writes_->SetOperations(p->Writes);
  TypeLayout()->addWidget(writes_box);
  auto edited = [this] { SettingsEdited(); };
  connect(interval_, &QSpinBox::valueChanged, this, edited);
  connect(animate_, &QCheckBox::toggled, this, edited);
  connect(color_, &ColorButton::_SignalEdited, this, edited);
  connect(writes_, &WriteOperationList::_SignalEdited, this, edited);
}

void TimerDialog::WriteTypeSettings(MODULE_SETTINGS& settings) const {
  auto* p = settings.As<TIMER_SETTINGS>();
  if (p == nullptr) return;
  p->Writes = writes_->Operations();
  p->IntervalMS = interval_->value();
  p->Animate = animate_->isChecked() ? 1 : 0;
  p->ColorRGBA = color_->Rgba();
}
