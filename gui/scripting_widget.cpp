#include "gui/scripting_widget.h"

#include <QComboBox>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/app_mode.h"
#include "gui/logic_dialog.h"
#include "logic/logic_render.h"
#include "logic/logic_value.h"
#include "platform/sys_msgbox.h"
#include "scripting/script_edit.h"
#include "scripting/script_runner.h"

namespace {

constexpr int kScriptRole = Qt::UserRole + 1;  // top-level rows of scripts carry their index

const char* const kIncompleteStyle = "QLabel { font-weight: bold; color: orange; }";
const char* const kOkStyle = "QLabel { font-weight: bold; color: blue; }";
const char* const kFailStyle = "QLabel { font-weight: bold; color: red; }";

// Dropping a script row onto another script (or one of its rows) moves it there.
class ScriptTree : public QTreeWidget {
 public:
  explicit ScriptTree(ScriptingWidget* owner) : owner_(owner) {
    setDragDropMode(QAbstractItemView::InternalMove);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
  }

 protected:
  void dropEvent(QDropEvent* event) override {
    const int from = ScriptIndex(currentItem());
    const int to = ScriptIndex(itemAt(event->position().toPoint()));
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    if (from >= 0 && to >= 0 && from != to) {
      owner_->MoveScript(static_cast<uint32_t>(from), static_cast<uint32_t>(to));
    }
  }

 private:
  static int ScriptIndex(QTreeWidgetItem* item) {
    while (item != nullptr && item->parent() != nullptr) item = item->parent();
    if (item == nullptr || !item->data(0, kScriptRole).isValid()) return -1;
    return item->data(0, kScriptRole).toInt();
  }
  ScriptingWidget* owner_;
};

QToolButton* RowButton(const QIcon& icon, const QString& tip) {
  auto* b = new QToolButton;
  b->setIcon(icon);
  b->setToolTip(tip);
  b->setAutoRaise(true);
  return b;
}

QString SymbolEntry(const ACTIVE_SYMBOL& s) {
  return QString::fromUtf8(LOGIC_TypeCastText(s.ValueType)) + QString::fromUtf8(s.Name);
}

QWidget* Row(QHBoxLayout** layout) {
  auto* row = new QWidget;
  *layout = new QHBoxLayout(row);
  (*layout)->setContentsMargins(2, 1, 2, 1);
  return row;
}

}  // namespace

ScriptingWidget::ScriptingWidget(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  tree_ = new ScriptTree(this);
  layout->addWidget(tree_);
  Rebuild();
}

template <class Change>
void ScriptingWidget::Edit(Change change) {
  SCRIPT_RECORD* list = SCRIPT_CopyList();
  if (change(&list) && SCRIPT_Publish(list) == 0) emit SignalScriptsChanged();
  SCRIPT_FreeList(list);
  Rebuild();
}

void ScriptingWidget::Rebuild() {
  tree_->clear();
  write_rows_.clear();
  SCRIPT_RECORD* list = SCRIPT_CopyList();
  uint32_t index = 0;
  for (const SCRIPT_RECORD* s = list; s != nullptr; s = s->pNext) AddScriptRow(*s, index++);
  SCRIPT_FreeList(list);
  auto* add_item = new QTreeWidgetItem(tree_);
  add_item->setFlags(Qt::ItemIsEnabled);
  auto* add = new QPushButton(QStringLiteral("Add Script"));
  connect(add, &QPushButton::clicked, this, &ScriptingWidget::AddScript);
  tree_->setItemWidget(add_item, 0, add);
  tree_->expandAll();
  RefreshStatus();
}

void ScriptingWidget::AddScriptRow(const SCRIPT_RECORD& script, uint32_t index) {
  auto* item = new QTreeWidgetItem(tree_);
  item->setData(0, kScriptRole, index);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
                 Qt::ItemIsDropEnabled);
  QHBoxLayout* layout = nullptr;
  QWidget* row = Row(&layout);
  const bool enabled = script.Enabled != 0;
  auto* toggle = RowButton(style()->standardIcon(enabled ? QStyle::SP_DialogYesButton
                                                         : QStyle::SP_DialogNoButton),
                           enabled ? QStringLiteral("Disable script") : QStringLiteral("Enable script"));
  auto* formula = new QLabel(QStringLiteral(" if ") +
                             QString::fromStdString(LOGIC_FormulaText(script.pFormula, true)));
  formula->setEnabled(enabled);
  auto* edit = RowButton(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                         QStringLiteral("Edit formula"));
  auto* remove = RowButton(style()->standardIcon(QStyle::SP_TrashIcon), QStringLiteral("Remove script"));
  layout->addWidget(toggle);
  layout->addWidget(formula, 1);
  layout->addWidget(edit);
  layout->addWidget(remove);
  tree_->setItemWidget(item, 0, row);
  connect(toggle, &QToolButton::clicked, this, [this, index] {
    Edit([index](SCRIPT_RECORD** list) {
      SCRIPT_RECORD* s = SCRIPT_At(*list, index);
      if (s != nullptr) s->Enabled = s->Enabled != 0 ? 0 : 1;
      return s != nullptr;
    });
  });
  connect(edit, &QToolButton::clicked, this, [this, index] { EditFormula(index); });
  connect(remove, &QToolButton::clicked, this, [this, index] { RemoveScript(index); });

  for (uint32_t w = 0; w < script.WriteCount && w < SCRIPT_MAX_WRITES; ++w) {
    AddWriteRow(item, script, index, w);
  }
  auto* tail = new QTreeWidgetItem(item);
  tail->setFlags(Qt::ItemIsEnabled);
  if (script.WriteCount < SCRIPT_MAX_WRITES) {
    auto* add = new QPushButton(QStringLiteral("Add Symbol Write"));
    connect(add, &QPushButton::clicked, this, [this, index] {
      Edit([index](SCRIPT_RECORD** list) {
        const ACTIVE_SYMBOL* first = MAIN_pActiveSymbols != nullptr ? MAIN_pActiveSymbols->pSymbol : nullptr;
        return SCRIPT_AddWrite(*list, index, first);
      });
    });
    tree_->setItemWidget(tail, 0, add);
  } else {
    tree_->setItemWidget(tail, 0, new QLabel(QStringLiteral("%1 / %2 Write Operations")
                                                 .arg(script.WriteCount)
                                                 .arg(SCRIPT_MAX_WRITES)));
  }
}

void ScriptingWidget::AddWriteRow(QTreeWidgetItem* parent, const SCRIPT_RECORD& script,
                                  uint32_t index, uint32_t write) {
  const SCRIPT_WRITE* w = script.pWrites[write];
  auto* item = new QTreeWidgetItem(parent);
  item->setFlags(Qt::ItemIsEnabled);
  QHBoxLayout* layout = nullptr;
  QWidget* row = Row(&layout);
  const bool enabled = script.WriteEnabled[write] != 0;
  auto* toggle = RowButton(style()->standardIcon(enabled ? QStyle::SP_DialogYesButton
                                                         : QStyle::SP_DialogNoButton),
                           enabled ? QStringLiteral("Disable write") : QStringLiteral("Enable write"));
  auto* selector = new QComboBox;
  int current = -1;
  int i = 0;
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext, ++i) {
    if (c->pSymbol == nullptr) continue;
    selector->addItem(SymbolEntry(*c->pSymbol));
    if (w != nullptr && w->pSymbol != nullptr && LOGIC_SymbolIdMatches(*w->pSymbol, *c->pSymbol)) current = i;
  }
  selector->setCurrentIndex(current);
  const QString target = w != nullptr && w->pSymbol != nullptr ? QString::fromUtf8(w->pSymbol->Name) : QString();
  const QString calc = w != nullptr ? QString::fromStdString(LOGIC_CalculationText(w->pCalculation, true)) : QString();
  auto* label = new QLabel(target + QStringLiteral(" := ") + calc);
  label->setEnabled(enabled);
  auto* edit = RowButton(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                         QStringLiteral("Edit calculation"));
  auto* remove = RowButton(style()->standardIcon(QStyle::SP_TrashIcon), QStringLiteral("Remove write"));
  auto* status = new QLabel;
  layout->addWidget(toggle);
  layout->addWidget(selector);
  layout->addWidget(label, 1);
  layout->addWidget(edit);
  layout->addWidget(remove);
  layout->addWidget(status);
  tree_->setItemWidget(item, 0, row);
  WriteRow r;
  r.script = index;
  r.write = write;
  r.incomplete = w == nullptr || w->pSymbol == nullptr || w->pCalculation == nullptr;
  r.row = row;
  r.status = status;
  write_rows_.push_back(r);

  connect(toggle, &QToolButton::clicked, this, [this, index, write] {
    Edit([index, write](SCRIPT_RECORD** list) {
      SCRIPT_RECORD* s = SCRIPT_At(*list, index);
      if (s == nullptr || write >= s->WriteCount) return false;
      s->WriteEnabled[write] = s->WriteEnabled[write] != 0 ? 0 : 1;
      return true;
    });
  });
  connect(selector, &QComboBox::activated, this, [this, index, write](int chosen) {
    Edit([index, write, chosen](SCRIPT_RECORD** list) {
      SCRIPT_RECORD* s = SCRIPT_At(*list, index);
      if (s == nullptr || write >= s->WriteCount || s->pWrites[write] == nullptr) return false;
      ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols;
      for (int k = 0; c != nullptr && k < chosen; ++k) c = c->pNext;
      if (c == nullptr || c->pSymbol == nullptr) return false;
      SYMBOL_ID* id = LOGIC_NewSymbolId(*c->pSymbol);
      if (id == nullptr) return false;
      LOGIC_FreeSymbolId(s->pWrites[write]->pSymbol);
      s->pWrites[write]->pSymbol = id;
      return true;
    });
  });
  connect(edit, &QToolButton::clicked, this, [this, index, write] { EditCalculation(index, write); });
  connect(remove, &QToolButton::clicked, this, [this, index, write] {
    Edit([index, write](SCRIPT_RECORD** list) { return SCRIPT_RemoveWrite(*list, index, write); });
  });
}

void ScriptingWidget::AddScript() {
  FORMULA_NODE* formula = LogicDialog::EditFormula(this, nullptr);
  if (formula == nullptr) return;
  Edit([formula](SCRIPT_RECORD** list) { return SCRIPT_Append(list, formula); });
}

void ScriptingWidget::EditFormula(uint32_t index) {
  SCRIPT_RECORD* list = SCRIPT_CopyList();
  const SCRIPT_RECORD* s = SCRIPT_At(list, index);
  FORMULA_NODE* formula = s != nullptr ? LogicDialog::EditFormula(this, s->pFormula) : nullptr;
  SCRIPT_FreeList(list);
  if (formula == nullptr) return;
  Edit([index, formula](SCRIPT_RECORD** l) {
    SCRIPT_RECORD* target = SCRIPT_At(*l, index);
    if (target == nullptr) {
      LOGIC_FreeFormula(formula);
      return false;
    }
    LOGIC_FreeFormula(target->pFormula);
    target->pFormula = formula;
    return true;
  });
}

void ScriptingWidget::EditCalculation(uint32_t index, uint32_t write) {
  SCRIPT_RECORD* list = SCRIPT_CopyList();
  const SCRIPT_RECORD* s = SCRIPT_At(list, index);
  CALCULATION_NODE* calc = nullptr;
  if (s != nullptr && write < s->WriteCount && s->pWrites[write] != nullptr) {
    calc = LogicDialog::EditCalculation(this, s->pWrites[write]->pCalculation);
  }
  SCRIPT_FreeList(list);
  if (calc == nullptr) return;
  Edit([index, write, calc](SCRIPT_RECORD** l) {
    SCRIPT_RECORD* target = SCRIPT_At(*l, index);
    if (target == nullptr || write >= target->WriteCount || target->pWrites[write] == nullptr) {
      LOGIC_FreeCalculation(calc);
      return false;
    }
    LOGIC_FreeCalculation(target->pWrites[write]->pCalculation);
    target->pWrites[write]->pCalculation = calc;
    return true;
  });
}

void ScriptingWidget::RemoveScript(uint32_t index) {
  if (SYS_QuestionBox("Are you sure to remove the entire script? This cannot be undone.", "Yes", "No",
                      1, SYS_MB_ICON_QUESTION, 1) != 0) {
    return;
  }
  Edit([index](SCRIPT_RECORD** list) { return SCRIPT_Remove(list, index); });
}

bool ScriptingWidget::MoveScript(uint32_t from, uint32_t to) {
  bool moved = false;
  Edit([from, to, &moved](SCRIPT_RECORD** list) { return moved = SCRIPT_Move(list, from, to); });
  return moved;
}

void ScriptingWidget::RefreshStatus() {
  for (WriteRow& r : write_rows_) {
    QString text;
    const char* style = "";
    bool ok = false;
    if (r.incomplete) {
      text = QStringLiteral("Incomplete");
      style = kIncompleteStyle;
    } else if (APP_IsRunMode() && SCRIPT_IsActive(r.script)) {
      const uint32_t flags = SCRIPT_LastFlags(r.script, r.write);
      ok = flags == 0;
      text = ok ? QStringLiteral("OK")
                : flags == CHECK_DIVISION_BY_ZERO ? QStringLiteral("Caught division by zero!")
                                                  : QStringLiteral("Calculation invalid!");
      style = ok ? kOkStyle : kFailStyle;
    }
    if (r.status->text() != text) r.status->setText(text);
    r.status->setStyleSheet(QString::fromLatin1(style));
    r.row->setAutoFillBackground(ok);
    if (ok) {
      QPalette p = r.row->palette();
      p.setColor(QPalette::Window, QColor(162, 208, 255));
      r.row->setPalette(p);
    }
  }
}
