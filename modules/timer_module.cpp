#include "modules/timer_module.h"

#include <QPainter>

#include "modules/timer_dialog.h"

TimerModule::TimerModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

ToolModuleDialog* TimerModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new TimerDialog(this, initial, parent);
}

void TimerModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
