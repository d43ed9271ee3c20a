#include "modules/linear_gauge_module.h"

#include <QPainter>

#include "modules/linear_gauge_dialog.h"

LinearGaugeModule::LinearGaugeModule(ModuleHost* host, QWidget* parent) : ToolModule(MODULE_TYPE_LINEAR_GAUGE, host, parent) {
  if (auto defaults = MODULE_DefaultSettings(MODULE_TYPE_LINEAR_GAUGE)) part_ = *defaults->As<LINEAR_GAUGE_SETTINGS>();
}

LinearGaugeModule::~LinearGaugeModule() = default;

void LinearGaugeModule::ApplyPart(const MODULE_SETTINGS& settings) {
  if (const auto* part = settings.As<LINEAR_GAUGE_SETTINGS>()) part_ = *part;
  update();
}

void LinearGaugeModule::FillPart(MODULE_SETTINGS& settings) const { settings.Part = part_; }

ToolModuleDialog* LinearGaugeModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new LinearGaugeDialog(this, initial, parent);
}

void LinearGaugeModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
