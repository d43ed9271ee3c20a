// Settings dialog of the timer.
#pragma once

#include "modules/module_dialog_fields.h"
#include "modules/tool_module_dialog.h"

class QCheckBox;
class QSpinBox;

class TimerDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  TimerDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);

 protected:
  void WriteTypeSettings(MODULE_SETTINGS& settings) const override;

 private:
  WriteOperationList* writes_ = nullptr;
  QSpinBox* interval_ = nullptr;
  QCheckBox* animate_ = nullptr;
  ColorButton* color_ = nullptr;
};
