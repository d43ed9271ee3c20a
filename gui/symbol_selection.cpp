#include "gui/symbol_selection.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <string_view>

#include "core/app_active_list.h"
#include "core/app_bridge.h"
#include "core/app_project.h"
#include "gui/shell_icons.h"
#include "logic/logic_value.h"

namespace {

constexpr int kFilterMax = 255;

// An item of the dialog: it sorts the size and address columns as numbers and keeps what the
// filter needs, so that a filter change reads no item data and calls Qt only for items whose
// state changes.
class SelectionItem : public QTreeWidgetItem {
 public:
  SelectionItem(ACTIVE_SYMBOL* node, size_t text) : node_(node), text_(text) {}
  bool operator<(const QTreeWidgetItem& other) const override {
    const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : 0;
    if (column == SymbolSelection::kColSize || column == SymbolSelection::kColAddress) {
      return data(column, Qt::UserRole + 1).toULongLong() < other.data(column, Qt::UserRole + 1).toULongLong();
    }
    return QTreeWidgetItem::operator<(other);
  }

  ACTIVE_SYMBOL* Node() const { return node_; }
  size_t Text() const { return text_; }
  SelectionItem* Child(int i) const { return static_cast<SelectionItem*>(child(i)); }

  // Hides or shows the row when that changes it: only the filter hides rows.
  void SetFilteredOut(bool out) {
    if (filtered_out_ == out) return;
    filtered_out_ = out;
    setHidden(out);
  }

  enum class Verdict : uint8_t { kHidden, kMatch, kAboveMatch };
  Verdict verdict = Verdict::kHidden;  // of the filter pass under way

 private:
  ACTIVE_SYMBOL* node_;
  size_t text_;  // handle of the node's texts in the dialog's SymbolFilterText
  bool filtered_out_ = false;
};

using Verdict = SelectionItem::Verdict;

// Shows the item and its whole subtree collapsed. Leaves are never expanded, so only items
// with children are collapsed.
void ShowCollapsed(SelectionItem* item) {
  item->SetFilteredOut(false);
  if (item->childCount() == 0) return;
  item->setExpanded(false);
  for (int i = 0; i < item->childCount(); ++i) ShowCollapsed(item->Child(i));
}

// First pass, without touching the view: a matching item is shown with its subtree; a
// non-matching one is shown only when something below it matches. True when shown.
bool Decide(SelectionItem* item, const SymbolFilterText& texts) {
  if (texts.Matches(item->Text())) {
    item->verdict = Verdict::kMatch;
    return true;
  }
  bool any = false;
  for (int i = 0; i < item->childCount(); ++i) any |= Decide(item->Child(i), texts);
  item->verdict = any ? Verdict::kAboveMatch : Verdict::kHidden;
  return any;
}

// Second pass: a hidden item hides its subtree with it, so what lies below is left alone
// until the item is shown again, when this pass sets it.
void Apply(SelectionItem* item) {
  switch (item->verdict) {
    case Verdict::kHidden:
      item->SetFilteredOut(true);
      return;
    case Verdict::kMatch:
      ShowCollapsed(item);
      if (item->childCount() > 0) item->setExpanded(true);
      return;
    case Verdict::kAboveMatch:
      item->SetFilteredOut(false);
      item->setExpanded(true);
      for (int i = 0; i < item->childCount(); ++i) Apply(item->Child(i));
      return;
  }
}

bool IsShownByFilter(const QTreeWidgetItem* item) {
  for (; item != nullptr; item = item->parent()) {
    if (item->isHidden()) return false;
  }
  return true;
}

// The dialog's tree; it lets a filter pass put the view's layout off until the pass is done.
class SelectionTree : public QTreeWidget {
 public:
  void PutLayoutOff() { scheduleDelayedItemsLayout(); }
};

QIcon ModuleIcon() { return QApplication::style()->standardIcon(QStyle::SP_DesktopIcon); }

}  // namespace

SymbolSelection::SymbolSelection(ACTIVE_SYMBOL* root, WATCH_UsageQuery usage, QWidget* parent)
    : QDialog(parent), usage_(std::move(usage)) {
  setWindowTitle(QStringLiteral("Select Symbols"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* grid = new QGridLayout(this);
  tree_ = new SelectionTree;
  tree_->setColumnCount(5);
  tree_->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Type"), QStringLiteral("Size"),
                          QStringLiteral("Address"), QStringLiteral("Select")});
  tree_->header()->setDefaultAlignment(Qt::AlignCenter);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree_->setUniformRowHeights(true);
  filter_ = new QLineEdit;
  filter_->setPlaceholderText(QStringLiteral("Filter symbols"));
  filter_->setMaxLength(kFilterMax);
  auto* all = new QPushButton(QStringLiteral("All"));
  all->setToolTip(QStringLiteral("Check all visible selection checkboxes"));
  auto* none = new QPushButton(QStringLiteral("None"));
  none->setToolTip(QStringLiteral("Uncheck all visible selection checkboxes"));
  auto* filter_row = new QHBoxLayout;
  filter_row->addWidget(filter_, 1);
  filter_row->addWidget(all);
  filter_row->addWidget(none);
  auto* ok = new QPushButton(QStringLiteral("OK"));
  auto* cancel = new QPushButton(QStringLiteral("Cancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  grid->addWidget(tree_, 0, 0);
  grid->addLayout(filter_row, 1, 0);
  grid->addLayout(buttons, 2, 0);

  Fill(root);
  tree_->setSortingEnabled(true);
  tree_->sortByColumn(-1, Qt::AscendingOrder);  // tree order until the user sorts

  connect(filter_, &QLineEdit::textChanged, this, &SymbolSelection::_SlotOnTextChangedLineEditSearch);
  connect(all, &QPushButton::clicked, this, &SymbolSelection::_SlotOnBtnSelectAllClicked);
  connect(none, &QPushButton::clicked, this, &SymbolSelection::_SlotOnBtnSelectNoneClicked);
  connect(tree_, &QTreeWidget::itemChanged, this, &SymbolSelection::_SlotOnTreeItemChanged);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, &SymbolSelection::_SlotOnTreeWidgetItemDoubleClicked);
  connect(ok, &QPushButton::clicked, this, &SymbolSelection::_SlotOnReleaseBtnOK);
  connect(cancel, &QPushButton::clicked, this, &SymbolSelection::_SlotOnReleaseBtnCancel);
}

ACTIVE_SYMBOL* SymbolSelection::NodeOf(const QTreeWidgetItem* item) {
  const auto* ours = dynamic_cast<const SelectionItem*>(item);
  return ours == nullptr ? nullptr : ours->Node();
}

QTreeWidgetItem* SymbolSelection::MakeItem(ACTIVE_SYMBOL& node, bool is_file) {
  auto* item = new SelectionItem(&node, filter_text_.Add(node));
  if (is_file) {
    item->setText(kColName, QString::fromLatin1(node.SourceFile));
    item->setBackground(kColName, QColor(230, 230, 230));
    return item;
  }
  item->setText(kColName, QString::fromLatin1(node.Name));
  item->setText(kColType, QString::fromLatin1(node.TypeName));
  if (node.Size != 0) {
    item->setText(kColSize, QString::number(node.Size));
    item->setData(kColSize, Qt::UserRole + 1, node.Size);
    item->setTextAlignment(kColSize, Qt::AlignRight | Qt::AlignVCenter);
  }
  if (node.Address != 0) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", node.Address);
    item->setText(kColAddress, QString::fromLatin1(buf));
    item->setData(kColAddress, Qt::UserRole + 1, node.Address);
    item->setTextAlignment(kColAddress, Qt::AlignRight | Qt::AlignVCenter);
  }
  if (node.pFirstChild != nullptr) return item;

  // A leaf. Every type the engines cannot compute with is refused, whatever its id.
  if (!LOGIC_IsSupportedType(node.ValueType)) {
    item->setText(kColSelect, QStringLiteral("Symbol type is not supported"));
    item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable));
    return item;
  }
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  bool active = false;
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr && !active; c = c->pNext) {
    active = c->pSymbol == &node;  // the node itself: a union sibling at the address is another symbol
  }
  if (!active) {
    item->setCheckState(kColSelect, Qt::Unchecked);
    return item;
  }
  pending_.push_back(&node);
  pending_set_.insert(&node);
  const WATCH_USAGE usage = usage_ ? usage_(&node) : WATCH_USAGE{};
  if (!usage.IsUsed()) {
    item->setCheckState(kColSelect, Qt::Checked);
    return item;
  }
  // Connected symbols stay selected: their removal starts at the connections.
  if (usage.modules != 0 && usage.inputs != 0) {
    QPixmap both(32, 16);
    both.fill(Qt::transparent);
    QPainter p(&both);
    p.drawPixmap(0, 0, ModuleIcon().pixmap(16, 16));
    p.drawPixmap(16, 0, SHELL_Icon(ShellIcon::kInput).pixmap(16, 16));
    p.end();
    item->setIcon(kColSelect, QIcon(both));
    tree_->setIconSize(QSize(32, 16));
  } else if (usage.modules != 0) {
    item->setIcon(kColSelect, ModuleIcon());
  } else if (usage.inputs != 0) {
    item->setIcon(kColSelect, SHELL_Icon(ShellIcon::kInput));
  } else {
    item->setText(kColSelect, QStringLiteral("Script"));
  }
  item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable));
  return item;
}

void SymbolSelection::Fill(ACTIVE_SYMBOL* root) {
  is_filling_ = true;
  // Depth-first with an explicit stack: deep trees cannot exhaust the call stack.
  struct FRAME {
    ACTIVE_SYMBOL* node;
    QTreeWidgetItem* parent;
  };
  QList<QTreeWidgetItem*> tops;
  for (ACTIVE_SYMBOL* file = root; file != nullptr; file = file->pNextSibling) {
    if (file->SourceFile[0] == 0 && file->Name[0] == 0) continue;
    QTreeWidgetItem* file_item = MakeItem(*file, file->Name[0] == 0);
    tops.push_back(file_item);
    file_items_.push_back(file_item);
    std::vector<FRAME> stack;
    std::vector<ACTIVE_SYMBOL*> children;
    for (ACTIVE_SYMBOL* c = file->pFirstChild; c != nullptr; c = c->pNextSibling) children.push_back(c);
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back({*it, file_item});
    while (!stack.empty()) {
      const FRAME f = stack.back();
      stack.pop_back();
      if (f.node->Name[0] == 0 && f.node->SourceFile[0] == 0) continue;
      QTreeWidgetItem* item = MakeItem(*f.node, false);
      f.parent->addChild(item);
      children.clear();
      for (ACTIVE_SYMBOL* c = f.node->pFirstChild; c != nullptr; c = c->pNextSibling) children.push_back(c);
      for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back({*it, item});
    }
  }
  tree_->addTopLevelItems(tops);
  for (QTreeWidgetItem* file_item : file_items_) {
    file_item->setFirstColumnSpanned(true);
    file_item->setExpanded(true);
  }
  int width = 50;
  for (int c = 0; c < 5; ++c) {
    tree_->resizeColumnToContents(c);
    tree_->setColumnWidth(c, std::min(tree_->columnWidth(c), c == kColSize ? 50 : 200));
    width += tree_->columnWidth(c);
  }
  resize(width, std::max(height(), 500));
  is_filling_ = false;
}

QTreeWidgetItem* SymbolSelection::ItemOf(const ACTIVE_SYMBOL* node) const {
  for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it) {
    if (NodeOf(*it) == node) return *it;
  }
  return nullptr;
}

void SymbolSelection::_SlotOnTreeItemChanged(QTreeWidgetItem* item, int column) {
  ACTIVE_SYMBOL* node = NodeOf(item);
  if (is_filling_ || column != kColSelect || node == nullptr || node->Array != 0 ||
      !(item->flags() & Qt::ItemIsUserCheckable)) {
    return;
  }
  if (item->checkState(kColSelect) == Qt::Checked) {
    if (pending_set_.insert(node).second) pending_.push_back(node);
  } else if (pending_set_.erase(node) != 0) {
    pending_.erase(std::find(pending_.begin(), pending_.end(), node));
  }
}

void SymbolSelection::_SlotOnTreeWidgetItemDoubleClicked(QTreeWidgetItem* item, int column) {
  (void)item;
  (void)column;  // the check box does all a double click could
}

void SymbolSelection::SetAllVisible(bool checked) {
  // Items under collapsed parents count as visible: what the filter shows is what the user
  // asked for, expanded or not.
  tree_->setUpdatesEnabled(false);
  for (QTreeWidgetItemIterator it(tree_, QTreeWidgetItemIterator::NoChildren); *it != nullptr; ++it) {
    QTreeWidgetItem* item = *it;
    const Qt::ItemFlags need = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
    if ((item->flags() & need) != need || !IsShownByFilter(item)) continue;
    item->setCheckState(kColSelect, checked ? Qt::Checked : Qt::Unchecked);
  }
  tree_->setUpdatesEnabled(true);
}

void SymbolSelection::_SlotOnBtnSelectAllClicked() { SetAllVisible(true); }
void SymbolSelection::_SlotOnBtnSelectNoneClicked() { SetAllVisible(false); }

void SymbolSelection::_SlotOnTextChangedLineEditSearch(const QString& text) {
  const QByteArray needle = text.left(kFilterMax).toLatin1();
  filter_text_.SetNeedle(std::string_view(needle.constData(), size_t(needle.size())));
  tree_->setUpdatesEnabled(false);
  // With the layout put off, expanding and collapsing only record the state; one layout
  // follows the whole pass.
  static_cast<SelectionTree*>(tree_)->PutLayoutOff();
  for (QTreeWidgetItem* file_item : file_items_) {
    auto* item = static_cast<SelectionItem*>(file_item);
    if (filter_text_.NeedleEmpty()) {
      ShowCollapsed(item);
      item->setExpanded(true);
    } else {
      Decide(item, filter_text_);
      Apply(item);
    }
  }
  tree_->setUpdatesEnabled(true);
}

void SymbolSelection::_SlotOnReleaseBtnOK() {
  SELECTION_ApplyPending(pending_);
  accept();
}

void SymbolSelection::_SlotOnReleaseBtnCancel() { reject(); }

void SELECTION_ApplyPending(const std::vector<ACTIVE_SYMBOL*>& pending) {
  std::vector<ACTIVE_SYMBOL*> next = pending;
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (c->pSymbol != nullptr && c->pSymbol->Virtual != 0) next.push_back(c->pSymbol);
  }
  APP_LockGui();
  APP_ClearActiveSymbols();
  for (ACTIVE_SYMBOL* s : next) {
    if (APP_AddActiveSymbol(s) != 0) break;  // "Insufficient memory!" was shown
  }
  APP_RecountActiveSymbols();
  APP_UnlockGui();
  // Records read from the project that no node stands for any more go now, once.
  APP_FreeUnlistedOwnedSymbols();
  APP_MarkModified();
}
