// Settings dialog of the check box.
#pragma once

#include "modules/module_dialog_fields.h"
#include "modules/text_dialog_fields.h"
#include "modules/tool_module_dialog.h"

class QDoubleSpinBox;

class CheckBoxDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  CheckBoxDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);

 protected:
  void WriteTypeSettings(MODULE_SETTINGS& settings) const override;

 private:
  SymbolField* symbol_ = nullptr;
  QLineEdit* text_ = nullptr;
  QDoubleSpinBox* checked_value_ = nullptr;
  QDoubleSpinBox* unchecked_value_ = nullptr;
  QCheckBox* by_default_ = nullptr;
  QCheckBox* force_ = nullptr;
  TextStyleFields style_;
};
