// The write engine through its jobs, direct writes and periodic tasks against the fake
// probe; the symbol watch is told through the written-symbol handler.
#include <gtest/gtest.h>

#include <bit>

#include "core/app_engine_notify.h"
#include "core/app_memread.h"
#include "core/app_mode.h"
#include "core/app_symbol_access.h"
#include "core/app_write.h"
#include "engines_support.h"
#include "logic/logic_eval.h"

namespace {

std::atomic<size_t> g_written{0};  // symbols the watch table was told about

void RecordWritten(SYMBOL_ID* id) {
  g_written++;
  LOGIC_FreeSymbolId(id);
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
    g_written = 0;
    APP_SetSymbolWrittenHandler(RecordWritten);
  }
  void TearDown() override {
    APP_SetSymbolWrittenHandler(nullptr);
    APP_SetAppMode(APP_MODE_EDIT);
    EngineTest::TearDown();
  }
  static void Connect() { FakeProbe::Get().connected = true; }
  // A task that ended writes nothing more.
  static void ExpectNoMoreWrites() {
    SYS_Sleep(10);
    const size_t count = FakeProbe::Get().Writes().size();
    SYS_Sleep(20);
    EXPECT_EQ(FakeProbe::Get().Writes().size(), count);
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

// A one-off write reaches the target at the symbol's width and stands for the symbol until a
// newer sample; refusals (never sampled, not active, not connected, a divisor 0 at the width,
// a failed write) leave no pending value behind.
TEST_F(WriteJobTest, OneOffWritesByJob) {
  ACTIVE_SYMBOL* s = Add(MakeSymbol("speed", 0x20000010, TYPEID_I16));
  s->CatchOverflow = 0;
  JOB_BUSY busy{0};
  const APP_WRITE_REQUEST invert = Request(*s, APP_WRITE_INVERT, 0);
  EXPECT_LT(APP_WriteSymbolData(&busy, &invert, nullptr), 0);  // dropped before queueing
  EXPECT_EQ(busy.load(), 0);
  APP_WRITE_REQUEST unknown = Request(*s, APP_WRITE_SET, 1);
  unknown.Symbol.Address = 0x999;
  EXPECT_EQ(WriteByJob(unknown), 99);
  EXPECT_EQ(WriteByJob(Request(*s, APP_WRITE_SET, 5)), -1);  // not connected
  EXPECT_FALSE(APP_LoadValuePending(*s));
  EXPECT_EQ(g_written, 0u);

  Connect();
  EXPECT_EQ(WriteByJob(Request(*s, APP_WRITE_SET, 0xFFFF8000)), 0);  // -32768 at the width
  auto writes = FakeProbe::Get().Writes();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].address, 0x20000010u);
  EXPECT_EQ(writes[0].size, 2u);
  EXPECT_EQ(writes[0].bytes, 0x8000u);
  EXPECT_EQ(APP_LoadCurrentValue(*s).i16, -32768);
  EXPECT_TRUE(APP_LoadValuePending(*s));
  EXPECT_EQ(g_written, 1u);
  EXPECT_EQ(WriteByJob(Request(*s, APP_WRITE_SUB, 1)), 0);  // from the pending value: wraps
  EXPECT_EQ(FakeProbe::Get().Writes().back().bytes, 0x7FFFu);
  EXPECT_EQ(WriteByJob(Request(*s, APP_WRITE_DIV, 0x10000)), 99);  // 0 at the I16 width
  FakeProbe::Get().write_fail = true;
  EXPECT_EQ(WriteByJob(Request(*s, APP_WRITE_ADD, 1)), -1);
  EXPECT_FALSE(APP_LoadValuePending(*s));
  EXPECT_EQ(FakeProbe::Get().Writes().size(), 2u);
}

TEST_F(WriteJobTest, DirectWriteOnTheWorker) {
  ACTIVE_SYMBOL* s = Add(MakeSymbol("flag", 0x200, TYPEID_BOOL));
  ACTIVE_SYMBOL* v = Add(MakeVirtual("v", TYPEID_U16, 0));
  const APP_WRITE_REQUEST requests[] = {Request(*s, APP_WRITE_SET, 1), Request(*s, APP_WRITE_XOR, 1),
                                        Request(*s, APP_WRITE_ADD, 1), Request(*v, APP_WRITE_SET, 1234)};
  int32_t results[4] = {};
  ASSERT_TRUE(RunOnWorker([&] { results[0] = APP_WriteSymbolNow(&requests[0]); }));
  EXPECT_EQ(results[0], -1);  // not connected
  Connect();
  ASSERT_TRUE(RunOnWorker([&] {
    for (int i = 0; i < 4; ++i) results[i] = APP_WriteSymbolNow(&requests[i]);
  }));
  EXPECT_EQ(std::vector<int32_t>(results, results + 4), (std::vector<int32_t>{0, 0, -1, 0}));
  const auto writes = FakeProbe::Get().Writes();
  ASSERT_EQ(writes.size(), 2u);  // the virtual symbol never reaches the target
  EXPECT_EQ(writes[0].bytes, 1u);
  EXPECT_EQ(writes[1].bytes, 0u);
  EXPECT_EQ(APP_LoadCurrentValue(*v).u16, 1234);
  EXPECT_EQ(g_written, 3u);
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
  ExpectNoMoreWrites();
  // The handle is stale now: stopping again, or with the other kind, touches nothing.
  APP_WriteSymbolDataStop(&busy, task);
  ASSERT_TRUE(WaitIdle(busy));
  APP_WriteSymbolCalcStop(&busy, task);
  ASSERT_TRUE(WaitIdle(busy));
  APP_WriteSymbolDataStop(&busy, 0);
  EXPECT_EQ(busy.load(), 0);
}

// Leaving Run mode ends every periodic write, whoever started it.
TEST_F(WriteJobTest, StopAllPeriodicWrites) {
  Connect();
  ACTIVE_SYMBOL* s = Add(MakeSymbol("ramp", 0x300, TYPEID_U32));
  ASSERT_EQ(WriteByJob(Request(*s, APP_WRITE_SET, 0)), 0);
  const APP_WRITE_REQUEST add = Request(*s, APP_WRITE_ADD, 1);
  ASSERT_NE(APP_PeriodicWriteOperation(&add, 2), 0u);
  const APP_WriteTask second = APP_PeriodicWriteOperation(&add, 3);
  ASSERT_TRUE(WaitFor([] { return FakeProbe::Get().Writes().size() >= 4; }));
  APP_StopAllPeriodicWrites();
  JOB_BUSY busy{0};
  APP_WriteSymbolDataStop(&busy, second);  // a job after the stops: they have been served
  ASSERT_TRUE(WaitIdle(busy));
  ExpectNoMoreWrites();
}

// Tasks end by themselves when their symbol leaves the list, or when their calculation fails
// in Run mode, which starting the sampling enters (1000 / divisor, a virtual symbol that
// becomes 0); a later stop of the stale handle is harmless. Stopping the sampling ends Run mode.
TEST_F(WriteJobTest, PeriodicTasksThatEndThemselves) {
  Connect();
  ACTIVE_SYMBOL* gone = Add(MakeSymbol("gone", 0x300, TYPEID_U8));
  const APP_WRITE_REQUEST set = Request(*gone, APP_WRITE_SET, 7);
  const APP_WriteTask op_task = APP_PeriodicWriteOperation(&set, 1);
  ASSERT_TRUE(WaitFor([] { return !FakeProbe::Get().Writes().empty(); }));
  ASSERT_TRUE(RunOnWorker([&] { APP_RemoveActiveSymbol(gone); }));
  ExpectNoMoreWrites();
  JOB_BUSY busy{0};
  APP_WriteSymbolDataStop(&busy, op_task);
  EXPECT_TRUE(WaitIdle(busy));
  ASSERT_TRUE(RunOnWorker([&] { APP_AddActiveSymbol(gone); }));  // for the tear-down

  const size_t before = FakeProbe::Get().Writes().size();
  ACTIVE_SYMBOL* target = Add(MakeSymbol("out", 0x400, TYPEID_I32));
  ACTIVE_SYMBOL* divisor = Add(MakeVirtual("divisor", TYPEID_I32, 4));
  ASSERT_TRUE(ReadStart());
  EXPECT_EQ(APP_GetAppMode(), APP_MODE_RUN);
  CALCULATION_NODE* calc = LOGIC_NewCalculationNode(CALC_DIV);
  VALUE_SLOT thousand{};
  thousand.i32 = 1000;
  calc->pLeftValue = LOGIC_NewConstantValue(TYPEID_I32, thousand, BASE_DECIMAL);
  calc->pRightValue = LOGIC_NewSymbolValue(*divisor);
  SYMBOL_ID id = Request(*target, 0, 0).Symbol;
  const APP_WriteTask calc_task = APP_PeriodicWriteCalcStart(&id, calc, 2);
  LOGIC_FreeCalculation(calc);  // the task holds its own copy
  ASSERT_NE(calc_task, 0u);
  ASSERT_TRUE(WaitFor([&] { return FakeProbe::Get().Writes().size() >= before + 3; }));
  EXPECT_EQ(FakeProbe::Get().Writes().back().bytes, 250u);
  ASSERT_TRUE(RunOnWorker([&] { divisor->CurrentValue.i32 = 0; }));
  ExpectNoMoreWrites();
  APP_WriteSymbolCalcStop(&busy, calc_task);
  EXPECT_TRUE(WaitIdle(busy));
  ASSERT_TRUE(ReadStop());
  EXPECT_EQ(APP_GetAppMode(), APP_MODE_EDIT);
}

// A period of 0 is raised to the floor of 1 ms: the task does not write on every idle pass of
// the worker.
TEST_F(WriteJobTest, PeriodZeroIsRaisedToTheFloor) {
  Connect();
  ACTIVE_SYMBOL* s = Add(MakeSymbol("fast", 0x300, TYPEID_U32));
  CALCULATION_NODE* calc = LOGIC_NewCalculationNode(CALC_NOP);
  calc->pLeftValue = LOGIC_NewConstantValue(TYPEID_U32, VALUE_SLOT{}, BASE_DECIMAL);
  for (bool calculation : {false, true}) {
    SCOPED_TRACE(calculation ? "calculation" : "operation");
    const APP_WRITE_REQUEST set = Request(*s, APP_WRITE_SET, 1);
    const size_t before = FakeProbe::Get().Writes().size();
    const uint32_t start = SYS_GetTickMs();
    const APP_WriteTask task = calculation ? APP_PeriodicWriteCalcStart(&set.Symbol, calc, 0)
                                           : APP_PeriodicWriteOperation(&set, 0);
    ASSERT_NE(task, 0u);
    SYS_Sleep(40);
    JOB_BUSY busy{0};
    if (calculation) {
      APP_WriteSymbolCalcStop(&busy, task);
    } else {
      APP_WriteSymbolDataStop(&busy, task);
    }
    ASSERT_TRUE(WaitIdle(busy));
    const size_t writes = FakeProbe::Get().Writes().size() - before;
    EXPECT_GE(writes, 1u);
    EXPECT_LE(writes, size_t(SYS_GetTickMs() - start) + 1);  // one per millisecond at most
  }
  LOGIC_FreeCalculation(calc);
}

// A periodic calculation is written like a single write of its result: kept inside the write
// limits, and in raw form for a Q-format symbol (the target holds the fixed-point number).
TEST_F(WriteJobTest, PeriodicCalculationsKeepLimitsAndFixedPoint) {
  Connect();
  ACTIVE_SYMBOL* q = Add(MakeQSymbol("q", 0x500));
  ACTIVE_SYMBOL* u8 = Add(MakeSymbol("u8", 0x510, TYPEID_U8));
  u8->MaxWrite = 100.0;
  ACTIVE_SYMBOL* i16 = Add(MakeSymbol("i16", 0x520, TYPEID_I16));
  i16->MinWrite = -10.0;
  struct Case {
    ACTIVE_SYMBOL* symbol;
    uint32_t type;
    uint64_t constant;
    uint64_t bytes;
    uint64_t current;
  } cases[] = {
      {q, TYPEID_FLOAT, std::bit_cast<uint32_t>(-1.5f), 0x98, std::bit_cast<uint32_t>(-1.5f)},
      {u8, TYPEID_U8, 200, 100, 100},
      {i16, TYPEID_I32, static_cast<uint32_t>(-50), 0xFFF6, 0xFFF6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.symbol->Name);
    FakeProbe::Get().Reset();
    Connect();
    CALCULATION_NODE* calc = LOGIC_NewCalculationNode(CALC_NOP);
    VALUE_SLOT v{};
    v.raw = c.constant;
    calc->pLeftValue = LOGIC_NewConstantValue(c.type, v, BASE_DECIMAL);
    SYMBOL_ID id = Request(*c.symbol, 0, 0).Symbol;
    const APP_WriteTask task = APP_PeriodicWriteCalcStart(&id, calc, 5);
    LOGIC_FreeCalculation(calc);
    ASSERT_TRUE(WaitFor([] { return !FakeProbe::Get().Writes().empty(); }));
    JOB_BUSY busy{0};
    APP_WriteSymbolCalcStop(&busy, task);
    ASSERT_TRUE(WaitIdle(busy));
    EXPECT_EQ(FakeProbe::Get().Writes()[0].bytes, c.bytes);
    EXPECT_EQ(FakeProbe::Get().Writes()[0].size, c.symbol->Size);
    VALUE_SLOT current = APP_LoadCurrentValue(*c.symbol);
    EXPECT_EQ(current.raw & ((1ull << (8 * (c.symbol == q ? 4 : c.symbol->Size))) - 1), c.current);
  }
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
