// A timer's periodic writes through the real write engine and job engine, against the fake
// probe of the engine tests: they arrive at the timer's interval and stop at Edit entry.
#include <gtest/gtest.h>

#include <vector>

#include "core/app_mode.h"
#include "logic/logic_tree.h"
#include "modules/timer_writes.h"
#include "tests/engines/engines_support.h"

namespace {

class TimerEngine : public EngineTest {
 protected:
  void TearDown() override {
    APP_SetAppMode(APP_MODE_EDIT);
    EngineTest::TearDown();
  }
};

// Tolerance: the worker takes a task's next due time from its run, so the writes come one
// interval apart on average; a busy shared machine may delay single runs. The gaps are measured
// here by polling every millisecond, which can shift each time stamp by a few milliseconds, so
// the mean gap between the first and the last write is held to [interval - 1, interval + 10] ms.
TEST_F(TimerEngine, WritesAtItsInterval) {
  constexpr uint32_t kInterval = 20;
  FakeProbe::Get().connected = true;
  APP_SetAppMode(APP_MODE_RUN);
  Add(MakeSymbol("tick", 0x2000, TYPEID_U16));
  SYMBOL_ID id;
  SYS_CopyText(id.Name, sizeof id.Name, "tick");
  id.Address = 0x2000;
  CALCULATION_NODE* calc = LOGIC_NewUnitCalculation(TYPEID_U16);
  const CONTROL_WRITE_OP ops[] = {{&id, calc, true}};
  TimerWrites timer;
  timer.EnterRun(CONTROL_GetWriteSink(), ops, kInterval, SYS_GetTickMs());
  LOGIC_FreeCalculation(calc);  // the task keeps its own copy

  std::vector<uint32_t> times;
  const uint32_t start = SYS_GetTickMs();
  size_t seen = 0;
  while (SYS_GetTickMs() - start < 400) {
    const size_t n = FakeProbe::Get().Writes().size();
    for (; seen < n; ++seen) times.push_back(SYS_GetTickMs());
    SYS_Sleep(1);
  }
  APP_SetAppMode(APP_MODE_EDIT);
  timer.StopAll(CONTROL_GetWriteSink());
  SYS_Sleep(3 * kInterval);
  const size_t after_stop = FakeProbe::Get().Writes().size();
  SYS_Sleep(3 * kInterval);
  EXPECT_EQ(FakeProbe::Get().Writes().size(), after_stop) << "writes after Edit entry";

  ASSERT_GE(times.size(), 5u);
  const double mean_gap = static_cast<double>(times.back() - times.front()) / static_cast<double>(times.size() - 1);
  EXPECT_GE(mean_gap, kInterval - 1.0);
  EXPECT_LE(mean_gap, kInterval + 10.0);
  EXPECT_EQ(FakeProbe::Get().Writes().front().bytes, 1u);
}

}  // namespace
