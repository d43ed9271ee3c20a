// The timer module: its settings part and, for now, a placeholder look.
#pragma once

#include "modules/tool_module.h"

class TimerModule : public ToolModule {
  Q_OBJECT

 public:
  explicit TimerModule(ModuleHost* host, QWidget* parent = nullptr);
  ~TimerModule() override;

 protected:
  void ApplyPart(const MODULE_SETTINGS& settings) override;
  void FillPart(MODULE_SETTINGS& settings) const override;
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  TIMER_SETTINGS part_;
};
