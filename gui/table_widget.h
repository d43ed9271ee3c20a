// The Symbol Watch: one row per active symbol with its type, address, read setting, live
// value, read extremes, write limits, overflow setting and Q-format; the settings are edited
// in Edit mode. The last row holds the add buttons and the count of sampled symbols.
#pragma once

#include <QPushButton>
#include <QTableWidget>
#include <cstdint>
#include <functional>

#include "symbols/active_symbol.h"

class QCheckBox;
class QLabel;
struct SYMBOL_ID;

// What uses a symbol: modules on the board, game-pad inputs, scripts. `needs_value` is set
// when one of them reads the symbol's current value (it must then stay read).
struct WATCH_USAGE {
  uint32_t modules = 0;
  uint32_t inputs = 0;
  bool script = false;
  bool needs_value = false;
  bool IsUsed() const { return modules != 0 || inputs != 0 || script; }
};
using WATCH_UsageQuery = std::function<WATCH_USAGE(const ACTIVE_SYMBOL*)>;

class TableWidget : public QTableWidget {
  Q_OBJECT

 public:
  enum Column : int {
    kColConnections, kColType, kColName, kColAddress, kColRead, kColValue, kColMinRead,
    kColMaxRead, kColMinWrite, kColMaxWrite, kColOverflow, kColQFormat, kColEnd, kColumnCount
  };
  // The read-limit text: the tool tip of the "Read" header, the read boxes and the count.
  static const char* const kReadLimitText;

  explicit TableWidget(QWidget* parent = nullptr);

  // The "Advanced View" check box that sits above the table (the table's owner places it).
  QCheckBox* AdvancedBox() const { return advanced_box_; }
  // Who uses which symbol (the board, game-pad mappings, scripts); none when not set.
  void SetUsageQuery(WATCH_UsageQuery query) { usage_ = std::move(query); }

  // Rebuilds when forced, when the active list changed, when it is empty or before the first
  // build; otherwise refreshes the values. Then shows the add buttons only in Edit mode.
  void UpdateTable(bool force);
  // Run mode: every active symbol with the identity glows a little longer (a write was made).
  void Highlight(const SYMBOL_ID* id);
  // The symbol of a row, or null (the button row).
  ACTIVE_SYMBOL* SymbolAt(int row) const;

 signals:
  void SignalAddElfSymbol();
  void SignalAddVirtualSymbol();
  // Edit mode: a row was clicked (the board shows the modules connected to the symbol).
  void SignalSymbolClicked(ACTIVE_SYMBOL* symbol);
  // A drag of the symbol starts (its payload "SymbolConnection: <name>").
  void SignalDragStarted(ACTIVE_SYMBOL* symbol);
  // The symbol is to be removed from scripts, modules and game-pad mappings.
  void SignalUnlinkSymbol(ACTIVE_SYMBOL* symbol);
  // A setting of a symbol, or the list, changed (the project is modified).
  void SignalSymbolsChanged();

 public slots:
  void _SlotOnReadCheckBox(int row);
  void _SlotOnOverflowCheckBox(int row);
  void _SlotOnQFormatCheckBox(int row);
  void _SlotOnQFormatSingedCheckBox(int row);
  void _SlotOnQFormatIntSpinBox(int row);
  void _SlotOnQFormatFracSpinBox(int row);
  void _SlotOnSpinBox(int index);  // row * 2: minimum write, row * 2 + 1: maximum write
  void _SlotOnContextMenuRequested(const QPoint& pos);
  void _SlotOnCellClicked(int row, int column);
  void _SlotOnAdvancedToggled(bool checked);
  void _SlotOnAddTargetSymbolBtnClicked();
  void _SlotOnAddVirtualSymbolBtnClicked();
  void _SlotOnReleasedRemoveSymbol();
  void _SlotOnReleasedUnlinkSymbol();
  void _SlotOnToggleHex();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void Rebuild();
  void BuildRow(int row, ACTIVE_SYMBOL& symbol);
  void BuildLimitCells(int row, const ACTIVE_SYMBOL& symbol, bool edit);
  void BuildButtonRow(int row);
  void RefreshValues();
  void OnQFormatBits(int row, bool int_changed);
  void ApplyColumnVisibility();
  void FitColumnWidths();
  void UpdateCountLabel();
  bool IsEditable() const;  // Edit mode
  WATCH_USAGE UsageOf(const ACTIVE_SYMBOL* symbol) const;
  QLabel* ValueLabel(int row, int column) const;

  WATCH_UsageQuery usage_;
  QCheckBox* advanced_box_ = nullptr;
  QPushButton* add_elf_button_ = nullptr;
  QPushButton* add_virtual_button_ = nullptr;
  QLabel* count_label_ = nullptr;
  std::vector<ACTIVE_SYMBOL*> rows_;  // the symbol of each row, as built
  bool is_built_ = false;
  int32_t built_mode_ = -1;
  uint32_t last_refresh_ms_ = 0;
  ACTIVE_SYMBOL* menu_symbol_ = nullptr;  // row of the open context menu
  int menu_column_ = -1;
  QPoint press_pos_;
  ACTIVE_SYMBOL* press_symbol_ = nullptr;
};

// The information button of the Symbol Watch and the module dialogs: its help text is made
// of the parts chosen by `flags` (1: reading, 2: symbol limits, 4: scripts).
class SymbolWriteInfoButton : public QPushButton {
  Q_OBJECT
 public:
  explicit SymbolWriteInfoButton(uint32_t flags, QWidget* parent = nullptr);
  static QString HelpText(uint32_t flags);
};
