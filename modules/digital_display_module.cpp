#include "modules/digital_display_module.h"

#include <QPainter>

#include "modules/digital_display_dialog.h"

DigitalDisplayModule::DigitalDisplayModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

ToolModuleDialog* DigitalDisplayModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new DigitalDisplayDialog(this, initial, parent);
}

void DigitalDisplayModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
