// Settings dialog of the angular gauge ("Angular Gauge Settings").
#pragma once

#include "modules/gauge_dialog_fields.h"
#include "modules/tool_module_dialog.h"

class QComboBox;

class AngularGaugeDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  AngularGaugeDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
  bool Validate() override { return fields_.Validate(); }

 protected:
  void WriteTypeSettings(MODULE_SETTINGS& settings) const override;

 private:
  GaugeDialogFields fields_;
  QComboBox* angle_ = nullptr;
  QCheckBox* fill_ = nullptr;
};
