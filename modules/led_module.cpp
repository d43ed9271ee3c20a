#include "modules/led_module.h"

#include <QPainter>

#include "modules/led_dialog.h"

LEDModule::LEDModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

ToolModuleDialog* LEDModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new LEDDialog(this, initial, parent);
}

void LEDModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
