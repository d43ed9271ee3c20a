// Settings dialog of the image module.
#pragma once

#include "modules/tool_module_dialog.h"

class ImageDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  ImageDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
};
