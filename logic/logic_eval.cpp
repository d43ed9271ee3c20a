#include "logic/logic_eval.h"

#include <atomic>
#include <cstring>

namespace {

std::atomic<bool> g_run_mode{false};

// Reads one side of a node: a sub-calculation (flags collected) wins over a leaf.
uint32_t ReadSide(CALCULATION_NODE* sub, VALUE_NODE* leaf, VALUE_SLOT& slot, uint32_t& type,
                  bool& saturate) {
  if (sub != nullptr) return LOGIC_EvalCalculation(sub, &slot, &type);
  if (leaf != nullptr) LOGIC_ReadValueNode(leaf, &slot, &type, &saturate);
  return 0;
}

uint32_t ValueStructure(const VALUE_NODE* v) {
  if (v->pSymbol != nullptr) {
    return LOGIC_FindActiveSymbol(v->pSymbol) != nullptr ? 0u : uint32_t{CHECK_UNKNOWN_SYMBOL};
  }
  return v->pConstant == nullptr ? uint32_t{CHECK_EMPTY_VALUE} : 0u;
}

uint32_t SideStructure(const CALCULATION_NODE* sub, const VALUE_NODE* leaf) {
  if (sub != nullptr) return LOGIC_CalculationStructure(sub);
  if (leaf != nullptr) return ValueStructure(leaf);
  return CHECK_MISSING_OPERAND;
}

bool IsSymbolRef(const VALUE_NODE* v) { return v != nullptr && v->pSymbol != nullptr; }

bool IsDivision(uint32_t code) { return code == CALC_DIV || code == CALC_MOD; }

void Scan(CALCULATION_NODE* n, bool in_divisor, bool& zero, bool& symbol) {
  if (n->pLeftCalc != nullptr) {
    Scan(n->pLeftCalc, in_divisor, zero, symbol);
  } else if (in_divisor && IsSymbolRef(n->pLeftValue)) {
    zero = symbol = true;
  }
  if (LOGIC_IsUnaryCalculation(n->CalculationType)) return;
  const bool divides = IsDivision(n->CalculationType);
  const bool right_marker = in_divisor || divides;
  if (n->pRightCalc != nullptr) {
    Scan(n->pRightCalc, right_marker, zero, symbol);
    if (divides) {
      VALUE_SLOT v{};
      uint32_t t = 0;
      LOGIC_EvalCalculation(n->pRightCalc, &v, &t);
      if (t != 0 && LOGIC_IsZero(v, t)) zero = true;
    }
  } else if (n->pRightValue != nullptr) {
    const VALUE_NODE* r = n->pRightValue;
    if (right_marker && IsSymbolRef(r)) {
      zero = symbol = true;
    } else if (divides && !IsSymbolRef(r) && r->pConstant != nullptr &&
               LOGIC_IsZero(*r->pConstant, r->DataType)) {
      zero = true;
    }
  }
}

uint32_t CheckCalcSide(CALCULATION_NODE* calc) {
  if (calc == nullptr) return CHECK_MISSING_CONDITION;
  VALUE_SLOT v{};
  uint32_t t = 0;
  return LOGIC_CalculationStructure(calc) | LOGIC_EvalCalculation(calc, &v, &t);
}

bool FormulaSide(FORMULA_NODE* sub, CONDITION_NODE* cond) {
  return sub != nullptr ? LOGIC_EvalFormula(sub) : LOGIC_EvalCondition(cond);
}

uint32_t CheckFormulaSide(FORMULA_NODE* sub, CONDITION_NODE* cond) {
  if (sub != nullptr) return LOGIC_CheckFormula(sub);
  if (cond != nullptr) return LOGIC_CheckCondition(cond);
  return CHECK_MISSING_FORMULA;
}

}  // namespace

void LOGIC_SetRunMode(bool is_run_mode) {
  g_run_mode.store(is_run_mode, std::memory_order_relaxed);
}

bool LOGIC_IsRunMode() { return g_run_mode.load(std::memory_order_relaxed); }

void LOGIC_ReadValueNode(VALUE_NODE* value, VALUE_SLOT* slot, uint32_t* type, bool* saturate) {
  if (slot != nullptr) slot->raw = 0;
  if (type != nullptr) *type = 0;
  if (value == nullptr || slot == nullptr || type == nullptr) return;
  VALUE_SLOT raw{};
  uint32_t t = 0;
  if (value->pSymbol == nullptr) {
    if (value->pConstant == nullptr) return;
    raw = *value->pConstant;
    t = value->DataType;
  } else {
    const ACTIVE_SYMBOL* s = LOGIC_FindActiveSymbol(value->pSymbol);
    if (s == nullptr) return;
    if (s->CatchOverflow != 0 && saturate != nullptr) *saturate = true;
    // The leaf follows the symbol's current type. A published script list is copied on the
    // GUI thread while the worker evaluates it: the type is stored as an atomic, and only
    // when it changed.
    t = s->ValueType;
    std::atomic_ref<uint32_t> leaf_type(value->DataType);
    if (leaf_type.load(std::memory_order_relaxed) != t) leaf_type.store(t, std::memory_order_relaxed);
    // The worker stores these while other threads evaluate: read them as it writes them
    // (relaxed atomics; the latest-sample pointer with acquire, so its slot is complete).
    const void* latest = std::atomic_ref<const void*>(const_cast<const void*&>(s->pLatestSample))
                             .load(std::memory_order_acquire);
    const uint8_t pending = std::atomic_ref<uint8_t>(const_cast<uint8_t&>(s->ValuePending))
                                .load(std::memory_order_relaxed);
    if (latest != nullptr && pending == 0) {
      // History slots are 8 bytes.
      raw.raw = std::atomic_ref<uint64_t>(*static_cast<uint64_t*>(const_cast<void*>(latest)))
                    .load(std::memory_order_relaxed);
    } else if (LOGIC_IsRunMode()) {
      raw.raw = std::atomic_ref<uint64_t>(const_cast<uint64_t&>(s->CurrentValue.raw))
                    .load(std::memory_order_relaxed);
    }
  }
  if (!LOGIC_IsSupportedType(t)) return;
  if (t == TYPEID_BOOL) {
    slot->u8 = raw.u8 != 0 ? 1 : 0;
  } else {
    std::memcpy(slot, &raw, LOGIC_TypeWidth(t));
  }
  *type = t;
}

uint32_t LOGIC_CalculationStructure(const CALCULATION_NODE* calc) {
  if (calc == nullptr) return CHECK_MISSING_CONDITION;
  uint32_t flags = SideStructure(calc->pLeftCalc, calc->pLeftValue);
  if (!LOGIC_IsUnaryCalculation(calc->CalculationType)) {
    flags |= SideStructure(calc->pRightCalc, calc->pRightValue);
  }
  return flags;
}

uint32_t LOGIC_EvalCalculation(CALCULATION_NODE* n, VALUE_SLOT* slot, uint32_t* type) {
  if (n == nullptr) return CHECK_MISSING_OPERAND;
  if (slot == nullptr || type == nullptr) return 0;
  slot->raw = 0;
  *type = 0;
  VALUE_SLOT l{}, r{};
  uint32_t lt = 0, rt = 0;
  bool saturate = false;  // shared by this node's two direct leaves only
  uint32_t flags = ReadSide(n->pLeftCalc, n->pLeftValue, l, lt, saturate);
  const uint32_t code = n->CalculationType;
  uint32_t common = lt;
  if (!LOGIC_IsUnaryCalculation(code)) {
    flags |= ReadSide(n->pRightCalc, n->pRightValue, r, rt, saturate);
    common = LOGIC_CommonType(lt, rt);
    LOGIC_ConvertValue(&l, lt, common);
    LOGIC_ConvertValue(&r, rt, common);
  }
  uint32_t own = LOGIC_CheckOperation(common, code, &r);
  if ((own & CHECK_DIVISION_BY_ZERO) != 0 && IsDivision(code) && !LOGIC_IsRunMode() &&
      LOGIC_ScanDivisors(n) == DIVISORS_SYMBOL) {
    // While editing, a symbol's momentary zero must not make the calculation invalid.
    own &= ~CHECK_DIVISION_BY_ZERO;
  }
  if (own != 0) return own | flags;
  if (code >= CALC_COUNT || !LOGIC_IsSupportedType(common)) return flags;
  LOGIC_Apply(code, &l, &r, common, slot, saturate);
  *type = common;
  return flags;
}

uint32_t LOGIC_CheckCalculation(CALCULATION_NODE* calc) {
  if (calc == nullptr) return CHECK_MISSING_OPERAND;
  VALUE_SLOT v{};
  uint32_t t = 0;
  return LOGIC_CalculationStructure(calc) | LOGIC_EvalCalculation(calc, &v, &t);
}

uint32_t LOGIC_CheckCondition(CONDITION_NODE* cond) {
  if (cond == nullptr) return CHECK_MISSING_FORMULA;
  return CheckCalcSide(cond->pLeftCalc) | CheckCalcSide(cond->pRightCalc);
}

uint32_t LOGIC_CheckFormula(FORMULA_NODE* f) {
  if (f == nullptr) return CHECK_MISSING_FORMULA;
  uint32_t flags = CheckFormulaSide(f->pLeftFormula, f->pLeftCondition);
  if (!LOGIC_IsUnaryJunction(f->JunctionType)) {
    flags |= CheckFormulaSide(f->pRightFormula, f->pRightCondition);
  }
  return flags;
}

uint32_t LOGIC_ResultType(CALCULATION_NODE* calc) {
  if (calc == nullptr || LOGIC_CalculationStructure(calc) != 0) return 0;
  VALUE_SLOT v{};
  uint32_t t = 0;
  LOGIC_EvalCalculation(calc, &v, &t);
  return t;
}

bool LOGIC_EvalCondition(CONDITION_NODE* cond) {
  if (cond == nullptr || cond->ConditionType >= COND_COUNT) return false;
  VALUE_SLOT l{}, r{};
  uint32_t lt = 0, rt = 0;
  if (cond->pLeftCalc != nullptr) LOGIC_EvalCalculation(cond->pLeftCalc, &l, &lt);
  if (cond->pRightCalc != nullptr) LOGIC_EvalCalculation(cond->pRightCalc, &r, &rt);
  return LOGIC_Compare(cond->ConditionType, &l, lt, &r, rt);
}

bool LOGIC_EvalFormula(FORMULA_NODE* f) {
  if (f == nullptr) return false;
  const bool left = FormulaSide(f->pLeftFormula, f->pLeftCondition);
  switch (f->JunctionType) {
    case JUNC_NONE:
      return left;
    case JUNC_NOT:
      return !left;
    case JUNC_AND:
      return left && FormulaSide(f->pRightFormula, f->pRightCondition);
    case JUNC_OR:
      return left || FormulaSide(f->pRightFormula, f->pRightCondition);
    case JUNC_XOR:
      return left != FormulaSide(f->pRightFormula, f->pRightCondition);
    default:
      return false;
  }
}

int LOGIC_ScanDivisors(CALCULATION_NODE* calc) {
  if (calc == nullptr) return DIVISORS_OK;
  bool zero = false, symbol = false;
  Scan(calc, false, zero, symbol);
  if (!zero) return DIVISORS_OK;
  return symbol ? DIVISORS_SYMBOL : DIVISORS_ZERO;
}
