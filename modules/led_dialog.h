// Settings dialog of the LED module.
#pragma once

#include "modules/tool_module_dialog.h"

class LEDDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  LEDDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
};
