// The toggle button module: its settings part and, for now, a placeholder look.
#pragma once

#include "modules/tool_module.h"

class ToggleButtonModule : public ToolModule {
  Q_OBJECT

 public:
  explicit ToggleButtonModule(ModuleHost* host, QWidget* parent = nullptr);
  ~ToggleButtonModule() override;

 protected:
  void ApplyPart(const MODULE_SETTINGS& settings) override;
  void FillPart(MODULE_SETTINGS& settings) const override;
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  TOGGLE_BUTTON_SETTINGS part_;
};
