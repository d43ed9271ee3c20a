// The slider module: its settings part and, for now, a placeholder look.
#pragma once

#include "modules/typed_tool_module.h"

class SliderModule : public TypedToolModule<SLIDER_SETTINGS> {
  Q_OBJECT

 public:
  explicit SliderModule(ModuleHost* host, QWidget* parent = nullptr);

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void paintEvent(QPaintEvent* event) override;
};
