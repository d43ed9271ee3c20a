#include "modules/led_dialog.h"

LEDDialog::LEDDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {}
