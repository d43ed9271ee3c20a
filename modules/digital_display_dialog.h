// Settings dialog of the digital display module.
#pragma once

#include "modules/tool_module_dialog.h"

class DigitalDisplayDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  DigitalDisplayDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
};
