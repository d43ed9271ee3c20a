#include "modules/toggle_button_module.h"

#include <QPainter>

#include "modules/toggle_button_dialog.h"

ToggleButtonModule::ToggleButtonModule(ModuleHost* host, QWidget* parent) : ToolModule(MODULE_TYPE_TOGGLE_BUTTON, host, parent) {
  if (auto defaults = MODULE_DefaultSettings(MODULE_TYPE_TOGGLE_BUTTON)) part_ = *defaults->As<TOGGLE_BUTTON_SETTINGS>();
}

ToggleButtonModule::~ToggleButtonModule() = default;

void ToggleButtonModule::ApplyPart(const MODULE_SETTINGS& settings) {
  if (const auto* part = settings.As<TOGGLE_BUTTON_SETTINGS>()) part_ = *part;
  update();
}

void ToggleButtonModule::FillPart(MODULE_SETTINGS& settings) const { settings.Part = part_; }

ToolModuleDialog* ToggleButtonModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new ToggleButtonDialog(this, initial, parent);
}

void ToggleButtonModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
