#include "modules/check_box_dialog.h"

CheckBoxDialog::CheckBoxDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {}
