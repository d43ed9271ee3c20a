#include "logic/logic_parser.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "logic/logic_eval.h"
#include "logic/logic_insert.h"
#include "logic/logic_symbol_ids.h"
#include "logic/logic_tokens.h"
#include "platform/sys_msgbox.h"

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);
constexpr uint32_t kNoCode = 0xFFFFFFFFu;

// Nesting depth of the parse running on this thread; bounds recursion on hostile text.
thread_local int t_depth = 0;

class DepthGuard {
 public:
  DepthGuard() { ++t_depth; }
  ~DepthGuard() { --t_depth; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
  // False after showing the message when the text nests too deeply.
  bool Ok() const {
    if (t_depth <= LOGIC_MAX_NESTING) return true;
    SYS_ErrorBox("Formula text is nested too deeply.");
    return false;
  }
};

bool IsNumber(const std::string& t) { return LOGIC_IsWhole(t, LOGIC_MatchNumber); }
bool IsName(const std::string& t) { return LOGIC_IsWhole(t, LOGIC_MatchName); }
bool IsComparison(const std::string& t) { return LOGIC_IsWhole(t, LOGIC_MatchComparison); }
bool IsLogical(const std::string& t) { return LOGIC_IsWhole(t, LOGIC_MatchLogical); }
bool IsCalcOperator(const std::string& t) { return LOGIC_IsWhole(t, LOGIC_MatchCalcOperator); }

// Binary operator code of a token, or kNoCode.
uint32_t BinaryCode(const std::string& t) {
  static const char* const kOps[] = {"", "+", "-", "*", "/", "%", "<<", ">>", "", "&", "|", "^"};
  for (uint32_t code = CALC_ADD; code < CALC_COUNT; ++code) {
    if (code != CALC_INVERT && t == kOps[code]) return code;
  }
  return kNoCode;
}

uint32_t ComparisonCode(const std::string& t) {
  static const char* const kCmp[COND_COUNT] = {"==", "!=", "<", "<=", ">", ">="};
  for (uint32_t code = 0; code < COND_COUNT; ++code) {
    if (t == kCmp[code]) return code;
  }
  return kNoCode;
}

uint32_t JunctionCode(const std::string& t) {
  if (t == "&&") return JUNC_AND;
  if (t == "||") return JUNC_OR;
  if (t == "^^") return JUNC_XOR;
  return kNoCode;
}

void DoesNotBelong(const std::string& t) {
  SYS_ErrorBoxF("\"%s\" does not belong here!", t.c_str());
}

// ---- Operands --------------------------------------------------------------------------------

// An operand is a leaf or a sub-tree; at most one is set.
struct Operand {
  CALCULATION_NODE* calc = nullptr;
  VALUE_NODE* value = nullptr;
};

enum class Status { kOk, kMissing, kError };

void FreeOperand(Operand& op) {
  LOGIC_FreeCalculation(op.calc);
  LOGIC_FreeValue(op.value);
  op = Operand{};
}

// A no-operation node holding just a value gives way to that value, so "(5)" is a constant.
Operand Unwrap(CALCULATION_NODE* calc) {
  Operand op;
  if (calc != nullptr && calc->CalculationType == CALC_NOP && calc->pLeftCalc == nullptr &&
      calc->pLeftValue != nullptr) {
    op.value = calc->pLeftValue;
    calc->pLeftValue = nullptr;
    LOGIC_FreeCalculation(calc);
  } else {
    op.calc = calc;
  }
  return op;
}

// Places the operand on one side of `node`, bringing a constant to its sibling's type.
void Place(CALCULATION_NODE* node, Operand op, bool left) {
  if (op.calc != nullptr) {
    (left ? node->pLeftCalc : node->pRightCalc) = op.calc;
  } else if (op.value != nullptr) {
    (left ? node->pLeftValue : node->pRightValue) = op.value;
    LOGIC_MatchConstantToSibling(node, left);
  }
}

uint32_t OperandType(const Operand& op) {
  if (op.value != nullptr) return op.value->DataType;
  return LOGIC_ResultType(op.calc);
}

// Parses an integer literal's digits; false when it does not fit 64 bits.
bool ParseDigits(std::string_view digits, int base, uint64_t& value) {
  const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  return r.ec == std::errc() && r.ptr == digits.data() + digits.size();
}

VALUE_NODE* ParseNumber(const std::string& t) {
  VALUE_SLOT slot{};
  if (t.find('.') != std::string::npos) {
    const bool is_float = t.back() == 'f';
    const char* first = t.data();
    const char* last = t.data() + t.size() - (is_float ? 1 : 0);
    uint32_t type = 0;
    if (is_float) {
      float f = 0.0f;
      const auto r = std::from_chars(first, last, f, std::chars_format::fixed);
      if (r.ec == std::errc::result_out_of_range) f = HUGE_VALF;
      slot.f32 = f;
      type = TYPEID_FLOAT;
    } else {
      double d = 0.0;
      const auto r = std::from_chars(first, last, d, std::chars_format::fixed);
      if (r.ec == std::errc::result_out_of_range) d = HUGE_VAL;
      slot.f64 = d;
      type = TYPEID_DOUBLE;
    }
    return LOGIC_NewConstantValue(type, slot, BASE_DECIMAL);
  }
  uint32_t base = BASE_DECIMAL;
  int radix = 10;
  std::string_view digits(t);
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'b' || t[1] == 'x')) {
    base = t[1] == 'b' ? BASE_BINARY : BASE_HEX;
    radix = t[1] == 'b' ? 2 : 16;
    digits.remove_prefix(2);
  }
  uint64_t u = 0;
  const bool prefixed = base != BASE_DECIMAL;
  uint32_t type = 0;
  const bool fits = ParseDigits(digits, radix, u);
  if (fits && u <= static_cast<uint64_t>(INT64_MAX)) {
    type = LOGIC_TypeIntegerLiteral(&slot, static_cast<int64_t>(u), prefixed);
  } else if (fits && prefixed) {
    SYS_ErrorBoxF(
        "%llu is too big for all supported integer types.\nRemove \"0b\" or \"0x\" prefix to "
        "allow Vistro to convert it to floating point number",
        static_cast<unsigned long long>(u));
  } else if (fits) {
    SYS_WarningBoxF("%llu is too big for all supported integer types.",
                    static_cast<unsigned long long>(u));
  } else if (prefixed) {  // beyond 64 bits: quote the text as written
    SYS_ErrorBoxF(
        "%s is too big for all supported integer types.\nRemove \"0b\" or \"0x\" prefix to "
        "allow Vistro to convert it to floating point number",
        t.c_str());
  } else {
    SYS_WarningBoxF("%s is too big for all supported integer types.", t.c_str());
  }
  if (type == 0) return nullptr;
  return LOGIC_NewConstantValue(type, slot, base);
}

// Negates a constant leaf in place; false after a message when the result does not fit.
bool NegateConstant(VALUE_NODE* v) {
  VALUE_SLOT& s = *v->pConstant;
  if (v->DataType == TYPEID_FLOAT) {
    s.f32 = -s.f32;
    return true;
  }
  if (v->DataType == TYPEID_DOUBLE) {
    s.f64 = -s.f64;
    return true;
  }
  const int64_t n = LOGIC_ReadInteger(s, v->DataType);
  const uint32_t type = LOGIC_TypeIntegerLiteral(&s, -n, false);
  if (type == 0) return false;
  v->DataType = type;
  return true;
}

Status ParseOperand(const LOGIC_TokenList& toks, size_t i, size_t* end, Operand& out);

// One operand after a unary prefix (the prefix token is toks[start - 1]).
CALCULATION_NODE* ParseUnary(const LOGIC_TokenList& toks, size_t start, size_t* end, int unary) {
  Operand op;
  const Status st = ParseOperand(toks, start, end, op);
  if (st == Status::kError) return nullptr;
  if (st == Status::kMissing) *end = start == 0 ? 0 : start - 1;
  if (unary == UNARY_MINUS && op.value != nullptr && op.value->pConstant != nullptr &&
      op.value->pSymbol == nullptr &&
      (LOGIC_IsRealType(op.value->DataType) || LOGIC_IsIntegerType(op.value->DataType))) {
    if (!NegateConstant(op.value)) {
      FreeOperand(op);
      return nullptr;
    }
    unary = UNARY_PLUS;
  }
  const uint32_t code = unary == UNARY_MINUS    ? CALC_SUB
                        : unary == UNARY_INVERT ? CALC_INVERT
                                                : CALC_NOP;
  if (code == CALC_NOP && op.calc != nullptr) return op.calc;
  CALCULATION_NODE* node = LOGIC_NewCalculationNode(code);
  if (node == nullptr) {
    FreeOperand(op);
    return nullptr;
  }
  if (code == CALC_SUB) {
    // 0 - operand, the zero in the operand's result type.
    const uint32_t type = OperandType(op);
    if (LOGIC_IsSupportedType(type)) {
      node->pLeftValue = LOGIC_NewConstantValue(type, VALUE_SLOT{}, BASE_DECIMAL);
    }
    Place(node, op, false);
  } else {
    Place(node, op, true);
  }
  return node;
}

Status ParseOperand(const LOGIC_TokenList& toks, size_t i, size_t* end, Operand& out) {
  out = Operand{};
  if (i >= toks.size()) return Status::kMissing;
  const std::string& t = toks[i];
  *end = i;
  if (IsNumber(t)) {
    out.value = ParseNumber(t);
    return out.value != nullptr ? Status::kOk : Status::kError;
  }
  if (t == "true" || t == "false") {
    VALUE_SLOT v{};
    v.u8 = t == "true" ? 1 : 0;
    out.value = LOGIC_NewConstantValue(TYPEID_BOOL, v, BASE_DECIMAL);
    return out.value != nullptr ? Status::kOk : Status::kError;
  }
  if (IsName(t)) {
    const ACTIVE_SYMBOL* s = LOGIC_FindSymbolByName(t.c_str());
    if (s == nullptr) return Status::kError;
    VALUE_NODE* v = LOGIC_NewValueNode();
    if (v == nullptr) return Status::kError;
    v->pSymbol = LOGIC_NewSymbolIdFrom(t.c_str(), s->Address);
    if (v->pSymbol == nullptr) {
      LOGIC_FreeValue(v);
      return Status::kError;
    }
    v->DataType = s->ValueType;
    out.value = v;
    return Status::kOk;
  }
  if (t == "(") {
    size_t e = i;
    CALCULATION_NODE* sub = LOGIC_ParseCalculation(toks, i + 1, &e, UNARY_NONE, nullptr);
    if (sub == nullptr) return Status::kError;
    if (e + 1 >= toks.size() || toks[e + 1] != ")") {
      SYS_ErrorBox("Missing ')'.");
      LOGIC_FreeCalculation(sub);
      return Status::kError;
    }
    *end = e + 1;
    out = Unwrap(sub);
    return Status::kOk;
  }
  if (t == "+" || t == "-" || t == "~") {
    const int mode = t == "+" ? UNARY_PLUS : t == "-" ? UNARY_MINUS : UNARY_INVERT;
    CALCULATION_NODE* sub = LOGIC_ParseCalculation(toks, i + 1, end, mode, nullptr);
    if (sub == nullptr) return Status::kError;
    out = Unwrap(sub);
    return Status::kOk;
  }
  DoesNotBelong(t);
  return Status::kError;
}

// ---- Formula elements -------------------------------------------------------------------------

struct Element {
  FORMULA_NODE* formula = nullptr;
  CONDITION_NODE* condition = nullptr;
};

void FreeElement(Element& e) {
  LOGIC_FreeFormula(e.formula);
  LOGIC_FreeCondition(e.condition);
  e = Element{};
}

// A formula of junction 0 over a condition alone gives way to that condition.
Element UnwrapFormula(FORMULA_NODE* f) {
  Element e;
  if (f != nullptr && f->JunctionType == JUNC_NONE && f->pLeftFormula == nullptr &&
      f->pLeftCondition != nullptr) {
    e.condition = f->pLeftCondition;
    f->pLeftCondition = nullptr;
    LOGIC_FreeFormula(f);
  } else {
    e.formula = f;
  }
  return e;
}

void PlaceElement(FORMULA_NODE* node, const Element& e, bool left) {
  if (e.formula != nullptr) (left ? node->pLeftFormula : node->pRightFormula) = e.formula;
  if (e.condition != nullptr) (left ? node->pLeftCondition : node->pRightCondition) = e.condition;
}

Status ParseElement(const LOGIC_TokenList& toks, size_t i, size_t* end, Element& out) {
  out = Element{};
  if (i >= toks.size()) return Status::kMissing;
  const std::string& t = toks[i];
  *end = i;
  if (t == "!") {
    FORMULA_NODE* f = LOGIC_ParseFormula(toks, i + 1, end, true, nullptr);
    if (f == nullptr) return Status::kError;
    out.formula = f;
    return Status::kOk;
  }
  if (t == "(") {
    // Look ahead to the matching ")": a logical operator inside makes the group a formula.
    int count = 0;
    bool has_logical = false;
    size_t j = i;
    for (; j < toks.size(); ++j) {
      if (toks[j] == "(") ++count;
      if (toks[j] == ")") --count;
      if (IsLogical(toks[j])) has_logical = true;
      if (count == 0) break;
    }
    if (j >= toks.size()) {
      SYS_ErrorBox("Missing ')'.");
      return Status::kError;
    }
    if (!has_logical) {
      out.condition = LOGIC_ParseCondition(toks, i, end);
      return out.condition != nullptr ? Status::kOk : Status::kError;
    }
    size_t e = i;
    FORMULA_NODE* f = LOGIC_ParseFormula(toks, i + 1, &e, false, nullptr);
    if (f == nullptr) return Status::kError;
    if (e + 1 >= toks.size() || toks[e + 1] != ")") {
      SYS_ErrorBox("Missing ')'.");
      LOGIC_FreeFormula(f);
      return Status::kError;
    }
    *end = e + 1;
    out = UnwrapFormula(f);
    return Status::kOk;
  }
  if (IsNumber(t) || IsName(t) || IsCalcOperator(t)) {
    out.condition = LOGIC_ParseCondition(toks, i, end);
    return out.condition != nullptr ? Status::kOk : Status::kError;
  }
  DoesNotBelong(t);
  return Status::kError;
}

}  // namespace

// ---- Public interface -------------------------------------------------------------------------

uint32_t LOGIC_TypeIntegerLiteral(VALUE_SLOT* slot, int64_t value, bool prefixed) {
  VALUE_SLOT s{};
  uint32_t type = 0;
  if (value >= 0 && value <= 255) {
    type = TYPEID_U8;
  } else if (!prefixed && value >= -128 && value <= -1) {
    type = TYPEID_I8;
  } else if (value >= 0 && value <= 65535) {
    type = TYPEID_U16;
  } else if (!prefixed && value >= -32768 && value <= 32767) {
    type = TYPEID_I16;
  } else if (value >= 0 && value <= 4294967295LL) {
    type = TYPEID_U32;
  } else if (!prefixed && value >= INT32_MIN && value <= INT32_MAX) {
    type = TYPEID_I32;
  }
  if (type == 0) {
    if (prefixed) {
      SYS_ErrorBoxF(
          "%lld is too big for all supported integer types.\nRemove \"0b\" or \"0x\" prefix to "
          "allow Vistro to convert it to floating point number",
          static_cast<long long>(value));
    } else {
      SYS_WarningBoxF("%lld is too big for all supported integer types.",
                      static_cast<long long>(value));
    }
  } else {
    switch (type) {
      case TYPEID_U8:
        s.u8 = static_cast<uint8_t>(value);
        break;
      case TYPEID_I8:
        s.i8 = static_cast<int8_t>(value);
        break;
      case TYPEID_U16:
        s.u16 = static_cast<uint16_t>(value);
        break;
      case TYPEID_I16:
        s.i16 = static_cast<int16_t>(value);
        break;
      case TYPEID_U32:
        s.u32 = static_cast<uint32_t>(value);
        break;
      default:
        s.i32 = static_cast<int32_t>(value);
        break;
    }
  }
  if (slot != nullptr) *slot = s;
  return type;
}

ACTIVE_SYMBOL* LOGIC_FindSymbolByName(const char* name) {
  if (name == nullptr) return nullptr;
  ACTIVE_SYMBOL* found = nullptr;
  int matches = 0;
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (c->pSymbol == nullptr) continue;
    char held[ACTIVE_SYMBOL_NAME_SIZE];
    std::memcpy(held, c->pSymbol->Name, sizeof held);
    held[sizeof held - 1] = '\0';
    if (LOGIC_NamesEqual(held, name)) {
      if (matches++ == 0) found = c->pSymbol;
    }
  }
  if (matches == 0) {
    SYS_ErrorBoxF("Symbol \"%s\" not found!", name);
    return nullptr;
  }
  if (matches > 1) {
    SYS_ErrorBoxF("Symbol name \"%s\" not unique!", name);
    return nullptr;
  }
  return found;
}

CALCULATION_NODE* LOGIC_ParseCalculation(const LOGIC_TokenList& toks, size_t start, size_t* end,
                                         int unary, CALCULATION_NODE* left) {
  size_t local_end = start;
  if (end == nullptr) end = &local_end;
  DepthGuard guard;
  if (!guard.Ok()) {
    LOGIC_FreeCalculation(left);
    return nullptr;
  }
  if (unary != UNARY_NONE) {
    LOGIC_FreeCalculation(left);  // a unary operand has no left part
    return ParseUnary(toks, start, end, unary);
  }
  CALCULATION_NODE* tree = left;
  size_t i = start;  // the first token that may be an operator
  if (tree == nullptr) {
    Operand op;
    const Status st = ParseOperand(toks, start, end, op);
    if (st == Status::kError) return nullptr;
    if (op.calc != nullptr) {
      tree = op.calc;
    } else {
      tree = LOGIC_NewCalculationNode(CALC_NOP);
      if (tree == nullptr) {
        FreeOperand(op);
        return nullptr;
      }
      Place(tree, op, true);
    }
    if (st == Status::kMissing) {
      *end = start == 0 ? 0 : start - 1;
      return tree;
    }
    i = *end + 1;
  } else {
    *end = start == 0 ? 0 : start - 1;
  }
  for (; i < toks.size() && BinaryCode(toks[i]) != kNoCode; i = *end + 1) {
    const uint32_t code = BinaryCode(toks[i]);
    if (tree->CalculationType == CALC_NOP && tree->pLeftCalc == nullptr) {
      tree->CalculationType = code;  // the first operand becomes this node's left side
    } else {
      CALCULATION_NODE* node = LOGIC_NewCalculationNode(code);
      if (node == nullptr) {
        LOGIC_FreeCalculation(tree);
        return nullptr;
      }
      node->pLeftCalc = tree;
      tree = node;
    }
    *end = i;
    Operand op;
    const Status st = ParseOperand(toks, i + 1, end, op);
    if (st == Status::kError) {
      LOGIC_FreeCalculation(tree);
      return nullptr;
    }
    if (st == Status::kMissing) {
      *end = i;
      break;
    }
    Place(tree, op, false);
  }
  return tree;
}

CONDITION_NODE* LOGIC_ParseCondition(const LOGIC_TokenList& toks, size_t start, size_t* end) {
  size_t local_end = start;
  if (end == nullptr) end = &local_end;
  DepthGuard guard;
  if (!guard.Ok()) return nullptr;
  // 1. Scan the condition's extent: up to a logical operator outside parentheses, a ")" that
  //    closes an enclosing group, or the ")" that brings the count back to 0.
  int count = 0;
  size_t cmp = kNone;
  size_t j = start;
  for (; j < toks.size(); ++j) {
    const std::string& t = toks[j];
    if (count == 0 && IsLogical(t)) break;
    if (t == "(") ++count;
    if (t == ")" && --count < 0) break;
    if (IsComparison(t)) {
      if (cmp != kNone) {
        SYS_ErrorBoxF("Multiple comparisons (\"%s\" and \"%s\") found in same condition.",
                      toks[cmp].c_str(), t.c_str());
        return nullptr;
      }
      cmp = j;
    }
    if (t == ")" && count == 0) break;
  }
  if (j >= toks.size() && count > 0) {
    SYS_ErrorBox("Missing ')'.");
    return nullptr;
  }
  // 2. A comparison inside a parenthesised group: check the parentheses on both sides and
  //    step over the surplus of opening ones before it, so ((a + 1) > b) parses with (a + 1)
  //    as the left calculation.
  size_t skip = 0;
  if (cmp != kNone) {
    int opens_before = 0, closes_before = 0, opens_after = 0, closes_after = 0;
    for (size_t k = start; k < cmp; ++k) {
      opens_before += toks[k] == "(";
      closes_before += toks[k] == ")";
    }
    for (size_t k = cmp + 1; k <= j && k < toks.size(); ++k) {
      opens_after += toks[k] == "(";
      closes_after += toks[k] == ")";
    }
    if (closes_before > opens_before) {
      SYS_ErrorBoxF("Missing '(' in condition (before \"%s\")", toks[cmp].c_str());
      return nullptr;
    }
    if (opens_after > closes_after) {
      SYS_ErrorBoxF("Missing ')' in condition (after \"%s\")", toks[cmp].c_str());
      return nullptr;
    }
    size_t leading = 0;
    while (start + leading < cmp && toks[start + leading] == "(") ++leading;
    skip = static_cast<size_t>(opens_before - closes_before);
    if (skip > leading) skip = leading;
  }
  // 3. The left calculation, then a comparison and the right calculation.
  size_t e = start + skip;
  CALCULATION_NODE* left = LOGIC_ParseCalculation(toks, start + skip, &e, UNARY_NONE, nullptr);
  if (left == nullptr) return nullptr;
  CONDITION_NODE* cond = LOGIC_NewConditionNode(COND_NE);
  if (cond == nullptr) {
    LOGIC_FreeCalculation(left);
    return nullptr;
  }
  cond->pLeftCalc = left;
  const bool has_cmp = e + 1 < toks.size() && IsComparison(toks[e + 1]);
  if (skip > 0 && (!has_cmp || e + 1 != cmp)) {
    // The stepped-over parentheses must close after the right calculation of this comparison.
    if (e + 1 < toks.size()) {
      DoesNotBelong(toks[e + 1]);
    } else {
      SYS_ErrorBox("Missing ')'.");
    }
    LOGIC_FreeCondition(cond);
    return nullptr;
  }
  if (has_cmp) {
    cond->ConditionType = ComparisonCode(toks[e + 1]);
    const size_t cmp_at = e + 1;
    size_t e2 = cmp_at;
    cond->pRightCalc = LOGIC_ParseCalculation(toks, cmp_at + 1, &e2, UNARY_NONE, nullptr);
    if (cond->pRightCalc == nullptr) {
      LOGIC_FreeCondition(cond);
      return nullptr;
    }
    for (size_t k = 0; k < skip; ++k) {
      if (e2 + 1 >= toks.size() || toks[e2 + 1] != ")") {
        SYS_ErrorBoxF("Missing ')' in condition (after \"%s\")", toks[cmp_at].c_str());
        LOGIC_FreeCondition(cond);
        return nullptr;
      }
      ++e2;
    }
    *end = e2;
    return cond;
  }
  // 4. No comparison: the left calculation is tested against zero of its result type.
  uint32_t type = LOGIC_ResultType(left);
  if (!LOGIC_IsSupportedType(type)) type = TYPEID_U8;  // the check reports the real fault
  cond->ConditionType = COND_NE;
  cond->pRightCalc = LOGIC_NewConstantCalculation(type);
  *end = e;
  return cond;
}

FORMULA_NODE* LOGIC_ParseFormula(const LOGIC_TokenList& toks, size_t start, size_t* end,
                                 bool negate, FORMULA_NODE* left) {
  size_t local_end = start;
  if (end == nullptr) end = &local_end;
  DepthGuard guard;
  if (!guard.Ok()) {
    LOGIC_FreeFormula(left);
    return nullptr;
  }
  if (negate) {
    LOGIC_FreeFormula(left);
    FORMULA_NODE* f = LOGIC_NewFormulaNode(JUNC_NOT);
    if (f == nullptr) return nullptr;
    Element el;
    const Status st = ParseElement(toks, start, end, el);
    if (st == Status::kError) {
      LOGIC_FreeFormula(f);
      return nullptr;
    }
    if (st == Status::kMissing) *end = start == 0 ? 0 : start - 1;
    PlaceElement(f, el, true);
    return f;
  }
  FORMULA_NODE* tree = left;
  size_t i = start;  // the first token that may be a logical operator
  if (tree == nullptr) {
    Element el;
    const Status st = ParseElement(toks, start, end, el);
    if (st == Status::kError) return nullptr;
    if (el.formula != nullptr) {
      tree = el.formula;
    } else {
      tree = LOGIC_NewFormulaNode(JUNC_NONE);
      if (tree == nullptr) {
        FreeElement(el);
        return nullptr;
      }
      PlaceElement(tree, el, true);
    }
    if (st == Status::kMissing) {
      *end = start == 0 ? 0 : start - 1;
      return tree;
    }
    i = *end + 1;
  } else {
    *end = start == 0 ? 0 : start - 1;
  }
  for (; i < toks.size(); i = *end + 1) {
    const uint32_t code = JunctionCode(toks[i]);
    if (code == kNoCode) {
      if (toks[i] == ")") break;  // closes an enclosing group; the caller decides
      DoesNotBelong(toks[i]);
      LOGIC_FreeFormula(tree);
      return nullptr;
    }
    if (tree->JunctionType == JUNC_NONE && tree->pLeftFormula == nullptr) {
      tree->JunctionType = code;  // the first element becomes this node's left side
    } else {
      FORMULA_NODE* node = LOGIC_NewFormulaNode(code);
      if (node == nullptr) {
        LOGIC_FreeFormula(tree);
        return nullptr;
      }
      node->pLeftFormula = tree;
      tree = node;
    }
    *end = i;
    Element el;
    const Status st = ParseElement(toks, i + 1, end, el);
    if (st == Status::kError) {
      LOGIC_FreeFormula(tree);
      return nullptr;
    }
    if (st == Status::kMissing) {
      *end = i;
      break;
    }
    PlaceElement(tree, el, false);
  }
  return tree;
}

LOGIC_TextResult LOGIC_ParseCalculationText(std::string_view text, CALCULATION_NODE** out) {
  LOGIC_TextResult r;
  if (out != nullptr) *out = nullptr;
  LOGIC_TokenList tokens;
  if (!LOGIC_TokenizeCalculation(text, tokens)) {
    r.flags = CHECK_UNSUPPORTED_TYPE;
    r.parse_failed = true;
    return r;
  }
  size_t end = 0;
  CALCULATION_NODE* calc = LOGIC_ParseCalculation(tokens, 0, &end, UNARY_NONE, nullptr);
  if (calc != nullptr &&
      LOGIC_CalculationDepth(calc, LOGIC_MAX_TREE_DEPTH + 1) > LOGIC_MAX_TREE_DEPTH) {
    // A tree this deep could not be stored in the project file.
    SYS_ErrorBox("Formula text is nested too deeply.");
    LOGIC_FreeCalculation(calc);
    calc = nullptr;
  }
  r.parse_failed = calc == nullptr;
  r.flags = LOGIC_CheckCalculation(calc);
  if (out != nullptr) {
    *out = calc;
  } else {
    LOGIC_FreeCalculation(calc);
  }
  return r;
}

LOGIC_TextResult LOGIC_ParseFormulaText(std::string_view text, FORMULA_NODE** out) {
  LOGIC_TextResult r;
  if (out != nullptr) *out = nullptr;
  LOGIC_TokenList tokens;
  if (!LOGIC_TokenizeFormula(text, tokens)) {
    r.flags = CHECK_UNSUPPORTED_TYPE;
    r.parse_failed = true;
    return r;
  }
  size_t end = 0;
  FORMULA_NODE* f = LOGIC_ParseFormula(tokens, 0, &end, false, nullptr);
  if (f != nullptr && !tokens.empty() && end + 1 < tokens.size()) {
    // Only a ")" without its "(" can stop a complete formula early.
    SYS_ErrorBox("Unexspected ')'");
    LOGIC_FreeFormula(f);
    f = nullptr;
  }
  if (f != nullptr && LOGIC_FormulaDepth(f, LOGIC_MAX_TREE_DEPTH + 1) > LOGIC_MAX_TREE_DEPTH) {
    SYS_ErrorBox("Formula text is nested too deeply.");
    LOGIC_FreeFormula(f);
    f = nullptr;
  }
  r.parse_failed = f == nullptr;
  r.flags = LOGIC_CheckFormula(f);
  if (out != nullptr) {
    *out = f;
  } else {
    LOGIC_FreeFormula(f);
  }
  return r;
}
