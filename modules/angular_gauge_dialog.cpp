#include "modules/angular_gauge_dialog.h"

AngularGaugeDialog::AngularGaugeDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {}
