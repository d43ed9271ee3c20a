#include "modules/radio_button_module.h"

#include <QPainter>

#include "modules/radio_button_dialog.h"

RadioButtonModule::RadioButtonModule(ModuleHost* host, QWidget* parent) : ToolModule(MODULE_TYPE_RADIO_BUTTONS, host, parent) {
  if (auto defaults = MODULE_DefaultSettings(MODULE_TYPE_RADIO_BUTTONS)) part_ = *defaults->As<RADIO_BUTTONS_SETTINGS>();
}

RadioButtonModule::~RadioButtonModule() = default;

void RadioButtonModule::ApplyPart(const MODULE_SETTINGS& settings) {
  if (const auto* part = settings.As<RADIO_BUTTONS_SETTINGS>()) part_ = *part;
  update();
}

void RadioButtonModule::FillPart(MODULE_SETTINGS& settings) const { settings.Part = part_; }

ToolModuleDialog* RadioButtonModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new RadioButtonDialog(this, initial, parent);
}

void RadioButtonModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
