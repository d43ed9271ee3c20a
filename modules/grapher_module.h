// The grapher module: its settings part and, for now, a placeholder look.
#pragma once

#include "modules/typed_tool_module.h"

class GrapherModule : public TypedToolModule<GRAPHER_SETTINGS> {
  Q_OBJECT

 public:
  explicit GrapherModule(ModuleHost* host, QWidget* parent = nullptr);

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void paintEvent(QPaintEvent* event) override;
};
