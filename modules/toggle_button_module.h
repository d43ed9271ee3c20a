// The toggle button module: its settings part and, for now, a placeholder look.
#pragma once

#include "modules/typed_tool_module.h"

class ToggleButtonModule : public TypedToolModule<TOGGLE_BUTTON_SETTINGS> {
  Q_OBJECT

 public:
  explicit ToggleButtonModule(ModuleHost* host, QWidget* parent = nullptr);

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void paintEvent(QPaintEvent* event) override;
};
