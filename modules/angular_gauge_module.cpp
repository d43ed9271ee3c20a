#include "modules/angular_gauge_module.h"

#include <QPainter>

#include "modules/angular_gauge_dialog.h"

AngularGaugeModule::AngularGaugeModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

ToolModuleDialog* AngularGaugeModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new AngularGaugeDialog(this, initial, parent);
}

void AngularGaugeModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
