// The active symbol record: defaults of a new record and of each type id.
#include <gtest/gtest.h>

#include <cfloat>

#include "symbols/active_symbol.h"

namespace {

TEST(ActiveSymbol, NewRecordHasTheDefaults) {
  for (bool hex : {false, true}) {
    SCOPED_TRACE(hex ? "IntDefaultHex on" : "IntDefaultHex off");
    ACTIVE_SYMBOL* s = ACTSYM_New("Symbol Node", hex);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Read, 1);
    EXPECT_EQ(s->CatchOverflow, 1);
    EXPECT_EQ(s->MaxWrite, 1.0);
    EXPECT_EQ(s->MinWrite, 0.0);
    EXPECT_EQ(s->SampledMin, DBL_MAX);
    EXPECT_EQ(s->SampledMax, -DBL_MAX);
    EXPECT_EQ(s->HexDisplay, hex ? 0xFF : 0x00);
    EXPECT_EQ(s->Name[0], 0);
    EXPECT_EQ(s->pDimensions, nullptr);
    EXPECT_EQ(s->pFirstChild, nullptr);
    EXPECT_EQ(s->Virtual, 0);
    ACTSYM_Free(s);
  }
  ACTIVE_SYMBOL local;
  local.Address = 5;
  local.Read = 0;
  ACTSYM_Init(local, true);
  EXPECT_EQ(local.Address, 0u);
  EXPECT_EQ(local.Read, 1);
  EXPECT_EQ(local.HexDisplay, 0xFF);
}

TEST(ActiveSymbol, TypeDefaultsFollowTheTypeTable) {
  struct Case {
    const char* name;
    uint32_t type_id;
    double min_write, max_write;
    uint8_t q_signed, q_int, q_frac;
    uint8_t is_signed;
  };
  const Case cases[] = {
      {"float", TYPEID_FLOAT, -3.4028234663852886e38, 3.4028234663852886e38, 0, 0, 0, 1},
      {"double", TYPEID_DOUBLE, -DBL_MAX, DBL_MAX, 0, 0, 0, 1},
      {"bool", TYPEID_BOOL, 0, 1, 0, 0, 0, 0},
      {"U8", TYPEID_U8, 0, 255, 0, 4, 4, 0},
      {"U16", TYPEID_U16, 0, 65535, 0, 8, 8, 0},
      {"U32", TYPEID_U32, 0, 4294967295.0, 0, 16, 16, 0},
      {"I8", TYPEID_I8, -128, 127, 1, 4, 3, 0},
      {"I16", TYPEID_I16, -32768, 32767, 1, 8, 7, 0},
      {"I32", TYPEID_I32, -2147483648.0, 2147483647.0, 1, 16, 15, 0},
      {"unsupported keeps the record defaults", TYPEID_UNSUPPORTED, 0, 1.0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ACTIVE_SYMBOL s;
    ACTSYM_ApplyTypeDefaults(s, c.type_id);
    EXPECT_EQ(s.ValueType, c.type_id);
    EXPECT_EQ(s.RawType, c.type_id);
    EXPECT_EQ(s.MinWrite, c.min_write);
    EXPECT_EQ(s.MaxWrite, c.max_write);
    EXPECT_EQ(s.MaxValue, c.type_id == TYPEID_UNSUPPORTED ? 0.0 : c.max_write);
    EXPECT_EQ(s.UseQFormat, 0);
    EXPECT_EQ(s.QFormatSigned, c.q_signed);
    EXPECT_EQ(s.QFormatIntBits, c.q_int);
    EXPECT_EQ(s.QFormatFracBits, c.q_frac);
    EXPECT_EQ(s.Signed, c.is_signed);
  }
}

}  // namespace
