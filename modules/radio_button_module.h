// The radio buttons module: its settings part and, for now, a placeholder look.
#pragma once

#include "modules/tool_module.h"

class RadioButtonModule : public ToolModule {
  Q_OBJECT

 public:
  explicit RadioButtonModule(ModuleHost* host, QWidget* parent = nullptr);
  ~RadioButtonModule() override;

 protected:
  void ApplyPart(const MODULE_SETTINGS& settings) override;
  void FillPart(MODULE_SETTINGS& settings) const override;
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  RADIO_BUTTONS_SETTINGS part_;
};
