// Slot filling: putting a new operand into the first free position of a calculation, shared
// by the text parser and the button-driven editor.
#pragma once

#include "logic/logic_tree.h"

// Puts `value` into the first free value position (depth-first, left before right; right
// positions only on binary nodes) and returns the address of the filled position, or null
// when no position is free (the caller keeps the value). A constant is then brought to a
// common type with its sibling on the same node; symbol references are never converted.
VALUE_NODE** LOGIC_InsertValue(CALCULATION_NODE* root, VALUE_NODE* value);

// Puts `sub` into the first free sub-calculation position whose value slot is also empty;
// returns the filled position or null.
CALCULATION_NODE** LOGIC_InsertCalculation(CALCULATION_NODE* root, CALCULATION_NODE* sub);

// Brings the constant on one side of `node` (left when `left_side`) to the common type with
// its sibling: the sibling sub-calculation's result type, else the sibling value's type,
// else U32 when the sibling is empty and the node is a shift or bitwise operation.
void LOGIC_MatchConstantToSibling(CALCULATION_NODE* node, bool left_side);
