#include "logic/logic_tree.h"

#include <atomic>
#include <cstring>
#include <new>

#include "platform/sys_memory.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"

namespace {

// Allocates a labelled block and constructs T in it; shows "Insufficient memory!" on failure.
template <typename T>
T* NewBlock(const char* label) {
  void* area = SYS_Alloc(static_cast<uint32_t>(sizeof(T)), label);
  if (area == nullptr) {
    SYS_ErrorBox("Insufficient memory!");
    return nullptr;
  }
  return new (area) T();
}

template <typename T>
void FreeBlock(T* p) {
  if (p == nullptr) return;
  p->~T();
  SYS_Free(p);
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

// ---- Symbol identities ---------------------------------------------------------------------

bool LOGIC_NamesEqual(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return a == b;
  for (;; ++a, ++b) {
    if (LowerAscii(*a) != LowerAscii(*b)) return false;
    if (*a == '\0') return true;
  }
}

bool LOGIC_SymbolIdMatches(const SYMBOL_ID& id, const ACTIVE_SYMBOL& symbol) {
  if (id.Address != symbol.Address) return false;
  // Both names are bounded by their fields; compare within the shorter bound.
  for (int i = 0; i < SYMBOL_ID_NAME_SIZE && i < ACTIVE_SYMBOL_NAME_SIZE; ++i) {
    if (LowerAscii(id.Name[i]) != LowerAscii(symbol.Name[i])) return false;
    if (id.Name[i] == '\0') return true;
  }
  return true;
}

ACTIVE_SYMBOL* LOGIC_FindActiveSymbol(const SYMBOL_ID* id) {
  if (id == nullptr) return nullptr;
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (c->pSymbol != nullptr && LOGIC_SymbolIdMatches(*id, *c->pSymbol)) return c->pSymbol;
  }
  return nullptr;
}

SYMBOL_ID* LOGIC_NewSymbolIdFrom(const char* name, uint32_t address) {
  SYMBOL_ID* id = NewBlock<SYMBOL_ID>("Symbol ID");
  if (id == nullptr) return nullptr;
  SYS_CopyText(id->Name, sizeof id->Name, name != nullptr ? name : "");
  id->Address = address;
  return id;
}

SYMBOL_ID* LOGIC_NewSymbolId(const ACTIVE_SYMBOL& symbol) {
  char name[SYMBOL_ID_NAME_SIZE];
  std::memcpy(name, symbol.Name, sizeof name);
  name[sizeof name - 1] = '\0';
  return LOGIC_NewSymbolIdFrom(name, symbol.Address);
}

void LOGIC_FreeSymbolId(SYMBOL_ID* id) { FreeBlock(id); }

// ---- Single nodes ---------------------------------------------------------------------------

CALCULATION_NODE* LOGIC_NewCalculationNode(uint32_t calculation_type) {
  CALCULATION_NODE* n = NewBlock<CALCULATION_NODE>("Calculation Node");
  if (n != nullptr) n->CalculationType = calculation_type;
  return n;
}

CONDITION_NODE* LOGIC_NewConditionNode(uint32_t condition_type) {
  CONDITION_NODE* n = NewBlock<CONDITION_NODE>("Condition Node");
  if (n != nullptr) n->ConditionType = condition_type;
  return n;
}

FORMULA_NODE* LOGIC_NewFormulaNode(uint32_t junction_type) {
  FORMULA_NODE* n = NewBlock<FORMULA_NODE>("Formula Node");
  if (n != nullptr) n->JunctionType = junction_type;
  return n;
}

VALUE_NODE* LOGIC_NewValueNode() { return NewBlock<VALUE_NODE>("Value Node"); }

VALUE_NODE* LOGIC_NewSymbolValue(const ACTIVE_SYMBOL& symbol) {
  VALUE_NODE* v = LOGIC_NewValueNode();
  if (v == nullptr) return nullptr;
  v->pSymbol = LOGIC_NewSymbolId(symbol);
  if (v->pSymbol == nullptr) {
    LOGIC_FreeValue(v);
    return nullptr;
  }
  v->DataType = symbol.ValueType;
  return v;
}

VALUE_NODE* LOGIC_NewConstantValue(uint32_t type, const VALUE_SLOT& value, uint32_t base) {
  VALUE_NODE* v = LOGIC_NewValueNode();
  if (v == nullptr) return nullptr;
  v->pConstant = NewBlock<VALUE_SLOT>("Constant");
  if (v->pConstant == nullptr) {
    LOGIC_FreeValue(v);
    return nullptr;
  }
  *v->pConstant = value;
  v->DataType = type;
  v->BaseToDisplayIn = base;
  return v;
}

// ---- Construction ---------------------------------------------------------------------------

FORMULA_NODE* LOGIC_NewDefaultFormula() {
  FORMULA_NODE* f = LOGIC_NewFormulaNode(JUNC_NONE);
  if (f == nullptr) return nullptr;
  f->pLeftCondition = LOGIC_NewConditionNode(COND_NE);
  if (f->pLeftCondition == nullptr) return f;
  f->pLeftCondition->pLeftCalc = LOGIC_NewConstantCalculation(TYPEID_U8);
  f->pLeftCondition->pRightCalc = LOGIC_NewConstantCalculation(TYPEID_U8);
  return f;
}

CALCULATION_NODE* LOGIC_NewSymbolCalculation(const ACTIVE_SYMBOL* symbol) {
  if (symbol == nullptr) return nullptr;
  CALCULATION_NODE* c = LOGIC_NewCalculationNode(CALC_NOP);
  if (c != nullptr) c->pLeftValue = LOGIC_NewSymbolValue(*symbol);
  return c;
}

namespace {

CALCULATION_NODE* NewConstantCalc(uint32_t type, bool unit) {
  if (!LOGIC_IsSupportedType(type)) return nullptr;
  VALUE_SLOT v{};
  if (unit) {
    if (type == TYPEID_FLOAT) {
      v.f32 = 1.0f;
    } else if (type == TYPEID_DOUBLE) {
      v.f64 = 1.0;
    } else {
      v.u8 = 1;  // 1 at every integer width (little-endian), true for bool
    }
  }
  CALCULATION_NODE* c = LOGIC_NewCalculationNode(CALC_NOP);
  if (c != nullptr) c->pLeftValue = LOGIC_NewConstantValue(type, v, BASE_DECIMAL);
  return c;
}

}  // namespace

CALCULATION_NODE* LOGIC_NewConstantCalculation(uint32_t type) {
  return NewConstantCalc(type, false);
}

CALCULATION_NODE* LOGIC_NewUnitCalculation(uint32_t type) { return NewConstantCalc(type, true); }

// ---- Copy -----------------------------------------------------------------------------------

VALUE_NODE* LOGIC_CloneValue(const VALUE_NODE* value) {
  if (value == nullptr) return nullptr;
  VALUE_NODE* v = LOGIC_NewValueNode();
  if (v == nullptr) return nullptr;
  // Evaluation on another thread may store a symbol leaf's type meanwhile (LOGIC_ReadValueNode).
  v->DataType = std::atomic_ref<uint32_t>(const_cast<uint32_t&>(value->DataType))
                    .load(std::memory_order_relaxed);
  v->BaseToDisplayIn = value->BaseToDisplayIn;
  if (value->pSymbol != nullptr) {
    v->pSymbol = LOGIC_NewSymbolIdFrom(value->pSymbol->Name, value->pSymbol->Address);
    if (v->pSymbol == nullptr) {
      LOGIC_FreeValue(v);
      return nullptr;
    }
  }
  if (value->pConstant != nullptr) {
    v->pConstant = NewBlock<VALUE_SLOT>("Constant");
    if (v->pConstant == nullptr) {
      LOGIC_FreeValue(v);
      return nullptr;
    }
    *v->pConstant = *value->pConstant;
  }
  return v;
}

CALCULATION_NODE* LOGIC_CloneCalculation(const CALCULATION_NODE* calc) {
  if (calc == nullptr) return nullptr;
  CALCULATION_NODE* c = LOGIC_NewCalculationNode(calc->CalculationType);
  if (c == nullptr) return nullptr;
  c->pLeftCalc = LOGIC_CloneCalculation(calc->pLeftCalc);
  c->pRightCalc = LOGIC_CloneCalculation(calc->pRightCalc);
  c->pLeftValue = LOGIC_CloneValue(calc->pLeftValue);
  c->pRightValue = LOGIC_CloneValue(calc->pRightValue);
  return c;
}

CONDITION_NODE* LOGIC_CloneCondition(const CONDITION_NODE* cond) {
  if (cond == nullptr) return nullptr;
  CONDITION_NODE* c = LOGIC_NewConditionNode(cond->ConditionType);
  if (c == nullptr) return nullptr;
  c->pLeftCalc = LOGIC_CloneCalculation(cond->pLeftCalc);
  c->pRightCalc = LOGIC_CloneCalculation(cond->pRightCalc);
  return c;
}

FORMULA_NODE* LOGIC_CloneFormula(const FORMULA_NODE* formula) {
  if (formula == nullptr) return nullptr;
  FORMULA_NODE* f = LOGIC_NewFormulaNode(formula->JunctionType);
  if (f == nullptr) return nullptr;
  f->pLeftFormula = LOGIC_CloneFormula(formula->pLeftFormula);
  f->pRightFormula = LOGIC_CloneFormula(formula->pRightFormula);
  f->pLeftCondition = LOGIC_CloneCondition(formula->pLeftCondition);
  f->pRightCondition = LOGIC_CloneCondition(formula->pRightCondition);
  return f;
}

// ---- Free -----------------------------------------------------------------------------------

void LOGIC_FreeValue(VALUE_NODE* value) {
  if (value == nullptr) return;
  FreeBlock(value->pSymbol);
  FreeBlock(value->pConstant);
  FreeBlock(value);
}

void LOGIC_FreeCalculation(CALCULATION_NODE* calc) {
  if (calc == nullptr) return;
  LOGIC_FreeCalculation(calc->pLeftCalc);
  LOGIC_FreeCalculation(calc->pRightCalc);
  LOGIC_FreeValue(calc->pLeftValue);
  LOGIC_FreeValue(calc->pRightValue);
  FreeBlock(calc);
}

void LOGIC_FreeCondition(CONDITION_NODE* cond) {
  if (cond == nullptr) return;
  LOGIC_FreeCalculation(cond->pLeftCalc);
  LOGIC_FreeCalculation(cond->pRightCalc);
  FreeBlock(cond);
}

void LOGIC_FreeFormula(FORMULA_NODE* formula) {
  if (formula == nullptr) return;
  LOGIC_FreeFormula(formula->pLeftFormula);
  LOGIC_FreeFormula(formula->pRightFormula);
  LOGIC_FreeCondition(formula->pLeftCondition);
  LOGIC_FreeCondition(formula->pRightCondition);
  FreeBlock(formula);
}

// ---- Equality -------------------------------------------------------------------------------

bool LOGIC_ValueEquals(const VALUE_NODE* a, const VALUE_NODE* b) {
  if (a == nullptr || b == nullptr) return a == b;
  const bool sa = a->pSymbol != nullptr;
  const bool sb = b->pSymbol != nullptr;
  if (sa != sb) return false;
  if (sa) {
    return a->pSymbol->Address == b->pSymbol->Address &&
           LOGIC_NamesEqual(a->pSymbol->Name, b->pSymbol->Name);
  }
  if (a->DataType != b->DataType || a->BaseToDisplayIn != b->BaseToDisplayIn) return false;
  if (a->pConstant == nullptr || b->pConstant == nullptr) return a->pConstant == b->pConstant;
  // The slots read as doubles: NaN differs from itself, +0.0 equals -0.0.
  return a->pConstant->f64 == b->pConstant->f64;
}

namespace {

// One side of a node: a sub-node wins over a leaf, and is never equal to a leaf.
bool SideEquals(const CALCULATION_NODE* ca, const VALUE_NODE* va, const CALCULATION_NODE* cb,
                const VALUE_NODE* vb) {
  if (ca != nullptr || cb != nullptr) {
    return ca != nullptr && cb != nullptr && LOGIC_CalculationEquals(ca, cb);
  }
  return LOGIC_ValueEquals(va, vb);
}

}  // namespace

bool LOGIC_CalculationEquals(const CALCULATION_NODE* a, const CALCULATION_NODE* b) {
  if (a == nullptr || b == nullptr) return a == b;
  if (a->CalculationType != b->CalculationType) return false;
  if (!SideEquals(a->pLeftCalc, a->pLeftValue, b->pLeftCalc, b->pLeftValue)) return false;
  if (LOGIC_IsUnaryCalculation(a->CalculationType)) return true;
  return SideEquals(a->pRightCalc, a->pRightValue, b->pRightCalc, b->pRightValue);
}

bool LOGIC_ConditionEquals(const CONDITION_NODE* a, const CONDITION_NODE* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return a->ConditionType == b->ConditionType &&
         LOGIC_CalculationEquals(a->pLeftCalc, b->pLeftCalc) &&
         LOGIC_CalculationEquals(a->pRightCalc, b->pRightCalc);
}

namespace {

bool FormulaSideEquals(const FORMULA_NODE* fa, const CONDITION_NODE* ca, const FORMULA_NODE* fb,
                       const CONDITION_NODE* cb) {
  if (fa != nullptr || fb != nullptr) {
    return fa != nullptr && fb != nullptr && LOGIC_FormulaEquals(fa, fb);
  }
  return LOGIC_ConditionEquals(ca, cb);
}

}  // namespace

bool LOGIC_FormulaEquals(const FORMULA_NODE* a, const FORMULA_NODE* b) {
  if (a == nullptr || b == nullptr) return a == b;
  if (a->JunctionType != b->JunctionType) return false;
  if (!FormulaSideEquals(a->pLeftFormula, a->pLeftCondition, b->pLeftFormula, b->pLeftCondition)) {
    return false;
  }
  if (LOGIC_IsUnaryJunction(a->JunctionType)) return true;
  return FormulaSideEquals(a->pRightFormula, a->pRightCondition, b->pRightFormula,
                           b->pRightCondition);
}

// ---- Symbol use -----------------------------------------------------------------------------

namespace {

bool ValueUses(const VALUE_NODE* v, const ACTIVE_SYMBOL& s) {
  return v != nullptr && v->pSymbol != nullptr && LOGIC_SymbolIdMatches(*v->pSymbol, s);
}

}  // namespace

bool LOGIC_CalculationUsesSymbol(const CALCULATION_NODE* calc, const ACTIVE_SYMBOL* symbol) {
  if (calc == nullptr || symbol == nullptr) return false;
  return ValueUses(calc->pLeftValue, *symbol) || ValueUses(calc->pRightValue, *symbol) ||
         LOGIC_CalculationUsesSymbol(calc->pLeftCalc, symbol) ||
         LOGIC_CalculationUsesSymbol(calc->pRightCalc, symbol);
}

namespace {

bool ConditionUses(const CONDITION_NODE* c, const ACTIVE_SYMBOL* s) {
  return c != nullptr && (LOGIC_CalculationUsesSymbol(c->pLeftCalc, s) ||
                          LOGIC_CalculationUsesSymbol(c->pRightCalc, s));
}

}  // namespace

bool LOGIC_FormulaUsesSymbol(const FORMULA_NODE* formula, const ACTIVE_SYMBOL* symbol) {
  if (formula == nullptr || symbol == nullptr) return false;
  return ConditionUses(formula->pLeftCondition, symbol) ||
         ConditionUses(formula->pRightCondition, symbol) ||
         LOGIC_FormulaUsesSymbol(formula->pLeftFormula, symbol) ||
         LOGIC_FormulaUsesSymbol(formula->pRightFormula, symbol);
}

// ---- Normalisation --------------------------------------------------------------------------

namespace {

// Steps 1 and 2 for one side: drop a leaf shadowed by a sub-calculation, and lift the operand
// of a no-operation sub-calculation into this side.
void LiftCalcSide(CALCULATION_NODE*& sub, VALUE_NODE*& value) {
  if (sub == nullptr) return;
  LOGIC_FreeValue(value);
  value = nullptr;
  if (sub->CalculationType != CALC_NOP) return;
  CALCULATION_NODE* nop = sub;
  if (nop->pLeftCalc != nullptr) {
    sub = nop->pLeftCalc;
    nop->pLeftCalc = nullptr;
  } else {
    sub = nullptr;
    value = nop->pLeftValue;
    nop->pLeftValue = nullptr;
  }
  LOGIC_FreeCalculation(nop);
}

void RefreshSymbolValue(VALUE_NODE* v) {
  if (v == nullptr || v->pSymbol == nullptr) return;
  FreeBlock(v->pConstant);
  v->pConstant = nullptr;
  if (const ACTIVE_SYMBOL* s = LOGIC_FindActiveSymbol(v->pSymbol)) v->DataType = s->ValueType;
}

void NormalizeNode(CALCULATION_NODE* n) {
  if (n == nullptr) return;
  // Lifting repeats while the new sub-node is itself a no-operation node, so a chain of
  // them collapses completely (((a)) becomes a).
  while (n->pLeftCalc != nullptr && n->pLeftCalc->CalculationType == CALC_NOP) {
    LiftCalcSide(n->pLeftCalc, n->pLeftValue);
  }
  LiftCalcSide(n->pLeftCalc, n->pLeftValue);
  while (n->pRightCalc != nullptr && n->pRightCalc->CalculationType == CALC_NOP) {
    LiftCalcSide(n->pRightCalc, n->pRightValue);
  }
  LiftCalcSide(n->pRightCalc, n->pRightValue);
  if (LOGIC_IsUnaryCalculation(n->CalculationType)) {
    LOGIC_FreeCalculation(n->pRightCalc);
    n->pRightCalc = nullptr;
    LOGIC_FreeValue(n->pRightValue);
    n->pRightValue = nullptr;
  }
  NormalizeNode(n->pLeftCalc);
  NormalizeNode(n->pRightCalc);
  RefreshSymbolValue(n->pLeftValue);
  RefreshSymbolValue(n->pRightValue);
}

void LiftFormulaSide(FORMULA_NODE*& sub, CONDITION_NODE*& cond) {
  if (sub == nullptr) return;
  LOGIC_FreeCondition(cond);
  cond = nullptr;
  if (sub->JunctionType != JUNC_NONE) return;
  FORMULA_NODE* none = sub;
  if (none->pLeftFormula != nullptr) {
    sub = none->pLeftFormula;
    none->pLeftFormula = nullptr;
  } else {
    sub = nullptr;
    cond = none->pLeftCondition;
    none->pLeftCondition = nullptr;
  }
  LOGIC_FreeFormula(none);
}

void NormalizeCondition(CONDITION_NODE* c) {
  if (c == nullptr) return;
  LOGIC_NormalizeCalculation(&c->pLeftCalc);
  LOGIC_NormalizeCalculation(&c->pRightCalc);
}

void NormalizeFormulaNode(FORMULA_NODE* f) {
  if (f == nullptr) return;
  while (f->pLeftFormula != nullptr && f->pLeftFormula->JunctionType == JUNC_NONE) {
    LiftFormulaSide(f->pLeftFormula, f->pLeftCondition);
  }
  LiftFormulaSide(f->pLeftFormula, f->pLeftCondition);
  while (f->pRightFormula != nullptr && f->pRightFormula->JunctionType == JUNC_NONE) {
    LiftFormulaSide(f->pRightFormula, f->pRightCondition);
  }
  LiftFormulaSide(f->pRightFormula, f->pRightCondition);
  if (LOGIC_IsUnaryJunction(f->JunctionType)) {
    LOGIC_FreeFormula(f->pRightFormula);
    f->pRightFormula = nullptr;
    LOGIC_FreeCondition(f->pRightCondition);
    f->pRightCondition = nullptr;
  }
  NormalizeFormulaNode(f->pLeftFormula);
  NormalizeFormulaNode(f->pRightFormula);
  NormalizeCondition(f->pLeftCondition);
  NormalizeCondition(f->pRightCondition);
}

}  // namespace

void LOGIC_NormalizeCalculation(CALCULATION_NODE** root) {
  if (root == nullptr) return;
  // A no-operation root over a sub-calculation gives way to that sub-calculation.
  while (*root != nullptr && (*root)->CalculationType == CALC_NOP &&
         (*root)->pLeftCalc != nullptr) {
    CALCULATION_NODE* old = *root;
    *root = old->pLeftCalc;
    old->pLeftCalc = nullptr;
    LOGIC_FreeCalculation(old);
  }
  NormalizeNode(*root);
}

void LOGIC_NormalizeFormula(FORMULA_NODE** root) {
  if (root == nullptr) return;
  while (*root != nullptr && (*root)->JunctionType == JUNC_NONE &&
         (*root)->pLeftFormula != nullptr) {
    FORMULA_NODE* old = *root;
    *root = old->pLeftFormula;
    old->pLeftFormula = nullptr;
    LOGIC_FreeFormula(old);
  }
  NormalizeFormulaNode(*root);
}
