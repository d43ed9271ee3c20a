// Settings dialog of the grapher module.
#pragma once

#include "modules/tool_module_dialog.h"

class GrapherDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  GrapherDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
};
