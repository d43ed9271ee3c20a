#include "modules/radio_button_dialog.h"

RadioButtonDialog::RadioButtonDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {}
