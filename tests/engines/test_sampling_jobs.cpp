// The sampling engine driven through the job engine and its worker against the fake probe:
// start, read, stop, failures, and readers on another thread while the worker decodes.
#include <gtest/gtest.h>

#include <thread>

#include "core/app_engine_notify.h"
#include "core/app_symbol_access.h"
#include "engines_support.h"
#include "logic/logic_eval.h"

namespace {

std::atomic<int> g_edit_mode_requests{0};

class SamplingJobTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    g_edit_mode_requests = 0;
    APP_SetEditModeHandler([] { g_edit_mode_requests++; });
  }
  void TearDown() override {
    APP_SetEditModeHandler(nullptr);
    EngineTest::TearDown();
  }
  // U16 value first + i in every record, time stamps 100 apart.
  static void FeedCounter(uint32_t count, uint32_t first) {
    FakeProbe::Get().Feed(MakeRecords(count, PROBE_GetRecordSize(), first * 100, 100,
                                      [&](uint8_t* r, uint32_t i) { PutAt<uint16_t>(r, 4, uint16_t(first + i)); }));
  }
};

TEST_F(SamplingJobTest, StartReadStopKeepsTheHistory) {
  ACTIVE_SYMBOL* s = Add(MakeSymbol("counter", 0x100, TYPEID_U16));
  ASSERT_TRUE(ReadStart());
  EXPECT_TRUE(APP_HasReadTask());
  EXPECT_EQ(FakeProbe::Get().connects, 1);
  FeedCounter(250, 0);
  ASSERT_TRUE(WaitFor([] { return APP_GetSampleCount() == 250; }));
  FeedCounter(30, 250);  // buffered by the probe when the stop comes: still taken
  ASSERT_TRUE(ReadStop());
  EXPECT_FALSE(APP_HasReadTask());
  EXPECT_EQ(FakeProbe::Get().hss_stops, 1);
  EXPECT_FALSE(FakeProbe::Get().connected);
  EXPECT_EQ(APP_GetSampleCount(), 280u);
  for (uint32_t i : {0u, 279u}) {
    VALUE_SLOT v{};
    ASSERT_TRUE(APP_GetSampleAt(s, i, &v));
    EXPECT_EQ(v.u16, i);
    EXPECT_EQ(APP_GetTimestampAt(i), 100 * i);
  }
  EXPECT_EQ(APP_LoadSampledMin(*s), 1.0);
  EXPECT_EQ(APP_LoadSampledMax(*s), 279.0);
  JOB_BUSY busy{0};
  APP_ReadStop(&busy);  // without a read task nothing is queued
  EXPECT_EQ(busy.load(), 0);

  // The next start begins with empty rings.
  ASSERT_TRUE(ReadStart());
  EXPECT_EQ(APP_GetSampleCount(), 0u);
  EXPECT_FALSE(APP_LoadHasData(*s));
  ASSERT_TRUE(ReadStop());
}

TEST_F(SamplingJobTest, NoSampledSymbolReadsNothing) {
  Add(MakeSymbol("off", 0x100, TYPEID_U8))->Read = 0;
  ASSERT_TRUE(ReadStart());
  FakeProbe::Get().Feed(std::vector<uint8_t>(40, 1));
  SYS_Sleep(60);
  EXPECT_EQ(FakeProbe::Get().hss_reads, 0);
  EXPECT_EQ(APP_GetSampleCount(), 0u);
  ASSERT_TRUE(ReadStop());
}

// A failed HSS read stops sampling through the stop job, silently, keeping what was taken.
TEST_F(SamplingJobTest, ReadFailureStopsThroughTheJobAndKeepsTheHistory) {
  ACTIVE_SYMBOL* s = Add(MakeSymbol("counter", 0x100, TYPEID_U16));
  FakeProbe::Get().hss_read_fail_after = 3;
  ASSERT_TRUE(ReadStart());
  FeedCounter(40, 0);
  ASSERT_TRUE(WaitFor([] { return !APP_IsReading(); }, 3000));
  EXPECT_FALSE(APP_HasReadTask());
  EXPECT_FALSE(FakeProbe::Get().connected);
  EXPECT_EQ(APP_GetSampleCount(), 40u);
  VALUE_SLOT v{};
  ASSERT_TRUE(APP_GetSampleAt(s, 39, &v));
  EXPECT_EQ(v.u16, 39);
  EXPECT_FALSE(MessageLog::Contains(""));
  EXPECT_EQ(g_edit_mode_requests, 0);
}

// A start that cannot connect, or cannot have a history for every sampled symbol, fails
// with a message and leaves the probe disconnected; the next good start works.
TEST_F(SamplingJobTest, FailedStarts) {
  ACTIVE_SYMBOL* first = Add(MakeSymbol("first", 0x100, TYPEID_U16));
  ACTIVE_SYMBOL* second = Add(MakeSymbol("second", 0x104, TYPEID_U16));
  static int calls;
  calls = 0;
  APP_SetHistoryAllocator([]() -> SAMPLE_HISTORY* {
    if (++calls == 2) return nullptr;
    return static_cast<SAMPLE_HISTORY*>(SYS_Alloc(sizeof(SAMPLE_HISTORY), "TEST: history"));
  });
  EXPECT_FALSE(ReadStart());
  EXPECT_FALSE(FakeProbe::Get().connected);
  EXPECT_TRUE(MessageLog::Contains("Insufficient memory"));
  EXPECT_TRUE(MessageLog::Contains("Failed to start data sampling."));
  EXPECT_EQ(second->pHistory, nullptr);
  APP_SetHistoryAllocator(nullptr);

  MessageLog::Clear();
  FakeProbe::Get().connect_result = -1;
  EXPECT_FALSE(ReadStart());
  EXPECT_FALSE(APP_HasReadTask());
  EXPECT_TRUE(MessageLog::Contains("Failed to start data sampling."));
  EXPECT_EQ(g_edit_mode_requests, 2);

  MessageLog::Clear();
  FakeProbe::Get().connect_result = 0;
  ASSERT_TRUE(ReadStart());
  FeedCounter(5, 0);
  ASSERT_TRUE(WaitFor([] { return APP_GetSampleCount() == 5; }));
  ASSERT_TRUE(ReadStop());
  EXPECT_TRUE(APP_LoadHasData(*first) && APP_LoadHasData(*second));
  EXPECT_FALSE(MessageLog::Contains(""));
}

// Another thread reads values, extremes and the rings, and evaluates a calculation, while
// the worker decodes; the samples it sees are always ones the worker stored (TSan checks the
// accesses themselves).
TEST_F(SamplingJobTest, ReadersOnAnotherThread) {
  ACTIVE_SYMBOL* s = Add(MakeSymbol("counter", 0x100, TYPEID_U16));
  ACTIVE_SYMBOL* v = Add(MakeVirtual("virtual", TYPEID_U8, 9));
  ASSERT_TRUE(ReadStart());
  CALCULATION_NODE* calc = LOGIC_NewCalculationNode(CALC_ADD);  // counter + 1
  VALUE_SLOT one{};
  one.u16 = 1;
  calc->pLeftValue = LOGIC_NewSymbolValue(*s);
  calc->pRightValue = LOGIC_NewConstantValue(TYPEID_U16, one, BASE_DECIMAL);
  std::atomic<bool> done{false};
  std::atomic<int> bad{0};
  std::thread reader([&] {
    while (!done) {
      VALUE_SLOT slot{};
      uint32_t type = 0;
      if (LOGIC_EvalCalculation(calc, &slot, &type) != 0 || slot.u16 > 3000) bad++;
      const uint32_t n = APP_GetSampleCount();
      if (n > 0 && APP_GetSampleAt(s, n - 1, &slot) && slot.u16 >= 3000) bad++;
      if (APP_GetLatestValue(v, &slot) && slot.u8 != 9) bad++;
      (void)APP_LoadSampledMax(*s);
      (void)APP_GetTimestampAt(n / 2);
    }
  });
  for (uint32_t k = 0; k < 30; ++k) {
    FeedCounter(100, k * 100);
    SYS_Sleep(2);
  }
  ASSERT_TRUE(WaitFor([] { return APP_GetSampleCount() == 3000; }));
  done = true;
  reader.join();
  LOGIC_FreeCalculation(calc);
  EXPECT_EQ(bad, 0);
  ASSERT_TRUE(ReadStop());
}

}  // namespace
