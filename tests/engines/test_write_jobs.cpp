// The write engine through its jobs, direct writes and periodic tasks against the fake
// probe; the symbol watch is told through the written-symbol handler.
#include <gtest/gtest.h>

#include <string>

#include "core/app_engine_notify.h"
#include "core/app_memread.h"
#include "core/app_symbol_access.h"
#include "core/app_write.h"
#include "engines_support.h"
#include "logic/logic_eval.h"

namespace {

std::mutex g_written_lock;
std::vector<std::string> g_written;

void RecordWritten(SYMBOL_ID* id) {
  std::lock_guard<std::mutex> g(g_written_lock);
  g_written.push_back(id->Name);
  LOGIC_FreeSymbolId(id);
}

size_t WrittenCount() {
  std::lock_guard<std::mutex> g(g_written_lock);
  return g_written.size();
}

APP_WRITE_REQUEST Request(const ACTIVE_SYMBOL& s, uint32_t op, uint64_t operand) {
  APP_WRITE_REQUEST r;
  SYS_CopyText(r.Symbol.Name, sizeof r.Symbol.Name, s.Name);
  r.Symbol.Address = s.Address;
  r.Operation = op;
  r.Operand = operand;
  return r;
}

class WriteJobTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    {
      std::lock_guard<std::mutex> g(g_written_lock);
      g_written.clear();
    }
    APP_SetSymbolWrittenHandler(RecordWritten);
  }
  void TearDown() override {
    APP_SetSymbolWrittenHandler(nullptr);
    LOGIC_SetRunMode(false);
    EngineTest::TearDown();
  }
  void Connect() {
    FakeProbe::Get().connected = true;
    FakeProbe::Get().ready = true;
  }
  // The job's outcome, or 99 when nothing was queued.
  int32_t WriteByJob(const APP_WRITE_REQUEST& request) {
    JOB_BUSY busy{0};
    int32_t result = 99;
    if (APP_WriteSymbolData(&busy, &request, &result) != 0) return 99;
    EXPECT_TRUE(WaitIdle(busy));
    return result;
  }
};

TEST_F(WriteJobTest, OneOffWriteByJob) {
  Connect();
  ACTIVE_SYMBOL record = MakeSymbol("speed", 0x20000010, TYPEID_I16);
  record.CatchOverflow = 0;
  ACTIVE_SYMBOL* s = Add(record);
  EXPECT_EQ(WriteByJob(Request(*s, APP_WRITE_SET, 0xFFFF8000)), 0);  // -32768 at the width
  auto writes = FakeProbe::Get().Writes();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].address, 0x20000010u);
  EXPECT_EQ(writes[0].size, 2u);
  EXPECT_EQ(writes[0].bytes, 0x8000u);
  EXPECT_EQ(APP_LoadCurrentValue(*s).i16, -32768);
  EXPECT_TRUE(APP_LoadValuePending(*s));
  EXPECT_EQ(WrittenCount(), 1u);
  // A read-modify-write starts from the pending value, not from an older sample.
  EXPECT_EQ(WriteByJob(Request(*s, APP_WRITE_SUB, 1)), 0);
  EXPECT_EQ(FakeProbe::Get().Writes().back().bytes, 0x7FFFu);
}

TEST_F(WriteJobTest, RefusedWrites) {
  ACTIVE_SYMBOL* s = Add(MakeSymbol("u8", 0x100, TYPEID_U8));
  // Invert of a symbol never sampled nor written: dropped before queueing.
  JOB_BUSY busy{0};
  APP_WRITE_REQUEST invert = Request(*s, APP_WRITE_INVERT, 0);
  EXPECT_LT(APP_WriteSymbolData(&busy, &invert, nullptr), 0);
  EXPECT_EQ(busy.load(), 0);
  // A symbol that is not active.
  APP_WRITE_REQUEST unknown = Request(*s, APP_WRITE_SET, 1);
  unknown.Symbol.Address = 0x999;
  EXPECT_EQ(WriteByJob(unknown), 99);

  // Not connected: refused by the job; the value does not stand in for a sample.
  EXPECT_EQ(WriteByJob(Request(*s, APP_WRITE_SET, 5)), -1);
  EXPECT_TRUE(FakeProbe::Get().Writes().empty());
  EXPECT_FALSE(APP_LoadValuePending(*s));
  EXPECT_EQ(WrittenCount(), 0u);

  Connect();
  EXPECT_EQ(WriteByJob(Request(*s, APP_WRITE_SET, 200)), 0);
  EXPECT_EQ(WriteByJob(Request(*s, APP_WRITE_DIV, 256)), 99);  // 256 is 0 at the U8 width
  FakeProbe::Get().write_fail = true;
  EXPECT_EQ(WriteByJob(Request(*s, APP_WRITE_ADD, 1)), -1);
  EXPECT_FALSE(APP_LoadValuePending(*s));
  EXPECT_EQ(FakeProbe::Get().Writes().size(), 1u);
}

TEST_F(WriteJobTest, DirectWriteOnTheWorker) {
  ACTIVE_SYMBOL* s = Add(MakeSymbol("flag", 0x200, TYPEID_BOOL));
  ACTIVE_SYMBOL record = MakeSymbol("v", 0, TYPEID_U16);
  record.Virtual = 1;
  ACTIVE_SYMBOL* v = Add(record);
  int32_t results[4] = {};
  const APP_WRITE_REQUEST set = Request(*s, APP_WRITE_SET, 1);
  const APP_WRITE_REQUEST toggle = Request(*s, APP_WRITE_XOR, 1);
  const APP_WRITE_REQUEST add = Request(*s, APP_WRITE_ADD, 1);
  const APP_WRITE_REQUEST set_virtual = Request(*v, APP_WRITE_SET, 1234);
  ASSERT_TRUE(RunOnWorker([&] { results[0] = APP_WriteSymbolNow(&set); }));
  EXPECT_EQ(results[0], -1);  // not connected
  Connect();
  ASSERT_TRUE(RunOnWorker([&] {
    results[0] = APP_WriteSymbolNow(&set);
    results[1] = APP_WriteSymbolNow(&toggle);
    results[2] = APP_WriteSymbolNow(&add);
    results[3] = APP_WriteSymbolNow(&set_virtual);
  }));
  EXPECT_EQ(results[0], 0);
  EXPECT_EQ(results[1], 0);
  EXPECT_EQ(results[2], -1);  // bool arithmetic
  EXPECT_EQ(results[3], 0);
  const auto writes = FakeProbe::Get().Writes();
  ASSERT_EQ(writes.size(), 2u);  // the virtual symbol never reaches the target
  EXPECT_EQ(writes[0].bytes, 1u);
  EXPECT_EQ(writes[1].bytes, 0u);
  EXPECT_EQ(APP_LoadCurrentValue(*v).u16, 1234);
  EXPECT_EQ(WrittenCount(), 3u);
}

TEST_F(WriteJobTest, PeriodicOperationUntilStopped) {
  Connect();
  ACTIVE_SYMBOL* s = Add(MakeSymbol("ramp", 0x300, TYPEID_U32));
  ASSERT_EQ(WriteByJob(Request(*s, APP_WRITE_SET, 0)), 0);
  const APP_WRITE_REQUEST add = Request(*s, APP_WRITE_ADD, 3);
  const APP_WriteTask task = APP_PeriodicWriteOperation(&add, 2);
  ASSERT_NE(task, 0u);
  ASSERT_TRUE(WaitFor([] { return FakeProbe::Get().Writes().size() >= 6; }));
  JOB_BUSY busy{0};
  APP_WriteSymbolDataStop(&busy, task);
  ASSERT_TRUE(WaitIdle(busy));
  const auto writes = FakeProbe::Get().Writes();
  for (size_t i = 1; i < writes.size(); ++i) EXPECT_EQ(writes[i].bytes, 3 * i);
  SYS_Sleep(20);
  EXPECT_EQ(FakeProbe::Get().Writes().size(), writes.size());
  // The handle is stale now: stopping again, or with the other kind, touches nothing.
  APP_WriteSymbolDataStop(&busy, task);
  ASSERT_TRUE(WaitIdle(busy));
  APP_WriteSymbolCalcStop(&busy, task);
  ASSERT_TRUE(WaitIdle(busy));
  APP_WriteSymbolDataStop(&busy, 0);
  EXPECT_EQ(busy.load(), 0);
}

TEST_F(WriteJobTest, PeriodicTaskEndsWhenItsSymbolLeaves) {
  Connect();
  ACTIVE_SYMBOL* s = Add(MakeSymbol("gone", 0x300, TYPEID_U8));
  const APP_WRITE_REQUEST set = Request(*s, APP_WRITE_SET, 7);
  const APP_WriteTask task = APP_PeriodicWriteOperation(&set, 1);
  ASSERT_TRUE(WaitFor([] { return !FakeProbe::Get().Writes().empty(); }));
  ASSERT_TRUE(RunOnWorker([&] { APP_RemoveActiveSymbol(s); }));
  SYS_Sleep(10);
  const size_t count = FakeProbe::Get().Writes().size();
  SYS_Sleep(20);
  EXPECT_EQ(FakeProbe::Get().Writes().size(), count);
  JOB_BUSY busy{0};
  APP_WriteSymbolDataStop(&busy, task);  // already ended by itself
  EXPECT_TRUE(WaitIdle(busy));
  ASSERT_TRUE(RunOnWorker([&] { APP_AddActiveSymbol(s); }));  // for the tear-down
}

// 1000 / divisor, where divisor is a virtual symbol: the task writes while it is non-zero
// and ends at the run that finds it 0.
TEST_F(WriteJobTest, PeriodicCalculationStopsOnDivisionByZero) {
  Connect();
  LOGIC_SetRunMode(true);
  ACTIVE_SYMBOL* target = Add(MakeSymbol("out", 0x400, TYPEID_I32));
  ACTIVE_SYMBOL record = MakeSymbol("divisor", 0, TYPEID_I32);
  record.Virtual = 1;
  record.CurrentValue.i32 = 4;
  ACTIVE_SYMBOL* divisor = Add(record);

  CALCULATION_NODE* calc = LOGIC_NewCalculationNode(CALC_DIV);
  VALUE_SLOT thousand{};
  thousand.i32 = 1000;
  calc->pLeftValue = LOGIC_NewConstantValue(TYPEID_I32, thousand, BASE_DECIMAL);
  calc->pRightValue = LOGIC_NewSymbolValue(*divisor);
  SYMBOL_ID id = Request(*target, 0, 0).Symbol;
  const APP_WriteTask task = APP_PeriodicWriteCalcStart(&id, calc, 2);
  LOGIC_FreeCalculation(calc);  // the task holds its own copy
  ASSERT_NE(task, 0u);
  ASSERT_TRUE(WaitFor([] { return FakeProbe::Get().Writes().size() >= 3; }));
  EXPECT_EQ(FakeProbe::Get().Writes().back().bytes, 250u);
  ASSERT_TRUE(RunOnWorker([&] { divisor->CurrentValue.i32 = 0; }));
  SYS_Sleep(10);
  const size_t count = FakeProbe::Get().Writes().size();
  SYS_Sleep(20);
  EXPECT_EQ(FakeProbe::Get().Writes().size(), count);
  JOB_BUSY busy{0};
  APP_WriteSymbolCalcStop(&busy, task);  // stale: the task ended by itself
  EXPECT_TRUE(WaitIdle(busy));
}

TEST_F(WriteJobTest, PeriodicCalculationOfAQFormatSymbolWritesTheRawForm) {
  Connect();
  LOGIC_SetRunMode(true);
  ACTIVE_SYMBOL record = MakeSymbol("q", 0x500, TYPEID_I8);
  record.ValueType = TYPEID_FLOAT;
  record.UseQFormat = 1;
  record.QFormatSigned = 1;
  record.QFormatIntBits = 3;
  record.QFormatFracBits = 4;
  ACTIVE_SYMBOL* q = Add(record);
  CALCULATION_NODE* calc = LOGIC_NewCalculationNode(CALC_NOP);
  VALUE_SLOT v{};
  v.f32 = -1.5f;
  calc->pLeftValue = LOGIC_NewConstantValue(TYPEID_FLOAT, v, BASE_DECIMAL);
  SYMBOL_ID id = Request(*q, 0, 0).Symbol;
  const APP_WriteTask task = APP_PeriodicWriteCalcStart(&id, calc, 5);
  LOGIC_FreeCalculation(calc);
  ASSERT_TRUE(WaitFor([] { return !FakeProbe::Get().Writes().empty(); }));
  JOB_BUSY busy{0};
  APP_WriteSymbolCalcStop(&busy, task);
  ASSERT_TRUE(WaitIdle(busy));
  EXPECT_EQ(FakeProbe::Get().Writes()[0].bytes, 0x98u);
  EXPECT_EQ(FakeProbe::Get().Writes()[0].size, 1u);
  EXPECT_EQ(APP_LoadCurrentValue(*q).f32, -1.5f);
}

// ---- memory-read tasks -----------------------------------------------------------------------

std::atomic<uint64_t> g_fake_us{0};

TEST_F(WriteJobTest, TwoMemoryReadTasksSettleAtSixteenMilliseconds) {
  Connect();
  APP_SetMemReadClock([] { return g_fake_us.load(); });
  // Reads at 0x1000 take 3 ms, at 0x2000 5 ms (on the fake clock); a third address fails.
  FakeProbe::Get().read_mem = [](uint32_t addr, uint32_t n, void* buf) {
    g_fake_us += addr == 0x1000 ? 3000 : 5000;
    std::memset(buf, 0xAB, n);
    return addr == 0x3000 ? -1 : 0;
  };
  struct Owner {
    std::atomic<APP_MemReadTask> task{0};
    std::atomic<uint32_t> period{0};
    std::atomic<int> refreshes{0};
  };
  Owner a, b;
  auto refresh = [](void* owner) {
    auto* o = static_cast<Owner*>(owner);
    o->period = APP_GetMemReadPeriod(o->task);
    o->refreshes++;
  };
  uint8_t buf_a[16], buf_b[16];
  a.task = APP_PeriodicReadMemStart(0x1000, buf_a, sizeof buf_a, &a, refresh);
  b.task = APP_PeriodicReadMemStart(0x2000, buf_b, sizeof buf_b, &b, refresh);
  ASSERT_NE(a.task, 0u);
  ASSERT_NE(b.task, 0u);
  EXPECT_EQ(APP_GetMemReadTaskCount(), 2u);
  EXPECT_TRUE(WaitFor([&] { return a.period == 16 && b.period == 16; }, 3000));
  APP_PeriodicReadMemStop(a.task);
  APP_PeriodicReadMemStop(b.task);
  APP_PeriodicReadMemStop(b.task);  // stale
  EXPECT_EQ(APP_GetMemReadTaskCount(), 0u);
  ASSERT_TRUE(RunOnWorker([] {}));  // the stops are done before this runs
  const int ra = a.refreshes;
  SYS_Sleep(40);
  EXPECT_EQ(a.refreshes, ra);
  EXPECT_EQ(buf_a[0], 0xAB);

  // A failed read hands over a zeroed buffer; a missing buffer starts nothing.
  Owner c;
  uint8_t buf_c[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  c.task = APP_PeriodicReadMemStart(0x3000, buf_c, sizeof buf_c, &c, refresh);
  ASSERT_TRUE(WaitFor([&] { return c.refreshes > 0; }));
  APP_PeriodicReadMemStop(c.task);
  ASSERT_TRUE(RunOnWorker([] {}));
  EXPECT_EQ(buf_c[0], 0);
  EXPECT_EQ(buf_c[7], 0);
  EXPECT_EQ(APP_PeriodicReadMemStart(0x1000, nullptr, 4, nullptr, nullptr), 0u);
  EXPECT_EQ(APP_PeriodicReadMemStart(0x1000, buf_c, 0, nullptr, nullptr), 0u);
  APP_SetMemReadClock(nullptr);
}

}  // namespace
