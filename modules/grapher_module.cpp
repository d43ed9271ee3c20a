#include "modules/grapher_module.h"

#include <QPainter>

#include "modules/grapher_dialog.h"

GrapherModule::GrapherModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

ToolModuleDialog* GrapherModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new GrapherDialog(this, initial, parent);
}

void GrapherModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
