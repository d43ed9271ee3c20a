#include "gui/hid_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "input/gamepad_runtime.h"
#include "logic/logic_value.h"
#include "platform/sys_msgbox.h"

namespace {

constexpr int kPollMs = 50;
const char* const kActiveStyle = "QWidget { border: 2px solid blue; }";
const char* const kIdleStyle = "QWidget { border: none; }";

QComboBox* OperationSelector(uint32_t current) {
  auto* box = new QComboBox;
  for (uint32_t op = 0; op < GAMEPAD_OP_COUNT; ++op) box->addItem(QString::fromUtf8(GAMEPAD_OperationName(op)));
  box->setCurrentIndex(current < GAMEPAD_OP_COUNT ? static_cast<int>(current) : 0);
  return box;
}

QLineEdit* ValueField(double value) {
  auto* edit = new QLineEdit(QString::number(value, 'g', 17));
  edit->setMaximumWidth(90);
  return edit;
}

SYMBOL_ID* IdOf(const ACTIVE_SYMBOL* symbol) {
  return symbol != nullptr ? LOGIC_NewSymbolId(*symbol) : nullptr;
}

}  // namespace

HIDDialog::HIDDialog(const GAMEPAD_MAPPING (&mappings)[GAMEPAD_SLOTS], QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Human Interface Devices"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  for (uint32_t p = 0; p < GAMEPAD_SLOTS; ++p) GAMEPAD_Copy(mappings[p], mappings_[p]);
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (c->pSymbol != nullptr) symbols_.push_back(c->pSymbol);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Press button / move axis for highlighting")));
  auto* pads = new QWidget;
  auto* pads_layout = new QVBoxLayout(pads);
  for (uint32_t p = 0; p < GAMEPAD_SLOTS; ++p) pads_layout->addWidget(BuildPad(p));
  auto* scroll = new QScrollArea;
  scroll->setWidget(pads);
  scroll->setWidgetResizable(true);
  layout->addWidget(scroll, 1);
  auto* box = new QDialogButtonBox;
  auto* apply = box->addButton(QStringLiteral("Apply"), QDialogButtonBox::ApplyRole);
  auto* close = box->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
  layout->addWidget(box);
  connect(apply, &QPushButton::clicked, this, &HIDDialog::_SlotOnApplyClicked);
  connect(close, &QPushButton::clicked, this, &HIDDialog::reject);
  resize(1200, 700);
  GAMEPAD_Init();
  poll_timer_ = new QTimer(this);
  connect(poll_timer_, &QTimer::timeout, this, &HIDDialog::_SlotOnPollTimer);
  poll_timer_->start(kPollMs);
}

HIDDialog::~HIDDialog() {
  for (GAMEPAD_MAPPING& m : mappings_) GAMEPAD_Clear(m);
}

QComboBox* HIDDialog::SymbolSelector(const SYMBOL_ID* current) const {
  auto* box = new QComboBox;
  box->addItem(QStringLiteral("none"));
  for (size_t i = 0; i < symbols_.size(); ++i) {
    const ACTIVE_SYMBOL& s = *symbols_[i];
    box->addItem(QString::fromUtf8(LOGIC_TypeCastText(s.ValueType)) + QString::fromUtf8(s.Name));
    if (current != nullptr && LOGIC_SymbolIdMatches(*current, s)) box->setCurrentIndex(static_cast<int>(i) + 1);
  }
  return box;
}

const ACTIVE_SYMBOL* HIDDialog::Chosen(const QComboBox* selector) const {
  const int i = selector->currentIndex() - 1;
  return i >= 0 && i < static_cast<int>(symbols_.size()) ? symbols_[static_cast<size_t>(i)] : nullptr;
}

QWidget* HIDDialog::BuildPad(uint32_t pad) {
  auto* section = new QWidget;
  auto* grid = new QGridLayout(section);
  grid->addWidget(new QLabel(QStringLiteral("Gamepad %1:").arg(pad + 1)), 0, 0, 1, 3);
  const QStringList heads = {QString(), QStringLiteral("Press"), QStringLiteral("Value"),
                             QStringLiteral("Symbol"), QStringLiteral("Hold repeat"),
                             QStringLiteral("Interval [ms]"), QStringLiteral("Release"),
                             QStringLiteral("Value"), QStringLiteral("Symbol")};
  for (int c = 0; c < heads.size(); ++c) grid->addWidget(new QLabel(heads[c]), 1, c);
  for (uint32_t i = 0; i < GAMEPAD_INPUTS; ++i) {
    const GAMEPAD_INPUT& in = mappings_[pad].Inputs[i];
    RowWidgets& w = rows_[pad][i];
    const int r = static_cast<int>(i) + 2;
    auto* name = new QLabel(QString::fromUtf8(GAMEPAD_InputName(i)));
    name->setStyleSheet(QString::fromLatin1(kIdleStyle));
    w.row = name;
    grid->addWidget(name, r, 0);
    w.press_symbol = SymbolSelector(in.pPressSymbol);
    if (i < GAMEPAD_BUTTONS) {
      w.press_op = OperationSelector(in.PressOperation);
      w.press_value = ValueField(in.PressValue);
      w.hold = new QCheckBox;
      w.hold->setChecked(in.HoldRepeat != 0);
      w.interval = new QSpinBox;
      w.interval->setRange(0, 600000);
      w.interval->setValue(in.IntervalMs);
      w.release_op = OperationSelector(in.ReleaseOperation);
      w.release_value = ValueField(in.ReleaseValue);
      w.release_symbol = SymbolSelector(in.pReleaseSymbol);
      grid->addWidget(w.press_op, r, 1);
      grid->addWidget(w.press_value, r, 2);
      grid->addWidget(w.press_symbol, r, 3);
      grid->addWidget(w.hold, r, 4);
      grid->addWidget(w.interval, r, 5);
      grid->addWidget(w.release_op, r, 6);
      grid->addWidget(w.release_value, r, 7);
      grid->addWidget(w.release_symbol, r, 8);
    } else {
      grid->addWidget(w.press_symbol, r, 3);
      w.only_on_change = new QCheckBox(QStringLiteral("Only on change"));
      w.only_on_change->setChecked(in.OnlyOnChange != 0);
      grid->addWidget(w.only_on_change, r, 4, 1, 2);
    }
  }
  return section;
}

bool HIDDialog::ReadRow(uint32_t input, const RowWidgets& w, GAMEPAD_INPUT& out) {
  const ACTIVE_SYMBOL* press = Chosen(w.press_symbol);
  GAMEPAD_INPUT in;
  if (input >= GAMEPAD_BUTTONS) {
    in.OnlyOnChange = w.only_on_change->isChecked() ? 1 : 0;
    in.pPressSymbol = IdOf(press);
    out = in;
    return true;
  }
  const ACTIVE_SYMBOL* release = Chosen(w.release_symbol);
  in.PressOperation = static_cast<uint32_t>(w.press_op->currentIndex());
  in.PressValue = QLocale::c().toDouble(w.press_value->text().trimmed());
  in.HoldRepeat = w.hold->isChecked() ? 1 : 0;
  in.IntervalMs = w.interval->value();
  in.ReleaseOperation = static_cast<uint32_t>(w.release_op->currentIndex());
  in.ReleaseValue = QLocale::c().toDouble(w.release_value->text().trimmed());
  for (const auto& [symbol, op, value] : {std::tuple{press, in.PressOperation, in.PressValue},
                                          std::tuple{release, in.ReleaseOperation, in.ReleaseValue}}) {
    if (symbol == nullptr) continue;
    if (const char* refusal = GAMEPAD_CheckOperation(op, value, symbol->ValueType)) {
      SYS_WarningBox(refusal);
      return false;
    }
  }
  in.pPressSymbol = IdOf(press);
  in.pReleaseSymbol = IdOf(release);
  out = in;
  return true;
}

void HIDDialog::_SlotOnApplyClicked() {
  for (uint32_t p = 0; p < GAMEPAD_SLOTS; ++p) {
    GAMEPAD_MAPPING& m = mappings_[p];
    bool any = false;
    for (uint32_t i = 0; i < GAMEPAD_INPUTS; ++i) {
      GAMEPAD_INPUT read;
      if (ReadRow(i, rows_[p][i], read)) {
        // The row replaces the stored input; a refused row keeps what was stored.
        LOGIC_FreeSymbolId(m.Inputs[i].pPressSymbol);
        LOGIC_FreeSymbolId(m.Inputs[i].pReleaseSymbol);
        m.Inputs[i] = read;
      }
      any = any || m.Inputs[i].pPressSymbol != nullptr || m.Inputs[i].pReleaseSymbol != nullptr;
    }
    m.Configured = any ? 1 : 0;
  }
  GAMEPAD_SetMappings(mappings_);
  emit SignalMappingsApplied();
}

void HIDDialog::_SlotOnPollTimer() {
  GAMEPAD_Poll();
  for (uint32_t p = 0; p < GAMEPAD_SLOTS; ++p) {
    const uint32_t word = GAMEPAD_StateWord(p);
    for (uint32_t i = 0; i < GAMEPAD_INPUTS; ++i) {
      const QString style = QString::fromLatin1((word & (1u << i)) != 0 ? kActiveStyle : kIdleStyle);
      if (rows_[p][i].row->styleSheet() != style) rows_[p][i].row->setStyleSheet(style);
    }
  }
}

void HIDDialog::reject() {
  if (SYS_QuestionBox("Are you sure to cancel?", "Yes", "No", 1, SYS_MB_ICON_QUESTION, 1) != 0) return;
  QDialog::reject();
}
