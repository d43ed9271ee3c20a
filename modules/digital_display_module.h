// The digital display module: its settings part and, for now, a placeholder look.
#pragma once

#include "modules/typed_tool_module.h"

class DigitalDisplayModule : public TypedToolModule<DIGITAL_DISPLAY_SETTINGS> {
  Q_OBJECT

 public:
  explicit DigitalDisplayModule(ModuleHost* host, QWidget* parent = nullptr);

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void paintEvent(QPaintEvent* event) override;
};
