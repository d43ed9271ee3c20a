// Settings dialog of the digital display.
#pragma once

#include "modules/module_dialog_fields.h"
#include "modules/tool_module_dialog.h"

class QSpinBox;

class DigitalDisplayDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  DigitalDisplayDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);

 protected:
  void WriteTypeSettings(MODULE_SETTINGS& settings) const override;

 private:
  CalculationField* calc_ = nullptr;
  QComboBox* base_ = nullptr;
  QSpinBox* digits_ = nullptr;
  ColorButton* text_ = nullptr;
  ColorButton* background_ = nullptr;
};
