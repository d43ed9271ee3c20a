#include "modules/slider_dialog.h"

SliderDialog::SliderDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {}
