#include "logic/logic_symbol_ids.h"

#include <algorithm>

namespace {

void VisitValue(VALUE_NODE* value, LOGIC_SymbolIdVisitor visit, void* user) {
  if (value != nullptr && value->pSymbol != nullptr) visit(*value->pSymbol, user);
}

void VisitCondition(CONDITION_NODE* cond, LOGIC_SymbolIdVisitor visit, void* user) {
  if (cond == nullptr) return;
  LOGIC_ForEachCalculationSymbolId(cond->pLeftCalc, visit, user);
  LOGIC_ForEachCalculationSymbolId(cond->pRightCalc, visit, user);
}

uint32_t ConditionDepth(const CONDITION_NODE* cond, uint32_t limit) {
  if (cond == nullptr) return 0;
  if (limit == 0) return 1;
  return 1 + std::max(LOGIC_CalculationDepth(cond->pLeftCalc, limit - 1),
                      LOGIC_CalculationDepth(cond->pRightCalc, limit - 1));
}

}  // namespace

void LOGIC_ForEachCalculationSymbolId(CALCULATION_NODE* calc, LOGIC_SymbolIdVisitor visit,
                                      void* user) {
  if (calc == nullptr) return;
  LOGIC_ForEachCalculationSymbolId(calc->pLeftCalc, visit, user);
  VisitValue(calc->pLeftValue, visit, user);
  LOGIC_ForEachCalculationSymbolId(calc->pRightCalc, visit, user);
  VisitValue(calc->pRightValue, visit, user);
}

void LOGIC_ForEachFormulaSymbolId(FORMULA_NODE* formula, LOGIC_SymbolIdVisitor visit,
                                  void* user) {
  if (formula == nullptr) return;
  LOGIC_ForEachFormulaSymbolId(formula->pLeftFormula, visit, user);
  VisitCondition(formula->pLeftCondition, visit, user);
  LOGIC_ForEachFormulaSymbolId(formula->pRightFormula, visit, user);
  VisitCondition(formula->pRightCondition, visit, user);
}

uint32_t LOGIC_CalculationDepth(const CALCULATION_NODE* calc, uint32_t limit) {
  if (calc == nullptr) return 0;
  if (limit == 0) return 1;
  return 1 + std::max(LOGIC_CalculationDepth(calc->pLeftCalc, limit - 1),
                      LOGIC_CalculationDepth(calc->pRightCalc, limit - 1));
}

uint32_t LOGIC_FormulaDepth(const FORMULA_NODE* formula, uint32_t limit) {
  if (formula == nullptr) return 0;
  if (limit == 0) return 1;
  const uint32_t left = std::max(LOGIC_FormulaDepth(formula->pLeftFormula, limit - 1),
                                 ConditionDepth(formula->pLeftCondition, limit - 1));
  const uint32_t right = std::max(LOGIC_FormulaDepth(formula->pRightFormula, limit - 1),
                                  ConditionDepth(formula->pRightCondition, limit - 1));
  return 1 + std::max(left, right);
}
