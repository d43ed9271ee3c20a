#include "modules/label_module.h"

#include <QPainter>

#include "modules/label_dialog.h"

LabelModule::LabelModule(ModuleHost* host, QWidget* parent) : ToolModule(MODULE_TYPE_LABEL, host, parent) {
  if (auto defaults = MODULE_DefaultSettings(MODULE_TYPE_LABEL)) part_ = *defaults->As<LABEL_SETTINGS>();
}

LabelModule::~LabelModule() = default;

void LabelModule::ApplyPart(const MODULE_SETTINGS& settings) {
  if (const auto* part = settings.As<LABEL_SETTINGS>()) part_ = *part;
  update();
}

void LabelModule::FillPart(MODULE_SETTINGS& settings) const { settings.Part = part_; }

ToolModuleDialog* LabelModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new LabelDialog(this, initial, parent);
}

void LabelModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
