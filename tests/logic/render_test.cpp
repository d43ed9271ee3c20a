// Rendering: constants by type and base, placeholders, cast texts and the insertion position.
#include <limits>

#include "logic/logic_format.h"
#include "logic/logic_render.h"
#include "tests/logic/logic_fixture.h"

namespace {

class LogicRender : public LogicTest {};

TEST_F(LogicRender, Constants) {
  struct Case {
    uint32_t type;
    double value;
    uint32_t base;
    const char* plain;
    const char* with_cast;
  };
  // clang-format off
  const Case cases[] = {
      {TYPEID_FLOAT, -0.125, 0, "-0.12f", "-0.12f"},     {TYPEID_DOUBLE, 1.5, 0, "1.50", "1.50"},
      {TYPEID_DOUBLE, 1234567.891, 0, "1234567.89", "1234567.89"},
      {TYPEID_BOOL, 1, 0, "true", "true"},               {TYPEID_BOOL, 0, 0, "false", "false"},
      {TYPEID_U8, 0, BASE_BINARY, "0b0", "(U8)0b0"},
      {TYPEID_I8, -16, BASE_HEX, "-0x10", "(I8)-0x10"},
      {TYPEID_U32, 4294967295.0, BASE_HEX, "0xFFFFFFFF", "(U32)0xFFFFFFFF"},
      {TYPEID_I16, -200, BASE_BINARY, "-0b11001000", "(I16)-0b11001000"},
      {TYPEID_I32, -2147483648.0, 0, "-2147483648", "(I32)-2147483648"},
      {TYPEID_I32, -2147483648.0, BASE_HEX, "-0x80000000", "(I32)-0x80000000"}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plain);
    VALUE_NODE* v = LOGIC_NewConstantValue(c.type, Slot(c.type, c.value), c.base);
    std::string plain, cast;
    LOGIC_RenderValue(v, false, nullptr, plain);
    LOGIC_RenderValue(v, true, nullptr, cast);
    EXPECT_EQ(plain, c.plain);
    EXPECT_EQ(cast, c.with_cast);
    LOGIC_FreeValue(v);
  }
}

TEST_F(LogicRender, PlaceholdersAndInsertionPosition) {
  ACTIVE_SYMBOL* a = AddSymbol("Motor_Speed", TYPEID_I16);
  struct Case {
    const char* name;
    FORMULA_NODE* formula;
    CALCULATION_NODE* calc;
    const char* with;
    const char* without;
    int position;
  };
  CALCULATION_NODE* add = LOGIC_NewCalculationNode(CALC_ADD);
  CALCULATION_NODE* add_a = LOGIC_NewCalculationNode(CALC_ADD);
  add_a->pLeftValue = LOGIC_NewSymbolValue(*a);
  CALCULATION_NODE* inv = LOGIC_NewCalculationNode(CALC_INVERT);
  FORMULA_NODE* and_f = LOGIC_NewFormulaNode(JUNC_AND);
  and_f->pLeftCondition = LOGIC_NewConditionNode(COND_LE);
  and_f->pLeftCondition->pLeftCalc = LOGIC_NewSymbolCalculation(a);
  FORMULA_NODE* not_f = LOGIC_NewFormulaNode(JUNC_NOT);
  FORMULA_NODE* xor_f = LOGIC_NewFormulaNode(JUNC_XOR);
  xor_f->pLeftFormula = LOGIC_NewDefaultFormula();
  xor_f->pRightFormula = LOGIC_NewDefaultFormula();
  Case cases[] = {
      {"empty calculation", nullptr, nullptr, "_", "", 0},
      {"empty addition", nullptr, add, "(_ + _)", "( + )", 1},
      {"left filled", nullptr, add_a, "(Motor_Speed + _)", "(Motor_Speed + )", 15},
      {"invert", nullptr, inv, "~_", "~", 1},
      {"empty formula", nullptr, nullptr, "_", "", 0},
      {"condition missing its right side", and_f, nullptr, "((Motor_Speed  <=  _)  &&  _)",
       "((Motor_Speed  <=  )  &&  )", 19},
      {"negation", not_f, nullptr, "!_", "!", 1},
      {"xor", xor_f, nullptr, "(((U8)0  !=  (U8)0)  ^^  ((U8)0  !=  (U8)0))",
       "((0  !=  0)  ^^  (0  !=  0))", -1},
  };
  for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
    Case& c = cases[i];
    SCOPED_TRACE(c.name);
    const bool is_formula = i >= 4;
    for (bool ph : {true, false}) {
      int pos = -1;
      const std::string text = is_formula ? LOGIC_FormulaText(c.formula, ph, &pos)
                                          : LOGIC_CalculationText(c.calc, ph, &pos);
      EXPECT_EQ(text, ph ? c.with : c.without);
      if (ph) {
        EXPECT_EQ(pos, c.position);
      }
    }
    int preset = 3;  // an already stored position is kept
    if (is_formula) {
      LOGIC_FormulaText(c.formula, true, &preset);
    } else {
      LOGIC_CalculationText(c.calc, true, &preset);
    }
    EXPECT_EQ(preset, 3);
    LOGIC_FreeFormula(c.formula);
    LOGIC_FreeCalculation(c.calc);
  }
}

TEST_F(LogicRender, SymbolShowsTheActiveRecordsName) {
  ACTIVE_SYMBOL* a = AddSymbol("Counter", TYPEID_U32);
  VALUE_NODE* v = LOGIC_NewSymbolValue(*a);
  SYS_CopyText(v->pSymbol->Name, sizeof v->pSymbol->Name, "COUNTER");
  std::string out;
  LOGIC_RenderValue(v, false, nullptr, out);
  EXPECT_EQ(out, "Counter");
  MAIN_pActiveSymbols = nullptr;  // not active any more: shows nothing
  out.clear();
  LOGIC_RenderValue(v, true, nullptr, out);
  EXPECT_EQ(out, "");
  LOGIC_FreeValue(v);
}

TEST(LogicFormat, WatchValueText) {
  struct Case {
    uint32_t type;
    double value;
    bool hex;
    const char* want;
  };
  // clang-format off
  const Case cases[] = {
      {TYPEID_FLOAT, 1.5, false, "1.500000"},   {TYPEID_DOUBLE, -2.25, false, "-2.250000"},
      {TYPEID_BOOL, 1, false, "true"},          {TYPEID_BOOL, 1, true, "0x1"},
      {TYPEID_BOOL, 0, true, "0x0"},            {TYPEID_U16, 4660, true, "0x1234"},
      {TYPEID_U32, 4294967295.0, false, "4294967295"}, {TYPEID_I8, -1, false, "-1"},
      {TYPEID_I8, -1, true, "0xFFFFFFFF"},      {TYPEID_I32, -2147483648.0, false, "-2147483648"},
      {TYPEID_U64, 1, false, ""}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.want);
    EXPECT_EQ(LOGIC_FormatWatchValue(Slot(c.type, c.value), c.type, c.hex), c.want);
  }
}

}  // namespace
