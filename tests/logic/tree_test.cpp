// Trees: construction, copy, equality, symbol use, normalisation and slot filling.
#include <cmath>
#include <limits>

#include "logic/logic_insert.h"
#include "logic/logic_render.h"
#include "tests/logic/logic_fixture.h"

namespace {

class LogicTree : public LogicTest {};

TEST_F(LogicTree, ConstructionHelpers) {
  FORMULA_NODE* f = LOGIC_NewDefaultFormula();
  EXPECT_EQ(LOGIC_FormulaText(f), "(0  !=  0)");
  EXPECT_FALSE(LOGIC_EvalFormula(f));
  EXPECT_EQ(LOGIC_CheckFormula(f), 0u);
  LOGIC_FreeFormula(f);

  struct Case {
    uint32_t type;
    const char* zero;
    const char* unit;
  };
  const Case cases[] = {{TYPEID_FLOAT, "0.00f", "1.00f"}, {TYPEID_DOUBLE, "0.00", "1.00"},
                        {TYPEID_BOOL, "false", "true"},   {TYPEID_U8, "0", "1"},
                        {TYPEID_I16, "0", "1"},           {TYPEID_U32, "0", "1"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(LOGIC_TypeName(c.type));
    CALCULATION_NODE* z = LOGIC_NewConstantCalculation(c.type);
    CALCULATION_NODE* u = LOGIC_NewUnitCalculation(c.type);
    EXPECT_EQ(LOGIC_CalculationText(z), c.zero);
    EXPECT_EQ(LOGIC_CalculationText(u), c.unit);
    EXPECT_EQ(LOGIC_ResultType(u), c.type);
    LOGIC_FreeCalculation(z);
    LOGIC_FreeCalculation(u);
  }
  for (uint32_t bad : {0u, 3u, 9u, 13u, 14u, 99u}) {
    EXPECT_EQ(LOGIC_NewConstantCalculation(bad), nullptr) << bad;
    EXPECT_EQ(LOGIC_NewUnitCalculation(bad), nullptr) << bad;
  }
  EXPECT_EQ(LOGIC_NewSymbolCalculation(nullptr), nullptr);
  ACTIVE_SYMBOL* a = AddSymbol("Speed", TYPEID_I16, -3);
  CALCULATION_NODE* s = LOGIC_NewSymbolCalculation(a);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->pLeftValue->DataType, TYPEID_I16);
  EXPECT_EQ(s->pLeftValue->pSymbol->Address, a->Address);
  EXPECT_EQ(LOGIC_CalculationText(s), "Speed");
  LOGIC_FreeCalculation(s);
}

TEST_F(LogicTree, CloneIsDeepAndEqual) {
  AddSymbol("a", TYPEID_U8, 1);
  CALCULATION_NODE* root = Parse("(a * 0x3) + 1.5f");
  CALCULATION_NODE* copy = LOGIC_CloneCalculation(root);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(LOGIC_CalculationEquals(root, copy));
  EXPECT_NE(copy->pLeftCalc, root->pLeftCalc);
  EXPECT_NE(copy->pLeftCalc->pLeftValue->pSymbol, root->pLeftCalc->pLeftValue->pSymbol);
  EXPECT_NE(copy->pRightValue->pConstant, root->pRightValue->pConstant);
  EXPECT_EQ(copy->pLeftCalc->pRightValue->BaseToDisplayIn, BASE_HEX);
  copy->pRightValue->pConstant->f32 = 2.5f;
  EXPECT_FALSE(LOGIC_CalculationEquals(root, copy));
  LOGIC_FreeCalculation(copy);

  FORMULA_NODE* f = LOGIC_NewFormulaNode(JUNC_OR);
  f->pLeftFormula = LOGIC_NewDefaultFormula();
  f->pRightCondition = LOGIC_NewConditionNode(COND_GT);
  f->pRightCondition->pLeftCalc = LOGIC_CloneCalculation(root);
  FORMULA_NODE* fc = LOGIC_CloneFormula(f);
  EXPECT_TRUE(LOGIC_FormulaEquals(f, fc));
  fc->pRightCondition->ConditionType = COND_LT;
  EXPECT_FALSE(LOGIC_FormulaEquals(f, fc));
  LOGIC_FreeFormula(fc);
  LOGIC_FreeFormula(f);
  LOGIC_FreeCalculation(root);
  EXPECT_EQ(LOGIC_CloneCalculation(nullptr), nullptr);
  EXPECT_EQ(LOGIC_CloneFormula(nullptr), nullptr);
  LOGIC_FreeCalculation(nullptr);
  LOGIC_FreeFormula(nullptr);
}

TEST_F(LogicTree, Equality) {
  ACTIVE_SYMBOL* a = AddSymbol("Alpha", TYPEID_U8);
  struct Case {
    const char* name;
    VALUE_NODE* l;
    VALUE_NODE* r;
    bool want;
  };
  VALUE_NODE* upper = LOGIC_NewSymbolValue(*a);
  SYS_CopyText(upper->pSymbol->Name, sizeof upper->pSymbol->Name, "ALPHA");
  VALUE_NODE* moved = LOGIC_NewSymbolValue(*a);
  moved->pSymbol->Address += 4;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Case cases[] = {
      {"NaN constants differ", Const(TYPEID_DOUBLE, nan), Const(TYPEID_DOUBLE, nan), false},
      {"+0.0 equals -0.0", Const(TYPEID_DOUBLE, 0.0), Const(TYPEID_DOUBLE, -0.0), true},
      {"same U8", Const(TYPEID_U8, 7), Const(TYPEID_U8, 7), true},
      {"types differ", Const(TYPEID_U8, 7), Const(TYPEID_I8, 7), false},
      {"bases differ", Const(TYPEID_U8, 7), Const(TYPEID_U8, 7, BASE_HEX), false},
      {"names ignore case", LOGIC_NewSymbolValue(*a), upper, true},
      {"addresses differ", LOGIC_NewSymbolValue(*a), moved, false},
      {"symbol vs constant", LOGIC_NewSymbolValue(*a), Const(TYPEID_U8, 0), false},
      {"empty leaves", LOGIC_NewValueNode(), LOGIC_NewValueNode(), true},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    CALCULATION_NODE* x = Binary(CALC_ADD, c.l, Const(TYPEID_U8, 1));
    CALCULATION_NODE* y = Binary(CALC_ADD, c.r, Const(TYPEID_U8, 1));
    EXPECT_EQ(LOGIC_CalculationEquals(x, y), c.want);
    LOGIC_FreeCalculation(x);
    LOGIC_FreeCalculation(y);
  }
  // A sub-node is never equal to a leaf; unary nodes ignore their right side.
  CALCULATION_NODE* leaf = Binary(CALC_ADD, Const(TYPEID_U8, 1), Const(TYPEID_U8, 2));
  CALCULATION_NODE* sub = Binary(CALC_ADD, nullptr, Const(TYPEID_U8, 2));
  sub->pLeftCalc = LOGIC_NewConstantCalculation(TYPEID_U8);
  EXPECT_FALSE(LOGIC_CalculationEquals(leaf, sub));
  CALCULATION_NODE* n1 = Binary(CALC_INVERT, Const(TYPEID_U8, 1), Const(TYPEID_U8, 5));
  CALCULATION_NODE* n2 = Binary(CALC_INVERT, Const(TYPEID_U8, 1), nullptr);
  EXPECT_TRUE(LOGIC_CalculationEquals(n1, n2));
  EXPECT_TRUE(LOGIC_CalculationEquals(nullptr, nullptr));
  EXPECT_FALSE(LOGIC_CalculationEquals(n1, nullptr));
  for (CALCULATION_NODE* c : {leaf, sub, n1, n2}) LOGIC_FreeCalculation(c);
}

TEST_F(LogicTree, UsesSymbol) {
  ACTIVE_SYMBOL* a = AddSymbol("a", TYPEID_U8);
  ACTIVE_SYMBOL* b = AddSymbol("b", TYPEID_U8);
  ACTIVE_SYMBOL* c = AddSymbol("c", TYPEID_U8);
  CALCULATION_NODE* calc = Parse("1 - (1 + b)");
  EXPECT_TRUE(LOGIC_CalculationUsesSymbol(calc, b));
  EXPECT_FALSE(LOGIC_CalculationUsesSymbol(calc, a));
  FORMULA_NODE* f = LOGIC_NewFormulaNode(JUNC_AND);
  f->pLeftFormula = LOGIC_NewDefaultFormula();
  f->pRightCondition = LOGIC_NewConditionNode(COND_EQ);
  f->pRightCondition->pRightCalc = LOGIC_NewSymbolCalculation(c);
  EXPECT_TRUE(LOGIC_FormulaUsesSymbol(f, c));
  EXPECT_FALSE(LOGIC_FormulaUsesSymbol(f, a));
  EXPECT_FALSE(LOGIC_FormulaUsesSymbol(nullptr, a));
  EXPECT_FALSE(LOGIC_CalculationUsesSymbol(calc, nullptr));
  LOGIC_FreeFormula(f);
  LOGIC_FreeCalculation(calc);
}

TEST_F(LogicTree, NormalisationLiftsNoOperationNodes) {
  ACTIVE_SYMBOL* a = AddSymbol("a", TYPEID_I16);
  // nop(nop(a)) renders as "a" and becomes one node holding a.
  CALCULATION_NODE* root = LOGIC_NewCalculationNode(CALC_NOP);
  root->pLeftCalc = LOGIC_NewSymbolCalculation(a);
  EXPECT_EQ(LOGIC_CalculationText(root), "a");
  LOGIC_NormalizeCalculation(&root);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->pLeftCalc, nullptr);
  ASSERT_NE(root->pLeftValue, nullptr);
  EXPECT_EQ(root->pLeftValue->pSymbol->Address, a->Address);
  LOGIC_FreeCalculation(root);

  // (nop(5) + nop(nop(a))) with a shadowed leaf and a unary node's leftovers.
  CALCULATION_NODE* add = LOGIC_NewCalculationNode(CALC_ADD);
  add->pLeftCalc = LOGIC_NewConstantCalculation(TYPEID_U8);
  add->pLeftValue = Const(TYPEID_U8, 99);  // shadowed by the sub-calculation: freed
  add->pRightCalc = LOGIC_NewCalculationNode(CALC_NOP);
  add->pRightCalc->pLeftCalc = LOGIC_NewSymbolCalculation(a);
  CALCULATION_NODE* inv = LOGIC_NewCalculationNode(CALC_INVERT);
  inv->pLeftCalc = add;
  inv->pRightValue = Const(TYPEID_U8, 1);  // unused by a unary node: freed
  VALUE_NODE* ref = inv->pLeftCalc->pRightCalc->pLeftCalc->pLeftValue;
  ref->DataType = TYPEID_U8;  // stale: refreshed from the active symbol
  VALUE_NODE* spare = Const(TYPEID_U8, 1);
  ref->pConstant = spare->pConstant;  // a leftover constant on a symbol reference: freed
  spare->pConstant = nullptr;
  LOGIC_FreeValue(spare);
  LOGIC_NormalizeCalculation(&inv);
  EXPECT_EQ(LOGIC_CalculationText(inv), "~(0 + a)");
  ASSERT_NE(inv->pLeftCalc, nullptr);
  EXPECT_EQ(inv->pRightValue, nullptr);
  EXPECT_EQ(inv->pLeftCalc->pLeftCalc, nullptr);
  EXPECT_EQ(inv->pLeftCalc->pRightCalc, nullptr);
  ASSERT_NE(inv->pLeftCalc->pRightValue, nullptr);
  EXPECT_EQ(inv->pLeftCalc->pRightValue->DataType, TYPEID_I16);
  EXPECT_EQ(inv->pLeftCalc->pRightValue->pConstant, nullptr);
  LOGIC_FreeCalculation(inv);
}

TEST_F(LogicTree, NormalisationOfFormulas) {
  // none(none(cond)) AND-ed with a negation that carries an unused right side.
  FORMULA_NODE* inner = LOGIC_NewFormulaNode(JUNC_NONE);
  inner->pLeftFormula = LOGIC_NewDefaultFormula();
  FORMULA_NODE* neg = LOGIC_NewFormulaNode(JUNC_NOT);
  FORMULA_NODE* spare = LOGIC_NewDefaultFormula();
  neg->pLeftCondition = spare->pLeftCondition;
  spare->pLeftCondition = nullptr;
  LOGIC_FreeFormula(spare);
  FORMULA_NODE* root = LOGIC_NewFormulaNode(JUNC_AND);
  root->pLeftFormula = inner;
  root->pRightFormula = neg;
  neg->pRightFormula = LOGIC_NewDefaultFormula();
  LOGIC_NormalizeFormula(&root);
  EXPECT_EQ(root->pLeftFormula, nullptr);
  EXPECT_NE(root->pLeftCondition, nullptr);
  ASSERT_NE(root->pRightFormula, nullptr);
  EXPECT_EQ(root->pRightFormula->pRightFormula, nullptr);
  EXPECT_EQ(LOGIC_FormulaText(root), "((0  !=  0)  &&  !(0  !=  0))");
  LOGIC_FreeFormula(root);
}

TEST_F(LogicTree, SlotFillingDepthFirstLeftToRight) {
  ACTIVE_SYMBOL* x = AddSymbol("x", TYPEID_I16, 5);
  CALCULATION_NODE* root = LOGIC_NewCalculationNode(CALC_ADD);
  root->pLeftCalc = LOGIC_NewCalculationNode(CALC_MUL);
  int pos = -1;
  EXPECT_EQ(LOGIC_CalculationText(root, true, &pos), "((_ * _) + _)");
  EXPECT_EQ(pos, 2);
  VALUE_NODE* v1 = LOGIC_NewSymbolValue(*x);
  EXPECT_EQ(LOGIC_InsertValue(root, v1), &root->pLeftCalc->pLeftValue);
  // A constant next to the I16 symbol is brought to I16.
  VALUE_NODE* v2 = Const(TYPEID_U8, 5);
  EXPECT_EQ(LOGIC_InsertValue(root, v2), &root->pLeftCalc->pRightValue);
  EXPECT_EQ(v2->DataType, TYPEID_I16);
  // A constant next to a sub-calculation takes the common type with its result type.
  VALUE_NODE* v3 = Const(TYPEID_U16, 40000);
  EXPECT_EQ(LOGIC_InsertValue(root, v3), &root->pRightValue);
  EXPECT_EQ(v3->DataType, TYPEID_I32);
  EXPECT_EQ(v3->pConstant->i32, 40000);
  pos = -1;
  EXPECT_EQ(LOGIC_CalculationText(root, true, &pos), "((x * (I16)5) + (I32)40000)");
  EXPECT_EQ(pos, -1);
  VALUE_NODE* v4 = Const(TYPEID_U8, 1);
  EXPECT_EQ(LOGIC_InsertValue(root, v4), nullptr);  // full: the caller keeps the value
  LOGIC_FreeValue(v4);
  CALCULATION_NODE* c = LOGIC_NewCalculationNode(CALC_SUB);
  EXPECT_EQ(LOGIC_InsertCalculation(root, c), nullptr);
  LOGIC_FreeCalculation(c);
  LOGIC_FreeCalculation(root);

  // A constant in a shift or bitwise node with an empty sibling goes to U32.
  CALCULATION_NODE* shl = LOGIC_NewCalculationNode(CALC_SHL);
  VALUE_NODE* k = Const(TYPEID_I8, -1);
  LOGIC_InsertValue(shl, k);
  EXPECT_EQ(k->DataType, TYPEID_FLOAT);  // I8 with U32 is carried out in float
  LOGIC_FreeCalculation(shl);
  CALCULATION_NODE* band = LOGIC_NewCalculationNode(CALC_AND);
  VALUE_NODE* m = Const(TYPEID_U8, 0x0F);
  LOGIC_InsertValue(band, m);
  EXPECT_EQ(m->DataType, TYPEID_U32);
  // Sub-calculations go only where the value slot is empty too.
  CALCULATION_NODE* sub = LOGIC_NewCalculationNode(CALC_OR);
  EXPECT_EQ(LOGIC_InsertCalculation(band, sub), &band->pRightCalc);
  EXPECT_EQ(LOGIC_InsertValue(band, Const(TYPEID_U8, 1)), &sub->pLeftValue);
  LOGIC_FreeCalculation(band);
}

}  // namespace
