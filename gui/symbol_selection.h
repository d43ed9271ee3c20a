// The dialog that chooses the active symbols from the symbol tree: a filterable tree with a
// check box per leaf. OK rebuilds the active list from the checked leaves (previously active
// ones first, in tree order, then the newly checked ones in the order they were checked)
// followed by the virtual symbols.
#pragma once

#include <QDialog>
#include <unordered_set>
#include <vector>

#include "gui/symbol_filter_text.h"
#include "gui/table_widget.h"
#include "symbols/active_symbol.h"

class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

class SymbolSelection : public QDialog {
  Q_OBJECT

 public:
  enum Column : int { kColName, kColType, kColSize, kColAddress, kColSelect };

  // Fills the tree from `root` (the symbol tree; its nodes become active symbols on OK).
  SymbolSelection(ACTIVE_SYMBOL* root, WATCH_UsageQuery usage, QWidget* parent = nullptr);

  QTreeWidget* Tree() const { return tree_; }
  QLineEdit* FilterEdit() const { return filter_; }
  // The item of a node, or null (nodes without name and source file get none).
  QTreeWidgetItem* ItemOf(const ACTIVE_SYMBOL* node) const;
  // The nodes OK would make active, in order (virtual symbols not included).
  const std::vector<ACTIVE_SYMBOL*>& Pending() const { return pending_; }

 public slots:
  void _SlotOnTextChangedLineEditSearch(const QString& text);
  void _SlotOnBtnSelectAllClicked();
  void _SlotOnBtnSelectNoneClicked();
  void _SlotOnTreeItemChanged(QTreeWidgetItem* item, int column);
  void _SlotOnTreeWidgetItemDoubleClicked(QTreeWidgetItem* item, int column);
  void _SlotOnReleaseBtnOK();
  void _SlotOnReleaseBtnCancel();

 private:
  void Fill(ACTIVE_SYMBOL* root);
  QTreeWidgetItem* MakeItem(ACTIVE_SYMBOL& node, bool is_file);
  void SetAllVisible(bool checked);
  static ACTIVE_SYMBOL* NodeOf(const QTreeWidgetItem* item);

  WATCH_UsageQuery usage_;
  QTreeWidget* tree_ = nullptr;
  QLineEdit* filter_ = nullptr;
  std::vector<ACTIVE_SYMBOL*> pending_;
  std::unordered_set<const ACTIVE_SYMBOL*> pending_set_;
  std::vector<QTreeWidgetItem*> file_items_;
  SymbolFilterText filter_text_;  // what the filter matches, per item
  bool is_filling_ = false;
};

// The active-list part of OK: the virtual symbols of the active list are appended to
// `pending`, the list is replaced by it under the window's lock and recounted, and records the
// project owned that are no longer listed are freed.
void SELECTION_ApplyPending(const std::vector<ACTIVE_SYMBOL*>& pending);
