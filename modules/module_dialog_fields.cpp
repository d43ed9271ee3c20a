#include "modules/module_dialog_fields.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QAction>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/app_active_list.h"
#include "logic/logic_eval.h"
#include "logic/logic_parser.h"
#include "logic/logic_render.h"
#include "logic/logic_value.h"
#include "modules/display_module_util.h"
#include "platform/sys_msgbox.h"

// ---- ColorButton ---------------------------------------------------------------------------

ColorButton::ColorButton(const QString& text, uint32_t rgba, QWidget* parent) : QPushButton(text, parent) {
  SetRgba(rgba);
  connect(this, &QPushButton::clicked, this, [this] {
    const QColor c = QColorDialog::getColor(ModuleColor(rgba_), this, this->text(), QColorDialog::ShowAlphaChannel);
    if (!c.isValid() || c.rgba() == rgba_) return;
    SetRgba(c.rgba());
    emit _SignalEdited();
  });
}

void ColorButton::SetRgba(uint32_t rgba) {
  rgba_ = rgba;
  // The caption stays readable on dark colours.
  const QColor c = ModuleColor(rgba);
  const bool dark = c.alpha() > 96 && c.lightnessF() < 0.5;
  setStyleSheet(QStringLiteral("background-color: %1; color: %2").arg(ModuleRgbaCss(rgba), dark ? QStringLiteral("white") : QStringLiteral("black")));
}

// ---- CalculationField / FormulaField -------------------------------------------------------

namespace {

MODULE_LOGIC_EDITOR g_editor;  // GUI thread only, like the dialogs that use it

// The field's trailing edit button, when an editor is installed.
QAction* AddEditAction(QLineEdit* field, const QString& tip, bool available) {
  if (!available) return nullptr;
  QAction* action = field->addAction(field->style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                     QLineEdit::TrailingPosition);
  action->setToolTip(tip);
  action->setText(tip);
  return action;
}

}  // namespace

void MODULE_SetLogicEditor(MODULE_LOGIC_EDITOR editor) { g_editor = std::move(editor); }

CalculationField::CalculationField(QWidget* parent) : QLineEdit(parent) {
  connect(this, &QLineEdit::editingFinished, this, &CalculationField::Parse);
  edit_ = AddEditAction(this, QStringLiteral("Edit calculation"), bool(g_editor.edit_calculation));
  if (edit_ != nullptr) connect(edit_, &QAction::triggered, this, &CalculationField::OpenEditor);
}

void CalculationField::OpenEditor() {
  if (!g_editor.edit_calculation) return;
  CALCULATION_NODE* edited = g_editor.edit_calculation(window(), calc_.get());
  if (edited == nullptr) return;
  calc_.reset(edited);
  setText(QString::fromStdString(LOGIC_CalculationText(calc_.get())));
  emit _SignalEdited();
}

void CalculationField::SetCalculation(const CalculationPtr& calc) {
  calc_ = calc;
  setText(calc_ ? QString::fromStdString(LOGIC_CalculationText(calc_.get())) : QString());
}

void CalculationField::Parse() {
  const QString shown = calc_ ? QString::fromStdString(LOGIC_CalculationText(calc_.get())) : QString();
  if (text() == shown) return;
  CALCULATION_NODE* parsed = nullptr;
  const LOGIC_TextResult r = LOGIC_ParseCalculationText(text().toStdString(), &parsed);
  if (r.flags != 0 || parsed == nullptr) {
    LOGIC_FreeCalculation(parsed);
    setText(shown);
    return;
  }
  calc_.reset(parsed);
  setText(QString::fromStdString(LOGIC_CalculationText(calc_.get())));
  emit _SignalEdited();
}

FormulaField::FormulaField(QWidget* parent) : QLineEdit(parent) {
  connect(this, &QLineEdit::editingFinished, this, &FormulaField::Parse);
  edit_ = AddEditAction(this, QStringLiteral("Edit formula"), bool(g_editor.edit_formula));
  if (edit_ != nullptr) connect(edit_, &QAction::triggered, this, &FormulaField::OpenEditor);
}

void FormulaField::OpenEditor() {
  if (!g_editor.edit_formula) return;
  FORMULA_NODE* edited = g_editor.edit_formula(window(), formula_.get());
  if (edited == nullptr) return;
  formula_.reset(edited);
  setText(QString::fromStdString(LOGIC_FormulaText(formula_.get())));
  emit _SignalEdited();
}

void FormulaField::SetFormula(const FormulaPtr& formula) {
  formula_ = formula;
  setText(formula_ ? QString::fromStdString(LOGIC_FormulaText(formula_.get())) : QString());
}

void FormulaField::Parse() {
  const QString shown = formula_ ? QString::fromStdString(LOGIC_FormulaText(formula_.get())) : QString();
  if (text() == shown) return;
  FORMULA_NODE* parsed = nullptr;
  const LOGIC_TextResult r = LOGIC_ParseFormulaText(text().toStdString(), &parsed);
  if (r.flags != 0 || parsed == nullptr) {
    LOGIC_FreeFormula(parsed);
    setText(shown);
    return;
  }
  formula_.reset(parsed);
  setText(QString::fromStdString(LOGIC_FormulaText(formula_.get())));
  emit _SignalEdited();
}

// ---- SymbolField ---------------------------------------------------------------------------

namespace {

QString SymbolLabel(const char* name, uint32_t address) {
  return QStringLiteral("%1 (0x%2)").arg(QString::fromUtf8(name)).arg(address, 8, 16, QLatin1Char('0'));
}

}  // namespace

SymbolField::SymbolField(QWidget* parent) : QComboBox(parent) {
  addItem(QStringLiteral("none"));
  for (const ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (c->pSymbol == nullptr) continue;
    symbols_.push_back(c->pSymbol);
    addItem(SymbolLabel(c->pSymbol->Name, c->pSymbol->Address));
  }
  connect(this, &QComboBox::activated, this, &SymbolField::Chosen);
}

void SymbolField::SetSymbol(const SymbolIdPtr& id) {
  last_index_ = 0;
  if (id) {
    for (size_t i = 0; i < symbols_.size(); ++i) {
      if (LOGIC_SymbolIdMatches(*id.get(), *symbols_[i])) last_index_ = static_cast<int>(i) + 1;
    }
    if (last_index_ == 0) {  // bound to a symbol that is not active now: keep it
      addItem(SymbolLabel(id->Name, id->Address));
      symbols_.push_back(nullptr);
      kept_ = *id.get();
      last_index_ = count() - 1;
    }
  }
  setCurrentIndex(last_index_);
}

const ACTIVE_SYMBOL* SymbolField::Active() const {
  const int i = currentIndex();
  return i >= 1 && static_cast<size_t>(i) <= symbols_.size() ? symbols_[i - 1] : nullptr;
}

SymbolIdPtr SymbolField::Symbol() const {
  const int i = currentIndex();
  if (i < 1) return {};
  if (const ACTIVE_SYMBOL* s = Active()) return NewSymbolId(s);
  return SymbolIdPtr(LOGIC_NewSymbolIdFrom(kept_.Name, kept_.Address));
}

void SymbolField::Chosen(int index) {
  const ACTIVE_SYMBOL* s = index >= 1 && static_cast<size_t>(index) <= symbols_.size() ? symbols_[index - 1] : nullptr;
  if (s != nullptr && !LOGIC_IsSupportedType(s->ValueType)) {
    SYS_ErrorBox(s->ValueType == TYPEID_UNSUPPORTED ? "Type of Symbol to connect with can not be determined!"
                                                    : "Type of Symbol to connect with is currently not supported!");
    setCurrentIndex(last_index_);
    return;
  }
  if (index == last_index_) return;
  last_index_ = index;
  emit _SignalEdited();
}

QString WriteLimitsText(const ACTIVE_SYMBOL* s) {
  if (s == nullptr || s->ValueType == TYPEID_BOOL || !LOGIC_IsSupportedType(s->ValueType)) {
    return QStringLiteral("Minimum write value: -\nMaximum write value: -\nCan be modified in Symbol Watch");
  }
  if ((s->HexDisplay & (HEX_MIN_WRITE | HEX_MAX_WRITE)) != 0 && LOGIC_IsIntegerType(s->ValueType)) {
    const uint32_t bits = 8 * LOGIC_TypeWidth(s->ValueType);
    const uint64_t mask = bits >= 64 ? ~0ULL : (1ULL << bits) - 1;
    auto hex = [mask](double v) {
      // Limits typed in the watch may lie beyond any integer: kept inside before converting.
      const int64_t i = std::isnan(v) ? 0 : static_cast<int64_t>(std::clamp(v, -9.2e18, 9.2e18));
      return QString::number(static_cast<qulonglong>(static_cast<uint64_t>(i) & mask), 16).toUpper();
    };
    return QStringLiteral("Minimum write value: 0x%1\nMaximum write value: 0x%2\nCan be modified in Symbol Watch")
        .arg(hex(s->MinWrite), hex(s->MaxWrite));
  }
  return QStringLiteral("Minimum write value: %1\nMaximum write value: %2\nCan be modified in Symbol Watch")
      .arg(s->MinWrite)
      .arg(s->MaxWrite);
}

QLabel* NewWriteLimitsLabel(SymbolField* field) {
  auto* label = new QLabel(WriteLimitsText(field->Active()), field->parentWidget());
  QObject::connect(field, &SymbolField::_SignalEdited, label, [label, field] { label->setText(WriteLimitsText(field->Active())); });
  return label;
}

QDoubleSpinBox* NewValueBox(QWidget* parent, double value) {
  auto* box = new QDoubleSpinBox(parent);
  box->setRange(-1e15, 1e15);
  box->setDecimals(6);
  box->setValue(value);
  return box;
}

// ---- WriteOperationList --------------------------------------------------------------------

WriteOperationList::WriteOperationList(QWidget* parent) : QWidget(parent) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  grid_ = new QGridLayout;
  column->addLayout(grid_);
  auto* foot = new QHBoxLayout;
  add_ = new QPushButton(QStringLiteral("Add Symbol Write"), this);
  counter_ = new QLabel(this);
  foot->addWidget(add_);
  foot->addStretch();
  foot->addWidget(counter_);
  column->addLayout(foot);
  connect(add_, &QPushButton::clicked, this, [this] {
    std::vector<WRITE_OPERATION> ops = Operations();
    if (ops.size() >= MODULE_MAX_WRITE_OPERATIONS) return;
    const ACTIVE_SYMBOL* first = nullptr;
    for (const ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr && first == nullptr; c = c->pNext) {
      if (c->pSymbol != nullptr && LOGIC_IsSupportedType(c->pSymbol->ValueType)) first = c->pSymbol;
    }
    if (first == nullptr) {
      SYS_WarningBox("No symbols available to write to.\nCreate a project and add a symbol to the symbol table.");
      return;
    }
    ops.push_back({NewSymbolId(first), CalculationPtr(LOGIC_NewConstantCalculation(first->ValueType)), 1});
    Rebuild(ops);
    emit _SignalEdited();
  });
  Refresh();
}

void WriteOperationList::SetOperations(const std::vector<WRITE_OPERATION>& ops) { Rebuild(ops); }

std::vector<WRITE_OPERATION> WriteOperationList::Operations() const {
  std::vector<WRITE_OPERATION> ops;
  for (const Row& r : rows_) {
    ops.push_back({r.symbol->Symbol(), r.calc->Calculation(),
                   static_cast<uint8_t>(static_cast<QCheckBox*>(r.enabled)->isChecked() ? 1 : 0)});
  }
  return ops;
}

void WriteOperationList::Rebuild(const std::vector<WRITE_OPERATION>& ops) {
  for (Row& r : rows_) {
    delete r.symbol;
    delete r.calc;
    delete r.enabled;
    delete r.incomplete;
    delete r.remove;
  }
  rows_.clear();
  while (QLayoutItem* item = grid_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  for (const WRITE_OPERATION& op : ops) AddRow(op);
  Refresh();
}

void WriteOperationList::AddRow(const WRITE_OPERATION& op) {
  const int row = static_cast<int>(rows_.size());
  Row r;
  r.symbol = new SymbolField(this);
  r.symbol->SetSymbol(op.Symbol);
  r.calc = new CalculationField(this);
  r.calc->SetCalculation(op.Calculation);
  auto* enabled = new QCheckBox(this);
  enabled->setChecked(op.Enabled != 0);
  r.enabled = enabled;
  r.incomplete = new QLabel(QStringLiteral("Incomplete"), this);
  r.incomplete->setStyleSheet(QStringLiteral("QLabel { font-weight: bold; color: orange; }"));
  auto* remove = new QPushButton(QStringLiteral("Remove"), this);
  r.remove = remove;
  grid_->addWidget(r.symbol, row, 0);
  grid_->addWidget(new QLabel(QStringLiteral(":="), this), row, 1);
  grid_->addWidget(r.calc, row, 2);
  grid_->addWidget(enabled, row, 3);
  grid_->addWidget(r.incomplete, row, 4);
  grid_->addWidget(remove, row, 5);
  rows_.push_back(r);
  connect(r.symbol, &SymbolField::_SignalEdited, this, &WriteOperationList::_SignalEdited);
  connect(r.calc, &CalculationField::_SignalEdited, this, [this] {
    Refresh();
    emit _SignalEdited();
  });
  connect(enabled, &QCheckBox::toggled, this, &WriteOperationList::_SignalEdited);
  connect(remove, &QPushButton::clicked, this, [this, remove] {
    std::vector<WRITE_OPERATION> ops = Operations();
    for (size_t i = 0; i < rows_.size(); ++i) {
      if (rows_[i].remove == remove) ops.erase(ops.begin() + static_cast<long>(i));
    }
    // The button that was clicked goes with its row: rebuild once this click is over.
    QMetaObject::invokeMethod(this, [this, ops] {
      Rebuild(ops);
      emit _SignalEdited();
    }, Qt::QueuedConnection);
  });
}

void WriteOperationList::Refresh() {
  for (const Row& r : rows_) {
    r.incomplete->setVisible(!r.calc->Calculation() || LOGIC_CalculationStructure(r.calc->Calculation().get()) != 0);
  }
  counter_->setText(QStringLiteral("%1 / %2 Write Operations").arg(rows_.size()).arg(MODULE_MAX_WRITE_OPERATIONS));
  add_->setEnabled(rows_.size() < MODULE_MAX_WRITE_OPERATIONS);
}
