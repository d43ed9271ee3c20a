#include "gui/symbol_watch_values.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>

#include "core/app_symbol_access.h"
#include "logic/logic_format.h"
#include "logic/logic_value.h"

QString WATCH_FormatValue(const VALUE_SLOT& value, uint32_t type, bool hex) {
  if (type == TYPEID_UNSUPPORTED) return QStringLiteral("Undefined Value Type");
  if (!LOGIC_IsSupportedType(type)) return QStringLiteral("Unsupported Value Type");
  return QString::fromStdString(LOGIC_FormatWatchValue(value, type, hex));
}

QString WATCH_CurrentValueText(const ACTIVE_SYMBOL& symbol) {
  if (symbol.Read == 0) return QString();
  const bool hex = (symbol.HexDisplay & HEX_CURRENT) != 0;
  if (APP_LoadValuePending(symbol)) {
    return QLatin1Char('*') + WATCH_FormatValue(APP_LoadCurrentValue(symbol), symbol.ValueType, hex);
  }
  const VALUE_SLOT* latest = APP_LoadLatestSample(symbol);
  if (latest == nullptr) return QStringLiteral("N/A");
  return WATCH_FormatValue(APP_LoadSlot(*latest), symbol.ValueType, hex);
}

QString WATCH_ExtremeText(double value, bool hex) {
  if (!std::isfinite(value) || value == DBL_MAX || value == -DBL_MAX) return QString();
  char buf[64];
  if (hex) {
    const double clamped = std::clamp(value, -9.2e18, 9.2e18);
    std::snprintf(buf, sizeof buf, "0x%llX",
                  static_cast<unsigned long long>(static_cast<int64_t>(clamped)));
  } else {
    std::snprintf(buf, sizeof buf, "%g", value);
  }
  return QString::fromLatin1(buf);
}

QString WATCH_WriteLimitText(double value, uint32_t type, bool hex) {
  char buf[64];
  if (type == TYPEID_FLOAT || type == TYPEID_DOUBLE || !LOGIC_IsSupportedType(type)) {
    std::snprintf(buf, sizeof buf, "%.4g", value);
  } else if (hex) {
    const auto n = static_cast<int64_t>(std::clamp(value, -9.2e18, 9.2e18));
    std::snprintf(buf, sizeof buf, "0x%llX",
                  static_cast<unsigned long long>(n < 0 ? uint64_t(uint32_t(n)) : uint64_t(n)));
  } else {
    std::snprintf(buf, sizeof buf, "%.0f", value);
  }
  return QString::fromLatin1(buf);
}

WATCH_LIMIT_RANGES WATCH_LimitRanges(uint32_t type) {
  struct ROW {
    uint32_t type;
    double lo, hi;  // the type's range
  };
  static constexpr ROW kInts[] = {
      {TYPEID_BOOL, 0, 1},          {TYPEID_U8, 0, 255},
      {TYPEID_U16, 0, 65535},       {TYPEID_U32, 0, 4294967295.0},
      {TYPEID_I8, -128, 127},       {TYPEID_I16, -32768, 32767},
      {TYPEID_I32, -2147483648.0, 2147483647.0},
  };
  WATCH_LIMIT_RANGES r;
  if (type == TYPEID_FLOAT || type == TYPEID_DOUBLE) {
    const double m = type == TYPEID_FLOAT ? double(FLT_MAX) : DBL_MAX;
    r = {true, 4, -m, m, -m, m};
    return r;
  }
  for (const ROW& row : kInts) {
    if (row.type != type) continue;
    // The minimum stays below the maximum: bool's limits are fixed at 0 and 1.
    if (type == TYPEID_BOOL) return {true, 0, 0, 0, 1, 1};
    return {true, 0, row.lo, row.hi - 1, row.lo + 1, row.hi};
  }
  return r;
}

namespace {
bool IsReal(uint32_t type) { return type == TYPEID_FLOAT || type == TYPEID_DOUBLE; }
}  // namespace

double WATCH_MinCeiling(double max_write, uint32_t type) {
  return IsReal(type) ? max_write : std::trunc(max_write) - 1;
}

double WATCH_MaxFloor(double min_write, uint32_t type) {
  return IsReal(type) ? min_write : std::trunc(min_write) + 1;
}

uint32_t WATCH_RawBits(uint32_t raw_type) {
  switch (raw_type) {
    case TYPEID_U8: case TYPEID_I8: return 8;
    case TYPEID_U16: case TYPEID_I16: return 16;
    case TYPEID_U32: case TYPEID_I32: return 32;
    default: return 0;
  }
}

uint8_t WATCH_FracBitsFor(uint32_t raw_type, uint32_t int_bits, bool is_signed) {
  const int64_t left = int64_t(WATCH_RawBits(raw_type)) - int64_t(int_bits) - (is_signed ? 1 : 0);
  return uint8_t(std::max<int64_t>(left, 0));
}

void WATCH_SetQIntBits(ACTIVE_SYMBOL& s, uint32_t int_bits) {
  const uint32_t room = WATCH_RawBits(s.RawType) - (s.QFormatSigned != 0 && WATCH_RawBits(s.RawType) > 0 ? 1 : 0);
  s.QFormatIntBits = uint8_t(std::min(int_bits, room));
  s.QFormatFracBits = WATCH_FracBitsFor(s.RawType, s.QFormatIntBits, s.QFormatSigned != 0);
}

void WATCH_SetQFracBits(ACTIVE_SYMBOL& s, uint32_t frac_bits) {
  const uint32_t room = WATCH_RawBits(s.RawType) - (s.QFormatSigned != 0 && WATCH_RawBits(s.RawType) > 0 ? 1 : 0);
  s.QFormatFracBits = uint8_t(std::min(frac_bits, room));
  s.QFormatIntBits = WATCH_FracBitsFor(s.RawType, s.QFormatFracBits, s.QFormatSigned != 0);
}

void WATCH_SetQSigned(ACTIVE_SYMBOL& s, bool is_signed) {
  s.QFormatSigned = is_signed ? 1 : 0;
  WATCH_SetQIntBits(s, s.QFormatIntBits);
}

void WATCH_SetUseQFormat(ACTIVE_SYMBOL& s, bool use) {
  s.UseQFormat = use ? 1 : 0;
  s.ValueType = use ? uint32_t(TYPEID_FLOAT) : s.RawType;
}
