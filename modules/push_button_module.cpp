#include "modules/push_button_module.h"

#include <QPainter>

#include "modules/push_button_dialog.h"

PushButtonModule::PushButtonModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

ToolModuleDialog* PushButtonModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new PushButtonDialog(this, initial, parent);
}

void PushButtonModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
