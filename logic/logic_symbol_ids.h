// Walks over the symbol identities of formula and calculation trees (renaming them after a
// reparse, listing what a tree reads) and measures how deeply a tree nests.
#pragma once

#include <cstdint>

#include "logic/logic_tree.h"

using LOGIC_SymbolIdVisitor = void (*)(SYMBOL_ID& id, void* user);

// Visits every symbol identity of the tree, left before right. Null trees are ignored.
void LOGIC_ForEachCalculationSymbolId(CALCULATION_NODE* calc, LOGIC_SymbolIdVisitor visit,
                                      void* user);
void LOGIC_ForEachFormulaSymbolId(FORMULA_NODE* formula, LOGIC_SymbolIdVisitor visit,
                                  void* user);

// Longest chain of formula, condition and calculation nodes from the root down (0 for
// null). Stops counting past `limit`, so hostile trees cost no more than that.
uint32_t LOGIC_CalculationDepth(const CALCULATION_NODE* calc, uint32_t limit);
uint32_t LOGIC_FormulaDepth(const FORMULA_NODE* formula, uint32_t limit);

// Deepest tree the project file stores: the XML reader refuses documents nested much
// deeper, so a tree beyond this is neither saved nor loaded.
constexpr uint32_t LOGIC_MAX_TREE_DEPTH = 80;
