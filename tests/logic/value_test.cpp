// Typed values: every cell of the conversion and promotion tables, the operand check, every
// operator on every type with and without saturation, and comparison.
#include <bit>
#include <cmath>
#include <limits>
#include <vector>

#include "tests/logic/logic_fixture.h"

namespace {

constexpr uint32_t F = TYPEID_FLOAT, D = TYPEID_DOUBLE, B = TYPEID_BOOL, U8 = TYPEID_U8,
                   U16 = TYPEID_U16, U32 = TYPEID_U32, I8 = TYPEID_I8, I16 = TYPEID_I16,
                   I32 = TYPEID_I32;
constexpr uint32_t kTypes[9] = {F, D, B, U8, U16, U32, I8, I16, I32};
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// ---- Conversion -------------------------------------------------------------------------------

struct ConvertCase {
  uint32_t from;
  double value;    // source value
  double want[9];  // per target in kTypes order
};

TEST(LogicValue, ConversionTableEveryCell) {
  const ConvertCase cases[] = {
      // source, value, then the result as float, double, bool, U8, U16, U32, I8, I16, I32
      {F, -1.5, {-1.5, -1.5, 1, 255, 65535, 4294967295.0, -1, -1, -1}},
      {F, 300.7, {300.7f, static_cast<double>(300.7f), 1, 44, 300, 300, 44, 300, 300}},
      {D, 70000.9, {static_cast<float>(70000.9), 70000.9, 1, 112, 4464, 70000, 112, 4464, 70000}},
      {D, -1.0, {-1.0, -1.0, 1, 255, 65535, 4294967295.0, -1, -1, -1}},
      {B, 1, {1.0, 1.0, 1, 1, 1, 1, 1, 1, 1}},
      {B, 0, {0.0, 0.0, 0, 0, 0, 0, 0, 0, 0}},
      {U8, 200, {200, 200, 1, 200, 200, 200, -56, 200, 200}},
      {U16, 65535, {65535, 65535, 1, 255, 65535, 65535, -1, -1, 65535}},
      {U16, 256, {256, 256, 1, 0, 256, 256, 0, 256, 256}},
      {U32, 4294967295.0, {4294967296.0, 4294967295.0, 1, 255, 65535, 4294967295.0, -1, -1, -1}},
      {U32, 65536, {65536, 65536, 1, 0, 0, 65536, 0, 0, 65536}},
      {I8, -1, {-1, -1, 1, 255, 65535, 4294967295.0, -1, -1, -1}},
      {I16, -300, {-300, -300, 1, 212, 65236, 4294966996.0, -44, -300, -300}},
      {I32, -70000, {-70000, -70000, 1, 144, 61072, 4294897296.0, -112, -4464, -70000}},
  };
  for (const ConvertCase& c : cases) {
    for (int t = 0; t < 9; ++t) {
      SCOPED_TRACE(std::string(LOGIC_TypeName(c.from)) + " " + std::to_string(c.value) + " -> " +
                   LOGIC_TypeName(kTypes[t]));
      VALUE_SLOT s = Slot(c.from, c.value);
      LOGIC_ConvertValue(&s, c.from, kTypes[t]);
      if (kTypes[t] == F) {
        EXPECT_EQ(s.f32, static_cast<float>(c.want[t]));
      } else {
        EXPECT_EQ(Read(s, kTypes[t]), c.want[t]);
      }
    }
  }
}

TEST(LogicValue, ConversionSpecialValues) {
  struct Case {
    const char* name;
    uint32_t from;
    uint64_t raw;  // the source slot's bytes
    uint32_t to;
    double want;
  };
  const uint64_t big = std::bit_cast<uint64_t>(3e9);
  const Case cases[] = {
      {"float NaN is true", F, std::bit_cast<uint32_t>(std::numeric_limits<float>::quiet_NaN()), B,
       1},
      {"-0.0 is false", D, std::bit_cast<uint64_t>(-0.0), B, 0},
      {"out of range to I32 gives the minimum", D, big, I32, -2147483648.0},
      {"out of range to U8 gives the minimum's low byte", D, big, U8, 0},
      {"3e9 to U32 fits 64 bits", D, big, U32, 3e9},
      {"bool byte 2 is true", B, 2, U8, 1},
      {"U16 256 is true although its low byte is 0", U16, 256, B, 1},
      {"U32 65536 is true", U32, 65536, B, 1},
      {"I8 bit pattern of U16 256 is false", I8, 256, B, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VALUE_SLOT s;
    s.raw = c.raw;
    LOGIC_ConvertValue(&s, c.from, c.to);
    EXPECT_EQ(Read(s, c.to), c.want);
  }
}

TEST(LogicValue, ConversionRefusesUnsupportedPairs) {
  const uint32_t bad[] = {0, 3, 4, 9, 13, 14, 15, 200};
  for (uint32_t t : bad) {
    SCOPED_TRACE(t);
    VALUE_SLOT s{};
    s.raw = 0x1122334455667788ULL;
    LOGIC_ConvertValue(&s, t, U8);
    EXPECT_EQ(s.raw, 0x1122334455667788ULL);
    LOGIC_ConvertValue(&s, U32, t);
    EXPECT_EQ(s.raw, 0x1122334455667788ULL);
  }
  LOGIC_ConvertValue(nullptr, U8, U16);  // must not crash
}

// ---- Promotion --------------------------------------------------------------------------------

TEST(LogicValue, PromotionTableEveryCellBothWays) {
  const uint32_t table[9][9] = {
      /* float  */ {F, D, F, F, F, F, F, F, F},
      /* double */ {D, D, D, D, D, D, D, D, D},
      /* bool   */ {F, D, B, U8, U16, U32, I8, I16, I32},
      /* U8     */ {F, D, U8, U8, U16, U32, I16, I16, I32},
      /* U16    */ {F, D, U16, U16, U16, U32, I32, I32, I32},
      /* U32    */ {F, D, U32, U32, U32, U32, F, F, F},
      /* I8     */ {F, D, I8, I16, I32, F, I8, I16, I32},
      /* I16    */ {F, D, I16, I16, I32, F, I16, I16, I32},
      /* I32    */ {F, D, I32, I32, I32, F, I32, I32, I32},
  };
  for (int l = 0; l < 9; ++l) {
    for (int r = 0; r < 9; ++r) {
      SCOPED_TRACE(std::string(LOGIC_TypeName(kTypes[l])) + " with " + LOGIC_TypeName(kTypes[r]));
      EXPECT_EQ(LOGIC_CommonType(kTypes[l], kTypes[r]), table[l][r]);
    }
  }
  const uint32_t bad[] = {0, 3, 4, 9, 13, 14, 15};
  for (uint32_t b : bad) {
    for (uint32_t t : kTypes) {
      EXPECT_EQ(LOGIC_CommonType(b, t), 0u) << b << " " << t;
      EXPECT_EQ(LOGIC_CommonType(t, b), 0u) << t << " " << b;
    }
  }
}

// ---- Operand check ----------------------------------------------------------------------------

TEST(LogicValue, OperandCheckEveryTypeAndOperator) {
  struct Case {
    const char* name;
    uint32_t type;
    VALUE_SLOT right;
    uint32_t want[12];  // per operator code 0..11
  };
  const VALUE_SLOT zero{}, one_f = Slot(F, 1), one_d = Slot(D, 1), nan_d = Slot(D, kNaN),
                           one = Slot(U8, 1),
                           low_zero = Slot(U16, 256);  // zero in its low byte only
  const Case cases[] = {
      {"float, right 1", F, one_f, {0, 0, 0, 0, 0, 32, 32, 32, 32, 32, 32, 32}},
      {"float, right 0", F, zero, {0, 0, 0, 0, 64, 32, 32, 32, 32, 32, 32, 32}},
      {"double, right 1", D, one_d, {0, 0, 0, 0, 0, 32, 32, 32, 32, 32, 32, 32}},
      {"double, right 0", D, zero, {0, 0, 0, 0, 64, 32, 32, 32, 32, 32, 32, 32}},
      {"double, right NaN", D, nan_d, {0, 0, 0, 0, 0, 32, 32, 32, 32, 32, 32, 32}},
      {"bool", B, zero, {0, 16, 16, 16, 16, 16, 16, 16, 0, 0, 0, 0}},
      {"U8, right 0", U8, zero, {0, 0, 0, 0, 64, 64, 0, 0, 0, 0, 0, 0}},
      {"U8, right 256 reads 0 at the width", U8, low_zero, {0, 0, 0, 0, 64, 64, 0, 0, 0, 0, 0, 0}},
      {"U16, right 256", U16, low_zero, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"U32, right 1", U32, one, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"I8, right 0", I8, zero, {0, 0, 0, 0, 64, 64, 0, 0, 0, 0, 0, 0}},
      {"I16, right 0", I16, zero, {0, 0, 0, 0, 64, 64, 0, 0, 0, 0, 0, 0}},
      {"I32, right 0", I32, zero, {0, 0, 0, 0, 64, 64, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    for (uint32_t op = 0; op < 12; ++op) {
      SCOPED_TRACE(std::string(c.name) + ", operator " + std::to_string(op));
      EXPECT_EQ(LOGIC_CheckOperation(c.type, op, &c.right), c.want[op]);
    }
  }
  for (uint32_t t : {0u, 3u, 4u, 9u, 13u, 14u}) {
    EXPECT_EQ(LOGIC_CheckOperation(t, CALC_ADD, &one), 256u) << t;
  }
  EXPECT_EQ(LOGIC_CheckOperation(15, CALC_DIV, &zero), 0u);
}

// ---- Operators --------------------------------------------------------------------------------

struct OpCase {
  uint32_t op;
  uint32_t type;
  double left;
  double right;
  double want;      // without saturation
  double want_sat;  // with saturation (only +, - and * differ)
};

TEST(LogicValue, OperatorsEveryTypeWithAndWithoutSaturation) {
  const double kI32Min = -2147483648.0;
  // clang-format off
  const OpCase cases[] = {
      {CALC_ADD, U8, 200, 100, 44, 255},  {CALC_SUB, U8, 5, 7, 254, 0},
      {CALC_MUL, U8, 16, 16, 0, 255},  {CALC_DIV, U8, 200, 7, 28, 28},
      {CALC_DIV, U8, 200, 0, 0, 0},  {CALC_MOD, U8, 200, 7, 4, 4},
      {CALC_MOD, U8, 200, 0, 0, 0},  {CALC_SHL, U8, 1, 8, 0, 0},
      {CALC_SHL, U8, 1, 32, 1, 1},  // 1<<32 counts modulo 32
      {CALC_SHR, U8, 128, 1, 64, 64},  {CALC_INVERT, U8, 0, 0, 255, 255},
      {CALC_AND, U8, 0xF0, 0x3C, 0x30, 0x30},  {CALC_OR, U8, 0xF0, 0x0F, 0xFF, 0xFF},
      {CALC_XOR, U8, 0xFF, 0x0F, 0xF0, 0xF0},
      {CALC_NOP, U8, 77, 5, 77, 77},  // nop copies left
      {CALC_ADD, U16, 65535, 1, 0, 65535},  {CALC_SUB, U16, 5, 7, 65534, 0},
      {CALC_MUL, U16, 300, 300, 24464, 65535},  {CALC_DIV, U16, 65535, 256, 255, 255},
      {CALC_MOD, U16, 65535, 256, 255, 255},  {CALC_SHL, U16, 1, 16, 0, 0},
      {CALC_SHR, U16, 0x8000, 15, 1, 1},  {CALC_INVERT, U16, 0, 0, 65535, 65535},
      {CALC_XOR, U16, 0xFFFF, 0x00FF, 0xFF00, 0xFF00},
      {CALC_ADD, U32, 4294967295.0, 1, 0, 4294967295.0},  {CALC_SUB, U32, 5, 7, 4294967294.0, 0},
      {CALC_MUL, U32, 65536, 65536, 0, 4294967295.0},
      {CALC_MUL, U32, 4294967295.0, 4294967295.0, 1, 4294967295.0},
      {CALC_DIV, U32, 4294967295.0, 2, 2147483647.0, 2147483647.0},
      {CALC_MOD, U32, 4294967295.0, 10, 5, 5},  {CALC_SHL, U32, 1, 31, 2147483648.0, 2147483648.0},
      {CALC_SHR, U32, 2147483648.0, 31, 1, 1},  // >> is logical
      {CALC_INVERT, U32, 0, 0, 4294967295.0, 4294967295.0},
      {CALC_XOR, U32, 4294967295.0, 0xFFFF, 4294901760.0, 4294901760.0},
      {CALC_ADD, I8, 127, 1, -128, 127},  {CALC_SUB, I8, -128, 1, 127, -128},
      {CALC_MUL, I8, -100, 2, 56, -128},
      {CALC_DIV, I8, -7, 2, -3, -3},  // / truncates
      {CALC_DIV, I8, -128, -1, -128, -128},  // -128/-1 wraps
      {CALC_MOD, I8, -7, 2, -1, -1},  // % has the left sign
      {CALC_MOD, I8, 7, -2, 1, 1},  {CALC_SHL, I8, 1, 7, -128, -128},
      {CALC_SHR, I8, -128, 1, -64, -64},  // >> is arithmetic
      {CALC_INVERT, I8, 0, 0, -1, -1},  {CALC_AND, I8, -1, 0x0F, 15, 15},
      {CALC_OR, I8, -128, 1, -127, -127},  {CALC_XOR, I8, -1, 1, -2, -2},
      {CALC_ADD, I16, 32767, 1, -32768, 32767},  {CALC_SUB, I16, -32768, 1, 32767, -32768},
      {CALC_MUL, I16, 200, 200, -25536, 32767},  {CALC_MUL, I16, -200, 200, 25536, -32768},
      {CALC_DIV, I16, -32768, -1, -32768, -32768},  // -32768/-1 wraps
      {CALC_MOD, I16, -32768, -1, 0, 0},  {CALC_SHR, I16, -32768, 15, -1, -1},
      {CALC_INVERT, I16, 5, 0, -6, -6},
      {CALC_ADD, I32, 2147483647.0, 1, kI32Min, 2147483647.0},
      {CALC_SUB, I32, kI32Min, 1, 2147483647.0, kI32Min},
      {CALC_MUL, I32, 65536, 65536, 0, 2147483647.0},  {CALC_MUL, I32, -65536, 65536, 0, kI32Min},
      {CALC_DIV, I32, kI32Min, -1, kI32Min, kI32Min},  // min/-1 gives min, never traps
      {CALC_MOD, I32, kI32Min, -1, 0, 0},  // min%-1 gives 0
      {CALC_DIV, I32, -9, 4, -2, -2},  {CALC_SHL, I32, 1, 31, kI32Min, kI32Min},
      {CALC_SHL, I32, 1, -1, kI32Min, kI32Min},  // count -1 is 31
      {CALC_SHR, I32, kI32Min, 31, -1, -1},
      {CALC_AND, I32, -1, 0x7FFFFFFF, 2147483647.0, 2147483647.0},
      {CALC_ADD, F, 1.5, 2.25, 3.75, 3.75},  {CALC_SUB, F, 1.5, 2.25, -0.75, -0.75},
      {CALC_MUL, F, 1.5, -2, -3, -3},  {CALC_DIV, F, 1, 4, 0.25, 0.25},
      {CALC_DIV, F, 1, 0, 0, 0},  // 1/0 leaves 0, never infinity
      {CALC_ADD, D, 0.5, 0.25, 0.75, 0.75},  {CALC_SUB, D, 0.5, 0.25, 0.25, 0.25},
      {CALC_MUL, D, 1e200, 1e200, INFINITY, INFINITY},  {CALC_DIV, D, 1, 8, 0.125, 0.125},
      {CALC_DIV, D, 1, -0.0, 0, 0},  // 1/-0.0 leaves 0
      {CALC_INVERT, B, 1, 0, 0, 0},  {CALC_INVERT, B, 0, 0, 1, 1},
      {CALC_AND, B, 2, 1, 1, 1},  // 2&1 (both non-zero)
      {CALC_AND, B, 0, 1, 0, 0},  {CALC_OR, B, 0, 2, 1, 1},
      {CALC_XOR, B, 2, 1, 0, 0},  {CALC_XOR, B, 0, 1, 1, 1},
  };
  // clang-format on
  for (const OpCase& c : cases) {
    for (bool sat : {false, true}) {
      SCOPED_TRACE(std::string(LOGIC_TypeName(c.type)) + " operator " + std::to_string(c.op) + " " +
                   std::to_string(c.left) + ", " + std::to_string(c.right) +
                   (sat ? " saturating" : " wrapping"));
      VALUE_SLOT l = Slot(c.type, c.left);
      VALUE_SLOT r = Slot(c.type, c.right);
      VALUE_SLOT res;
      res.raw = 0xA5A5A5A5A5A5A5A5ULL;  // the operator must clear all 8 bytes
      LOGIC_Apply(c.op, &l, &r, c.type, &res, sat);
      EXPECT_EQ(Read(res, c.type), sat ? c.want_sat : c.want);
      const uint32_t w = LOGIC_TypeWidth(c.type);
      if (w < 8) {
        EXPECT_EQ(res.raw >> (8 * w), 0u) << "bytes beyond the width are cleared";
      }
    }
  }
}

TEST(LogicValue, OperatorsATypeDoesNotSupportLeaveZero) {
  const std::pair<uint32_t, std::vector<uint32_t>> cases[] = {
      {F, {CALC_MOD, CALC_SHL, CALC_SHR, CALC_INVERT, CALC_AND, CALC_OR, CALC_XOR}},
      {D, {CALC_MOD, CALC_SHL, CALC_SHR, CALC_INVERT, CALC_AND, CALC_OR, CALC_XOR}},
      {B, {CALC_ADD, CALC_SUB, CALC_MUL, CALC_DIV, CALC_MOD, CALC_SHL, CALC_SHR}}};
  for (const auto& [type, ops] : cases) {
    for (uint32_t op : ops) {
      SCOPED_TRACE(std::string(LOGIC_TypeName(type)) + " operator " + std::to_string(op));
      const VALUE_SLOT one = Slot(type, 1);
      VALUE_SLOT res;
      res.raw = ~0ULL;
      LOGIC_Apply(op, &one, &one, type, &res, false);
      EXPECT_EQ(res.raw, 0u);
    }
  }
}

TEST(LogicValue, OperatorsIgnoreNullResultAndReadNullOperandsAsZero) {
  VALUE_SLOT a = Slot(U8, 5);
  LOGIC_Add(&a, &a, U8, nullptr, false);
  LOGIC_Invert(&a, U8, nullptr);
  VALUE_SLOT res{};
  LOGIC_Add(&a, nullptr, U8, &res, false);
  EXPECT_EQ(res.u8, 5);
  LOGIC_Apply(99, &a, &a, U8, &res, false);
  EXPECT_EQ(res.raw, 0u);
}

// ---- Comparison -------------------------------------------------------------------------------

TEST(LogicValue, Comparison) {
  struct Case {
    const char* name;
    uint32_t cond;
    uint32_t lt;
    double l;
    uint32_t rt;
    double r;
    bool want;
  };
  // clang-format off
  const Case cases[] = {
      {"I8 -1 < U8 255 via I16", COND_LT, I8, -1, U8, 255, true},
      {"I8 -1 == U8 255", COND_EQ, I8, -1, U8, 255, false},
      {"NaN == NaN", COND_EQ, D, kNaN, D, kNaN, false},
      {"NaN != NaN", COND_NE, D, kNaN, D, kNaN, true},
      {"NaN < 1", COND_LT, F, kNaN, F, 1, false},
      {"NaN >= 1", COND_GE, F, kNaN, F, 1, false},
      {"U32 max > I8 -1 in float", COND_GT, U32, 4294967295.0, I8, -1, true},
      {"bool 2 == bool 1 compares bytes", COND_EQ, B, 2, B, 1, false},
      {"bool 2 == U8 1 converts the bool", COND_EQ, B, 2, U8, 1, true},
      {"bool 0 < 1", COND_LT, B, 0, B, 1, true},
      {"U16 0 > 65535", COND_GT, U16, 0, U16, 65535, false},
      {"U32 0 < 0x80000000", COND_LT, U32, 0, U32, 2147483648.0, true},
      {"I32 -1 < 1", COND_LT, I32, -1, I32, 1, true},
      {"I16 -5 <= -5", COND_LE, I16, -5, I16, -5, true},
      {"U8 3 >= 4", COND_GE, U8, 3, U8, 4, false},
      {"float 0.1 != double 0.1", COND_NE, F, 0.1, D, 0.1, true},
      {"float 0.5 == double 0.5", COND_EQ, F, 0.5, D, 0.5, true},
      {"condition code 6", 6, U8, 1, U8, 1, false},
      {"unsupported type", COND_EQ, TYPEID_U64, 0, U8, 0, false}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const VALUE_SLOT l = Slot(c.lt, c.l);
    const VALUE_SLOT r = Slot(c.rt, c.r);
    EXPECT_EQ(LOGIC_Compare(c.cond, &l, c.lt, &r, c.rt), c.want);
  }
}

}  // namespace
