#include "logic/logic_warning.h"

#include "logic/logic_value.h"

LOGIC_CheckReport LOGIC_ComposeCheckReport(uint32_t flags, bool is_formula) {
  LOGIC_CheckReport r;
  if (flags == 0) return r;
  std::string t = is_formula ? "Formula is invalid.\n" : "Calculation is invalid.\n";
  if ((flags & CHECK_MISSING_FORMULA) != 0) t += "A formula misses a subformula or condition.\n";
  if ((flags & CHECK_MISSING_CONDITION) != 0) t += "A condition misses calculation or value.\n";
  if ((flags & CHECK_MISSING_OPERAND) != 0)
    t += "A calculation misses a subcalculation or value.\n";
  if ((flags & CHECK_EMPTY_VALUE) != 0) {
    r.text = t + "A constant or symbol value is missing.\n";
    return r;
  }
  if ((flags & (CHECK_MISSING_FORMULA | CHECK_MISSING_CONDITION | CHECK_MISSING_OPERAND |
                CHECK_UNSUPPORTED_TYPE)) != 0) {
    r.text = t;
    return r;
  }
  if ((flags & CHECK_UNKNOWN_SYMBOL) != 0) {
    r.text = t + "A symbol is unknown.\n";
    return r;
  }
  if ((flags & (CHECK_BOOL_ARITHMETIC | CHECK_REAL_BITWISE)) != 0) {
    if ((flags & CHECK_BOOL_ARITHMETIC) != 0) {
      t += "Arithmetic calculations or bitshifts are not supported on bool values.\n";
    }
    if ((flags & CHECK_REAL_BITWISE) != 0) {
      t += "Bitwise operations are not supported on floating point values.\n";
    }
    r.text = t;
    return r;
  }
  if (flags == CHECK_DIVISION_BY_ZERO) {
    r.text =
        "A calculation contains divisor containing a symbol.\n"
        "A division by zero will be caught and the write will not be executed!";
    r.is_question = true;
    return r;
  }
  // Bits no message describes: the first line alone, so nothing invalid passes silently.
  r.text = t;
  return r;
}
