#include "logic/logic_insert.h"

#include "logic/logic_eval.h"

void LOGIC_MatchConstantToSibling(CALCULATION_NODE* node, bool left_side) {
  if (node == nullptr) return;
  VALUE_NODE* v = left_side ? node->pLeftValue : node->pRightValue;
  if (v == nullptr || v->pSymbol != nullptr || v->pConstant == nullptr) return;
  CALCULATION_NODE* sibling_calc = left_side ? node->pRightCalc : node->pLeftCalc;
  const VALUE_NODE* sibling_value = left_side ? node->pRightValue : node->pLeftValue;
  uint32_t other = 0;
  if (sibling_calc != nullptr) {
    other = LOGIC_ResultType(sibling_calc);
  } else if (sibling_value != nullptr) {
    other = sibling_value->DataType;
  } else if (node->CalculationType >= CALC_SHL && node->CalculationType <= CALC_XOR) {
    other = TYPEID_U32;
  } else {
    return;
  }
  const uint32_t common = LOGIC_CommonType(v->DataType, other);
  if (common == 0) return;  // nothing to agree on (an incomplete or unknown sibling)
  LOGIC_ConvertValue(v->pConstant, v->DataType, common);
  v->DataType = common;
}

VALUE_NODE** LOGIC_InsertValue(CALCULATION_NODE* n, VALUE_NODE* value) {
  if (n == nullptr || value == nullptr) return nullptr;
  if (n->pLeftCalc != nullptr) {
    if (VALUE_NODE** p = LOGIC_InsertValue(n->pLeftCalc, value)) return p;
  } else if (n->pLeftValue == nullptr) {
    n->pLeftValue = value;
    LOGIC_MatchConstantToSibling(n, true);
    return &n->pLeftValue;
  }
  if (LOGIC_IsUnaryCalculation(n->CalculationType)) return nullptr;
  if (n->pRightCalc != nullptr) return LOGIC_InsertValue(n->pRightCalc, value);
  if (n->pRightValue == nullptr) {
    n->pRightValue = value;
    LOGIC_MatchConstantToSibling(n, false);
    return &n->pRightValue;
  }
  return nullptr;
}

CALCULATION_NODE** LOGIC_InsertCalculation(CALCULATION_NODE* n, CALCULATION_NODE* sub) {
  if (n == nullptr || sub == nullptr) return nullptr;
  if (n->pLeftCalc != nullptr) {
    if (CALCULATION_NODE** p = LOGIC_InsertCalculation(n->pLeftCalc, sub)) return p;
  } else if (n->pLeftValue == nullptr) {
    n->pLeftCalc = sub;
    return &n->pLeftCalc;
  }
  if (LOGIC_IsUnaryCalculation(n->CalculationType)) return nullptr;
  if (n->pRightCalc != nullptr) return LOGIC_InsertCalculation(n->pRightCalc, sub);
  if (n->pRightValue == nullptr) {
    n->pRightCalc = sub;
    return &n->pRightCalc;
  }
  return nullptr;
}
