#include "modules/push_button_module.h"

#include <QPainter>

#include "modules/push_button_dialog.h"

PushButtonModule::PushButtonModule(ModuleHost* host, QWidget* parent) : ToolModule(MODULE_TYPE_PUSH_BUTTON, host, parent) {
  if (auto defaults = MODULE_DefaultSettings(MODULE_TYPE_PUSH_BUTTON)) part_ = *defaults->As<PUSH_BUTTON_SETTINGS>();
}

PushButtonModule::~PushButtonModule() = default;

void PushButtonModule::ApplyPart(const MODULE_SETTINGS& settings) {
  if (const auto* part = settings.As<PUSH_BUTTON_SETTINGS>()) part_ = *part;
  update();
}

void PushButtonModule::FillPart(MODULE_SETTINGS& settings) const { settings.Part = part_; }

ToolModuleDialog* PushButtonModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new PushButtonDialog(this, initial, parent);
}

void PushButtonModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
