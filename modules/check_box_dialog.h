// Settings dialog of the check box module.
#pragma once

#include "modules/tool_module_dialog.h"

class CheckBoxDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  CheckBoxDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
};
