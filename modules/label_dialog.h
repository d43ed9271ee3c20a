// Settings dialog of the label module.
#pragma once

#include "modules/tool_module_dialog.h"

class LabelDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  LabelDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
};
