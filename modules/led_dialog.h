// Settings dialog of the LED.
#pragma once

#include "modules/module_dialog_fields.h"
#include "modules/tool_module_dialog.h"

class QCheckBox;
class QSpinBox;

class LEDDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  LEDDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);

 protected:
  void WriteTypeSettings(MODULE_SETTINGS& settings) const override;

 private:
  FormulaField* formula_ = nullptr;
  ColorButton* on_ = nullptr;
  ColorButton* off_ = nullptr;
  QCheckBox* blinking_ = nullptr;
  QSpinBox* millis_on_ = nullptr;
  QSpinBox* millis_off_ = nullptr;
};
