#include "modules/check_box_module.h"

#include <QPainter>

#include "modules/check_box_dialog.h"

CheckBoxModule::CheckBoxModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

ToolModuleDialog* CheckBoxModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new CheckBoxDialog(this, initial, parent);
}

void CheckBoxModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
