#include "modules/digital_display_dialog.h"

DigitalDisplayDialog::DigitalDisplayDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {}
