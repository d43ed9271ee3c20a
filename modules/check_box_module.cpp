#include "modules/check_box_module.h"

#include <QPainter>

#include "modules/check_box_dialog.h"

CheckBoxModule::CheckBoxModule(ModuleHost* host, QWidget* parent) : ToolModule(MODULE_TYPE_CHECK_BOX, host, parent) {
  if (auto defaults = MODULE_DefaultSettings(MODULE_TYPE_CHECK_BOX)) part_ = *defaults->As<CHECK_BOX_SETTINGS>();
}

CheckBoxModule::~CheckBoxModule() = default;

void CheckBoxModule::ApplyPart(const MODULE_SETTINGS& settings) {
  if (const auto* part = settings.As<CHECK_BOX_SETTINGS>()) part_ = *part;
  update();
}

void CheckBoxModule::FillPart(MODULE_SETTINGS& settings) const { settings.Part = part_; }

ToolModuleDialog* CheckBoxModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new CheckBoxDialog(this, initial, parent);
}

void CheckBoxModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
