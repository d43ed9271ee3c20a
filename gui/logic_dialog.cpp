#include "gui/logic_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <cfloat>
#include <cstring>

#include "logic/logic_eval.h"
#include "logic/logic_parser.h"
#include "logic/logic_value.h"
#include "logic/logic_warning.h"
#include "platform/sys_msgbox.h"

namespace {

// Code order; a doubled ampersand shows one ampersand on a button.
const char* const kJunctions[][2] = {
    {"!", "Logical Negation"}, {"&&&&", "Logical AND"}, {"||", "Logical OR"}, {"^^", "Logical XOR"}};
const char* const kConditions[][2] = {{"==", "Equality"},   {"!=", "Inequality"},
                                      {"<", "Lower than"},  {"<=", "Lower than or equal to"},
                                      {">", "Greater than"}, {">=", "Greater than or equal to"}};
const char* const kCalculations[][2] = {
    {"+", "Addition"},       {"-", "Subtraction"},      {"*", "Multiplication"},
    {"/", "Division"},       {"%", "Modulo"},           {"<<", "Bitshift left"},
    {">>", "Bitshift right"}, {"~", "Bitwise invert"},  {"&&", "Bitwise AND"},
    {"|", "Bitwise OR"},     {"^", "Bitwise XOR"}};

// Tells whether typed text looks like a formula; it never refuses a character, and the parser
// alone decides on "OK" (negation and decimal points are valid there).
class ManualTextValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& text, int& /*pos*/) const override {
    static const QRegularExpression pattern(QStringLiteral("^[a-zA-Z_0-9+\\-*/%&|^~<>()\\s=!.]+$"));
    return pattern.match(text).hasMatch() ? Acceptable : Intermediate;
  }
};

bool AskDivisor(int scan, void* /*user*/) {
  if (scan == DIVISORS_SYMBOL) {
    return SYS_QuestionBox("Formula contains divisor containing a symbol.\nA division by zero will "
                           "be caught and the write will not be executed!",
                           "OK", "Cancel", 0, SYS_MB_ICON_QUESTION, 1) == 0;
  }
  SYS_WarningBox("Division by zero is undefined and therefore invalid!");
  return false;
}

QToolButton* IconButton(const QIcon& icon, const QString& tip) {
  auto* b = new QToolButton;
  b->setIcon(icon);
  b->setIconSize(QSize(32, 32));
  b->setFixedSize(40, 40);
  b->setToolTip(tip);
  return b;
}

}  // namespace

LogicDialog::LogicDialog(int mode, FORMULA_NODE* formula, CALCULATION_NODE* calc, QWidget* parent)
    : QDialog(parent), state_(mode, formula, calc) {
  setWindowTitle(QStringLiteral("Logic Formula"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  if (state_.IsFormula()) {
    junction_group_ = BuildGroup(QStringLiteral("Add Junction"), kJunctions, 4, 1,
                                 &LogicDialog::_SlotOnJunctionBtnClicked);
    condition_group_ = BuildGroup(QStringLiteral("Add Condition"), kConditions, 6, 0,
                                  &LogicDialog::_SlotOnConditionBtnClicked);
    layout->addWidget(junction_group_);
    layout->addWidget(condition_group_);
  }
  calculation_group_ = BuildGroup(QStringLiteral("Add Calculation"), kCalculations, 11, 1,
                                  &LogicDialog::_SlotOnCalculationBtnClicked);
  layout->addWidget(calculation_group_);

  value_group_ = new QGroupBox(QStringLiteral("Add Value"));
  auto* value_layout = new QGridLayout(value_group_);
  auto* symbol_button = new QPushButton(QStringLiteral("Symbol"));
  symbol_selector_ = new QComboBox;
  for (ACTIVE_SYMBOL_CELL* cell = MAIN_pActiveSymbols; cell != nullptr; cell = cell->pNext) {
    if (cell->pSymbol == nullptr) continue;
    const ACTIVE_SYMBOL& s = *cell->pSymbol;
    symbols_.push_back(cell->pSymbol);
    symbol_selector_->addItem(QStringLiteral("%1%2 @ 0x%3")
                                  .arg(QString::fromUtf8(LOGIC_TypeCastText(s.ValueType)),
                                       QString::fromUtf8(s.Name),
                                       QString::number(s.Address, 16).toUpper()));
  }
  auto* constant_button = new QPushButton(QStringLiteral("Constant"));
  constant_edit_ = new QLineEdit(QStringLiteral("0"));
  auto* validator = new QDoubleValidator(-DBL_MAX, DBL_MAX, 17, constant_edit_);
  validator->setLocale(QLocale::c());
  constant_edit_->setValidator(validator);
  value_layout->addWidget(symbol_button, 0, 0);
  value_layout->addWidget(symbol_selector_, 0, 1);
  value_layout->addWidget(constant_button, 1, 0);
  value_layout->addWidget(constant_edit_, 1, 1);
  auto* manual_button = IconButton(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                   QStringLiteral("Edit manually"));
  undo_button_ = IconButton(QIcon(), QStringLiteral("Undo last insertion"));
  value_layout->addWidget(manual_button, 0, 2);
  value_layout->addWidget(undo_button_, 1, 2);
  layout->addWidget(value_group_);
  connect(symbol_button, &QPushButton::clicked, this, &LogicDialog::_SlotOnSymbolBtnClicked);
  connect(constant_button, &QPushButton::clicked, this, &LogicDialog::_SlotOnConstantBtnClicked);
  connect(manual_button, &QToolButton::clicked, this, &LogicDialog::_SlotOnManualCoding);
  connect(undo_button_, &QToolButton::clicked, this, &LogicDialog::_SlotOnUndoClicked);

  result_group_ = new QGroupBox(state_.IsFormula() ? QStringLiteral("Final Formula")
                                                   : QStringLiteral("Final Calculation"));
  result_label_ = new QLabel;
  // Fixed pitch, so that the arrow line lines up with the gap it marks.
  result_label_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  result_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  (new QVBoxLayout(result_group_))->addWidget(result_label_);
  layout->addWidget(result_group_);

  auto* box = new QDialogButtonBox;
  auto* ok = box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  auto* cancel = box->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  ok->setDefault(false);
  ok->setAutoDefault(false);
  cancel->setAutoDefault(false);
  layout->addWidget(box);
  connect(ok, &QPushButton::clicked, this, &LogicDialog::_SlotOnOkClicked);
  connect(cancel, &QPushButton::clicked, this, &LogicDialog::_SlotOnCloseClicked);

  Refresh();
  resize(sizeHint());
}

LogicDialog::~LogicDialog() = default;

QGroupBox* LogicDialog::BuildGroup(const QString& title, const char* const (*buttons)[2], int count,
                                   int first_code, void (LogicDialog::*slot)(int)) {
  auto* group = new QGroupBox(title);
  auto* row = new QHBoxLayout(group);
  for (int i = 0; i < count; ++i) {
    auto* b = new QPushButton(QString::fromUtf8(buttons[i][0]));
    b->setToolTip(QString::fromUtf8(buttons[i][1]));
    b->setAutoDefault(false);
    const int code = first_code + i;
    connect(b, &QPushButton::clicked, this, [this, slot, code] { (this->*slot)(code); });
    row->addWidget(b);
  }
  return group;
}

QString LogicDialog::ResultText() const { return result_label_->text(); }

void LogicDialog::Refresh() {
  int gap = -1;
  QString text = QString::fromStdString(state_.Text(&gap));
  if (gap >= 0) text += QLatin1Char('\n') + QString(gap, QLatin1Char(' ')) + QChar(0x2191);
  result_label_->setText(text);
  const LogicEditState::Enabled e = state_.EnabledGroups();
  if (junction_group_ != nullptr) junction_group_->setEnabled(e.junction);
  if (condition_group_ != nullptr) condition_group_->setEnabled(e.condition);
  calculation_group_->setEnabled(e.calculation);
  // The icon buttons sit in the value group; only the insertion buttons follow the flags.
  for (QWidget* w : value_group_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (qobject_cast<QToolButton*>(w) == nullptr) w->setEnabled(e.value);
  }
  symbol_selector_->setEnabled(e.value && !symbols_.empty());
  const bool can_undo = state_.CanUndo();
  undo_button_->setEnabled(can_undo);
  undo_button_->setIcon(style()->standardIcon(can_undo ? QStyle::SP_ArrowBack
                                                       : QStyle::SP_DialogCancelButton));
  is_modified_ = true;
}

void LogicDialog::_SlotOnJunctionBtnClicked(int code) {
  if (state_.InsertJunction(static_cast<uint32_t>(code))) Refresh();
}

void LogicDialog::_SlotOnConditionBtnClicked(int code) {
  if (state_.InsertCondition(static_cast<uint32_t>(code))) Refresh();
}

void LogicDialog::_SlotOnCalculationBtnClicked(int code) {
  if (state_.InsertCalculation(static_cast<uint32_t>(code))) Refresh();
}

void LogicDialog::_SlotOnSymbolBtnClicked() {
  const int i = symbol_selector_->currentIndex();
  if (i < 0 || i >= static_cast<int>(symbols_.size())) return;
  state_.InsertValue(LOGIC_NewSymbolValue(*symbols_[static_cast<size_t>(i)]), AskDivisor, nullptr);
  Refresh();
}

void LogicDialog::_SlotOnConstantBtnClicked() {
  bool ok = false;
  const double d = QLocale::c().toDouble(constant_edit_->text().trimmed(), &ok);
  if (!ok) return;
  VALUE_SLOT slot{};
  slot.f64 = d;
  state_.InsertValue(LOGIC_NewConstantValue(TYPEID_DOUBLE, slot, BASE_DECIMAL), AskDivisor, nullptr);
  Refresh();
}

void LogicDialog::_SlotOnUndoClicked() {
  if (state_.Undo()) Refresh();
}

bool LogicDialog::AcceptFlags(uint32_t flags) {
  if (flags == 0) return true;
  const LOGIC_CheckReport report = LOGIC_ComposeCheckReport(flags, state_.IsFormula());
  if (report.is_question) {
    return SYS_QuestionBox(report.text.c_str(), "OK", "Cancel", 0, SYS_MB_ICON_QUESTION, 1) == 0;
  }
  SYS_WarningBox(report.text.c_str());
  return false;
}

void LogicDialog::Finish(bool normalise) {
  is_finished_ = true;
  // The tree passes to the receiver; the dialog keeps nothing it could free later.
  if (state_.IsFormula()) {
    emit SignalFormulaFinished(state_.TakeFormula(normalise));
  } else {
    emit SignalCalculationFinished(state_.TakeCalculation(normalise));
  }
  QDialog::accept();
}

void LogicDialog::_SlotOnOkClicked() {
  if (AcceptFlags(state_.Check())) Finish(true);
}

void LogicDialog::_SlotOnCloseClicked() { reject(); }

void LogicDialog::reject() {
  if (!is_finished_ && is_modified_ &&
      SYS_QuestionBox("Are you sure to cancel?", "Yes", "No", 1, SYS_MB_ICON_QUESTION, 1) != 0) {
    return;
  }
  QDialog::reject();
}

void LogicDialog::_SlotOnManualCoding() {
  const bool is_formula = state_.IsFormula();
  QDialog manual(this);
  manual.setWindowTitle(is_formula ? QStringLiteral("Enter Formula") : QStringLiteral("Enter Calculation"));
  manual.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(&manual);
  auto* edit = new QLineEdit(QString::fromStdString(state_.ManualText()));
  edit->setValidator(new ManualTextValidator(edit));
  layout->addWidget(edit);
  auto* box = new QDialogButtonBox;
  auto* ok = box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  auto* cancel = box->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  layout->addWidget(box);
  // _SlotOnManualTextChanged: the field grows with its text.
  auto fit = [edit] {
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(edit->text() + QStringLiteral("     ")));
  };
  fit();
  connect(edit, &QLineEdit::textChanged, &manual, fit);
  FORMULA_NODE* parsed_formula = nullptr;
  CALCULATION_NODE* parsed_calc = nullptr;
  // _SlotOnManualCodingOkClicked: the window stays open until the text gives a valid tree.
  connect(ok, &QPushButton::clicked, &manual, [&] {
    LOGIC_FreeFormula(parsed_formula);
    LOGIC_FreeCalculation(parsed_calc);
    parsed_formula = nullptr;
    parsed_calc = nullptr;
    const std::string text = edit->text().toStdString();
    const LOGIC_TextResult r = is_formula ? LOGIC_ParseFormulaText(text, &parsed_formula)
                                          : LOGIC_ParseCalculationText(text, &parsed_calc);
    if (r.parse_failed) return;
    if (AcceptFlags(r.flags)) manual.accept();
  });
  connect(cancel, &QPushButton::clicked, &manual, &QDialog::reject);
  const bool confirmed = manual.exec() == QDialog::Accepted;
  if (!confirmed) {
    // _SlotOnManualCodingCancelClicked
    LOGIC_FreeFormula(parsed_formula);
    LOGIC_FreeCalculation(parsed_calc);
    return;
  }
  if (is_formula) {
    state_.ReplaceFormula(parsed_formula);
  } else {
    state_.ReplaceCalculation(parsed_calc);
  }
  Finish(false);  // emitted as parsed
}

FORMULA_NODE* LogicDialog::EditFormula(QWidget* parent, const FORMULA_NODE* formula) {
  FORMULA_NODE* result = nullptr;
  LogicDialog dialog(kFormula, LOGIC_CloneFormula(formula), nullptr, parent);
  connect(&dialog, &LogicDialog::SignalFormulaFinished, &dialog,
          [&result](FORMULA_NODE* f) { result = f; });
  dialog.exec();
  return result;
}

CALCULATION_NODE* LogicDialog::EditCalculation(QWidget* parent, const CALCULATION_NODE* calc) {
  CALCULATION_NODE* result = nullptr;
  LogicDialog dialog(kCalculation, nullptr, LOGIC_CloneCalculation(calc), parent);
  connect(&dialog, &LogicDialog::SignalCalculationFinished, &dialog,
          [&result](CALCULATION_NODE* c) { result = c; });
  dialog.exec();
  return result;
}
