// Checking and evaluation of trees: structure flags, the saturate rule, Run mode, divisors,
// short-circuit evaluation, and the warning text composed from the flags.
#include "logic/logic_render.h"
#include "logic/logic_warning.h"
#include "tests/logic/logic_fixture.h"

namespace {

class LogicEval : public LogicTest {
 protected:
  uint32_t Eval(CALCULATION_NODE* c, double* value = nullptr, uint32_t* type_out = nullptr) {
    VALUE_SLOT v{};
    uint32_t t = 0;
    const uint32_t flags = LOGIC_EvalCalculation(c, &v, &t);
    if (value != nullptr) *value = Read(v, t);
    if (type_out != nullptr) *type_out = t;
    return flags;
  }
};

TEST_F(LogicEval, StructureFlags) {
  EXPECT_EQ(LOGIC_CheckFormula(nullptr), 1u);
  EXPECT_EQ(LOGIC_CheckCalculation(nullptr), 4u);
  EXPECT_EQ(LOGIC_CalculationStructure(nullptr), 2u);

  // A formula whose only condition lacks its right calculation.
  FORMULA_NODE* f = LOGIC_NewFormulaNode(JUNC_NONE);
  f->pLeftCondition = LOGIC_NewConditionNode(COND_EQ);
  f->pLeftCondition->pLeftCalc = LOGIC_NewConstantCalculation(TYPEID_U8);
  EXPECT_EQ(LOGIC_CheckFormula(f), 2u);
  f->JunctionType = JUNC_AND;  // the right side of a binary junction is missing too
  EXPECT_EQ(LOGIC_CheckFormula(f), 3u);
  LOGIC_FreeFormula(f);

  CALCULATION_NODE* half = Binary(CALC_ADD, Const(TYPEID_U8, 1), nullptr);
  EXPECT_EQ(LOGIC_CheckCalculation(half) & 4u, 4u);
  LOGIC_FreeCalculation(half);
  CALCULATION_NODE* empty_leaf = Binary(CALC_ADD, Const(TYPEID_U8, 1), LOGIC_NewValueNode());
  EXPECT_EQ(LOGIC_CalculationStructure(empty_leaf), 8u);
  LOGIC_FreeCalculation(empty_leaf);
  CALCULATION_NODE* unary = Binary(CALC_INVERT, Const(TYPEID_U8, 1), nullptr);
  EXPECT_EQ(LOGIC_CheckCalculation(unary), 0u);
  LOGIC_FreeCalculation(unary);
}

TEST_F(LogicEval, UnknownSymbolGives128AndItsEvaluation256) {
  ACTIVE_SYMBOL* a = AddSymbol("a", TYPEID_U8, 3);
  CALCULATION_NODE* c = LOGIC_NewSymbolCalculation(a);
  MAIN_pActiveSymbols = nullptr;  // the symbol left the active list
  EXPECT_EQ(LOGIC_CalculationStructure(c), 128u);
  uint32_t type = 99;
  EXPECT_EQ(Eval(c, nullptr, &type), 256u);
  EXPECT_EQ(type, 0u);
  EXPECT_EQ(LOGIC_ResultType(c), 0u);
  // The failed sub-result makes the enclosing binary node report 256 too.
  CALCULATION_NODE* outer = LOGIC_NewCalculationNode(CALC_ADD);
  outer->pLeftCalc = c;
  outer->pRightValue = Const(TYPEID_U8, 1);
  EXPECT_EQ(LOGIC_CheckCalculation(outer), 128u | 256u);
  LOGIC_FreeCalculation(outer);
}

TEST_F(LogicEval, SymbolValuesAndModes) {
  ACTIVE_SYMBOL* a = AddSymbol("a", TYPEID_U16, 1234);
  CALCULATION_NODE* c = LOGIC_NewSymbolCalculation(a);
  a->CurrentValue = Slot(TYPEID_U16, 77);
  struct Case {
    const char* name;
    bool has_sample;
    bool pending;
    bool run;
    double want;
  };
  const Case cases[] = {
      {"latest sample", true, false, false, 1234},
      {"latest sample in Run mode", true, false, true, 1234},
      {"a newer write wins in Run mode", true, true, true, 77},
      {"a newer write outside Run mode reads 0", true, true, false, 0},
      {"no sample in Run mode: last written", false, false, true, 77},
      {"no sample outside Run mode: 0", false, false, false, 0},
  };
  const void* sample = a->pLatestSample;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    a->pLatestSample = k.has_sample ? sample : nullptr;
    a->ValuePending = k.pending ? 1 : 0;
    LOGIC_SetRunMode(k.run);
    double v = -1;
    EXPECT_EQ(Eval(c, &v), 0u);
    EXPECT_EQ(v, k.want);
  }
  a->pLatestSample = sample;
  a->ValuePending = 0;
  // The leaf follows the symbol's current type.
  a->ValueType = TYPEID_BOOL;
  SetSample(a, 0);
  uint32_t type = 0;
  EXPECT_EQ(Eval(c, nullptr, &type), 0u);
  EXPECT_EQ(type, TYPEID_BOOL);
  EXPECT_EQ(c->pLeftValue->DataType, TYPEID_BOOL);
  a->ValueType = TYPEID_U64;
  EXPECT_EQ(Eval(c, nullptr, &type), 256u);
  LOGIC_FreeCalculation(c);
}

TEST_F(LogicEval, SaturationFollowsTheNodesOwnSymbols) {
  // a - (b - c) where only the U16 symbol b catches overflow: only the inner node saturates.
  AddSymbol("a", TYPEID_U16, 5);
  ACTIVE_SYMBOL* b = AddSymbol("b", TYPEID_U16, 3, true);
  AddSymbol("c", TYPEID_U16, 10);
  CALCULATION_NODE* root = Parse("a - (b - c)");
  double v = 0;
  EXPECT_EQ(Eval(root, &v), 0u);
  EXPECT_EQ(v, 5);  // 5 - max(3 - 10, 0)
  SetSample(b, 20);
  EXPECT_EQ(Eval(root, &v), 0u);
  EXPECT_EQ(v, 65531);  // 5 - 10 wraps: the outer node has no catching symbol
  b->CatchOverflow = 0;
  SetSample(b, 3);
  EXPECT_EQ(Eval(root, &v), 0u);
  EXPECT_EQ(v, 5 - (3 - 10 + 65536) + 65536);
  LOGIC_FreeCalculation(root);
}

TEST_F(LogicEval, DivisionByZeroAndDivisors) {
  AddSymbol("x", TYPEID_U8, 0);
  struct Case {
    const char* text;
    int scan;
    uint32_t edit_flags;
    uint32_t run_flags;
  };
  const Case cases[] = {{"x / 0", DIVISORS_ZERO, 64, 64},
                        {"10 / x", DIVISORS_SYMBOL, 0, 64},
                        {"10 % x", DIVISORS_SYMBOL, 0, 64},
                        {"10 / (2 * x)", DIVISORS_SYMBOL, 0, 64},
                        {"10 / (3 - 3)", DIVISORS_ZERO, 64, 64},
                        {"1.5f / 0.0f", DIVISORS_ZERO, 64, 64},
                        {"x / 4", DIVISORS_OK, 0, 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    CALCULATION_NODE* c = Parse(k.text);
    EXPECT_EQ(LOGIC_ScanDivisors(c), k.scan);
    LOGIC_SetRunMode(false);
    double v = -1;
    EXPECT_EQ(Eval(c, &v), k.edit_flags);
    EXPECT_EQ(v, 0);  // never infinity, never a trap
    LOGIC_SetRunMode(true);
    EXPECT_EQ(Eval(c, &v), k.run_flags);
    EXPECT_EQ(LOGIC_CheckCalculation(c), k.run_flags);
    LOGIC_FreeCalculation(c);
  }
  LOGIC_SetRunMode(false);
  EXPECT_EQ(LOGIC_ScanDivisors(nullptr), DIVISORS_OK);
}

TEST_F(LogicEval, FormulaJunctionsAndShortCircuit) {
  ACTIVE_SYMBOL* s = AddSymbol("s", TYPEID_U8, 1);
  auto cond = [&](bool value) {
    CONDITION_NODE* c = LOGIC_NewConditionNode(value ? COND_EQ : COND_NE);
    c->pLeftCalc = LOGIC_NewConstantCalculation(TYPEID_U8);
    c->pRightCalc = LOGIC_NewSymbolCalculation(s);
    c->pRightCalc->pLeftValue->DataType = 0;  // reading the leaf refreshes this
    SetSample(s, 0);
    return c;
  };
  struct Case {
    uint32_t junction;
    bool left;
    bool right;
    bool want;
    bool right_read;
  };
  const Case cases[] = {
      {JUNC_NONE, true, false, true, false}, {JUNC_NOT, true, false, false, false},
      {JUNC_AND, false, true, false, false}, {JUNC_AND, true, true, true, true},
      {JUNC_OR, true, false, true, false},   {JUNC_OR, false, true, true, true},
      {JUNC_XOR, true, true, false, true},   {JUNC_XOR, true, false, true, true},
      {7, true, true, false, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.junction) + (k.left ? " T" : " F") + (k.right ? "T" : "F"));
    FORMULA_NODE* f = LOGIC_NewFormulaNode(k.junction);
    f->pLeftCondition = cond(k.left);
    f->pRightCondition = cond(k.right);
    EXPECT_EQ(LOGIC_EvalFormula(f), k.want);
    EXPECT_EQ(f->pRightCondition->pRightCalc->pLeftValue->DataType != 0, k.right_read);
    LOGIC_FreeFormula(f);
  }
  EXPECT_FALSE(LOGIC_EvalFormula(nullptr));
  EXPECT_FALSE(LOGIC_EvalCondition(nullptr));
  CONDITION_NODE* bad = cond(true);
  bad->ConditionType = 6;
  EXPECT_FALSE(LOGIC_EvalCondition(bad));
  LOGIC_FreeCondition(bad);
}

TEST_F(LogicEval, OperandTypeFlagsReachTheRoot) {
  struct Case {
    const char* name;
    uint32_t code;
    uint32_t lt;
    uint32_t rt;
    uint32_t want;
  };
  const Case cases[] = {
      {"bool + bool", CALC_ADD, TYPEID_BOOL, TYPEID_BOOL, 16},
      {"bool & bool", CALC_AND, TYPEID_BOOL, TYPEID_BOOL, 0},
      {"double ^ I8", CALC_XOR, TYPEID_DOUBLE, TYPEID_I8, 32},
      {"U32 & I8 goes to float", CALC_AND, TYPEID_U32, TYPEID_I8, 32},
      {"U8 + I8 goes to I16", CALC_ADD, TYPEID_U8, TYPEID_I8, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CALCULATION_NODE* n = Binary(c.code, Const(c.lt, 1), Const(c.rt, 1));
    EXPECT_EQ(LOGIC_CheckCalculation(n), c.want);
    LOGIC_FreeCalculation(n);
  }
  EXPECT_EQ(LOGIC_EvalCalculation(nullptr, nullptr, nullptr), 4u);
  CALCULATION_NODE* n = LOGIC_NewConstantCalculation(TYPEID_U8);
  EXPECT_EQ(LOGIC_EvalCalculation(n, nullptr, nullptr), 0u);
  LOGIC_FreeCalculation(n);
}

TEST(LogicWarning, CompositionFollowsTheFlagOrder) {
  const std::string f = "Formula is invalid.\n", c = "Calculation is invalid.\n";
  const std::string m1 = "A formula misses a subformula or condition.\n",
                    m2 = "A condition misses calculation or value.\n",
                    m4 = "A calculation misses a subcalculation or value.\n",
                    m8 = "A constant or symbol value is missing.\n",
                    m16 =
                        "Arithmetic calculations or bitshifts are not supported on bool values.\n",
                    m32 = "Bitwise operations are not supported on floating point values.\n",
                    m128 = "A symbol is unknown.\n";
  struct Case {
    uint32_t flags;
    bool formula;
    std::string want;
  };
  const Case cases[] = {
      {0, false, ""},
      {1, true, f + m1},
      {2 | 4, true, f + m2 + m4},
      {4, false, c + m4},
      {4 | 8 | 128, false, c + m4 + m8},  // 8 and 128 share one line
      {256, false, c},
      {256 | 128 | 16, false, c},  // a failed evaluation hides the details
      {128 | 16, false, c + m128},
      {16 | 64, false, c + m16},
      {16 | 32, true, f + m16 + m32},
      {32, false, c + m32},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.flags);
    const LOGIC_CheckReport r = LOGIC_ComposeCheckReport(k.flags, k.formula);
    EXPECT_EQ(r.text, k.want);
    EXPECT_FALSE(r.is_question);
  }
  const LOGIC_CheckReport q = LOGIC_ComposeCheckReport(64, false);
  EXPECT_EQ(
      q.text,
      "A calculation contains divisor containing a symbol.\nA division by zero will be caught "
      "and the write will not be executed!");
  EXPECT_TRUE(q.is_question);
}

}  // namespace
