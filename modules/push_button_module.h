// The push button module: its settings part and, for now, a placeholder look.
#pragma once

#include "modules/typed_tool_module.h"

class PushButtonModule : public TypedToolModule<PUSH_BUTTON_SETTINGS> {
  Q_OBJECT

 public:
  explicit PushButtonModule(ModuleHost* host, QWidget* parent = nullptr);

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void paintEvent(QPaintEvent* event) override;
};
