#include "modules/led_module.h"

#include <QPainter>

#include "modules/led_dialog.h"

LEDModule::LEDModule(ModuleHost* host, QWidget* parent) : ToolModule(MODULE_TYPE_LED, host, parent) {
  if (auto defaults = MODULE_DefaultSettings(MODULE_TYPE_LED)) part_ = *defaults->As<LED_SETTINGS>();
}

LEDModule::~LEDModule() = default;

void LEDModule::ApplyPart(const MODULE_SETTINGS& settings) {
  if (const auto* part = settings.As<LED_SETTINGS>()) part_ = *part;
  update();
}

void LEDModule::FillPart(MODULE_SETTINGS& settings) const { settings.Part = part_; }

ToolModuleDialog* LEDModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new LEDDialog(this, initial, parent);
}

void LEDModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
