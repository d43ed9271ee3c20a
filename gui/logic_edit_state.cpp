#include "gui/logic_edit_state.h"

#include <utility>

#include "logic/logic_eval.h"
#include "logic/logic_insert.h"
#include "logic/logic_render.h"

namespace {

bool IsBinaryJunction(uint32_t code) { return code >= JUNC_AND && code <= JUNC_XOR; }

// First sub-formula position that holds neither a sub-formula nor a condition (depth-first,
// left before right, right sides only on binary junctions).
FORMULA_NODE** FreeFormulaSlot(FORMULA_NODE* f) {
  if (f == nullptr) return nullptr;
  if (f->pLeftFormula == nullptr && f->pLeftCondition == nullptr) return &f->pLeftFormula;
  if (FORMULA_NODE** p = FreeFormulaSlot(f->pLeftFormula)) return p;
  if (!IsBinaryJunction(f->JunctionType)) return nullptr;
  if (f->pRightFormula == nullptr && f->pRightCondition == nullptr) return &f->pRightFormula;
  return FreeFormulaSlot(f->pRightFormula);
}

// The same positions, as condition positions.
CONDITION_NODE** FreeConditionSlot(FORMULA_NODE* f) {
  if (f == nullptr) return nullptr;
  if (f->pLeftFormula == nullptr && f->pLeftCondition == nullptr) return &f->pLeftCondition;
  if (CONDITION_NODE** p = FreeConditionSlot(f->pLeftFormula)) return p;
  if (!IsBinaryJunction(f->JunctionType)) return nullptr;
  if (f->pRightFormula == nullptr && f->pRightCondition == nullptr) return &f->pRightCondition;
  return FreeConditionSlot(f->pRightFormula);
}

// The conditions of the formula in depth-first order.
void CollectConditions(FORMULA_NODE* f, std::vector<CONDITION_NODE*>& out) {
  if (f == nullptr) return;
  if (f->pLeftFormula != nullptr) {
    CollectConditions(f->pLeftFormula, out);
  } else if (f->pLeftCondition != nullptr) {
    out.push_back(f->pLeftCondition);
  }
  if (!IsBinaryJunction(f->JunctionType)) return;
  if (f->pRightFormula != nullptr) {
    CollectConditions(f->pRightFormula, out);
  } else if (f->pRightCondition != nullptr) {
    out.push_back(f->pRightCondition);
  }
}

}  // namespace

LogicEditState::LogicEditState(int mode, FORMULA_NODE* formula, CALCULATION_NODE* calc)
    : mode_(mode == kFormula ? kFormula : kCalculation), formula_(formula), calc_(calc) {
  if (IsFormula()) {
    LOGIC_FreeCalculation(calc_);
    calc_ = nullptr;
    LOGIC_NormalizeFormula(&formula_);
    RegisterFormula(&formula_);
  } else {
    LOGIC_FreeFormula(formula_);
    formula_ = nullptr;
    LOGIC_NormalizeCalculation(&calc_);
    RegisterCalculation(&calc_);
  }
}

LogicEditState::~LogicEditState() { ClearTree(); }

void LogicEditState::ClearTree() {
  LOGIC_FreeFormula(formula_);
  LOGIC_FreeCalculation(calc_);
  formula_ = nullptr;
  calc_ = nullptr;
  history_.clear();
}

// Pre-order, so that undo takes a loaded tree apart from its last node back to the root.
void LogicEditState::RegisterCalculation(CALCULATION_NODE** position) {
  CALCULATION_NODE* c = *position;
  if (c == nullptr) return;
  Push(kCalcNode, position);
  if (c->pLeftCalc != nullptr) {
    RegisterCalculation(&c->pLeftCalc);
  } else if (c->pLeftValue != nullptr) {
    Push(kValue, &c->pLeftValue);
  }
  if (c->pRightCalc != nullptr) {
    RegisterCalculation(&c->pRightCalc);
  } else if (c->pRightValue != nullptr) {
    Push(kValue, &c->pRightValue);
  }
}

void LogicEditState::RegisterCondition(CONDITION_NODE** position) {
  if (*position == nullptr) return;
  Push(kCondition, position);
  RegisterCalculation(&(*position)->pLeftCalc);
  RegisterCalculation(&(*position)->pRightCalc);
}

void LogicEditState::RegisterFormula(FORMULA_NODE** position) {
  FORMULA_NODE* f = *position;
  if (f == nullptr) return;
  Push(kFormulaNode, position);
  if (f->pLeftFormula != nullptr) {
    RegisterFormula(&f->pLeftFormula);
  } else {
    RegisterCondition(&f->pLeftCondition);
  }
  if (f->pRightFormula != nullptr) {
    RegisterFormula(&f->pRightFormula);
  } else {
    RegisterCondition(&f->pRightCondition);
  }
}

bool LogicEditState::InsertJunction(uint32_t code) {
  if (!IsFormula() || code > JUNC_XOR) return false;
  FORMULA_NODE* node = LOGIC_NewFormulaNode(code);
  if (node == nullptr) return false;
  FORMULA_NODE** slot = formula_ == nullptr ? &formula_ : FreeFormulaSlot(formula_);
  if (slot == nullptr) {
    // Nothing free: the new junction takes the whole formula as its left side.
    node->pLeftFormula = formula_;
    slot = &formula_;
  }
  *slot = node;
  Push(kFormulaNode, slot);
  return true;
}

bool LogicEditState::InsertCondition(uint32_t code) {
  if (!IsFormula() || code >= COND_COUNT) return false;
  bool created = false;
  if (formula_ == nullptr) {
    formula_ = LOGIC_NewFormulaNode(JUNC_NONE);
    if (formula_ == nullptr) return false;
    Push(kFormulaNode, &formula_);
    created = true;
  }
  CONDITION_NODE** slot = FreeConditionSlot(formula_);
  CONDITION_NODE* node = slot != nullptr ? LOGIC_NewConditionNode(code) : nullptr;
  if (node == nullptr) {
    if (created) Undo();
    return false;
  }
  *slot = node;
  Push(kCondition, slot, created);
  return true;
}

bool LogicEditState::InsertCalculation(uint32_t code) {
  if (code >= CALC_COUNT) return false;
  CALCULATION_NODE* node = LOGIC_NewCalculationNode(code);
  if (node == nullptr) return false;
  CALCULATION_NODE** slot = nullptr;
  if (!IsFormula()) {
    slot = calc_ == nullptr ? &calc_ : LOGIC_InsertCalculation(calc_, node);
    if (slot == nullptr) {
      node->pLeftCalc = calc_;
      slot = &calc_;
    }
    *slot = node;
  } else {
    std::vector<CONDITION_NODE*> conditions;
    CollectConditions(formula_, conditions);
    for (CONDITION_NODE* c : conditions) {
      for (CALCULATION_NODE** side : {&c->pLeftCalc, &c->pRightCalc}) {
        if (*side == nullptr) {
          slot = side;
          *slot = node;
        } else {
          slot = LOGIC_InsertCalculation(*side, node);
        }
        if (slot != nullptr) break;
      }
      if (slot != nullptr) break;
    }
    if (slot == nullptr) {
      LOGIC_FreeCalculation(node);
      return false;
    }
  }
  Push(kCalcNode, slot);
  return true;
}

bool LogicEditState::InsertValue(VALUE_NODE* value, DivisorQuestion ask, void* user) {
  if (value == nullptr) return false;
  size_t undo_depth = history_.size();  // the value's step starts here
  VALUE_NODE** slot = nullptr;
  CALCULATION_NODE* scanned = nullptr;  // the calculation whose divisors are checked
  if (!IsFormula()) {
    if (calc_ == nullptr) {
      calc_ = LOGIC_NewCalculationNode(CALC_NOP);
      if (calc_ == nullptr) {
        LOGIC_FreeValue(value);
        return false;
      }
      Push(kCalcNode, &calc_);
    }
    slot = LOGIC_InsertValue(calc_, value);
    scanned = calc_;
  } else {
    std::vector<CONDITION_NODE*> conditions;
    CollectConditions(formula_, conditions);
    for (CONDITION_NODE* c : conditions) {
      for (CALCULATION_NODE** side : {&c->pLeftCalc, &c->pRightCalc}) {
        if (*side == nullptr) {
          *side = LOGIC_NewCalculationNode(CALC_NOP);
          if (*side == nullptr) break;
          Push(kCalcNode, side);
        }
        slot = LOGIC_InsertValue(*side, value);
        if (slot != nullptr) {
          scanned = *side;
          break;
        }
      }
      if (slot != nullptr) break;
    }
  }
  const bool chained = history_.size() > undo_depth;
  bool keep = slot != nullptr;
  if (keep) {
    const int scan = LOGIC_ScanDivisors(scanned);
    if (scan != DIVISORS_OK) keep = ask != nullptr && ask(scan, user) && scan == DIVISORS_SYMBOL;
    if (!keep) *slot = nullptr;
  }
  if (!keep) {
    LOGIC_FreeValue(value);
    // Whatever was created on the way goes with the value.
    while (history_.size() > undo_depth) {
      UndoEntry(history_.back());
      history_.pop_back();
    }
    return false;
  }
  Push(kValue, slot, chained);
  return true;
}

void LogicEditState::UndoEntry(const Entry& e) {
  switch (e.kind) {
    case kValue: {
      auto** slot = static_cast<VALUE_NODE**>(e.position);
      LOGIC_FreeValue(*slot);
      *slot = nullptr;
      break;
    }
    case kCondition: {
      auto** slot = static_cast<CONDITION_NODE**>(e.position);
      LOGIC_FreeCondition(*slot);
      *slot = nullptr;
      break;
    }
    case kCalcNode: {
      auto** slot = static_cast<CALCULATION_NODE**>(e.position);
      CALCULATION_NODE* node = *slot;
      if (node == nullptr) break;
      if (IsFormula()) {
        *slot = nullptr;
      } else {
        // A node that wrapped the old root gives it back.
        *slot = node->pLeftCalc;
        node->pLeftCalc = nullptr;
      }
      LOGIC_FreeCalculation(node);
      break;
    }
    case kFormulaNode: {
      auto** slot = static_cast<FORMULA_NODE**>(e.position);
      FORMULA_NODE* node = *slot;
      if (node == nullptr) break;
      *slot = node->pLeftFormula;
      node->pLeftFormula = nullptr;
      LOGIC_FreeFormula(node);
      break;
    }
  }
}

bool LogicEditState::Undo() {
  if (history_.empty()) return false;
  bool chained = true;
  while (chained && !history_.empty()) {
    const Entry e = history_.back();
    history_.pop_back();
    UndoEntry(e);
    chained = e.chained;
  }
  return true;
}

uint32_t LogicEditState::Check() {
  return IsFormula() ? LOGIC_CheckFormula(formula_) : LOGIC_CheckCalculation(calc_);
}

std::string LogicEditState::Text(int* gap_position) const {
  int gap = -1;
  std::string text =
      IsFormula() ? LOGIC_FormulaText(formula_, true, &gap) : LOGIC_CalculationText(calc_, true, &gap);
  if (gap_position != nullptr) *gap_position = gap;
  return text;
}

std::string LogicEditState::ManualText() const {
  if (IsFormula()) return formula_ == nullptr ? "false" : LOGIC_FormulaText(formula_, false);
  return LOGIC_CalculationText(calc_, false);
}

LogicEditState::Enabled LogicEditState::EnabledGroups() {
  const uint32_t f = Check();
  Enabled e;
  if (!IsFormula()) {
    e.value = (f & (CHECK_MISSING_OPERAND | CHECK_EMPTY_VALUE)) != 0;
    e.calculation = (f & CHECK_MISSING_OPERAND) != 0 || f == 0;
    return e;
  }
  constexpr uint32_t kIncomplete = CHECK_MISSING_CONDITION | CHECK_MISSING_OPERAND | CHECK_EMPTY_VALUE;
  e.value = (f & kIncomplete) != 0;
  e.calculation = (f & (CHECK_MISSING_CONDITION | CHECK_MISSING_OPERAND)) != 0;
  e.condition = (f & CHECK_MISSING_FORMULA) != 0 && (f & kIncomplete) == 0;
  e.junction = f == 0 || e.condition;
  return e;
}

namespace {

// The root leaves the state; the history refers into it and goes too.
template <class Node>
Node* TakeRoot(Node*& root, void (*normalise)(Node**), bool is_normalised) {
  Node* out = std::exchange(root, nullptr);
  if (is_normalised) normalise(&out);
  return out;
}

}  // namespace

FORMULA_NODE* LogicEditState::TakeFormula(bool normalise) {
  history_.clear();
  return TakeRoot(formula_, LOGIC_NormalizeFormula, normalise);
}

CALCULATION_NODE* LogicEditState::TakeCalculation(bool normalise) {
  history_.clear();
  return TakeRoot(calc_, LOGIC_NormalizeCalculation, normalise);
}

void LogicEditState::ReplaceFormula(FORMULA_NODE* formula) {
  ClearTree();
  formula_ = formula;
}

void LogicEditState::ReplaceCalculation(CALCULATION_NODE* calc) {
  ClearTree();
  calc_ = calc;
}
