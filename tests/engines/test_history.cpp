// Decoding HSS records into the history rings: indices and wrap, the first-record rule of the
// extremes, virtual symbols, Q format, pause, symbols that cannot be decoded.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>

#include "core/app_qformat.h"
#include "core/app_symbol_access.h"
#include "engines_support.h"

namespace {

class HistoryTest : public EngineTest {
 protected:
  // Lays out the list's sampled symbols and starts with empty rings.
  uint32_t Start() {
    PROBE_ComputeHSSLayout();
    APP_ResetHistory();
    EXPECT_EQ(APP_PrepareHistories(), 0);
    APP_SetPaused(false);
    return PROBE_GetRecordSize();
  }
  static double Sample(const ACTIVE_SYMBOL* s, uint32_t i, uint32_t type) {
    VALUE_SLOT v{};
    EXPECT_TRUE(APP_GetSampleAt(s, i, &v));
    switch (type) {
      case TYPEID_FLOAT: return v.f32;
      case TYPEID_DOUBLE: return v.f64;
      case TYPEID_I8: return v.i8;
      case TYPEID_I16: return v.i16;
      case TYPEID_I32: return v.i32;
      case TYPEID_U16: return v.u16;
      case TYPEID_U32: return v.u32;
      default: return v.u8;
    }
  }
};

TEST_F(HistoryTest, RecordsGoToTheirSymbolsInListOrder) {
  ACTIVE_SYMBOL* a = Add(MakeSymbol("a", 0x100, TYPEID_I16));
  ACTIVE_SYMBOL* skipped = Add(MakeSymbol("not sampled", 0x104, TYPEID_U32));
  skipped->Read = 0;
  ACTIVE_SYMBOL* b = Add(MakeSymbol("b", 0x108, TYPEID_DOUBLE));
  ACTIVE_SYMBOL* c = Add(MakeSymbol("c", 0x110, TYPEID_U8));
  const uint32_t rs = Start();
  ASSERT_EQ(rs, 4u + 2 + 8 + 1);
  EXPECT_EQ(a->RecordOffset, 4u);
  EXPECT_EQ(b->RecordOffset, 6u);
  EXPECT_EQ(c->RecordOffset, 14u);

  const auto records = MakeRecords(3, rs, 1000, 100, [&](uint8_t* r, uint32_t i) {
    PutAt<int16_t>(r, 4, static_cast<int16_t>(-100 * int(i)));
    PutAt<double>(r, 6, 0.5 * i);
    PutAt<uint8_t>(r, 14, static_cast<uint8_t>(200 + i));
  });
  APP_DecodeHSSRecords(records.data(), static_cast<uint32_t>(records.size()) + 5, rs);  // + partial

  EXPECT_EQ(APP_GetSampleCount(), 3u);
  EXPECT_EQ(APP_GetWriteIndex(), 3u);
  EXPECT_EQ(APP_GetLatestIndex(), 2u);
  EXPECT_EQ(APP_GetLatestTimestamp(), 1200u);
  for (uint32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(APP_GetTimestampAt(i), 1000 + 100 * i);
    EXPECT_EQ(Sample(a, i, TYPEID_I16), -100.0 * i);
    EXPECT_EQ(Sample(b, i, TYPEID_DOUBLE), 0.5 * i);
    EXPECT_EQ(Sample(c, i, TYPEID_U8), 200.0 + i);
  }
  // Before the wrap an index past the newest record gives the newest stamp.
  EXPECT_EQ(APP_GetTimestampAt(3), 1200u);
  EXPECT_EQ(APP_GetTimestampAt(500000), 1200u);
  EXPECT_EQ(APP_GetTimestampAt(APP_HISTORY_SLOTS), 0u);
  VALUE_SLOT latest{};
  ASSERT_TRUE(APP_GetLatestValue(c, &latest));
  EXPECT_EQ(latest.raw, 202u);  // the rest of the slot is cleared
  EXPECT_TRUE(APP_LoadHasData(*a));
  EXPECT_FALSE(APP_LoadHasData(*skipped));
  EXPECT_EQ(skipped->pHistory, nullptr);
  EXPECT_FALSE(APP_GetLatestValue(skipped, &latest));
}

TEST_F(HistoryTest, FirstRecordAfterResetLeavesExtremesAlone) {
  ACTIVE_SYMBOL* s = Add(MakeSymbol("s", 0x100, TYPEID_I32));
  const uint32_t rs = Start();
  auto one = [&](int32_t v, uint32_t stamp) {
    const auto rec = MakeRecords(1, rs, stamp, 0, [&](uint8_t* r, uint32_t) { PutAt(r, 4, v); });
    APP_DecodeHSSRecords(rec.data(), rs, rs);
  };
  one(-1000, 1);
  EXPECT_EQ(APP_LoadSampledMin(*s), DBL_MAX);
  EXPECT_EQ(APP_LoadSampledMax(*s), -DBL_MAX);
  VALUE_SLOT v{};
  ASSERT_TRUE(APP_GetLatestValue(s, &v));
  EXPECT_EQ(v.i32, -1000);
  one(7, 2);
  EXPECT_EQ(APP_LoadSampledMin(*s), 7.0);
  EXPECT_EQ(APP_LoadSampledMax(*s), 7.0);
  one(-3, 3);
  one(12, 4);
  EXPECT_EQ(APP_LoadSampledMin(*s), -3.0);
  EXPECT_EQ(APP_LoadSampledMax(*s), 12.0);

  // In one read too, the very first record is passed over.
  APP_ResetHistory();
  ASSERT_EQ(APP_PrepareHistories(), 0);
  const auto recs = MakeRecords(3, rs, 10, 1, [&](uint8_t* r, uint32_t i) {
    PutAt<int32_t>(r, 4, i == 0 ? -50 : static_cast<int32_t>(i));
  });
  APP_DecodeHSSRecords(recs.data(), static_cast<uint32_t>(recs.size()), rs);
  EXPECT_EQ(APP_LoadSampledMin(*s), 1.0);
  EXPECT_EQ(APP_LoadSampledMax(*s), 2.0);
}

TEST_F(HistoryTest, ExtremesPerType) {
  struct Case {
    const char* name;
    uint32_t type;
    uint64_t raw[3];  // the first is passed over
    double want_min, want_max;
  };
  VALUE_SLOT f1{}, f2{}, f3{};
  f1.f32 = 100.0f;
  f2.f32 = -2.5f;
  f3.f32 = NAN;
  const Case cases[] = {
      {"U8", TYPEID_U8, {0, 255, 3}, 3, 255},
      {"bool", TYPEID_BOOL, {0, 1, 0}, 0, 1},
      {"I8", TYPEID_I8, {0, 0x80, 0x7F}, -128, 127},
      {"U16", TYPEID_U16, {0, 0xFFFF, 2}, 2, 65535},
      {"I16", TYPEID_I16, {0, 0x8000, 5}, -32768, 5},
      {"U32", TYPEID_U32, {0, 0xFFFFFFFF, 1}, 1, 4294967295.0},
      {"I32", TYPEID_I32, {0, 0x80000000, 1}, -2147483648.0, 1},
      {"float, NaN never replaces", TYPEID_FLOAT, {f1.raw, f2.raw, f3.raw}, -2.5, -2.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    APP_ClearActiveSymbols();
    ACTIVE_SYMBOL* s = Add(MakeSymbol(c.name, 0x100, c.type));
    const uint32_t rs = Start();
    const auto recs = MakeRecords(3, rs, 0, 1, [&](uint8_t* r, uint32_t i) {
      std::memcpy(r + 4, &c.raw[i], s->Size);
    });
    APP_DecodeHSSRecords(recs.data(), static_cast<uint32_t>(recs.size()), rs);
    EXPECT_EQ(APP_LoadSampledMin(*s), c.want_min);
    EXPECT_EQ(APP_LoadSampledMax(*s), c.want_max);
  }
}

TEST_F(HistoryTest, RingWrapsAndKeepsStartAheadOfWrite) {
  ACTIVE_SYMBOL* s = Add(MakeSymbol("s", 0x100, TYPEID_U32));
  const uint32_t rs = Start();
  // Records numbered from 0; the value and the stamp are the number.
  auto feed = [&](uint32_t first, uint32_t count) {
    const auto recs = MakeRecords(count, rs, first, 1, [&](uint8_t* r, uint32_t i) {
      PutAt<uint32_t>(r, 4, first + i);
    });
    APP_DecodeHSSRecords(recs.data(), static_cast<uint32_t>(recs.size()), rs);
  };
  feed(0, APP_HISTORY_SLOTS - 1);
  EXPECT_EQ(APP_GetStartIndex(), 0u);
  EXPECT_EQ(APP_GetSampleCount(), APP_HISTORY_SLOTS - 1);
  feed(APP_HISTORY_SLOTS - 1, 1);  // fills the last slot: W wraps to 0, S becomes 1
  EXPECT_EQ(APP_GetWriteIndex(), 0u);
  EXPECT_EQ(APP_GetStartIndex(), 1u);
  EXPECT_EQ(APP_GetLatestIndex(), APP_HISTORY_SLOTS - 1);
  EXPECT_EQ(APP_GetSampleCount(), APP_HISTORY_SLOTS);
  EXPECT_EQ(Sample(s, 0, TYPEID_U32), 0.0);
  EXPECT_EQ(Sample(s, APP_HISTORY_SLOTS - 1, TYPEID_U32), double(APP_HISTORY_SLOTS - 1));
  feed(APP_HISTORY_SLOTS, 1);
  EXPECT_EQ(APP_GetWriteIndex(), 1u);
  EXPECT_EQ(APP_GetStartIndex(), 2u);
  EXPECT_EQ(APP_GetLatestIndex(), 0u);
  // Positions run from the oldest sample (at the write index, overwritten next) to the
  // newest (just before it), in time order.
  EXPECT_EQ(Sample(s, 0, TYPEID_U32), 1.0);
  EXPECT_EQ(Sample(s, 1, TYPEID_U32), 2.0);
  EXPECT_EQ(Sample(s, APP_HISTORY_SLOTS - 1, TYPEID_U32), double(APP_HISTORY_SLOTS));
  EXPECT_EQ(APP_GetTimestampAt(0), 1u);
  EXPECT_EQ(APP_GetTimestampAt(APP_HISTORY_SLOTS - 1), APP_HISTORY_SLOTS);
  VALUE_SLOT v{};
  EXPECT_FALSE(APP_GetSampleAt(s, APP_HISTORY_SLOTS, &v));
  ASSERT_TRUE(APP_GetLatestValue(s, &v));
  EXPECT_EQ(v.u32, APP_HISTORY_SLOTS);

  // One read that crosses the end of the ring twice over keeps the same rule.
  feed(APP_HISTORY_SLOTS + 1, APP_HISTORY_SLOTS + 10);
  EXPECT_EQ(APP_GetWriteIndex(), 11u);
  EXPECT_EQ(APP_GetStartIndex(), 12u);
  EXPECT_EQ(Sample(s, APP_HISTORY_SLOTS - 1, TYPEID_U32), 2.0 * APP_HISTORY_SLOTS + 10);
  EXPECT_EQ(Sample(s, 0, TYPEID_U32), double(APP_HISTORY_SLOTS) + 11);
}

TEST_F(HistoryTest, VirtualSymbolGetsItsValuePerRecord) {
  ACTIVE_SYMBOL* t = Add(MakeSymbol("t", 0x100, TYPEID_U8));
  ACTIVE_SYMBOL record = MakeSymbol("v", 0, TYPEID_I16);
  record.Virtual = 1;
  record.CurrentValue.i16 = -42;
  ACTIVE_SYMBOL* v = Add(record);
  const uint32_t rs = Start();
  EXPECT_EQ(rs, 5u);  // the virtual symbol takes no room in a record
  EXPECT_EQ(APP_GetHSSSymbolCount(), 1u);
  const auto recs = MakeRecords(4, rs, 0, 1, [&](uint8_t* r, uint32_t i) { PutAt<uint8_t>(r, 4, uint8_t(i)); });
  APP_DecodeHSSRecords(recs.data(), static_cast<uint32_t>(recs.size()), rs);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(Sample(v, i, TYPEID_I16), -42.0);
  EXPECT_TRUE(APP_LoadHasData(*v));
  EXPECT_EQ(APP_LoadSampledMin(*v), -42.0);
  EXPECT_EQ(APP_LoadSampledMax(*v), -42.0);
  EXPECT_EQ(Sample(t, 3, TYPEID_U8), 3.0);
}

TEST_F(HistoryTest, QFormatSymbolIsStoredAsFloat) {
  ACTIVE_SYMBOL record = MakeSymbol("q", 0x100, TYPEID_I16);
  record.ValueType = TYPEID_FLOAT;
  record.UseQFormat = 1;
  record.QFormatSigned = 1;
  record.QFormatIntBits = 7;
  record.QFormatFracBits = 8;
  ACTIVE_SYMBOL* q = Add(record);
  q->ValuePending = 1;
  const uint32_t rs = Start();
  const uint16_t raws[3] = {0, 0x1980, 0x8100};  // 0, 25.5, -1.0
  const auto recs = MakeRecords(3, rs, 0, 1, [&](uint8_t* r, uint32_t i) { PutAt<uint16_t>(r, 4, raws[i]); });
  APP_DecodeHSSRecords(recs.data(), static_cast<uint32_t>(recs.size()), rs);
  EXPECT_EQ(Sample(q, 1, TYPEID_FLOAT), 25.5);
  EXPECT_EQ(Sample(q, 2, TYPEID_FLOAT), -1.0);
  EXPECT_EQ(APP_LoadSampledMax(*q), 25.5);
  EXPECT_EQ(APP_LoadSampledMin(*q), -1.0);
  EXPECT_FALSE(APP_LoadValuePending(*q));  // a newer sample arrived
}

TEST_F(HistoryTest, PausedStoresOnlyTimeStamps) {
  ACTIVE_SYMBOL* s = Add(MakeSymbol("s", 0x100, TYPEID_U8));
  const uint32_t rs = Start();
  APP_SetPaused(true);
  const auto recs = MakeRecords(2, rs, 50, 1, [&](uint8_t* r, uint32_t) { PutAt<uint8_t>(r, 4, 9); });
  APP_DecodeHSSRecords(recs.data(), static_cast<uint32_t>(recs.size()), rs);
  EXPECT_EQ(APP_GetSampleCount(), 2u);
  EXPECT_EQ(APP_GetTimestampAt(1), 51u);
  EXPECT_FALSE(APP_LoadHasData(*s));
  EXPECT_EQ(Sample(s, 0, TYPEID_U8), 0.0);
}

TEST_F(HistoryTest, SymbolsThatCannotBeDecodedAreSkipped) {
  ACTIVE_SYMBOL* ok = Add(MakeSymbol("ok", 0x100, TYPEID_U16));
  ACTIVE_SYMBOL* late = Add(MakeSymbol("late", 0x200, TYPEID_U32));
  const uint32_t rs = Start();
  // A record size that no longer covers the second symbol (the list changed after the
  // start), and a symbol without history: neither is written, the other one is.
  const auto recs = MakeRecords(2, rs - 4, 0, 1, [&](uint8_t* r, uint32_t) { PutAt<uint16_t>(r, 4, 77); });
  APP_DecodeHSSRecords(recs.data(), static_cast<uint32_t>(recs.size()), rs - 4);
  EXPECT_EQ(Sample(ok, 1, TYPEID_U16), 77.0);
  EXPECT_FALSE(APP_LoadHasData(*late));

  ACTIVE_SYMBOL* none = Add(MakeSymbol("no history", 0x300, TYPEID_U8));
  PROBE_ComputeHSSLayout();
  ASSERT_EQ(none->pHistory, nullptr);
  const uint32_t rs2 = PROBE_GetRecordSize();
  const auto recs2 = MakeRecords(1, rs2, 0, 1, nullptr);
  APP_DecodeHSSRecords(recs2.data(), rs2, rs2);
  EXPECT_FALSE(APP_LoadHasData(*none));
  VALUE_SLOT v{};
  EXPECT_FALSE(APP_GetSampleAt(none, 0, &v));
}

// A record freed with the symbol database takes its history along (the leak checker of the
// sanitizer build would see the 8 MiB otherwise).
TEST_F(HistoryTest, FreedRecordTakesItsHistoryAlong) {
  ACTIVE_SYMBOL* node = ACTSYM_New("TEST: node", false);
  ASSERT_NE(node, nullptr);
  node->ValueType = node->RawType = TYPEID_U8;
  node->Size = 1;
  ASSERT_EQ(APP_AddActiveSymbol(node), 0);
  Start();
  ASSERT_NE(node->pHistory, nullptr);
  APP_RemoveActiveSymbol(node);
  ACTSYM_Free(node);
}

// An 8 MiB history that cannot be had fails the preparation with a message; the symbols
// that got one are still decoded, the other is never written.
TEST_F(HistoryTest, HistoryAllocationFailure) {
  ACTIVE_SYMBOL* first = Add(MakeSymbol("first", 0x100, TYPEID_U8));
  ACTIVE_SYMBOL* second = Add(MakeSymbol("second", 0x104, TYPEID_U8));
  static int calls;
  calls = 0;
  APP_SetHistoryAllocator([]() -> SAMPLE_HISTORY* {
    if (++calls == 2) return nullptr;
    return static_cast<SAMPLE_HISTORY*>(SYS_Alloc(sizeof(SAMPLE_HISTORY), "TEST: history"));
  });
  PROBE_ComputeHSSLayout();
  APP_ResetHistory();
  EXPECT_EQ(APP_PrepareHistories(), -1);
  APP_SetHistoryAllocator(nullptr);
  EXPECT_TRUE(MessageLog::Contains("Insufficient memory"));
  EXPECT_NE(first->pHistory, nullptr);
  EXPECT_EQ(second->pHistory, nullptr);
  APP_SetPaused(false);
  const uint32_t rs = PROBE_GetRecordSize();
  const auto recs = MakeRecords(2, rs, 0, 1, [&](uint8_t* r, uint32_t) { r[4] = 1; r[5] = 2; });
  APP_DecodeHSSRecords(recs.data(), static_cast<uint32_t>(recs.size()), rs);
  EXPECT_EQ(Sample(first, 1, TYPEID_U8), 1.0);
  EXPECT_FALSE(APP_LoadHasData(*second));
}

}  // namespace
