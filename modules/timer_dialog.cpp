#include "modules/timer_dialog.h"

TimerDialog::TimerDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {}
