#include "modules/angular_gauge_module.h"

#include <QPainter>

#include "modules/angular_gauge_dialog.h"

AngularGaugeModule::AngularGaugeModule(ModuleHost* host, QWidget* parent) : ToolModule(MODULE_TYPE_ANGULAR_GAUGE, host, parent) {
  if (auto defaults = MODULE_DefaultSettings(MODULE_TYPE_ANGULAR_GAUGE)) part_ = *defaults->As<ANGULAR_GAUGE_SETTINGS>();
}

AngularGaugeModule::~AngularGaugeModule() = default;

void AngularGaugeModule::ApplyPart(const MODULE_SETTINGS& settings) {
  if (const auto* part = settings.As<ANGULAR_GAUGE_SETTINGS>()) part_ = *part;
  update();
}

void AngularGaugeModule::FillPart(MODULE_SETTINGS& settings) const { settings.Part = part_; }

ToolModuleDialog* AngularGaugeModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new AngularGaugeDialog(this, initial, parent);
}

void AngularGaugeModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
