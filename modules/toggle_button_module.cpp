#include "modules/toggle_button_module.h"

#include <QPainter>

#include "modules/toggle_button_dialog.h"

ToggleButtonModule::ToggleButtonModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

ToolModuleDialog* ToggleButtonModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new ToggleButtonDialog(this, initial, parent);
}

void ToggleButtonModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
