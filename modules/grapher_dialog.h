// Settings dialog of the grapher: one row per channel (its symbol, its colour, a remove
// button), "+" for another channel, and the plot's four colours.
#pragma once

#include <array>
#include <vector>

#include "modules/tool_module_dialog.h"

class QComboBox;
class QGroupBox;
class QPushButton;
class QVBoxLayout;

class GrapherDialog : public ToolModuleDialog {
  Q_OBJECT

 public:
  GrapherDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
  bool Validate() override;

  // For tests and keyboard users alike: the add button and the rows.
  QPushButton* AddButton() const { return add_; }
  int ChannelCount() const { return static_cast<int>(rows_.size()); }
  QComboBox* SymbolBox(int row) const { return rows_[static_cast<size_t>(row)].symbol; }
  QPushButton* RemoveButton(int row) const { return rows_[static_cast<size_t>(row)].remove; }
  QString ChannelsTitle() const;

 protected:
  void WriteTypeSettings(MODULE_SETTINGS& settings) const override;

 private:
  struct Row {
    QWidget* widget = nullptr;
    QComboBox* symbol = nullptr;
    QPushButton* colour = nullptr;
    QPushButton* remove = nullptr;
    GRAPHER_CHANNEL channel;
  };

  void AddRow(GRAPHER_CHANNEL channel);
  void RemoveRow(QWidget* row_widget);
  void AddChannel();
  void RefreshTitle();

  QGroupBox* channels_box_ = nullptr;
  QVBoxLayout* rows_layout_ = nullptr;
  QPushButton* add_ = nullptr;
  std::vector<Row> rows_;
  std::array<uint32_t, 4> colours_{};  // background, grid, axis, cursor
  std::array<QPushButton*, 4> colour_buttons_{};
};
