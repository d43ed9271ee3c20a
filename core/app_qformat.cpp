#include "core/app_qformat.h"

#include <cmath>

namespace {

uint32_t RawWidthBits(uint32_t raw_type) {
  switch (raw_type) {
    case TYPEID_U8: case TYPEID_I8: return 8;
    case TYPEID_U16: case TYPEID_I16: return 16;
    case TYPEID_U32: case TYPEID_I32: return 32;
    default: return 0;
  }
}

// Bits of the magnitude (integer plus fraction bits); the sign bit sits just above them.
uint32_t MagnitudeBits(const APP_QFORMAT& f) { return uint32_t{f.IntBits} + f.FracBits; }

}  // namespace

APP_QFORMAT APP_GetQFormat(const ACTIVE_SYMBOL& symbol) {
  APP_QFORMAT f;
  f.RawType = symbol.RawType;
  f.Signed = symbol.QFormatSigned != 0;
  f.IntBits = symbol.QFormatIntBits;
  f.FracBits = symbol.QFormatFracBits;
  return f;
}

bool APP_IsValidQFormat(const APP_QFORMAT& f) {
  const uint32_t width = RawWidthBits(f.RawType);
  return width != 0 && (f.Signed ? 1u : 0u) + MagnitudeBits(f) == width;
}

bool APP_RealToQ(double value, const APP_QFORMAT& f, VALUE_SLOT* out) {
  if (out == nullptr) return false;
  out->raw = 0;
  if (!APP_IsValidQFormat(f) || std::isnan(value)) return false;
  const uint32_t mag_bits = MagnitudeBits(f);
  const uint64_t max_mag = (uint64_t{1} << mag_bits) - 1;
  const bool negative = value < 0.0;
  if (negative && !f.Signed) return true;  // below the format's range: 0
  const double scaled = std::ldexp(std::fabs(value), f.FracBits);
  uint64_t mag = scaled >= static_cast<double>(max_mag) ? max_mag : static_cast<uint64_t>(scaled);
  uint64_t raw = mag;
  if (negative && mag != 0) raw |= uint64_t{1} << mag_bits;
  const uint32_t width = RawWidthBits(f.RawType);
  out->raw = raw & ((uint64_t{1} << width) - 1);
  return true;
}

bool APP_QToReal(uint64_t raw, const APP_QFORMAT& f, float* out) {
  if (out == nullptr) return false;
  *out = 0.0f;
  if (!APP_IsValidQFormat(f)) return false;
  const uint32_t mag_bits = MagnitudeBits(f);
  const uint64_t mag = raw & ((uint64_t{1} << mag_bits) - 1);
  double v = std::ldexp(static_cast<double>(mag), -static_cast<int>(f.FracBits));
  if (f.Signed && ((raw >> mag_bits) & 1u) != 0) v = -v;
  *out = static_cast<float>(v);
  return true;
}
