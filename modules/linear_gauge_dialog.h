// Settings dialog of the linear gauge.
#pragma once

#include "modules/gauge_dialog_fields.h"
#include "modules/tool_module_dialog.h"

class QComboBox;

class LinearGaugeDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  LinearGaugeDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
  bool Validate() override { return fields_.Validate(); }

 protected:
  void WriteTypeSettings(MODULE_SETTINGS& settings) const override;

 private:
  GaugeDialogFields fields_;
  QComboBox* orientation_ = nullptr;
};
