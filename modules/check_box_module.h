// The check box module: its settings part and, for now, a placeholder look.
#pragma once

#include "modules/tool_module.h"

class CheckBoxModule : public ToolModule {
  Q_OBJECT

 public:
  explicit CheckBoxModule(ModuleHost* host, QWidget* parent = nullptr);
  ~CheckBoxModule() override;

 protected:
  void ApplyPart(const MODULE_SETTINGS& settings) override;
  void FillPart(MODULE_SETTINGS& settings) const override;
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  CHECK_BOX_SETTINGS part_;
};
