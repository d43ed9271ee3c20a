// Settings dialog of the timer module.
#pragma once

#include "modules/tool_module_dialog.h"

class TimerDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  TimerDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
};
