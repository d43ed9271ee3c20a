// Settings dialog of the frame buffer: the picture's address (typed, or taken from an active
// symbol), its width and height, and its encoding.
#pragma once

#include "modules/tool_module_dialog.h"

class QComboBox;
class QLineEdit;
class QSpinBox;

class FrameBufferDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  FrameBufferDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
  bool Validate() override;

  QComboBox* AddressSource() const { return source_; }
  QLineEdit* AddressField() const { return address_; }
  QSpinBox* WidthField() const { return width_; }
  QSpinBox* HeightField() const { return height_; }
  QComboBox* EncodingField() const { return encoding_; }

 protected:
  void WriteTypeSettings(MODULE_SETTINGS& settings) const override;

 private:
  void SourceChosen(int index);
  // The typed address, or false when the text is not "0x" and 1 to 8 hexadecimal digits.
  bool ParseAddress(uint32_t* address) const;

  QComboBox* source_ = nullptr;
  QLineEdit* address_ = nullptr;
  QSpinBox* width_ = nullptr;
  QSpinBox* height_ = nullptr;
  QComboBox* encoding_ = nullptr;
};
