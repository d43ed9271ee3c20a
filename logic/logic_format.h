// A value formatted the way the Symbol Watch shows a current value: reals in fixed notation
// with 6 decimals; bool "true"/"false" (hexadecimal "0x1"/"0x0"); unsigned integers in
// decimal or "0x" and upper-case digits; signed integers sign-extended, then decimal or "0x"
// and the upper-case digits of the 32-bit two's complement ("0xFFFFFFFF" for I8 -1).
#pragma once

#include <cstdint>
#include <string>

#include "symbols/active_symbol.h"

std::string LOGIC_FormatWatchValue(const VALUE_SLOT& value, uint32_t type, bool hex);
