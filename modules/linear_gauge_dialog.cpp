#include "modules/linear_gauge_dialog.h"

LinearGaugeDialog::LinearGaugeDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {}
