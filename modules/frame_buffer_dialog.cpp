#include "modules/frame_buffer_dialog.h"

FrameBufferDialog::FrameBufferDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {}
