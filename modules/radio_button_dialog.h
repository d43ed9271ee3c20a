// Settings dialog of the radio buttons module.
#pragma once

#include "modules/tool_module_dialog.h"

class RadioButtonDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  RadioButtonDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
};
