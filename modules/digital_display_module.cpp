#include "modules/digital_display_module.h"

#include <QPainter>

#include "modules/digital_display_dialog.h"

DigitalDisplayModule::DigitalDisplayModule(ModuleHost* host, QWidget* parent) : ToolModule(MODULE_TYPE_DIGITAL_DISPLAY, host, parent) {
  if (auto defaults = MODULE_DefaultSettings(MODULE_TYPE_DIGITAL_DISPLAY)) part_ = *defaults->As<DIGITAL_DISPLAY_SETTINGS>();
}

DigitalDisplayModule::~DigitalDisplayModule() = default;

void DigitalDisplayModule::ApplyPart(const MODULE_SETTINGS& settings) {
  if (const auto* part = settings.As<DIGITAL_DISPLAY_SETTINGS>()) part_ = *part;
  update();
}

void DigitalDisplayModule::FillPart(MODULE_SETTINGS& settings) const { settings.Part = part_; }

ToolModuleDialog* DigitalDisplayModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new DigitalDisplayDialog(this, initial, parent);
}

void DigitalDisplayModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
