// Settings dialog of the push button module.
#pragma once

#include "modules/tool_module_dialog.h"

class PushButtonDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  PushButtonDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
};
