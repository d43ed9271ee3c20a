#include "modules/linear_gauge_module.h"

#include <QPainter>

#include "modules/linear_gauge_dialog.h"

LinearGaugeModule::LinearGaugeModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

ToolModuleDialog* LinearGaugeModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new LinearGaugeDialog(this, initial, parent);
}

void LinearGaugeModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
