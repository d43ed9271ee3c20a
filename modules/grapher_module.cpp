#include "modules/grapher_module.h"

#include <QPainter>

#include "modules/grapher_dialog.h"

GrapherModule::GrapherModule(ModuleHost* host, QWidget* parent) : ToolModule(MODULE_TYPE_GRAPHER, host, parent) {
  if (auto defaults = MODULE_DefaultSettings(MODULE_TYPE_GRAPHER)) part_ = *defaults->As<GRAPHER_SETTINGS>();
}

GrapherModule::~GrapherModule() = default;

void GrapherModule::ApplyPart(const MODULE_SETTINGS& settings) {
  if (const auto* part = settings.As<GRAPHER_SETTINGS>()) part_ = *part;
  update();
}

void GrapherModule::FillPart(MODULE_SETTINGS& settings) const { settings.Part = part_; }

ToolModuleDialog* GrapherModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new GrapherDialog(this, initial, parent);
}

void GrapherModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
