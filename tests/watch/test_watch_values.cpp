// What the Symbol Watch shows and lets the user enter: value texts, write-limit ranges and
// the Q-format bit arithmetic.
#include <gtest/gtest.h>

#include <cfloat>

#include "core/app_symbol_access.h"
#include "gui/symbol_watch_values.h"

namespace {

VALUE_SLOT Slot(uint64_t raw) {
  VALUE_SLOT v{};
  v.raw = raw;
  return v;
}

TEST(WatchValues, FormatsEachTypeFamily) {
  const struct {
    uint64_t raw;
    uint32_t type;
    bool hex;
    const char* text;
  } cases[] = {
      {0, TYPEID_UNSUPPORTED, false, "Undefined Value Type"},
      {0, TYPEID_U64, false, "Unsupported Value Type"},
      {0, TYPEID_BITFIELD, false, "Unsupported Value Type"},
      {1, TYPEID_BOOL, false, "true"},
      {0, TYPEID_BOOL, true, "0x0"},
      {0xBEEF, TYPEID_U16, true, "0xBEEF"},
      {4294967295u, TYPEID_U32, false, "4294967295"},
      {0xFF, TYPEID_I8, false, "-1"},
      {0x8000, TYPEID_I16, false, "-32768"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WATCH_FormatValue(Slot(c.raw), c.type, c.hex).toStdString(), c.text) << c.raw;
  }
}

TEST(WatchValues, CurrentValueShowsPendingWritesAndMissingSamples) {
  ACTIVE_SYMBOL s;
  s.ValueType = TYPEID_U8;
  EXPECT_EQ(WATCH_CurrentValueText(s), "N/A");
  VALUE_SLOT sample = Slot(42);
  APP_StoreLatestSample(s, &sample);
  EXPECT_EQ(WATCH_CurrentValueText(s), "42");
  APP_StoreCurrentValue(s, Slot(7));
  APP_StoreValuePending(s, true);
  EXPECT_EQ(WATCH_CurrentValueText(s), "*7");
  s.Read = 0;
  EXPECT_EQ(WATCH_CurrentValueText(s), "");
}

TEST(WatchValues, ExtremesAreEmptyUntilSampled) {
  EXPECT_EQ(WATCH_ExtremeText(DBL_MAX, false), "");
  EXPECT_EQ(WATCH_ExtremeText(-DBL_MAX, true), "");
  EXPECT_EQ(WATCH_ExtremeText(1234567.0, false), "1.23457e+06");
  EXPECT_EQ(WATCH_ExtremeText(255.0, true), "0xFF");
  EXPECT_EQ(WATCH_WriteLimitText(3.14159, TYPEID_FLOAT, false), "3.142");
  EXPECT_EQ(WATCH_WriteLimitText(4294967295.0, TYPEID_U32, true), "0xFFFFFFFF");
  EXPECT_EQ(WATCH_WriteLimitText(-1.0, TYPEID_I32, false), "-1");
}

TEST(WatchValues, WriteLimitRangesHoldTheWholeType) {
  const struct {
    uint32_t type;
    double min_low, min_high, max_low, max_high;
  } cases[] = {
      {TYPEID_BOOL, 0, 0, 1, 1},
      {TYPEID_U8, 0, 254, 1, 255},
      {TYPEID_U32, 0, 4294967294.0, 1, 4294967295.0},
      {TYPEID_I32, -2147483648.0, 2147483646.0, -2147483647.0, 2147483647.0},
  };
  for (const auto& c : cases) {
    const WATCH_LIMIT_RANGES r = WATCH_LimitRanges(c.type);
    ASSERT_TRUE(r.has_range);
    EXPECT_EQ(r.min_low, c.min_low);
    EXPECT_EQ(r.min_high, c.min_high);
    EXPECT_EQ(r.max_low, c.max_low);
    EXPECT_EQ(r.max_high, c.max_high);
  }
  EXPECT_FALSE(WATCH_LimitRanges(TYPEID_U64).has_range);
  EXPECT_EQ(WATCH_MaxFloor(10.7, TYPEID_U8), 11.0);
  EXPECT_EQ(WATCH_MinCeiling(200.0, TYPEID_U8), 199.0);
}

// The bits that follow a change never go negative, and the three counts fill the width.
TEST(WatchValues, QFormatBitsStayWithinTheRawWidth) {
  const struct {
    uint32_t raw;
    bool is_signed;
    uint32_t int_bits;  // entered
    uint8_t want_int, want_frac;
  } cases[] = {
      {TYPEID_I16, true, 7, 7, 8},
      {TYPEID_U8, false, 8, 8, 0},
      {TYPEID_U8, true, 8, 7, 0},    // no room for 8 integer bits beside the sign
      {TYPEID_U32, false, 40, 32, 0},
  };
  for (const auto& c : cases) {
    ACTIVE_SYMBOL s;
    s.RawType = c.raw;
    s.QFormatSigned = c.is_signed;
    WATCH_SetQIntBits(s, c.int_bits);
    EXPECT_EQ(s.QFormatIntBits, c.want_int);
    EXPECT_EQ(s.QFormatFracBits, c.want_frac);
    WATCH_SetQFracBits(s, s.QFormatFracBits);  // and back
    EXPECT_EQ(s.QFormatIntBits, c.want_int);
  }
  ACTIVE_SYMBOL s;
  s.RawType = TYPEID_U8;
  WATCH_SetQIntBits(s, 8);
  WATCH_SetQSigned(s, true);  // the sign takes an integer bit, not a negative fraction
  EXPECT_EQ(s.QFormatIntBits, 7);
  EXPECT_EQ(s.QFormatFracBits, 0);
  WATCH_SetUseQFormat(s, true);
  EXPECT_EQ(s.ValueType, uint32_t(TYPEID_FLOAT));
  WATCH_SetUseQFormat(s, false);
  EXPECT_EQ(s.ValueType, uint32_t(TYPEID_U8));
}

}  // namespace
