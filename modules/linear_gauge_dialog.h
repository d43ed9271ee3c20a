// Settings dialog of the linear gauge module.
#pragma once

#include "modules/tool_module_dialog.h"

class LinearGaugeDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  LinearGaugeDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
};
