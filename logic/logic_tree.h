// Formula and calculation trees: node records, construction, deep copy, freeing, structural
// equality, symbol use and normalisation.
//
// Ownership: whoever holds a root owns the whole tree; every pointer below is owning.
// Trees are not locked: they are built, changed and evaluated on one thread at a time.
// Every node, leaf, symbol identity and constant is a labelled platform memory block.
#pragma once

#include <cstdint>

#include "logic/logic_value.h"
#include "symbols/active_symbol.h"

constexpr int SYMBOL_ID_NAME_SIZE = 256;

// The identity of a target symbol as stored in trees, write jobs and the project file.
// Matches an active symbol when the addresses are equal and the names are equal with ASCII
// letter case ignored.
struct SYMBOL_ID {
  char Name[SYMBOL_ID_NAME_SIZE] = {};  // zero-terminated
  uint32_t Address = 0;
};

// How an integer constant is shown.
constexpr uint32_t BASE_DECIMAL = 0;
constexpr uint32_t BASE_BINARY = 1;
constexpr uint32_t BASE_HEX = 2;

// A leaf: a symbol reference when pSymbol is set (any constant is then ignored), otherwise a
// constant. DataType mirrors the symbol's current type for a symbol reference.
struct VALUE_NODE {
  uint32_t DataType = 0;
  SYMBOL_ID* pSymbol = nullptr;
  VALUE_SLOT* pConstant = nullptr;
  uint32_t BaseToDisplayIn = BASE_DECIMAL;
};

// Each side is a sub-calculation or a value; a sub-calculation wins when both are present.
// Codes 0 (no operation) and 8 (invert) use only the left side.
struct CALCULATION_NODE {
  uint32_t CalculationType = CALC_NOP;
  CALCULATION_NODE* pLeftCalc = nullptr;
  CALCULATION_NODE* pRightCalc = nullptr;
  VALUE_NODE* pLeftValue = nullptr;
  VALUE_NODE* pRightValue = nullptr;
};

struct CONDITION_NODE {
  uint32_t ConditionType = COND_EQ;
  CALCULATION_NODE* pLeftCalc = nullptr;
  CALCULATION_NODE* pRightCalc = nullptr;
};

// Junction codes (FORMULA_NODE::JunctionType). 0 and 1 are unary.
constexpr uint32_t JUNC_NONE = 0;
constexpr uint32_t JUNC_NOT = 1;
constexpr uint32_t JUNC_AND = 2;
constexpr uint32_t JUNC_OR = 3;
constexpr uint32_t JUNC_XOR = 4;

// Each side is a sub-formula or a condition; a sub-formula wins when both are present.
struct FORMULA_NODE {
  uint32_t JunctionType = JUNC_NONE;
  FORMULA_NODE* pLeftFormula = nullptr;
  FORMULA_NODE* pRightFormula = nullptr;
  CONDITION_NODE* pLeftCondition = nullptr;
  CONDITION_NODE* pRightCondition = nullptr;
};

inline bool LOGIC_IsUnaryCalculation(uint32_t code) {
  return code == CALC_NOP || code == CALC_INVERT;
}
inline bool LOGIC_IsUnaryJunction(uint32_t code) { return code == JUNC_NONE || code == JUNC_NOT; }

// ---- Symbol identities --------------------------------------------------------------------

// ASCII case-insensitive equality of two zero-terminated names.
bool LOGIC_NamesEqual(const char* a, const char* b);
bool LOGIC_SymbolIdMatches(const SYMBOL_ID& id, const ACTIVE_SYMBOL& symbol);
// The first active symbol matching the identity, or null (null identity gives null).
ACTIVE_SYMBOL* LOGIC_FindActiveSymbol(const SYMBOL_ID* id);
// A new identity with the record's name and address; null (after "Insufficient memory!")
// on allocation failure.
SYMBOL_ID* LOGIC_NewSymbolId(const ACTIVE_SYMBOL& symbol);
SYMBOL_ID* LOGIC_NewSymbolIdFrom(const char* name, uint32_t address);
void LOGIC_FreeSymbolId(SYMBOL_ID* id);

// ---- Single nodes (each shows "Insufficient memory!" and returns null on failure) ----------

CALCULATION_NODE* LOGIC_NewCalculationNode(uint32_t calculation_type);
CONDITION_NODE* LOGIC_NewConditionNode(uint32_t condition_type);
FORMULA_NODE* LOGIC_NewFormulaNode(uint32_t junction_type);
// An empty leaf (neither symbol nor constant).
VALUE_NODE* LOGIC_NewValueNode();
// A leaf referring to the symbol, typed with its value type.
VALUE_NODE* LOGIC_NewSymbolValue(const ACTIVE_SYMBOL& symbol);
// A constant leaf holding `value` (copied whole) of `type`.
VALUE_NODE* LOGIC_NewConstantValue(uint32_t type, const VALUE_SLOT& value, uint32_t base);

// ---- Construction --------------------------------------------------------------------------

// JunctionType 0 over the condition (U8 0 != U8 0): renders as (0  !=  0), always false.
FORMULA_NODE* LOGIC_NewDefaultFormula();
// Code 0 over a value referring to the symbol; null for a null symbol.
CALCULATION_NODE* LOGIC_NewSymbolCalculation(const ACTIVE_SYMBOL* symbol);
// Code 0 over the constant 0 (or 1, the unit: 1.0 for reals, true for bool) of the type;
// null for an unsupported type.
CALCULATION_NODE* LOGIC_NewConstantCalculation(uint32_t type);
CALCULATION_NODE* LOGIC_NewUnitCalculation(uint32_t type);

// ---- Whole trees (each accepts null) -------------------------------------------------------

VALUE_NODE* LOGIC_CloneValue(const VALUE_NODE* value);
CALCULATION_NODE* LOGIC_CloneCalculation(const CALCULATION_NODE* calc);
CONDITION_NODE* LOGIC_CloneCondition(const CONDITION_NODE* cond);
FORMULA_NODE* LOGIC_CloneFormula(const FORMULA_NODE* formula);

void LOGIC_FreeValue(VALUE_NODE* value);
void LOGIC_FreeCalculation(CALCULATION_NODE* calc);
void LOGIC_FreeCondition(CONDITION_NODE* cond);
void LOGIC_FreeFormula(FORMULA_NODE* formula);

bool LOGIC_ValueEquals(const VALUE_NODE* a, const VALUE_NODE* b);
bool LOGIC_CalculationEquals(const CALCULATION_NODE* a, const CALCULATION_NODE* b);
bool LOGIC_ConditionEquals(const CONDITION_NODE* a, const CONDITION_NODE* b);
bool LOGIC_FormulaEquals(const FORMULA_NODE* a, const FORMULA_NODE* b);

bool LOGIC_CalculationUsesSymbol(const CALCULATION_NODE* calc, const ACTIVE_SYMBOL* symbol);
bool LOGIC_FormulaUsesSymbol(const FORMULA_NODE* formula, const ACTIVE_SYMBOL* symbol);

// Lifts no-operation sub-nodes into their parents, drops unused right sides of unary nodes
// and leaves shadowed by sub-nodes, and refreshes symbol references from the active list.
void LOGIC_NormalizeCalculation(CALCULATION_NODE** root);
void LOGIC_NormalizeFormula(FORMULA_NODE** root);
