#include "modules/slider_module.h"

#include <QPainter>

#include "modules/slider_dialog.h"

SliderModule::SliderModule(ModuleHost* host, QWidget* parent) : ToolModule(MODULE_TYPE_SLIDER, host, parent) {
  if (auto defaults = MODULE_DefaultSettings(MODULE_TYPE_SLIDER)) part_ = *defaults->As<SLIDER_SETTINGS>();
}

SliderModule::~SliderModule() = default;

void SliderModule::ApplyPart(const MODULE_SETTINGS& settings) {
  if (const auto* part = settings.As<SLIDER_SETTINGS>()) part_ = *part;
  update();
}

void SliderModule::FillPart(MODULE_SETTINGS& settings) const { settings.Part = part_; }

ToolModuleDialog* SliderModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new SliderDialog(this, initial, parent);
}

void SliderModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
