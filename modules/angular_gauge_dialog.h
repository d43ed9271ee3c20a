// Settings dialog of the angular gauge module.
#pragma once

#include "modules/tool_module_dialog.h"

class AngularGaugeDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  AngularGaugeDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
};
