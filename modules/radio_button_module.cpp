#include "modules/radio_button_module.h"

#include <QPainter>

#include "modules/radio_button_dialog.h"

RadioButtonModule::RadioButtonModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

ToolModuleDialog* RadioButtonModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new RadioButtonDialog(this, initial, parent);
}

void RadioButtonModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
