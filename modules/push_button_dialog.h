// Settings dialog of the push button ("Push Button Settings").
#pragma once

#include "modules/module_dialog_fields.h"
#include "modules/text_dialog_fields.h"
#include "modules/tool_module_dialog.h"

class PushButtonDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  PushButtonDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);

  WriteOperationList* PressList() const { return press_; }
  WriteOperationList* ReleaseList() const { return release_; }

 protected:
  void WriteTypeSettings(MODULE_SETTINGS& settings) const override;

 private:
  QLineEdit* text_ = nullptr;
  QComboBox* alignment_ = nullptr;
  TextStyleFields style_;
  QCheckBox* repeat_ = nullptr;
  QLineEdit* interval_ = nullptr;
  WriteOperationList* press_ = nullptr;
  WriteOperationList* release_ = nullptr;
};
