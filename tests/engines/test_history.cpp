// Decoding HSS records into the history rings: indices and wrap, the first-record rule of the
// extremes, virtual symbols, Q format, pause, symbols that cannot be decoded.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "core/app_history_csv.h"
#include "core/app_symbol_access.h"
#include "platform/sys_memory.h"
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
  static void Decode(const std::vector<uint8_t>& records, uint32_t record_size) {
    APP_DecodeHSSRecords(records.data(), static_cast<uint32_t>(records.size()), record_size);
  }
  static VALUE_SLOT At(const ACTIVE_SYMBOL* s, uint32_t i) {
    VALUE_SLOT v{};
    EXPECT_TRUE(APP_GetSampleAt(s, i, &v));
    return v;
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

  auto records = MakeRecords(3, rs, 1000, 100, [&](uint8_t* r, uint32_t i) {
    PutAt<int16_t>(r, 4, static_cast<int16_t>(-100 * int(i)));
    PutAt<double>(r, 6, 0.5 * i);
    PutAt<uint8_t>(r, 14, static_cast<uint8_t>(200 + i));
  });
  records.resize(records.size() + 5);  // a partial record at the end is not taken
  Decode(records, rs);

  EXPECT_EQ(APP_GetSampleCount(), 3u);
  EXPECT_EQ(APP_GetWriteIndex(), 3u);
  EXPECT_EQ(APP_GetLatestIndex(), 2u);
  EXPECT_EQ(APP_GetLatestTimestamp(), 1200u);
  for (uint32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(APP_GetTimestampAt(i), 1000 + 100 * i);
    EXPECT_EQ(At(a, i).i16, -100 * int(i));
    EXPECT_EQ(At(b, i).f64, 0.5 * i);
    EXPECT_EQ(At(c, i).u8, 200 + i);
  }
  // Before the wrap an index past the newest record gives the newest stamp.
  EXPECT_EQ(APP_GetTimestampAt(500000), 1200u);
  EXPECT_EQ(APP_GetTimestampAt(APP_HISTORY_SLOTS), 0u);
  VALUE_SLOT latest{};
  ASSERT_TRUE(APP_GetLatestValue(c, &latest));
  EXPECT_EQ(latest.raw, 202u);  // the rest of the slot is cleared
  EXPECT_FALSE(APP_LoadHasData(*skipped));
  EXPECT_EQ(skipped->pHistory, nullptr);
  EXPECT_FALSE(APP_GetLatestValue(skipped, &latest));

  // Paused: time stamps only.
  APP_SetPaused(true);
  Decode(MakeRecords(1, rs, 1300, 0, [&](uint8_t* r, uint32_t) { PutAt<uint8_t>(r, 14, 9); }), rs);
  EXPECT_EQ(APP_GetSampleCount(), 4u);
  EXPECT_EQ(APP_GetTimestampAt(3), 1300u);
  ASSERT_TRUE(APP_GetLatestValue(c, &latest));
  EXPECT_EQ(latest.u8, 202);
}

// The first record after a reset only gives the latest value; the extremes start with the
// second, whether it arrives in the same read or a later one. A NaN never replaces one, nor
// does a block of NaN only.
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
  VALUE_SLOT d_nan{};
  d_nan.f64 = NAN;
  const Case cases[] = {
      {"U8", TYPEID_U8, {0, 255, 3}, 3, 255},
      {"bool", TYPEID_BOOL, {0, 1, 0}, 0, 1},
      {"I8", TYPEID_I8, {0, 0x80, 0x7F}, -128, 127},
      {"U16", TYPEID_U16, {0, 0xFFFF, 2}, 2, 65535},
      {"I16", TYPEID_I16, {0, 0x8000, 5}, -32768, 5},
      {"U32", TYPEID_U32, {0, 0xFFFFFFFF, 1}, 1, 4294967295.0},
      {"I32", TYPEID_I32, {0, 0x80000000, 1}, -2147483648.0, 1},
      {"float, NaN never replaces", TYPEID_FLOAT, {f1.raw, f2.raw, f3.raw}, -2.5, -2.5},
      {"float, only NaN leaves them unset", TYPEID_FLOAT, {f3.raw, f3.raw, f3.raw}, DBL_MAX,
       -DBL_MAX},
      {"double, only NaN leaves them unset", TYPEID_DOUBLE, {d_nan.raw, d_nan.raw, d_nan.raw},
       DBL_MAX, -DBL_MAX},
  };
  for (const Case& c : cases) {
    for (bool one_read : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (one_read ? " in one read" : " in two reads"));
      for (ACTIVE_SYMBOL* old : owned_) APP_FreeHistory(old);
      APP_ClearActiveSymbols();
      ACTIVE_SYMBOL* s = Add(MakeSymbol(c.name, 0x100, c.type));
      const uint32_t rs = Start();
      const auto recs = MakeRecords(3, rs, 0, 1, [&](uint8_t* r, uint32_t i) {
        std::memcpy(r + 4, &c.raw[i], s->Size);
      });
      if (!one_read) {
        APP_DecodeHSSRecords(recs.data(), rs, rs);
        EXPECT_EQ(APP_LoadSampledMin(*s), DBL_MAX);
        EXPECT_EQ(APP_LoadSampledMax(*s), -DBL_MAX);
        APP_DecodeHSSRecords(recs.data() + rs, 2 * rs, rs);
      } else {
        Decode(recs, rs);
      }
      EXPECT_EQ(APP_LoadSampledMin(*s), c.want_min);
      EXPECT_EQ(APP_LoadSampledMax(*s), c.want_max);
    }
  }
}

TEST_F(HistoryTest, RingWrapsAndKeepsStartAheadOfWrite) {
  ACTIVE_SYMBOL* s = Add(MakeSymbol("s", 0x100, TYPEID_U32));
  const uint32_t rs = Start();
  // Records numbered from 0; the value and the stamp are the number.
  auto feed = [&](uint32_t first, uint32_t count) {
    Decode(MakeRecords(count, rs, first, 1, [&](uint8_t* r, uint32_t i) { PutAt<uint32_t>(r, 4, first + i); }), rs);
  };
  const uint32_t N = APP_HISTORY_SLOTS;
  feed(0, N - 1);
  EXPECT_EQ(APP_GetStartIndex(), 0u);
  EXPECT_EQ(APP_GetSampleCount(), N - 1);
  feed(N - 1, 1);  // fills the last slot: W wraps to 0, S becomes 1
  EXPECT_EQ(APP_GetWriteIndex(), 0u);
  EXPECT_EQ(APP_GetStartIndex(), 1u);
  EXPECT_EQ(APP_GetLatestIndex(), N - 1);
  EXPECT_EQ(APP_GetSampleCount(), N);
  EXPECT_EQ(At(s, 0).u32, 0u);
  EXPECT_EQ(At(s, N - 1).u32, N - 1);
  feed(N, 1);
  EXPECT_EQ(APP_GetWriteIndex(), 1u);
  EXPECT_EQ(APP_GetStartIndex(), 2u);
  EXPECT_EQ(APP_GetLatestIndex(), 0u);
  // Positions run from the oldest sample (at the write index, overwritten next) to the
  // newest (just before it), in time order.
  EXPECT_EQ(At(s, 0).u32, 1u);
  EXPECT_EQ(At(s, 1).u32, 2u);
  EXPECT_EQ(At(s, N - 1).u32, N);
  EXPECT_EQ(APP_GetTimestampAt(0), 1u);
  EXPECT_EQ(APP_GetTimestampAt(N - 1), N);
  VALUE_SLOT v{};
  EXPECT_FALSE(APP_GetSampleAt(s, N, &v));
  ASSERT_TRUE(APP_GetLatestValue(s, &v));
  EXPECT_EQ(v.u32, N);

  // One read that crosses the end of the ring twice over keeps the same rule.
  feed(N + 1, N + 10);
  EXPECT_EQ(APP_GetWriteIndex(), 11u);
  EXPECT_EQ(APP_GetStartIndex(), 12u);
  EXPECT_EQ(At(s, N - 1).u32, 2 * N + 10);
  EXPECT_EQ(At(s, 0).u32, N + 11);
}

// The probe's 32-bit microsecond counter wraps after 71.6 minutes; the 64-bit stamps keep
// growing across it, a stamp slightly older than the previous one is not a wrap, and a reset
// starts over. The bulk view agrees with the positions.
TEST_F(HistoryTest, TimeStampsUnwrapTo64Bits) {
  Add(MakeSymbol("s", 0x100, TYPEID_U8));
  const uint32_t rs = Start();
  EXPECT_EQ(APP_GetHistoryView().count, 0u);
  const uint32_t stamps[] = {0xFFFFFF00u, 0xFFFFFFF0u, 0x10u, 0x08u, 0x20u};
  for (uint32_t stamp : stamps) Decode(MakeRecords(1, rs, stamp, 0, nullptr), rs);
  const uint64_t wrap = uint64_t{1} << 32;
  const uint64_t want[] = {0xFFFFFF00u, 0xFFFFFFF0u, wrap + 0x10, wrap + 0x08, wrap + 0x20};
  const APP_HISTORY_VIEW view = APP_GetHistoryView();
  ASSERT_EQ(view.count, 5u);
  for (uint32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(APP_GetTimestamp64At(i), want[i]) << i;
    EXPECT_EQ(view.stamps[(view.oldest_slot + i) % APP_HISTORY_SLOTS], want[i]) << i;
  }
  EXPECT_EQ(APP_GetLatestTimestamp64(), wrap + 0x20);
  EXPECT_EQ(APP_GetLatestTimestamp(), 0x20u);
  Start();
  Decode(MakeRecords(1, rs, 7, 0, nullptr), rs);
  EXPECT_EQ(APP_GetLatestTimestamp64(), 7u);
}

// The CSV text of vistro-cli sample: header, one row per record, values as the watch shows
// them; a failing sink and a cancelled progress stop the export.
TEST_F(HistoryTest, HistoryAsCsv) {
  ACTIVE_SYMBOL* a = Add(MakeSymbol("a", 0x100, TYPEID_I16));
  ACTIVE_SYMBOL* b = Add(MakeSymbol("b", 0x104, TYPEID_FLOAT));
  const uint32_t rs = Start();
  Decode(MakeRecords(3, rs, 100, 10, [&](uint8_t* r, uint32_t i) {
    PutAt<int16_t>(r, a->RecordOffset, static_cast<int16_t>(-int(i)));
    PutAt<float>(r, b->RecordOffset, 0.5f * i);
  }), rs);
  const APP_CSV_COLUMN columns[] = {APP_CsvColumn("a", a), APP_CsvColumn("g.b", b)};
  const APP_HISTORY_VIEW view = APP_GetHistoryView();
  std::string text;
  auto sink = [&](std::string_view t) { return text.append(t), true; };
  EXPECT_EQ(APP_WriteHistoryCsv(view, columns, 0, APP_HISTORY_SLOTS, sink), APP_CSV_OK);
  EXPECT_EQ(text, "time_us,a,g.b\n100,0,0.000000\n110,-1,0.500000\n120,-2,1.000000\n");
  text.clear();
  EXPECT_EQ(APP_WriteHistoryCsv(view, columns, 1, 1, sink), APP_CSV_OK);
  EXPECT_EQ(text, "time_us,a,g.b\n110,-1,0.500000\n");
  // A copy of positions 1.. writes the same rows.
  APP_HISTORY_COPY copy;
  const VALUE_SLOT* rings[] = {a->pHistory->Slots, b->pHistory->Slots};
  ASSERT_TRUE(APP_CopyHistory(view, rings, 1, 100, copy));
  const APP_CSV_COLUMN copied[] = {{"a", copy.rings[0].data(), TYPEID_I16}, {"g.b", copy.rings[1].data(), TYPEID_FLOAT}};
  text.clear();
  EXPECT_EQ(APP_WriteHistoryCsv(copy.View(), copied, 0, APP_HISTORY_SLOTS, sink), APP_CSV_OK);
  EXPECT_EQ(text, "time_us,a,g.b\n110,-1,0.500000\n120,-2,1.000000\n");
  EXPECT_EQ(APP_WriteHistoryCsv(view, columns, 0, 3, [](std::string_view) { return false; }),
            APP_CSV_WRITE_FAILED);
  EXPECT_EQ(APP_WriteHistoryCsv(view, columns, 0, 3, sink, [](uint64_t, uint64_t) { return false; }),
            APP_CSV_CANCELLED);
}

TEST_F(HistoryTest, VirtualAndQFormatSymbols) {
  ACTIVE_SYMBOL* v = Add(MakeVirtual("v", TYPEID_I16, uint16_t(-42)));
  ACTIVE_SYMBOL* q = Add(MakeQSymbol("q", 0x100));
  q->ValuePending = 1;
  const uint32_t rs = Start();
  EXPECT_EQ(rs, 5u);  // the virtual symbol takes no room in a record
  EXPECT_EQ(APP_GetHSSSymbolCount(), 1u);
  const uint8_t raws[3] = {0, 0x98, 0x7F};  // 0, -1.5, 7.9375
  Decode(MakeRecords(3, rs, 0, 1, [&](uint8_t* r, uint32_t i) { r[4] = raws[i]; }), rs);
  for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(At(v, i).i16, -42);
  EXPECT_EQ(APP_LoadSampledMin(*v), -42.0);
  EXPECT_EQ(APP_LoadSampledMax(*v), -42.0);
  // The Q-format symbol is stored as its real value.
  EXPECT_EQ(At(q, 1).f32, -1.5f);
  EXPECT_EQ(At(q, 2).f32, 7.9375f);
  EXPECT_EQ(APP_LoadSampledMin(*q), -1.5);
  EXPECT_FALSE(APP_LoadValuePending(*q));  // a newer sample arrived
}

TEST_F(HistoryTest, SymbolsThatCannotBeDecodedAreSkipped) {
  ACTIVE_SYMBOL* ok = Add(MakeSymbol("ok", 0x100, TYPEID_U16));
  ACTIVE_SYMBOL* late = Add(MakeSymbol("late", 0x200, TYPEID_U32));
  const uint32_t rs = Start();
  // A record size that no longer covers the second symbol (the list changed after the
  // start), and a symbol without history: neither is written, the other one is.
  Decode(MakeRecords(2, rs - 4, 0, 1, [&](uint8_t* r, uint32_t) { PutAt<uint16_t>(r, 4, 77); }), rs - 4);
  EXPECT_EQ(At(ok, 1).u16, 77);
  EXPECT_FALSE(APP_LoadHasData(*late));

  ACTIVE_SYMBOL* none = Add(MakeSymbol("no history", 0x300, TYPEID_U8));
  PROBE_ComputeHSSLayout();
  ASSERT_EQ(none->pHistory, nullptr);
  const uint32_t rs2 = PROBE_GetRecordSize();
  Decode(MakeRecords(1, rs2, 0, 1, nullptr), rs2);
  EXPECT_FALSE(APP_LoadHasData(*none));
  VALUE_SLOT v{};
  EXPECT_FALSE(APP_GetSampleAt(none, 0, &v));
}

// A record freed with the symbol database takes its history along (the leak checker of the
// sanitizer build would see the 8 MiB otherwise).
TEST_F(HistoryTest, FreedRecordTakesItsHistoryAlong) {
  Start();  // the shared rings exist before counting
  const uint32_t blocks_before = SYS_GetLiveBlockCount();
  ACTIVE_SYMBOL* node = ACTSYM_New("TEST: node", false);
  ASSERT_NE(node, nullptr);
  node->ValueType = node->RawType = TYPEID_U8;
  node->Size = 1;
  ASSERT_EQ(APP_AddActiveSymbol(node), 0);
  Start();
  ASSERT_NE(node->pHistory, nullptr);
  EXPECT_GT(SYS_GetLiveBlockCount(), blocks_before);
  APP_RemoveActiveSymbol(node);
  ACTSYM_Free(node);
  EXPECT_EQ(SYS_GetLiveBlockCount(), blocks_before);
}

}  // namespace
