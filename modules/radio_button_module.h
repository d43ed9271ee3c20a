// The radio buttons module: its settings part and, for now, a placeholder look.
#pragma once

#include "modules/typed_tool_module.h"

class RadioButtonModule : public TypedToolModule<RADIO_BUTTONS_SETTINGS> {
  Q_OBJECT

 public:
  explicit RadioButtonModule(ModuleHost* host, QWidget* parent = nullptr);

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void paintEvent(QPaintEvent* event) override;
};
