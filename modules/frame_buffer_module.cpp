#include "modules/frame_buffer_module.h"

#include <QPainter>

#include "modules/frame_buffer_dialog.h"

FrameBufferModule::FrameBufferModule(ModuleHost* host, QWidget* parent) : ToolModule(MODULE_TYPE_FRAME_BUFFER, host, parent) {
  if (auto defaults = MODULE_DefaultSettings(MODULE_TYPE_FRAME_BUFFER)) part_ = *defaults->As<FRAME_BUFFER_SETTINGS>();
}

FrameBufferModule::~FrameBufferModule() = default;

void FrameBufferModule::ApplyPart(const MODULE_SETTINGS& settings) {
  if (const auto* part = settings.As<FRAME_BUFFER_SETTINGS>()) part_ = *part;
  update();
}

void FrameBufferModule::FillPart(MODULE_SETTINGS& settings) const { settings.Part = part_; }

ToolModuleDialog* FrameBufferModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new FrameBufferDialog(this, initial, parent);
}

void FrameBufferModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
