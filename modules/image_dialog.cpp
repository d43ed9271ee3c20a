#include "modules/image_dialog.h"

ImageDialog::ImageDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {}
