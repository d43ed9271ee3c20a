// Text form of formulas and calculations.
//
// With `placeholders` on (while a tree is being built in the editor) an empty position shows
// as "_" and integer constants carry their cast text ("(U8)5"); off, empty positions show as
// nothing. When an empty position is rendered and *position is negative (position may be
// null), the character position of that slot in the text is stored there, so the editor can
// mark the next insertion point.
#pragma once

#include <string>

#include "logic/logic_tree.h"

// Each appends to `out`.
void LOGIC_RenderValue(const VALUE_NODE* value, bool placeholders, int* position, std::string& out);
void LOGIC_RenderCalculation(const CALCULATION_NODE* calc, bool placeholders, int* position,
                             std::string& out);
void LOGIC_RenderCondition(const CONDITION_NODE* cond, bool placeholders, int* position,
                           std::string& out);
void LOGIC_RenderFormula(const FORMULA_NODE* formula, bool placeholders, int* position,
                         std::string& out);

// Convenience forms returning the text.
std::string LOGIC_CalculationText(const CALCULATION_NODE* calc, bool placeholders = false,
                                  int* position = nullptr);
std::string LOGIC_FormulaText(const FORMULA_NODE* formula, bool placeholders = false,
                              int* position = nullptr);

// A constant as the renderer shows it (without cast text): float "1.50f", double "1.50",
// bool "true"/"false", integers in the base (negative values as "-" and the magnitude,
// "-0x10"). Appends to `out`.
void LOGIC_RenderConstant(const VALUE_SLOT& value, uint32_t type, uint32_t base, std::string& out);
