// Settings dialog of the slider.
#pragma once

#include "modules/module_dialog_fields.h"
#include "modules/tool_module_dialog.h"

class QDoubleSpinBox;

class SliderDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  SliderDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);

 protected:
  void WriteTypeSettings(MODULE_SETTINGS& settings) const override;

 private:
  SymbolField* symbol_ = nullptr;
  QDoubleSpinBox* min_ = nullptr;
  QDoubleSpinBox* max_ = nullptr;
  QComboBox* orientation_ = nullptr;
  QComboBox* mode_ = nullptr;
  FormulaField* formula_ = nullptr;
  ColorButton* handle_ = nullptr;
};
