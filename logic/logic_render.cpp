#include "logic/logic_render.h"

#include <charconv>
#include <cstring>

namespace {

void EmptySlot(bool placeholders, int* position, std::string& out) {
  if (position != nullptr && *position < 0) *position = static_cast<int>(out.size());
  if (placeholders) out += '_';
}

// Fixed notation with two decimals, independent of the C locale.
void AppendFixed2(double v, std::string& out) {
  char buf[400];  // the largest double has 309 integer digits
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
  if (r.ec == std::errc()) out.append(buf, r.ptr);
}

void AppendUnsigned(uint64_t v, uint32_t base, std::string& out) {
  char buf[72];
  const int radix = base == BASE_BINARY ? 2 : base == BASE_HEX ? 16 : 10;
  const auto r = std::to_chars(buf, buf + sizeof buf, v, radix);
  if (base == BASE_BINARY) out += "0b";
  if (base == BASE_HEX) out += "0x";
  for (const char* p = buf; p < r.ptr; ++p) {
    out += (*p >= 'a' && *p <= 'f') ? static_cast<char>(*p - 'a' + 'A') : *p;
  }
}

const char* OperatorText(uint32_t code) {
  static const char* const kOps[CALC_COUNT] = {"",     " + ",  " - ", " * ", " / ", " % ",
                                               " << ", " >> ", "~",   " & ", " | ", " ^ "};
  return code < CALC_COUNT ? kOps[code] : " ? ";
}

const char* ComparisonText(uint32_t code) {
  static const char* const kCmp[COND_COUNT] = {"  ==  ", "  !=  ", "  <  ",
                                               "  <=  ", "  >  ",  "  >=  "};
  return code < COND_COUNT ? kCmp[code] : "  ?  ";
}

void RenderCalcSide(const CALCULATION_NODE* sub, const VALUE_NODE* leaf, bool placeholders,
                    int* position, std::string& out) {
  if (sub != nullptr) {
    LOGIC_RenderCalculation(sub, placeholders, position, out);
  } else if (leaf != nullptr) {
    LOGIC_RenderValue(leaf, placeholders, position, out);
  } else {
    EmptySlot(placeholders, position, out);
  }
}

void RenderFormulaSide(const FORMULA_NODE* sub, const CONDITION_NODE* cond, bool placeholders,
                       int* position, std::string& out) {
  if (sub != nullptr) {
    LOGIC_RenderFormula(sub, placeholders, position, out);
  } else {
    LOGIC_RenderCondition(cond, placeholders, position, out);
  }
}

}  // namespace

void LOGIC_RenderConstant(const VALUE_SLOT& v, uint32_t type, uint32_t base, std::string& out) {
  switch (type) {
    case TYPEID_FLOAT:
      AppendFixed2(static_cast<double>(v.f32), out);
      out += 'f';
      return;
    case TYPEID_DOUBLE:
      AppendFixed2(v.f64, out);
      return;
    case TYPEID_BOOL:
      out += v.u8 != 0 ? "true" : "false";
      return;
    default:
      break;
  }
  if (!LOGIC_IsIntegerType(type)) return;
  const int64_t n = LOGIC_ReadInteger(v, type);
  if (n < 0) {
    out += '-';
    AppendUnsigned(static_cast<uint64_t>(-n), base, out);
  } else {
    AppendUnsigned(static_cast<uint64_t>(n), base, out);
  }
}

void LOGIC_RenderValue(const VALUE_NODE* value, bool placeholders, int* position,
                       std::string& out) {
  if (value == nullptr) {
    EmptySlot(placeholders, position, out);
    return;
  }
  if (value->pSymbol != nullptr) {
    if (const ACTIVE_SYMBOL* s = LOGIC_FindActiveSymbol(value->pSymbol)) {
      out.append(s->Name, strnlen(s->Name, sizeof s->Name));
    }
    return;
  }
  if (value->pConstant == nullptr) return;
  if (placeholders && LOGIC_IsIntegerType(value->DataType))
    out += LOGIC_TypeCastText(value->DataType);
  LOGIC_RenderConstant(*value->pConstant, value->DataType, value->BaseToDisplayIn, out);
}

void LOGIC_RenderCalculation(const CALCULATION_NODE* calc, bool placeholders, int* position,
                             std::string& out) {
  if (calc == nullptr) {
    EmptySlot(placeholders, position, out);
    return;
  }
  const uint32_t code = calc->CalculationType;
  if (code == CALC_NOP) {
    RenderCalcSide(calc->pLeftCalc, calc->pLeftValue, placeholders, position, out);
    return;
  }
  if (code == CALC_INVERT) {
    out += '~';
    RenderCalcSide(calc->pLeftCalc, calc->pLeftValue, placeholders, position, out);
    return;
  }
  out += '(';
  RenderCalcSide(calc->pLeftCalc, calc->pLeftValue, placeholders, position, out);
  out += OperatorText(code);
  RenderCalcSide(calc->pRightCalc, calc->pRightValue, placeholders, position, out);
  out += ')';
}

void LOGIC_RenderCondition(const CONDITION_NODE* cond, bool placeholders, int* position,
                           std::string& out) {
  if (cond == nullptr) {
    EmptySlot(placeholders, position, out);
    return;
  }
  out += '(';
  LOGIC_RenderCalculation(cond->pLeftCalc, placeholders, position, out);
  out += ComparisonText(cond->ConditionType);
  LOGIC_RenderCalculation(cond->pRightCalc, placeholders, position, out);
  out += ')';
}

void LOGIC_RenderFormula(const FORMULA_NODE* f, bool placeholders, int* position,
                         std::string& out) {
  if (f == nullptr) {
    EmptySlot(placeholders, position, out);
    return;
  }
  switch (f->JunctionType) {
    case JUNC_NONE:
      RenderFormulaSide(f->pLeftFormula, f->pLeftCondition, placeholders, position, out);
      return;
    case JUNC_NOT:
      out += '!';
      RenderFormulaSide(f->pLeftFormula, f->pLeftCondition, placeholders, position, out);
      return;
    default:
      break;
  }
  const char* op = f->JunctionType == JUNC_AND   ? "  &&  "
                   : f->JunctionType == JUNC_OR  ? "  ||  "
                   : f->JunctionType == JUNC_XOR ? "  ^^  "
                                                 : "  ?  ";
  out += '(';
  RenderFormulaSide(f->pLeftFormula, f->pLeftCondition, placeholders, position, out);
  out += op;
  RenderFormulaSide(f->pRightFormula, f->pRightCondition, placeholders, position, out);
  out += ')';
}

std::string LOGIC_CalculationText(const CALCULATION_NODE* calc, bool placeholders, int* position) {
  std::string out;
  LOGIC_RenderCalculation(calc, placeholders, position, out);
  return out;
}

std::string LOGIC_FormulaText(const FORMULA_NODE* formula, bool placeholders, int* position) {
  std::string out;
  LOGIC_RenderFormula(formula, placeholders, position, out);
  return out;
}
