#include "modules/image_module.h"

#include <QPainter>

#include "modules/image_dialog.h"

ImageModule::ImageModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

ToolModuleDialog* ImageModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new ImageDialog(this, initial, parent);
}

void ImageModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
