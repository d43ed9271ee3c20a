// Settings dialog of the label.
#pragma once

#include "modules/module_dialog_fields.h"
#include "modules/text_dialog_fields.h"
#include "modules/tool_module_dialog.h"

class LabelDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  LabelDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);

 protected:
  void WriteTypeSettings(MODULE_SETTINGS& settings) const override;

 private:
  QLineEdit* text_ = nullptr;
  QComboBox* alignment_ = nullptr;
  TextStyleFields style_;
};
