// Settings dialog of the slider module.
#pragma once

#include "modules/tool_module_dialog.h"

class SliderDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  SliderDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
};
