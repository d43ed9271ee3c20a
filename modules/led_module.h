// The LED module: its settings part and, for now, a placeholder look.
#pragma once

#include "modules/tool_module.h"

class LEDModule : public ToolModule {
  Q_OBJECT

 public:
  explicit LEDModule(ModuleHost* host, QWidget* parent = nullptr);
  ~LEDModule() override;

 protected:
  void ApplyPart(const MODULE_SETTINGS& settings) override;
  void FillPart(MODULE_SETTINGS& settings) const override;
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  LED_SETTINGS part_;
};
