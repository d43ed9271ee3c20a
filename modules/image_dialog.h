// Settings dialog of the image.
#pragma once

#include "modules/tool_module_dialog.h"

class QComboBox;
class QLineEdit;
class QSlider;

class ImageDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  ImageDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);

 protected:
  void WriteTypeSettings(MODULE_SETTINGS& settings) const override;

 private:
  QLineEdit* file_ = nullptr;
  QComboBox* scaling_ = nullptr;
  QSlider* opacity_ = nullptr;
};
