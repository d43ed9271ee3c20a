// Settings dialog of the toggle button module.
#pragma once

#include "modules/tool_module_dialog.h"

class ToggleButtonDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  ToggleButtonDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
};
