#include "gui/table_widget.h"

#include <algorithm>
#include <cfloat>

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QDrag>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStyle>

#include "core/app_active_list.h"
#include "core/app_bridge.h"
#include "core/app_mode.h"
#include "core/app_project.h"
#include "core/app_sampling.h"
#include "core/app_symbol_access.h"
#include "gui/shell_icons.h"
#include "gui/symbol_watch_values.h"
#include "logic/logic_tree.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "platform/sys_time.h"

const char* const TableWidget::kReadLimitText =
    "The total number of symbols read simultaniously is limited by the Veltra model you are using.\n"
    "Write only actions are possible with symbols that are not read.\n"
    "But read is requried by passive modules to be updated or by operations that require the "
    "current value (e.g. multiply by 2).\n\n"
    "Virtual symbols are always \"read\" because they only exist inside of the Vistro project and "
    "do not count into that limitation";

namespace {

constexpr int kHighlightStepMs = 333;
constexpr int kHighlightMaxMs = 666;
constexpr int kCellMargin = 4;  // pixels between a value label's text and its cell's edges
const char* const kStyleIdle = "QLabel { color: black; }";
const char* const kStyleUpdated = "QLabel { color: rgb(64, 128, 255); font-weight: bold; }";
const char* const kStylePending = "QLabel { color: rgb(64, 255, 128); font-weight: bold; }";

struct HEADER {
  const char* text;
  int width;
};
constexpr HEADER kHeaders[TableWidget::kColumnCount] = {
    {"Connections", 50}, {"Type", 200},     {"Name", 400},       {"Address", 100},
    {"Read", 50},        {"Current Value", 100}, {"Min Read", 100}, {"Max Read", 100},
    {"Min Write", 50},   {"Max Write", 50}, {"Catch Overflow", 50}, {"QFormat", 50},
    {"", 1},
};

bool IsOverflowType(uint32_t t) {
  return t == TYPEID_U8 || t == TYPEID_U16 || t == TYPEID_U32 || t == TYPEID_I8 ||
         t == TYPEID_I16 || t == TYPEID_I32;
}

QIcon ModuleIcon() { return QApplication::style()->standardIcon(QStyle::SP_DesktopIcon); }
QIcon VirtualIcon() { return QApplication::style()->standardIcon(QStyle::SP_FileIcon); }

// A widget centred in its cell.
QWidget* Centred(QWidget* child) {
  auto* holder = new QWidget;
  auto* layout = new QHBoxLayout(holder);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(child, 0, Qt::AlignCenter);
  return holder;
}

// Write limits of float and double symbols span up to the type's largest value: shown in
// general notation ("3.402823e+38") instead of the fixed notation that prints every digit.
class RealLimitSpinBox : public QDoubleSpinBox {
 public:
  QString textFromValue(double value) const override { return QString::number(value, 'g', 7); }
  double valueFromText(const QString& text) const override { return locale().toDouble(text); }
  QValidator::State validate(QString& text, int& pos) const override {
    (void)pos;
    bool ok = false;
    const double v = locale().toDouble(text, &ok);
    if (ok) return v >= minimum() && v <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
    static const QRegularExpression partial(QStringLiteral("^[-+]?[0-9]*[.,]?[0-9]*([eE][-+]?[0-9]*)?$"));
    return partial.match(text).hasMatch() ? QValidator::Intermediate : QValidator::Invalid;
  }
};

QString AddressText(const ACTIVE_SYMBOL& s) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", s.Address);
  return QString::fromLatin1(buf);
}

}  // namespace

TableWidget::TableWidget(QWidget* parent) : QTableWidget(parent) {
  setObjectName(QStringLiteral("SymbolWatch"));
  setColumnCount(kColumnCount);
  for (int c = 0; c < kColumnCount; ++c) {
    auto* item = new QTableWidgetItem(QString::fromLatin1(kHeaders[c].text));
    item->setTextAlignment(Qt::AlignCenter);
    if (c == kColRead) item->setToolTip(QString::fromLatin1(kReadLimitText));
    setHorizontalHeaderItem(c, item);
    setColumnWidth(c, kHeaders[c].width);
  }
  horizontalHeader()->setStretchLastSection(true);
  verticalHeader()->setVisible(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, &TableWidget::_SlotOnContextMenuRequested);
  connect(this, &QTableWidget::cellClicked, this, &TableWidget::_SlotOnCellClicked);
  advanced_box_ = new QCheckBox(QStringLiteral("Advanced View"));
  connect(advanced_box_, &QCheckBox::toggled, this, &TableWidget::_SlotOnAdvancedToggled);
}

bool TableWidget::IsEditable() const { return APP_GetAppMode() == APP_MODE_EDIT; }

WATCH_USAGE TableWidget::UsageOf(const ACTIVE_SYMBOL* symbol) const {
  return usage_ ? usage_(symbol) : WATCH_USAGE{};
}

ACTIVE_SYMBOL* TableWidget::SymbolAt(int row) const {
  return row >= 0 && size_t(row) < rows_.size() ? rows_[size_t(row)] : nullptr;
}

QLabel* TableWidget::ValueLabel(int row, int column) const {
  return qobject_cast<QLabel*>(cellWidget(row, column));
}

void TableWidget::UpdateTable(bool force) {
  // The rows point at listed symbols, which the worker unlists under the window's lock before
  // it frees them (closing the project while this window still refreshes): the rows are used
  // only under that lock, and only while the list is the one they were built from.
  APP_LockGui();
  const bool changed = APP_TakeListChanged();
  if (force || changed || MAIN_pActiveSymbols == nullptr || !is_built_ ||
      built_mode_ != APP_GetAppMode()) {
    Rebuild();
  } else {
    RefreshValues();
  }
  APP_UnlockGui();
  const bool edit = IsEditable();
  if (add_elf_button_ != nullptr) {
    add_elf_button_->setVisible(edit);
    add_virtual_button_->setVisible(edit);
    add_elf_button_->setEnabled(!APP_IsReading());
    add_virtual_button_->setEnabled(!APP_IsReading());
  }
  resizeColumnToContents(kColName);
}

void TableWidget::Rebuild() {
  setUpdatesEnabled(false);
  clearContents();
  rows_.clear();
  APP_LockGui();
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (c->pSymbol != nullptr) rows_.push_back(c->pSymbol);
  }
  APP_UnlockGui();
  // The button row's span moves with the row count: an old one left in place would stretch
  // the first cell of a symbol row over the whole row.
  clearSpans();
  setRowCount(int(rows_.size()) + 1);
  for (size_t r = 0; r < rows_.size(); ++r) {
    rows_[r]->Row = uint32_t(r);
    BuildRow(int(r), *rows_[r]);
  }
  BuildButtonRow(int(rows_.size()));
  is_built_ = true;
  built_mode_ = APP_GetAppMode();
  last_refresh_ms_ = SYS_GetTickMs();
  ApplyColumnVisibility();
  FitColumnWidths();
  setUpdatesEnabled(true);
}

// Columns only grow to fit their header and their widgets (a width the user chose wider is
// kept); the last column fills the rest.
void TableWidget::FitColumnWidths() {
  for (int c = 0; c < kColEnd; ++c) {
    if (isColumnHidden(c)) continue;
    const int wanted = std::max({kHeaders[c].width, horizontalHeader()->sectionSizeHint(c),
                                 sizeHintForColumn(c)});
    if (columnWidth(c) < wanted) setColumnWidth(c, wanted);
  }
}

void TableWidget::BuildRow(int row, ACTIVE_SYMBOL& s) {
  const bool edit = IsEditable();
  const WATCH_USAGE usage = UsageOf(&s);

  // Connections: module and input counts, each greyed while 0.
  auto* conn = new QWidget;
  auto* conn_layout = new QHBoxLayout(conn);
  conn_layout->setContentsMargins(2, 0, 2, 0);
  conn_layout->setSpacing(2);
  const struct {
    QIcon icon;
    uint32_t count;
    const char* tip;
  } pairs[] = {
      {ModuleIcon(), usage.modules, "Number of connected modules on board"},
      {SHELL_Icon(ShellIcon::kInput), usage.inputs,
       "Number of connected device inputs (button, thumb stick, etc.)"},
  };
  for (const auto& p : pairs) {
    auto* icon = new QLabel;
    icon->setPixmap(p.icon.pixmap(12, 12, p.count != 0 ? QIcon::Normal : QIcon::Disabled));
    auto* count = new QLabel(QString::number(p.count));
    for (QLabel* l : {icon, count}) {
      l->setToolTip(QString::fromLatin1(p.tip));
      l->setEnabled(p.count != 0);
      conn_layout->addWidget(l);
    }
  }
  setCellWidget(row, kColConnections, conn);

  auto* type = new QTableWidgetItem(QString::fromLatin1(s.TypeName));
  type->setToolTip(QStringLiteral("%1 byte").arg(s.Size));
  setItem(row, kColType, type);
  setItem(row, kColName, new QTableWidgetItem(QString::fromLatin1(s.Name)));
  auto* address = new QTableWidgetItem;
  if (s.Virtual != 0) {
    address->setIcon(VirtualIcon());
  } else {
    address->setText(AddressText(s));
  }
  address->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  setItem(row, kColAddress, address);

  if (s.Virtual == 0) {
    auto* read = new QCheckBox;
    read->setToolTip(QString::fromLatin1(kReadLimitText));
    if (usage.needs_value) s.Read = 1;
    read->setChecked(s.Read != 0);
    read->setEnabled(edit && !usage.needs_value);
    connect(read, &QCheckBox::toggled, this, [this, row] { _SlotOnReadCheckBox(row); });
    setCellWidget(row, kColRead, Centred(read));
  }

  for (int c : {kColValue, kColMinRead, kColMaxRead}) {
    auto* label = new QLabel(s.Read != 0 || c == kColValue ? QString() : QStringLiteral("N/A"));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setContentsMargins(kCellMargin, 0, kCellMargin, 0);
    label->setStyleSheet(QString::fromLatin1(kStyleIdle));
    setCellWidget(row, c, label);
  }

  BuildLimitCells(row, s, edit);

  const uint32_t raw = s.UseQFormat != 0 ? s.RawType : s.ValueType;
  if (IsOverflowType(raw)) {
    auto* overflow = new QCheckBox;
    overflow->setToolTip(QStringLiteral(
        "If enabled overflows and underflows are caught in the arithmetic operations they can "
        "happen in.\nThose operations are namely addition, subtraction and multiplication."));
    overflow->setChecked(s.CatchOverflow != 0);
    overflow->setEnabled(edit);
    connect(overflow, &QCheckBox::toggled, this, [this, row] { _SlotOnOverflowCheckBox(row); });
    setCellWidget(row, kColOverflow, Centred(overflow));
  }

  if (IsOverflowType(s.RawType) && s.Virtual == 0 && s.BitSize == 0) {
    auto* cell = new QWidget;
    auto* layout = new QHBoxLayout(cell);
    layout->setContentsMargins(2, 0, 2, 0);
    auto* use = new QCheckBox;
    use->setObjectName(QStringLiteral("QFormat"));
    use->setToolTip(QStringLiteral(
        "If enabled Vistro handles this symbol not as a normal integer but as a fixed-point "
        "decimal number."));
    use->setChecked(s.UseQFormat != 0);
    use->setEnabled(edit);
    connect(use, &QCheckBox::toggled, this, [this, row] { _SlotOnQFormatCheckBox(row); });
    layout->addWidget(use);
    if (s.UseQFormat != 0) {
      const int bits = int(WATCH_RawBits(s.RawType));
      auto* sign = new QCheckBox(QStringLiteral("signed"));
      sign->setObjectName(QStringLiteral("QSigned"));
      sign->setChecked(s.QFormatSigned != 0);
      auto* int_bits = new QSpinBox;
      int_bits->setObjectName(QStringLiteral("QIntBits"));
      int_bits->setToolTip(QStringLiteral("integer bits"));
      auto* frac_bits = new QSpinBox;
      frac_bits->setObjectName(QStringLiteral("QFracBits"));
      frac_bits->setToolTip(QStringLiteral("fractional bits"));
      for (QSpinBox* b : {int_bits, frac_bits}) b->setRange(0, bits);
      int_bits->setValue(s.QFormatIntBits);
      frac_bits->setValue(s.QFormatFracBits);
      for (QWidget* w : std::initializer_list<QWidget*>{sign, int_bits, frac_bits}) {
        w->setEnabled(edit);
        layout->addWidget(w);
      }
      connect(sign, &QCheckBox::toggled, this, [this, row] { _SlotOnQFormatSingedCheckBox(row); });
      connect(int_bits, &QSpinBox::valueChanged, this, [this, row] { _SlotOnQFormatIntSpinBox(row); });
      connect(frac_bits, &QSpinBox::valueChanged, this, [this, row] { _SlotOnQFormatFracSpinBox(row); });
    }
    setCellWidget(row, kColQFormat, cell);
  }
  RefreshValues();
}

// "Min Write" and "Max Write": spin boxes in Edit mode, labels otherwise.
void TableWidget::BuildLimitCells(int row, const ACTIVE_SYMBOL& s, bool edit) {
  const WATCH_LIMIT_RANGES ranges = WATCH_LimitRanges(s.ValueType);
  const bool is_real = s.ValueType == TYPEID_FLOAT || s.ValueType == TYPEID_DOUBLE;
  if (edit) {
    // Double spin boxes hold the whole U32 and I32 ranges exactly.
    QDoubleSpinBox* boxes[2];
    for (int i = 0; i < 2; ++i) {
      auto* box = is_real ? new RealLimitSpinBox : new QDoubleSpinBox;
      box->setToolTip(i == 0 ? QStringLiteral("Minimum value Tarvik Vistro will write to this symbol")
                             : QStringLiteral("Maximum value Tarvik Vistro will write to this symbol"));
      box->setDecimals(ranges.has_range ? ranges.decimals : 4);
      if (ranges.has_range) {
        box->setRange(i == 0 ? ranges.min_low : ranges.max_low, i == 0 ? ranges.min_high : ranges.max_high);
      } else {
        box->setRange(-DBL_MAX, DBL_MAX);
      }
      boxes[i] = box;
    }
    if (ranges.has_range) {
      boxes[0]->setMaximum(std::min(ranges.min_high, WATCH_MinCeiling(s.MaxWrite, s.ValueType)));
      boxes[1]->setMinimum(std::max(ranges.max_low, WATCH_MaxFloor(s.MinWrite, s.ValueType)));
    }
    boxes[0]->setValue(s.MinWrite);
    boxes[1]->setValue(s.MaxWrite);
    for (int i = 0; i < 2; ++i) {
      boxes[i]->setObjectName(i == 0 ? QStringLiteral("MinWrite") : QStringLiteral("MaxWrite"));
      connect(boxes[i], &QDoubleSpinBox::valueChanged, this, [this, row, i] { _SlotOnSpinBox(row * 2 + i); });
      setCellWidget(row, i == 0 ? kColMinWrite : kColMaxWrite, boxes[i]);
    }
  } else {
    const uint32_t t = s.ValueType;
    auto* lo = new QLabel(WATCH_WriteLimitText(s.MinWrite, t, (s.HexDisplay & HEX_MIN_WRITE) != 0));
    auto* hi = new QLabel(WATCH_WriteLimitText(s.MaxWrite, t, (s.HexDisplay & HEX_MAX_WRITE) != 0));
    lo->setToolTip(QStringLiteral("Minimum value Tarvik Vistro will write to this symbol"));
    hi->setToolTip(QStringLiteral("Maximum value Tarvik Vistro will write to this symbol"));
    // Numbers line up on the right like the read values beside them, with a gap between cells.
    for (QLabel* l : {lo, hi}) {
      l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      l->setContentsMargins(kCellMargin, 0, kCellMargin, 0);
    }
    setCellWidget(row, kColMinWrite, lo);
    setCellWidget(row, kColMaxWrite, hi);
  }
}

void TableWidget::BuildButtonRow(int row) {
  auto* cell = new QWidget;
  auto* layout = new QHBoxLayout(cell);
  layout->setContentsMargins(2, 0, 2, 0);
  add_elf_button_ = new QPushButton(QStringLiteral("Add ELF Symbol"));
  add_virtual_button_ = new QPushButton(QStringLiteral("Add virtual Symbol"));
  connect(add_elf_button_, &QPushButton::clicked, this, &TableWidget::_SlotOnAddTargetSymbolBtnClicked);
  connect(add_virtual_button_, &QPushButton::clicked, this, &TableWidget::_SlotOnAddVirtualSymbolBtnClicked);
  count_label_ = new QLabel;
  count_label_->setToolTip(QString::fromLatin1(kReadLimitText));
  layout->addWidget(add_elf_button_);
  layout->addWidget(add_virtual_button_);
  layout->addWidget(count_label_);
  layout->addWidget(new SymbolWriteInfoButton(2));
  layout->addStretch(1);
  setSpan(row, 0, 1, kColumnCount);
  setCellWidget(row, 0, cell);
  UpdateCountLabel();
}

void TableWidget::UpdateCountLabel() {
  if (count_label_ != nullptr) count_label_->setText(QStringLiteral("#%1").arg(APP_GetHSSSymbolCount()));
}

void TableWidget::RefreshValues() {
  const uint32_t now = SYS_GetTickMs();
  const int elapsed = int(now - last_refresh_ms_);
  last_refresh_ms_ = now;
  const bool run = APP_GetAppMode() == APP_MODE_RUN;
  for (size_t r = 0; r < rows_.size(); ++r) {
    ACTIVE_SYMBOL& s = *rows_[r];
    const int row = int(r);
    if (QLabel* value = ValueLabel(row, kColValue)) {
      const QString text = WATCH_CurrentValueText(s);
      if (value->text() != text) value->setText(text);
      const char* style = kStyleIdle;
      if (run && s.Read != 0) {
        s.HighlightMs = std::max(0, s.HighlightMs - elapsed);
        if (s.HighlightMs > 0) {
          style = s.Virtual == 0 && APP_LoadValuePending(s) ? kStylePending : kStyleUpdated;
        }
      } else {
        s.HighlightMs = 0;
      }
      if (value->styleSheet() != QLatin1String(style)) value->setStyleSheet(QString::fromLatin1(style));
    }
    if (s.Read == 0) {
      for (int c : {kColMinRead, kColMaxRead}) {
        if (QLabel* l = ValueLabel(row, c)) l->clear();
      }
      continue;
    }
    if (QLabel* lo = ValueLabel(row, kColMinRead)) {
      lo->setText(WATCH_ExtremeText(APP_LoadSampledMin(s), (s.HexDisplay & HEX_SAMPLED_MIN) != 0));
    }
    if (QLabel* hi = ValueLabel(row, kColMaxRead)) {
      hi->setText(WATCH_ExtremeText(APP_LoadSampledMax(s), (s.HexDisplay & HEX_SAMPLED_MAX) != 0));
    }
  }
}

void TableWidget::Highlight(const SYMBOL_ID* id) {
  if (id == nullptr || APP_GetAppMode() != APP_MODE_RUN) return;
  for (ACTIVE_SYMBOL* s : rows_) {
    if (LOGIC_SymbolIdMatches(*id, *s)) {
      s->HighlightMs = std::min(s->HighlightMs + kHighlightStepMs, kHighlightMaxMs);
    }
  }
}

void TableWidget::ApplyColumnVisibility() {
  const int32_t mode = APP_GetAppMode();
  const bool e = mode == APP_MODE_EDIT, r = mode == APP_MODE_RUN, a = advanced_box_->isChecked();
  const bool shown[kColumnCount] = {true, a, true, a, e, r, r && a, r && a, a, a, e && a, e && a, true};
  for (int c = 0; c < kColumnCount; ++c) setColumnHidden(c, !shown[c]);
}

void TableWidget::_SlotOnReadCheckBox(int row) {
  ACTIVE_SYMBOL* s = SymbolAt(row);
  QWidget* cell = cellWidget(row, kColRead);
  if (s == nullptr || cell == nullptr || !IsEditable()) return;
  s->Read = cell->findChild<QCheckBox*>()->isChecked() ? 1 : 0;
  APP_LockGui();
  APP_RecountActiveSymbols();
  APP_UnlockGui();
  APP_TakeListChanged();  // the rows stay as they are
  UpdateCountLabel();
  emit SignalSymbolsChanged();
}

void TableWidget::_SlotOnOverflowCheckBox(int row) {
  ACTIVE_SYMBOL* s = SymbolAt(row);
  QWidget* cell = cellWidget(row, kColOverflow);
  if (s == nullptr || cell == nullptr || !IsEditable()) return;
  s->CatchOverflow = cell->findChild<QCheckBox*>()->isChecked() ? 1 : 0;
  emit SignalSymbolsChanged();
}

void TableWidget::_SlotOnQFormatCheckBox(int row) {
  ACTIVE_SYMBOL* s = SymbolAt(row);
  QWidget* cell = cellWidget(row, kColQFormat);
  if (s == nullptr || cell == nullptr || !IsEditable()) return;
  WATCH_SetUseQFormat(*s, cell->findChild<QCheckBox*>(QStringLiteral("QFormat"))->isChecked());
  emit SignalSymbolsChanged();
  // The row's widgets go away with the rebuild: not from inside their own signal.
  QMetaObject::invokeMethod(this, [this] { UpdateTable(true); }, Qt::QueuedConnection);
}

void TableWidget::_SlotOnQFormatSingedCheckBox(int row) {
  ACTIVE_SYMBOL* s = SymbolAt(row);
  QWidget* cell = cellWidget(row, kColQFormat);
  if (s == nullptr || cell == nullptr || !IsEditable()) return;
  WATCH_SetQSigned(*s, cell->findChild<QCheckBox*>(QStringLiteral("QSigned"))->isChecked());
  QSignalBlocker block(cell->findChild<QSpinBox*>(QStringLiteral("QFracBits")));
  cell->findChild<QSpinBox*>(QStringLiteral("QIntBits"))->setValue(s->QFormatIntBits);
  cell->findChild<QSpinBox*>(QStringLiteral("QFracBits"))->setValue(s->QFormatFracBits);
  emit SignalSymbolsChanged();
}

void TableWidget::_SlotOnQFormatIntSpinBox(int row) { OnQFormatBits(row, true); }
void TableWidget::_SlotOnQFormatFracSpinBox(int row) { OnQFormatBits(row, false); }

// One bit count changed: the other follows, and both boxes show what the record holds.
void TableWidget::OnQFormatBits(int row, bool int_changed) {
  ACTIVE_SYMBOL* s = SymbolAt(row);
  QWidget* cell = cellWidget(row, kColQFormat);
  if (s == nullptr || cell == nullptr || !IsEditable()) return;
  auto* int_box = cell->findChild<QSpinBox*>(QStringLiteral("QIntBits"));
  auto* frac_box = cell->findChild<QSpinBox*>(QStringLiteral("QFracBits"));
  if (int_changed) {
    WATCH_SetQIntBits(*s, uint32_t(int_box->value()));
  } else {
    WATCH_SetQFracBits(*s, uint32_t(frac_box->value()));
  }
  const QSignalBlocker b1(int_box), b2(frac_box);
  int_box->setValue(s->QFormatIntBits);
  frac_box->setValue(s->QFormatFracBits);
  emit SignalSymbolsChanged();
}

void TableWidget::_SlotOnSpinBox(int index) {
  const int row = index / 2;
  ACTIVE_SYMBOL* s = SymbolAt(row);
  auto* lo = qobject_cast<QDoubleSpinBox*>(cellWidget(row, kColMinWrite));
  auto* hi = qobject_cast<QDoubleSpinBox*>(cellWidget(row, kColMaxWrite));
  if (s == nullptr || lo == nullptr || hi == nullptr || !IsEditable()) return;
  const WATCH_LIMIT_RANGES ranges = WATCH_LimitRanges(s->ValueType);
  if (index % 2 == 0) {
    s->MinWrite = lo->value();
    if (ranges.has_range) hi->setMinimum(std::max(ranges.max_low, WATCH_MaxFloor(s->MinWrite, s->ValueType)));
  } else {
    s->MaxWrite = hi->value();
    if (ranges.has_range) lo->setMaximum(std::min(ranges.min_high, WATCH_MinCeiling(s->MaxWrite, s->ValueType)));
  }
  emit SignalSymbolsChanged();
}

void TableWidget::_SlotOnContextMenuRequested(const QPoint& pos) {
  const int row = rowAt(pos.y());
  ACTIVE_SYMBOL* s = SymbolAt(row);
  if (s == nullptr) return;
  menu_symbol_ = s;
  menu_column_ = columnAt(pos.x());
  QMenu menu(this);
  if (IsEditable()) {
    const bool used = UsageOf(s).IsUsed();
    QAction* remove = menu.addAction(QStringLiteral("Remove Symbol"), this, &TableWidget::_SlotOnReleasedRemoveSymbol);
    QAction* unlink = menu.addAction(QStringLiteral("Unlink Symbol"), this, &TableWidget::_SlotOnReleasedUnlinkSymbol);
    remove->setEnabled(!used && !APP_IsReading());
    unlink->setEnabled(used);
  } else if (APP_GetAppMode() == APP_MODE_RUN && menu_column_ >= kColValue &&
             menu_column_ <= kColMaxWrite && s->ValueType != TYPEID_FLOAT &&
             s->ValueType != TYPEID_DOUBLE) {
    const uint8_t bit = uint8_t(1u << (menu_column_ - kColValue));
    menu.addAction((s->HexDisplay & bit) != 0 ? QStringLiteral("Show Dec") : QStringLiteral("Show Hex"),
                   this, &TableWidget::_SlotOnToggleHex);
  }
  if (!menu.isEmpty()) menu.exec(viewport()->mapToGlobal(pos));
}

void TableWidget::_SlotOnToggleHex() {
  if (menu_symbol_ == nullptr || menu_column_ < kColValue || menu_column_ > kColMaxWrite) return;
  menu_symbol_->HexDisplay ^= uint8_t(1u << (menu_column_ - kColValue));
  UpdateTable(true);
}

void TableWidget::_SlotOnReleasedRemoveSymbol() {
  ACTIVE_SYMBOL* s = menu_symbol_;
  menu_symbol_ = nullptr;
  if (s == nullptr || !IsEditable() || APP_IsReading() || UsageOf(s).IsUsed()) return;
  // The list changes under the window's lock; a record the project owns (a virtual symbol,
  // a symbol read from the project file) is freed here, once, with its cell gone.
  APP_LockGui();
  APP_RemoveActiveSymbol(s);
  APP_UnlockGui();
  if (APP_IsOwnedSymbol(s)) APP_FreeUnlistedOwnedSymbols();
  emit SignalSymbolsChanged();
  UpdateTable(true);
}

void TableWidget::_SlotOnReleasedUnlinkSymbol() {
  ACTIVE_SYMBOL* s = menu_symbol_;
  menu_symbol_ = nullptr;
  if (s == nullptr || !IsEditable()) return;
  emit SignalUnlinkSymbol(s);
  UpdateTable(true);
}

void TableWidget::_SlotOnCellClicked(int row, int column) {
  (void)column;
  if (ACTIVE_SYMBOL* s = SymbolAt(row); s != nullptr && IsEditable()) emit SignalSymbolClicked(s);
}

void TableWidget::_SlotOnAdvancedToggled(bool checked) {
  (void)checked;
  UpdateTable(true);
}

void TableWidget::_SlotOnAddTargetSymbolBtnClicked() { emit SignalAddElfSymbol(); }
void TableWidget::_SlotOnAddVirtualSymbolBtnClicked() { emit SignalAddVirtualSymbol(); }

void TableWidget::mousePressEvent(QMouseEvent* event) {
  press_symbol_ = nullptr;
  if (event->button() == Qt::LeftButton && IsEditable()) {
    press_symbol_ = SymbolAt(rowAt(event->position().toPoint().y()));
    press_pos_ = event->position().toPoint();
  }
  QTableWidget::mousePressEvent(event);
}

void TableWidget::mouseMoveEvent(QMouseEvent* event) {
  if (press_symbol_ == nullptr || !(event->buttons() & Qt::LeftButton) ||
      (event->position().toPoint() - press_pos_).manhattanLength() < QApplication::startDragDistance()) {
    QTableWidget::mouseMoveEvent(event);
    return;
  }
  ACTIVE_SYMBOL* s = press_symbol_;
  press_symbol_ = nullptr;
  emit SignalDragStarted(s);
  auto* mime = new QMimeData;
  mime->setText(QStringLiteral("%1: %2").arg(QStringLiteral("SymbolConnection"), QString::fromLatin1(s->Name)));
  // The picture: the module icon beside the name.
  const QString name = QString::fromLatin1(s->Name);
  const QFontMetrics fm(font());
  QPixmap picture(20 + fm.horizontalAdvance(name), std::max(16, fm.height()));
  picture.fill(Qt::transparent);
  {
    QPainter p(&picture);
    p.drawPixmap(0, (picture.height() - 16) / 2, ModuleIcon().pixmap(16, 16));
    p.drawText(QRect(20, 0, picture.width() - 20, picture.height()), Qt::AlignVCenter, name);
  }
  auto* drag = new QDrag(this);
  drag->setMimeData(mime);
  drag->setPixmap(picture);
  drag->exec(Qt::MoveAction);
}

SymbolWriteInfoButton::SymbolWriteInfoButton(uint32_t flags, QWidget* parent) : QPushButton(parent) {
  setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
  setFlat(true);
  setFixedSize(22, 22);
  connect(this, &QPushButton::clicked, this, [flags] {
    const QByteArray text = HelpText(flags).toLatin1();
    SYS_ShowMsgBox(SYS_ShortAppName(), text.constData(), "OK", nullptr, nullptr, 0, nullptr, 0, 0, 0, -1);
  });
}

QString SymbolWriteInfoButton::HelpText(uint32_t flags) {
  static const char* const kParts[] = {
      "In Run mode Vistro periodically reads the symbols for which \"Read\" is checked via Tarvik "
      "High-Speed-Sampling (HSS).\n\nGenerally the symbols current value is displayed blue in the "
      "Symbol Watch when updated.\nAs long as the symbols current value is not yet read back it is "
      "prefixed with '*' in the Symbol Watch.",
      "Tarvik Veltra Apex (V4 or later) and Tarvik Veltra Summit+ (V4 or later) support up to 100 "
      "ELF symbols.\nOther Tarvik Veltra models support up to 10 ELF symbols.\nVirtual symbols are "
      "not counted into this limitation.\n",
      "If a scripts formula is evaluated to true it is displayed blue in the Scripting widget.\nIf "
      "a scripts symbol write calculation is invalid (i.e. division by zero) it is displayed red in "
      "the Scripting widget.\nIn this case the symbol write is not executed.",
  };
  QStringList parts;
  for (int i = 0; i < 3; ++i) {
    if ((flags & (1u << i)) != 0) parts << QString::fromLatin1(kParts[i]);
  }
  return parts.join(QStringLiteral("\n\n"));
}
