// APP_ComputeWriteValue for every operation on every type, with and without CatchOverflow,
// the write limits, the base value rules and the Q-format conversions.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>

#include "core/app_qformat.h"
#include "core/app_write.h"
#include "engines_support.h"

namespace {

// A symbol whose base value is `base` (as a pending write).
ACTIVE_SYMBOL WithBase(uint32_t type, uint64_t base, bool catch_overflow) {
  ACTIVE_SYMBOL s = MakeSymbol("sym", 0x20000000, type);
  s.CatchOverflow = catch_overflow ? 1 : 0;
  s.CurrentValue.raw = base;
  s.ValuePending = 1;
  return s;
}

uint64_t F32(float f) {
  VALUE_SLOT v{};
  v.f32 = f;
  return v.raw;
}
uint64_t F64(double d) {
  VALUE_SLOT v{};
  v.f64 = d;
  return v.raw;
}
// `v` as a two's complement value of `bytes` bytes.
uint64_t I(int64_t v, uint32_t bytes) { return static_cast<uint64_t>(v) & (~uint64_t{0} >> (64 - 8 * bytes)); }

struct Case {
  const char* name;
  uint32_t type;
  bool catch_overflow;
  uint64_t base;
  uint32_t op;
  uint64_t operand;
  int32_t want_result;
  uint64_t want;  // the slot, when a value is produced
};

TEST(ComputeWriteValue, OperationsByType) {
  const Case cases[] = {
      // The edge cases of integer arithmetic.
      {"U8 250+10 wraps", TYPEID_U8, false, 250, APP_WRITE_ADD, 10, 1, 4},
      {"U8 250+10 saturates", TYPEID_U8, true, 250, APP_WRITE_ADD, 10, 1, 255},
      {"I16 -32768-1 wraps", TYPEID_I16, false, I(-32768, 2), APP_WRITE_SUB, 1, 1, 32767},
      {"I16 -32768-1 saturates", TYPEID_I16, true, I(-32768, 2), APP_WRITE_SUB, 1, 1, I(-32768, 2)},
      {"U16 5-10 saturates at min", TYPEID_U16, true, 5, APP_WRITE_SUB, 10, 1, 0},
      {"U16 5-10 wraps", TYPEID_U16, false, 5, APP_WRITE_SUB, 10, 1, 65531},
      {"U32 product saturates", TYPEID_U32, true, 0x10000, APP_WRITE_MUL, 0x10000, 1, 0xFFFFFFFF},
      {"U32 product wraps", TYPEID_U32, false, 0x10000, APP_WRITE_MUL, 0x10001, 1, 0x10000},
      {"I32 min / -1 wraps, no trap", TYPEID_I32, false, I(INT32_MIN, 4), APP_WRITE_DIV, I(-1, 4), 1, I(INT32_MIN, 4)},
      {"I32 min / -1 saturates", TYPEID_I32, true, I(INT32_MIN, 4), APP_WRITE_DIV, I(-1, 4), 1, I(INT32_MAX, 4)},
      {"I8 -128 / -1 saturates", TYPEID_I8, true, I(-128, 1), APP_WRITE_DIV, I(-1, 1), 1, 127},
      {"I32 min % -1", TYPEID_I32, true, I(INT32_MIN, 4), APP_WRITE_MOD, I(-1, 4), 1, 0},
      {"I16 -7 / 2 truncates", TYPEID_I16, false, I(-7, 2), APP_WRITE_DIV, 2, 1, I(-3, 2)},
      {"I16 -7 % 2", TYPEID_I16, false, I(-7, 2), APP_WRITE_MOD, 2, 1, I(-1, 2)},
      {"U8 divide by 256 is by 0", TYPEID_U8, false, 100, APP_WRITE_DIV, 256, -1, 0},
      {"U8 modulo by 0", TYPEID_U8, true, 100, APP_WRITE_MOD, 0x100, -1, 0},
      {"U8 set takes the low byte", TYPEID_U8, false, 0, APP_WRITE_SET, 0x1234, 1, 0x34},
      {"U8 invert with overflow catch stays bitwise", TYPEID_U8, true, 5, APP_WRITE_INVERT, 0, 1, 250},
      {"I8 invert", TYPEID_I8, true, I(5, 1), APP_WRITE_INVERT, 0, 1, I(-6, 1)},
      {"U16 and", TYPEID_U16, false, 0xF0F0, APP_WRITE_AND, 0x0FF0, 1, 0x00F0},
      {"U16 xor", TYPEID_U16, false, 0xFFFF, APP_WRITE_XOR, 0x00FF, 1, 0xFF00},
      {"U8 shl wraps", TYPEID_U8, false, 0x81, APP_WRITE_SHL, 1, 1, 0x02},
      {"U8 shl saturates", TYPEID_U8, true, 0x81, APP_WRITE_SHL, 1, 1, 0xFF},
      {"U8 shl count low 5 bits", TYPEID_U8, false, 1, APP_WRITE_SHL, 33, 1, 2},
      {"I16 shl saturates negative", TYPEID_I16, true, I(-20000, 2), APP_WRITE_SHL, 1, 1, I(-32768, 2)},
      {"I32 shl by 40 saturates", TYPEID_I32, true, 3, APP_WRITE_SHL, 40, 1, I(INT32_MAX, 4)},
      {"I32 shl by 40 wraps (count 8)", TYPEID_I32, false, 3, APP_WRITE_SHL, 40, 1, 0x300},
      {"I8 shr arithmetic", TYPEID_I8, false, I(-16, 1), APP_WRITE_SHR, 2, 1, I(-4, 1)},
      {"I32 shr by 40 with catch", TYPEID_I32, true, I(-5, 4), APP_WRITE_SHR, 40, 1, I(-1, 4)},
      {"U32 shr by 40 with catch", TYPEID_U32, true, 0xFFFFFFFF, APP_WRITE_SHR, 40, 1, 0},
      {"unknown operation", TYPEID_U8, false, 1, 12, 0, 0, 0},
      // bool
      {"bool xor 1 toggles", TYPEID_BOOL, false, 1, APP_WRITE_XOR, 1, 1, 0},
      {"bool add refused", TYPEID_BOOL, false, 0, APP_WRITE_ADD, 1, -1, 0},
      {"bool shl refused", TYPEID_BOOL, true, 0, APP_WRITE_SHL, 1, -1, 0},
      {"bool set non-zero", TYPEID_BOOL, false, 0, APP_WRITE_SET, 0x40, 1, 1},
      {"bool set reads the low byte", TYPEID_BOOL, false, 1, APP_WRITE_SET, 0x100, 1, 0},
      {"bool invert", TYPEID_BOOL, false, 1, APP_WRITE_INVERT, 0, 1, 0},
      {"bool or", TYPEID_BOOL, false, 0, APP_WRITE_OR, 7, 1, 1},
      // reals
      {"float add", TYPEID_FLOAT, true, F32(1.5f), APP_WRITE_ADD, F32(2.25f), 1, F32(3.75f)},
      {"float divide by 0 refused", TYPEID_FLOAT, false, F32(1.0f), APP_WRITE_DIV, F32(0.0f), -1, 0},
      {"float divide by NaN allowed", TYPEID_FLOAT, false, F32(1.0f), APP_WRITE_DIV, F32(NAN), 1, F32(NAN)},
      {"float invert refused", TYPEID_FLOAT, false, F32(1.0f), APP_WRITE_INVERT, 0, -1, 0},
      {"float modulo refused", TYPEID_FLOAT, false, F32(1.0f), APP_WRITE_MOD, F32(1.0f), -1, 0},
      {"double multiply", TYPEID_DOUBLE, false, F64(1.5), APP_WRITE_MUL, F64(-4.0), 1, F64(-6.0)},
      {"double xor refused", TYPEID_DOUBLE, false, F64(1.0), APP_WRITE_XOR, F64(1.0), -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ACTIVE_SYMBOL s = WithBase(c.type, c.base, c.catch_overflow);
    VALUE_SLOT out;
    out.raw = 0xDEADBEEF;
    EXPECT_EQ(APP_ComputeWriteValue(&s, c.op, c.operand, &out), c.want_result);
    if (c.want_result == 1) {
      if (c.want == F32(NAN)) {
        EXPECT_TRUE(std::isnan(out.f32));
      } else {
        EXPECT_EQ(out.raw, c.want);
      }
    } else {
      EXPECT_EQ(out.raw, 0u);
    }
  }
}

TEST(ComputeWriteValue, WriteLimits) {
  struct LimitCase {
    const char* name;
    uint32_t type;
    bool catch_overflow;
    double min_write, max_write;
    uint64_t base;
    uint32_t op;
    uint64_t operand;
    uint64_t want;
  };
  const LimitCase cases[] = {
      {"set above max", TYPEID_U8, false, 10, 200, 0, APP_WRITE_SET, 250, 200},
      {"set below min", TYPEID_I16, false, -100, 100, 0, APP_WRITE_SET, I(-1000, 2), I(-100, 2)},
      {"saturating add ends at max", TYPEID_U8, true, 0, 100, 90, APP_WRITE_ADD, 20, 100},
      {"saturating sub ends at min", TYPEID_U8, true, 3, 255, 5, APP_WRITE_SUB, 10, 3},
      {"limits truncate toward zero", TYPEID_I8, false, -10.9, 10.9, 0, APP_WRITE_SET, I(-50, 1), I(-10, 1)},
      // A limit beyond the type's range is the range's end, not a wrapped value.
      {"max beyond range", TYPEID_U8, true, 0, 300, 250, APP_WRITE_ADD, 10, 255},
      {"min below unsigned range", TYPEID_U8, true, -1, 255, 5, APP_WRITE_SUB, 10, 0},
      {"NaN limit is no limit", TYPEID_U16, false, NAN, NAN, 0, APP_WRITE_SET, 60000, 60000},
      {"float below min", TYPEID_FLOAT, false, -1.0, 1.0, 0, APP_WRITE_SET, F32(-3.0f), F32(-1.0f)},
      {"double above max", TYPEID_DOUBLE, true, -1.0, 2.0, F64(1.5), APP_WRITE_ADD, F64(1.0), F64(2.0)},
      {"bool ignores limits", TYPEID_BOOL, false, 0, 0, 0, APP_WRITE_SET, 1, 1},
  };
  for (const LimitCase& c : cases) {
    SCOPED_TRACE(c.name);
    ACTIVE_SYMBOL s = WithBase(c.type, c.base, c.catch_overflow);
    s.MinWrite = c.min_write;
    s.MaxWrite = c.max_write;
    VALUE_SLOT out{};
    EXPECT_EQ(APP_ComputeWriteValue(&s, c.op, c.operand, &out), 1);
    EXPECT_EQ(out.raw, c.want);
  }
}

// The base of a read-modify-write: nothing before the first sample or write (only set
// works), then the latest sample, the written value while a write is pending, and a virtual
// symbol's current value. Null arguments and types that cannot be written are refused.
TEST(ComputeWriteValue, BaseValueAndRefusals) {
  VALUE_SLOT sample{}, out{};
  sample.u16 = 40;
  ACTIVE_SYMBOL s = MakeSymbol("s", 0x100, TYPEID_U16);
  EXPECT_LT(APP_ComputeWriteValue(&s, APP_WRITE_INVERT, 0, &out), 0);
  EXPECT_LT(APP_ComputeWriteValue(&s, APP_WRITE_ADD, 1, &out), 0);
  EXPECT_EQ(APP_ComputeWriteValue(&s, APP_WRITE_SET, 7, &out), 1);
  EXPECT_EQ(out.u16, 7);
  s.pLatestSample = &sample;
  s.CurrentValue.u16 = 1000;
  EXPECT_EQ(APP_ComputeWriteValue(&s, APP_WRITE_ADD, 1, &out), 1);
  EXPECT_EQ(out.u16, 41);
  s.ValuePending = 1;
  EXPECT_EQ(APP_ComputeWriteValue(&s, APP_WRITE_ADD, 1, &out), 1);
  EXPECT_EQ(out.u16, 1001);
  ACTIVE_SYMBOL v = MakeSymbol("v", 0, TYPEID_I32);
  v.Virtual = 1;
  v.CurrentValue.i32 = -5;
  EXPECT_EQ(APP_ComputeWriteValue(&v, APP_WRITE_MUL, 3, &out), 1);
  EXPECT_EQ(out.i32, -15);

  EXPECT_LT(APP_ComputeWriteValue(nullptr, APP_WRITE_SET, 1, &out), 0);
  EXPECT_LT(APP_ComputeWriteValue(&s, APP_WRITE_SET, 1, nullptr), 0);
  for (uint32_t type : {uint32_t{TYPEID_UNSUPPORTED}, uint32_t{TYPEID_U64}, uint32_t{TYPEID_I64}, uint32_t{TYPEID_BITFIELD}, 3u, 99u}) {
    SCOPED_TRACE(type);
    s.ValueType = type;
    EXPECT_LT(APP_ComputeWriteValue(&s, APP_WRITE_SET, 1, &out), 0);
  }
}

// ---- Q format ---------------------------------------------------------------------------------

TEST(QFormat, RealToRaw) {
  struct QCase {
    const char* name;
    double value;
    APP_QFORMAT format;
    bool ok;
    uint64_t want;
  };
  const QCase cases[] = {
      {"-1.5 in signed Q3.4 on I8", -1.5, {TYPEID_I8, true, 3, 4}, true, 0x98},
      {"truncates toward zero", 0.99, {TYPEID_U8, false, 4, 4}, true, 0x0F},
      {"Q8.8 on I16", 25.5, {TYPEID_I16, true, 7, 8}, true, 0x1980},
      {"unsigned Q0.32", 0.5, {TYPEID_U32, false, 0, 32}, true, 0x80000000},
      {"magnitude saturates, sign kept clear", 100.0, {TYPEID_I8, true, 3, 4}, true, 0x7F},
      {"negative magnitude saturates", -100.0, {TYPEID_I8, true, 3, 4}, true, 0xFF},
      {"negative in unsigned format is 0", -1.0, {TYPEID_U8, false, 4, 4}, true, 0},
      {"bits do not add up", 1.0, {TYPEID_I8, true, 4, 4}, false, 0},
      {"raw type not an integer", 1.0, {TYPEID_FLOAT, false, 16, 16}, false, 0},
      {"NaN", NAN, {TYPEID_I16, true, 7, 8}, false, 0},
  };
  for (const QCase& c : cases) {
    SCOPED_TRACE(c.name);
    VALUE_SLOT out;
    out.raw = ~uint64_t{0};
    EXPECT_EQ(APP_RealToQ(c.value, c.format, &out), c.ok);
    EXPECT_EQ(out.raw, c.want);
  }
}

TEST(QFormat, RawToRealAndBack) {
  const APP_QFORMAT q34{TYPEID_I8, true, 3, 4};
  float f = 0.0f;
  ASSERT_TRUE(APP_QToReal(0xFFFFFF98, q34, &f));  // masked to the raw width
  EXPECT_EQ(f, -1.5f);
  EXPECT_FALSE(APP_QToReal(0x10, {TYPEID_I8, true, 4, 4}, &f));
  EXPECT_EQ(f, 0.0f);
  // Every raw byte of an unsigned and a signed format survives the round trip.
  for (const APP_QFORMAT& q : {APP_QFORMAT{TYPEID_U8, false, 5, 3}, q34}) {
    for (uint64_t raw = 0; raw < 256; ++raw) {
      if (q.Signed && raw == 0x80) continue;  // minus zero reads back as zero
      SCOPED_TRACE(raw);
      ASSERT_TRUE(APP_QToReal(raw, q, &f));
      VALUE_SLOT back{};
      ASSERT_TRUE(APP_RealToQ(f, q, &back));
      EXPECT_EQ(back.raw, raw);
    }
  }
}

// A Q-format symbol is written with real values and stored raw; its base is its real value.
TEST(QFormat, WriteOfQSymbol) {
  ACTIVE_SYMBOL s = MakeQSymbol("q", 0x2000);
  s.MinWrite = -8;
  s.MaxWrite = 8;
  VALUE_SLOT out{}, value{};
  ASSERT_EQ(APP_ComputeWriteValue(&s, APP_WRITE_SET, F32(-1.5f), &out), 1);
  EXPECT_EQ(out.raw, 0x98u);
  ASSERT_TRUE(APP_StorageToValue(s, out, &value));
  EXPECT_EQ(value.f32, -1.5f);
  s.CurrentValue.raw = F32(-1.5f);
  s.ValuePending = 1;
  ASSERT_EQ(APP_ComputeWriteValue(&s, APP_WRITE_ADD, F32(0.25f), &out), 1);
  EXPECT_EQ(out.raw, 0x94u);  // -1.25
  s.QFormatIntBits = 5;  // invalid: 1 + 5 + 4 bits
  EXPECT_LT(APP_ComputeWriteValue(&s, APP_WRITE_SET, F32(1.0f), &out), 0);
}

}  // namespace
