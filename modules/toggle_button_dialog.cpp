#include "modules/toggle_button_dialog.h"

ToggleButtonDialog::ToggleButtonDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {}
