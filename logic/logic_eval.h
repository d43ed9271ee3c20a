// Checking and evaluating formula and calculation trees against the current symbol values.
//
// Evaluation allocates nothing and reports nothing to the user; it returns check flags
// (CHECK_* in logic_value.h). A result may be used only when the flags are 0.
#pragma once

#include <cstdint>

#include "logic/logic_tree.h"

// Whether the program is in Run mode. Run mode changes how a symbol without a fresh sample
// reads (its last written value instead of 0) and keeps a division by a symbol that reads 0
// invalid. Set by whoever switches the application mode; read from any thread.
void LOGIC_SetRunMode(bool is_run_mode);
bool LOGIC_IsRunMode();

// Reads a leaf: a constant's 8 bytes, or the referenced active symbol's value (its latest
// sample unless a newer write is pending; else, in Run mode, its last written value; else 0).
// Refreshes a symbol reference's DataType. Sets *saturate when the symbol catches overflow.
// An unknown symbol or unsupported type gives slot 0 and type 0.
void LOGIC_ReadValueNode(VALUE_NODE* value, VALUE_SLOT* slot, uint32_t* type, bool* saturate);

// Structural flags of a calculation (2 for null, 4, 8, 128).
uint32_t LOGIC_CalculationStructure(const CALCULATION_NODE* calc);

// Structure OR evaluation flags; null gives 4 (calculation) or 1 (formula).
uint32_t LOGIC_CheckCalculation(CALCULATION_NODE* calc);
uint32_t LOGIC_CheckCondition(CONDITION_NODE* cond);
uint32_t LOGIC_CheckFormula(FORMULA_NODE* formula);

// The calculation's result type, or 0 when its structure or its root fails.
uint32_t LOGIC_ResultType(CALCULATION_NODE* calc);

// Evaluates into *slot and *type (both cleared first); null node gives 4, null outputs 0.
uint32_t LOGIC_EvalCalculation(CALCULATION_NODE* calc, VALUE_SLOT* slot, uint32_t* type);
bool LOGIC_EvalCondition(CONDITION_NODE* cond);
bool LOGIC_EvalFormula(FORMULA_NODE* formula);

// Division concerns: 0 none, 1 a symbol occurs in a divisor (it may read 0 at run time),
// 2 a divisor is zero and holds no symbol (a constant zero).
constexpr int DIVISORS_OK = 0;
constexpr int DIVISORS_SYMBOL = 1;
constexpr int DIVISORS_ZERO = 2;
int LOGIC_ScanDivisors(CALCULATION_NODE* calc);
