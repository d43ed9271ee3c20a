// Settings dialog of the frame buffer module.
#pragma once

#include "modules/tool_module_dialog.h"

class FrameBufferDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  FrameBufferDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
};
