#include "modules/push_button_dialog.h"

PushButtonDialog::PushButtonDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {}
