#include "modules/label_dialog.h"

LabelDialog::LabelDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {}
