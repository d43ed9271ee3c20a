// Settings dialog of the toggle button.
#pragma once

#include "modules/module_dialog_fields.h"
#include "modules/tool_module_dialog.h"

class QCheckBox;
class QDoubleSpinBox;

class ToggleButtonDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  ToggleButtonDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);

 protected:
  void WriteTypeSettings(MODULE_SETTINGS& settings) const override;

 private:
  SymbolField* symbol_ = nullptr;
  QDoubleSpinBox* value_[2] = {};
  QLineEdit* label_[2] = {};
  ColorButton* background_[2] = {};
  ColorButton* text_[2] = {};
  QCheckBox* checked_ = nullptr;
  QComboBox* orientation_ = nullptr;
};
