// Fixed-point (Q-format) storage of real values. A symbol shown in Q format holds its value
// as a float; the target stores it in an integer "raw type" (U8, U16, U32, I8, I16 or I32)
// as sign and magnitude: an optional sign bit on top, then the integer bits, then the
// fraction bits. A format is valid when (sign ? 1 : 0) + integer bits + fraction bits equals
// the raw type's width.
#pragma once

#include <cstdint>

#include "symbols/active_symbol.h"

struct APP_QFORMAT {
  uint32_t RawType = 0;  // TYPEID_U8 .. TYPEID_I32
  bool Signed = false;
  uint8_t IntBits = 0;
  uint8_t FracBits = 0;
};

// The symbol's Q-format settings (RawType, QFormatSigned, QFormatIntBits, QFormatFracBits).
APP_QFORMAT APP_GetQFormat(const ACTIVE_SYMBOL& symbol);

bool APP_IsValidQFormat(const APP_QFORMAT& format);

// Real to raw: the magnitude times 2^fraction bits, truncated toward zero, with the sign bit
// set for a negative value in a signed format. Magnitudes beyond the format saturate at its
// largest magnitude; a negative value in an unsigned format gives 0. The raw number goes to
// the low bytes of `out`, the rest is cleared. False (out cleared) for an invalid format or
// a value that is not a number.
bool APP_RealToQ(double value, const APP_QFORMAT& format, VALUE_SLOT* out);

// Raw to real: the raw number masked to the raw type's width, read as sign and magnitude.
// False (out 0) for an invalid format.
bool APP_QToReal(uint64_t raw, const APP_QFORMAT& format, float* out);
