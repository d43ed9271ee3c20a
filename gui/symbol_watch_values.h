// The texts and editor ranges of the Symbol Watch, apart from its widgets: what a row shows
// for a symbol's value, read extremes and write limits, the ranges of the write-limit
// editors and the Q-format bit arithmetic.
#pragma once

#include <QString>
#include <cstdint>

#include "symbols/active_symbol.h"

// "Current Value": empty for a symbol that is not read; "*" and the current value while a
// write awaits read-back; the newest sample; "N/A" before the first one.
QString WATCH_CurrentValueText(const ACTIVE_SYMBOL& symbol);
// A value of `type` as the Symbol Watch shows it ("Undefined Value Type" for 0,
// "Unsupported Value Type" for types the engines do not compute with).
QString WATCH_FormatValue(const VALUE_SLOT& value, uint32_t type, bool hex);
// "Min Read" / "Max Read": general notation with 6 significant digits, or "0x" and the value
// truncated to a 64-bit integer; empty while nothing was sampled (the extreme still holds
// its start value).
QString WATCH_ExtremeText(double value, bool hex);
// "Min Write" / "Max Write" in Run mode: reals with 4 significant digits, integers in
// decimal or hexadecimal.
QString WATCH_WriteLimitText(double value, uint32_t type, bool hex);

// The ranges of the two write-limit editors; `has_range` false for types without them.
struct WATCH_LIMIT_RANGES {
  bool has_range = false;
  int decimals = 0;
  double min_low = 0, min_high = 0;  // minimum write editor
  double max_low = 0, max_high = 0;  // maximum write editor
};
WATCH_LIMIT_RANGES WATCH_LimitRanges(uint32_t type);
// The minimum editor's highest value for a maximum of `max_write` (one below it for integer
// types, the value itself for reals), and the maximum editor's lowest value likewise.
double WATCH_MinCeiling(double max_write, uint32_t type);
double WATCH_MaxFloor(double min_write, uint32_t type);

// Width in bits of a Q-format raw type (U8..I32), 0 for others.
uint32_t WATCH_RawBits(uint32_t raw_type);
// Fraction bits left by `int_bits` integer bits (and the sign bit when `is_signed`); never
// negative: integer bits that leave no room give 0.
uint8_t WATCH_FracBitsFor(uint32_t raw_type, uint32_t int_bits, bool is_signed);
// The symbol's Q-format after its integer bits changed (fraction bits follow), after its
// fraction bits changed (integer bits follow), or after the sign flag changed. The bits
// that follow never go below 0; the changed count is clamped to what the width allows.
void WATCH_SetQIntBits(ACTIVE_SYMBOL& symbol, uint32_t int_bits);
void WATCH_SetQFracBits(ACTIVE_SYMBOL& symbol, uint32_t frac_bits);
void WATCH_SetQSigned(ACTIVE_SYMBOL& symbol, bool is_signed);
// Q-format on: the value type becomes float; off: back to the raw type.
void WATCH_SetUseQFormat(ACTIVE_SYMBOL& symbol, bool use);
