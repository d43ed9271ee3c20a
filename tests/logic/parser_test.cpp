// The formula text parser: tokenizing, literal typing, the three grammars, every message,
// and render -> parse -> render round trips.
#include <string>

#include "logic/logic_parser.h"
#include "logic/logic_render.h"
#include "tests/logic/logic_fixture.h"

namespace {

class LogicParser : public LogicTest {
 protected:
  void SetUp() override {
    LogicTest::SetUp();
    a_ = AddSymbol("a", TYPEID_U8, 200);
    b_ = AddSymbol("b", TYPEID_U8, 100);
    c_ = AddSymbol("c", TYPEID_U8, 3);
    x_ = AddSymbol("x", TYPEID_I16, 2);
    y_ = AddSymbol("y", TYPEID_U16, 1);
    arr_ = AddSymbol("arr[3]", TYPEID_FLOAT, 0.5);
  }

  static std::string Tokens(std::string_view text, bool formula) {
    LOGIC_TokenList t;
    const bool ok = formula ? LOGIC_TokenizeFormula(text, t) : LOGIC_TokenizeCalculation(text, t);
    if (!ok) return "<error>";
    std::string out;
    for (const std::string& s : t) out += (out.empty() ? "" : " ") + s;
    return out;
  }

  // Parses a calculation and returns its rendering ("<null>" when nothing was built).
  static std::string Calc(std::string_view text, uint32_t* flags = nullptr,
                          CALCULATION_NODE** keep = nullptr) {
    CALCULATION_NODE* c = nullptr;
    const LOGIC_TextResult r = LOGIC_ParseCalculationText(text, &c);
    if (flags != nullptr) *flags = r.flags;
    const std::string out = c != nullptr ? LOGIC_CalculationText(c) : "<null>";
    if (keep != nullptr) {
      *keep = c;
    } else {
      LOGIC_FreeCalculation(c);
    }
    return out;
  }

  static std::string Formula(std::string_view text, uint32_t* flags = nullptr) {
    FORMULA_NODE* f = nullptr;
    const LOGIC_TextResult r = LOGIC_ParseFormulaText(text, &f);
    if (flags != nullptr) *flags = r.flags;
    const std::string out = f != nullptr ? LOGIC_FormulaText(f) : "<null>";
    LOGIC_FreeFormula(f);
    return out;
  }

  ACTIVE_SYMBOL *a_, *b_, *c_, *x_, *y_, *arr_;
};

TEST_F(LogicParser, Tokenizing) {
  struct Case {
    const char* text;
    bool formula;
    const char* want;
  };
  // clang-format off
  const Case cases[] = {
      {"a+b*c", false, "a + b * c"},           {" a  +  b ", false, "a + b"},
      {"(x<=3)&&!(y==1)", true, "( x <= 3 ) && ! ( y == 1 )"},
      {"x>=1||y!=2^^c<5", true, "x >= 1 || y != 2 ^^ c < 5"},
      {"a<<2>>1", true, "a << 2 >> 1"},        {"a<<2", false, "a << 2"},
      {"a&b|c^x", true, "a & b | c ^ x"},      {"a&&&b", true, "a && & b"},
      {"a&&b", false, "a & & b"},              {"1.5f+0x1Fg", false, "1.5f + 0x1F g"},
      {"0b102", false, "0b10 2"},              {"0b", false, "0 b"},
      {"1.x", false, "<error>"},               {"arr[3]+arr [ 12 ]", false, "arr[3] + arr[12]"},
      {"arr[x]", false, "<error>"},            {"~-+a%b/c", false, "~ - + a % b / c"},
      {"x<3", false, "<error>"},               {"", false, ""}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Tokens(c.text, c.formula), c.want);
  }
}

TEST_F(LogicParser, UnrecognizedCharacter) {
  const std::pair<const char*, const char*> cases[] = {
      {"a # b", "#"}, {"a\tb", "\t"}, {"a+\xC3\xA4", "\xC3\xA4"}};  // a whole UTF-8 character
  for (const auto& [text, token] : cases) {
    ShownMessages().clear();
    EXPECT_EQ(Tokens(text, true), "<error>");
    EXPECT_EQ(Messages(), "Unrecognized token '" + std::string(token) + "'|");
  }
  CALCULATION_NODE* c = reinterpret_cast<CALCULATION_NODE*>(1);
  const LOGIC_TextResult r = LOGIC_ParseCalculationText("a # b", &c);
  EXPECT_EQ(r.flags, 256u);
  EXPECT_TRUE(r.parse_failed);
  EXPECT_EQ(c, nullptr);
}

TEST_F(LogicParser, IntegerLiteralTyping) {
  struct Case {
    int64_t value;
    bool prefixed;
    uint32_t want;
  };
  // clang-format off
  const Case cases[] = {
      {0, false, TYPEID_U8},          {255, false, TYPEID_U8},        {256, false, TYPEID_U16},
      {-1, false, TYPEID_I8},         {-128, false, TYPEID_I8},       {-129, false, TYPEID_I16},
      {65535, false, TYPEID_U16},     {65536, false, TYPEID_U32},     {-32768, false, TYPEID_I16},
      {-32769, false, TYPEID_I32},    {4294967295, false, TYPEID_U32},
      {-2147483648LL, false, TYPEID_I32},
      {-2147483649LL, false, 0},      {4294967296LL, false, 0},       {255, true, TYPEID_U8},
      {4294967295, true, TYPEID_U32}, {-1, true, 0},                  {4294967296LL, true, 0}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.value) + (c.prefixed ? " prefixed" : ""));
    VALUE_SLOT s;
    s.raw = ~0ULL;
    EXPECT_EQ(LOGIC_TypeIntegerLiteral(&s, c.value, c.prefixed), c.want);
    if (c.want != 0) {
      EXPECT_EQ(LOGIC_ReadInteger(s, c.want), c.value);
    }
  }
}

// Literals and the constants the parser adds, shown with their casts: type, base and value.
TEST_F(LogicParser, LiteralTypesAndBases) {
  // clang-format off
  const std::pair<const char*, const char*> cases[] = {
      {"1.5f", "1.50f"},           {"1.5", "1.50"},             {"7", "(U8)7"},
      {"300", "(U16)300"},         {"70000", "(U32)70000"},     {"-7", "(I8)-7"},
      {"0x1F", "(U8)0x1F"},        {"0b101", "(U8)0b101"},      {"-200", "(I16)-200"},
      {"-2147483648", "(I32)-2147483648"},                      {"--5", "(U8)5"},
      {"-1.5f", "-1.50f"},         {"+7", "(U8)7"},             {"(300)", "(U16)300"},
      {"true", "true"},            {"false", "false"},
      {"x + 5", "(x + (I16)5)"},   // a constant takes its sibling's type
      {"-x", "((I16)0 - x)"},      // 0 of the operand's type
      {"~5", "~(U32)5"}};          // a bitwise node with an empty sibling
  // clang-format on
  for (const auto& [text, want] : cases) {
    SCOPED_TRACE(text);
    CALCULATION_NODE* calc = nullptr;
    Calc(text, nullptr, &calc);
    EXPECT_EQ(LOGIC_CalculationText(calc, true), want);
    LOGIC_FreeCalculation(calc);
  }
  EXPECT_EQ(Messages(), "");
}

// Prefixed literals are errors that suggest dropping the prefix; others only warn.
TEST_F(LogicParser, TooBigLiterals) {
  const std::pair<const char*, const char*> cases[] = {
      {"0x123456789", "4886718345"},
      {"99999999999", nullptr},
      {"-4294967295", nullptr},
      {"99999999999999999999999", nullptr},
      {"0xFFFFFFFFFFFFFFFF", "18446744073709551615"}};
  for (const auto& [text, decimal] : cases) {
    SCOPED_TRACE(text);
    ShownMessages().clear();
    EXPECT_EQ(Calc(text), "<null>");
    ASSERT_EQ(ShownMessages().size(), 1u);
    EXPECT_EQ(ShownMessages()[0].text,
              std::string(decimal ? decimal : text) +
                  " is too big for all supported integer types." +
                  (decimal ? "\nRemove \"0b\" or \"0x\" prefix to allow Vistro to convert it to "
                             "floating point number"
                           : ""));
    EXPECT_EQ(ShownMessages()[0].IsError(), decimal != nullptr);
  }
}

TEST_F(LogicParser, CalculationGrammar) {
  struct Case {
    const char* text;
    const char* want;
    uint32_t flags;
  };
  // clang-format off
  const Case cases[] = {
      {"a+b*c", "((a + b) * c)", 0},   {"a+(b*c)", "(a + (b * c))", 0},
      {"a", "a", 0},                   {"((a))", "a", 0},
      {"-a", "(0 - a)", 0},            {"-(a+b)", "(0 - (a + b))", 0},
      {"~a", "~a", 0},                 {"-a+b", "((0 - a) + b)", 0},
      {"a*-3", "(a * -3)", 0},         {"arr[3] * 2", "(arr[3] * 2.00f)", 0},
      {"A + B", "(a + b)", 0},         {"a)", "a", 0},
      {"a +", "(a + )", 4 | 256},      // the missing operand also leaves no common type
      {"", "", 4 | 256},               {"true + a", "(true + a)", 0},
      {"true + false", "(true + false)", 16}, {"1.5 % 2", "(1.50 % 2.00)", 32},
      {"a / 0", "(a / 0)", 64}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    uint32_t flags = 99;
    EXPECT_EQ(Calc(c.text, &flags), c.want);
    EXPECT_EQ(flags, c.flags);
  }
  EXPECT_EQ(Messages(), "");
}

TEST_F(LogicParser, FormulaGrammar) {
  struct Case {
    const char* text;
    const char* want;
    bool value;
  };
  const Case cases[] = {
      {"(x<=3)&&!(y==1)", "((x  <=  3)  &&  !(y  ==  1))", false},
      {"x", "(x  !=  0)", true},
      {"x > 1 && y >= 1", "((x  >  1)  &&  (y  >=  1))", true},
      {"((a + 1) > b)", "((a + 1)  >  b)", true},
      {"(a + 1) > b", "((a + 1)  >  b)", true},
      {"((x > 1) || (y > 5)) && c == 3", "(((x  >  1)  ||  (y  >  5))  &&  (c  ==  3))", true},
      {"x > 1 || y > 5 ^^ c == 3", "(((x  >  1)  ||  (y  >  5))  ^^  (c  ==  3))", false},
      {"!!x", "!!(x  !=  0)", true},
      {"(x > 1 && (y > 5))", "((x  >  1)  &&  (y  >  5))", false},
      {"-x < 0", "((0 - x)  <  0)", true},
      {"arr[3] == 0.5", "(arr[3]  ==  0.50)", true},
      {"((((a  ==  1)  &&  (b  !=  2))  ||  (c  <=  3))  ^^  !(x  >  0.50f))",
       "((((a  ==  1)  &&  (b  !=  2))  ||  (c  <=  3))  ^^  !(x  >  0.50f))", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    FORMULA_NODE* f = nullptr;
    const LOGIC_TextResult r = LOGIC_ParseFormulaText(c.text, &f);
    EXPECT_FALSE(r.parse_failed);
    EXPECT_EQ(r.flags, 0u);
    EXPECT_EQ(LOGIC_FormulaText(f), c.want);
    EXPECT_EQ(LOGIC_EvalFormula(f), c.value);
    EXPECT_EQ(Formula(c.want), c.want);  // the rendering reads back as itself
    LOGIC_FreeFormula(f);
  }
  EXPECT_EQ(Messages(), "");
}

TEST_F(LogicParser, Messages) {
  AddSymbol("Dup", TYPEID_U8);
  AddSymbol("DUP", TYPEID_U8);
  struct Case {
    const char* text;
    bool formula;
    const char* message;
  };
  const Case cases[] = {
      {"(a>1)(b>2)", true, "\"(\" does not belong here!"},
      {"(a > 1 > 2)", true, "Multiple comparisons (\">\" and \">\") found in same condition."},
      {"a > 1 > 2", true, "Multiple comparisons (\">\" and \">\") found in same condition."},
      {"dup + 1", false, "Symbol name \"dup\" not unique!"},
      {"speed + 1", false, "Symbol \"speed\" not found!"},
      {"(a + 1", false, "Missing ')'."},
      {"(a > 1", true, "Missing ')'."},
      {"((a > 1) && b", true, "Missing ')'."},
      {"a > 1)", true, "Unexspected ')'"},
      {"a + * b", false, "\"*\" does not belong here!"},
      {"()", false, "\")\" does not belong here!"},
      {"a > 1 ! b", true, "\"!\" does not belong here!"},
      {"== 1", true, "\"==\" does not belong here!"},
      {"((a) > b (c))", true, "Missing ')' in condition (after \">\")"},
      {"(a (b) > c)", true, "\"(\" does not belong here!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ShownMessages().clear();
    if (c.formula) {
      FORMULA_NODE* f = nullptr;
      const LOGIC_TextResult r = LOGIC_ParseFormulaText(c.text, &f);
      EXPECT_TRUE(r.parse_failed);
      EXPECT_EQ(f, nullptr);
      EXPECT_EQ(r.flags, 1u);
    } else {
      CALCULATION_NODE* calc = nullptr;
      const LOGIC_TextResult r = LOGIC_ParseCalculationText(c.text, &calc);
      EXPECT_TRUE(r.parse_failed);
      EXPECT_EQ(calc, nullptr);
      EXPECT_EQ(r.flags, 4u);
    }
    ASSERT_EQ(ShownMessages().size(), 1u) << Messages();
    EXPECT_EQ(ShownMessages()[0].text, c.message);
    EXPECT_TRUE(ShownMessages()[0].IsError());
  }
}

TEST_F(LogicParser, HostileTextIsRefusedNotCrashed) {
  std::string longer = "a";
  for (int i = 0; i < 600; ++i) longer += "+a";
  std::string chain = "a";  // short enough, but a tree too deep for the project file
  for (int i = 0; i < 100; ++i) chain += "+a";
  const std::string nested = "Formula text is nested too deeply.|";
  const struct {
    std::string text;
    bool formula;
    const char* want;
    std::string messages;
  } cases[] = {
      {std::string(200, '(') + "a" + std::string(200, ')'), false, "<null>", nested},
      {std::string(300, '!') + "a", true, "<null>", nested},
      {longer, false, "<null>", "Formula text is too long.|"},
      {chain, false, "<null>", nested},
      {std::string(30, '(') + "a" + std::string(30, ')'), false, "a", ""},
  };
  for (const auto& c : cases) {
    ShownMessages().clear();
    EXPECT_EQ(c.formula ? Formula(c.text) : Calc(c.text), c.want);
    EXPECT_EQ(Messages(), c.messages);
  }
}

// Renderings read back as themselves (formulas: see FormulaGrammar).
TEST_F(LogicParser, RenderParseRenderRoundTrips) {
  // clang-format off
  const char* calcs[] = {
      "a",                  "((a + b) * c)",     "(a + (b * c))",    "(0 - a)",
      "~(a & 0xF)",         "(x >> 2)",          "(1.50f * x)",      "(2.25 / x)",
      "(-5 + x)",           "(0b101 | c)",       "(y % 7)",          "(true ^ false)",
      "(arr[3] - 1.00f)",   "(-2147483648 + x)", "((a << 1) - (b >> 1))", "(-0x10 * x)"};
  // clang-format on
  for (const char* text : calcs) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Calc(text), text);
  }
  EXPECT_EQ(Messages(), "");
}

TEST_F(LogicParser, FindSymbolByName) {
  EXPECT_EQ(LOGIC_FindSymbolByName("X"), x_);
  EXPECT_EQ(LOGIC_FindSymbolByName("ARR[3]"), arr_);
  EXPECT_EQ(Messages(), "");
  EXPECT_EQ(LOGIC_FindSymbolByName("nothing"), nullptr);
  EXPECT_EQ(Messages(), "Symbol \"nothing\" not found!|");
}

TEST_F(LogicParser, LowLevelEntryPoints) {
  LOGIC_TokenList t;
  ASSERT_TRUE(LOGIC_TokenizeCalculation("a + b * 2", t));
  size_t end = 99;
  CALCULATION_NODE* left = LOGIC_ParseCalculation(t, 0, &end, UNARY_NONE, nullptr);
  EXPECT_EQ(end, 4u);
  LOGIC_FreeCalculation(left);
  // Continuing after an existing left tree: "* 2 - 1" applied to (a + b).
  ASSERT_TRUE(LOGIC_TokenizeCalculation("a + b", t));
  left = LOGIC_ParseCalculation(t, 0, &end, UNARY_NONE, nullptr);
  ASSERT_TRUE(LOGIC_TokenizeCalculation("* 2 - 1", t));
  CALCULATION_NODE* cont = LOGIC_ParseCalculation(t, 0, &end, UNARY_NONE, left);
  EXPECT_EQ(LOGIC_CalculationText(cont), "(((a + b) * 2) - 1)");
  EXPECT_EQ(end, 3u);
  LOGIC_FreeCalculation(cont);
  ASSERT_TRUE(LOGIC_TokenizeFormula("x > 1 && y", t));
  CONDITION_NODE* cond = LOGIC_ParseCondition(t, 0, &end);
  EXPECT_EQ(end, 2u);
  LOGIC_FreeCondition(cond);
  FORMULA_NODE* neg = LOGIC_ParseFormula(t, 0, &end, true, nullptr);
  EXPECT_EQ(LOGIC_FormulaText(neg), "!(x  >  1)");
  LOGIC_FreeFormula(neg);
}

}  // namespace
