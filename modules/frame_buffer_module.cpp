#include "modules/frame_buffer_module.h"

#include <QPainter>

#include "modules/frame_buffer_dialog.h"

FrameBufferModule::FrameBufferModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

ToolModuleDialog* FrameBufferModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new FrameBufferDialog(this, initial, parent);
}

void FrameBufferModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
