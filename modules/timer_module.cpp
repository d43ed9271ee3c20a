#include "modules/timer_module.h"

#include <QPainter>

#include "modules/timer_dialog.h"

TimerModule::TimerModule(ModuleHost* host, QWidget* parent) : ToolModule(MODULE_TYPE_TIMER, host, parent) {
  if (auto defaults = MODULE_DefaultSettings(MODULE_TYPE_TIMER)) part_ = *defaults->As<TIMER_SETTINGS>();
}

TimerModule::~TimerModule() = default;

void TimerModule::ApplyPart(const MODULE_SETTINGS& settings) {
  if (const auto* part = settings.As<TIMER_SETTINGS>()) part_ = *part;
  update();
}

void TimerModule::FillPart(MODULE_SETTINGS& settings) const { settings.Part = part_; }

ToolModuleDialog* TimerModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new TimerDialog(this, initial, parent);
}

void TimerModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
