#include "modules/slider_module.h"

#include <QPainter>

#include "modules/slider_dialog.h"

SliderModule::SliderModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

ToolModuleDialog* SliderModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new SliderDialog(this, initial, parent);
}

void SliderModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
