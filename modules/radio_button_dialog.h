// Settings dialog of the radio buttons: up to eight rows of symbol, text, checked and unchecked
// value, each movable up and down.
#pragma once

#include <vector>

#include "modules/module_dialog_fields.h"
#include "modules/text_dialog_fields.h"
#include "modules/tool_module_dialog.h"

class QDoubleSpinBox;
class QGridLayout;
class QLabel;

class RadioButtonDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  RadioButtonDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);

 protected:
  void WriteTypeSettings(MODULE_SETTINGS& settings) const override;

 private:
  struct Row {
    SymbolField* symbol;
    QLineEdit* text;
    QDoubleSpinBox* checked;
    QDoubleSpinBox* unchecked;
    std::vector<QWidget*> widgets;  // everything in the row, for rebuilding
  };
  std::vector<RADIO_BUTTON_ENTRY> Entries() const;
  void Rebuild(const std::vector<RADIO_BUTTON_ENTRY>& entries, int default_index);
  void Edit(const std::function<void(std::vector<RADIO_BUTTON_ENTRY>&, int&)>& change);

  QGridLayout* grid_ = nullptr;
  std::vector<Row> rows_;
  QComboBox* default_ = nullptr;
  QPushButton* add_ = nullptr;
  QLabel* counter_ = nullptr;
  TextStyleFields style_;
};
