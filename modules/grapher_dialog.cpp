#include "modules/grapher_dialog.h"

GrapherDialog::GrapherDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {}
