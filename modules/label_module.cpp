#include "modules/label_module.h"

#include <QPainter>

#include "modules/label_dialog.h"

LabelModule::LabelModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

ToolModuleDialog* LabelModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new LabelDialog(this, initial, parent);
}

void LabelModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
