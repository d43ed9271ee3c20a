// Helpers of the engine tests: symbol records, a message recorder, a fake probe behind the
// engines' probe table, and waiting for jobs and worker-side code.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "core/app_active_list.h"
#include "core/app_probe_ops.h"
#include "core/app_sampling.h"
#include "core/job_engine.h"
#include "platform/sys_memory.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "platform/sys_thread.h"
#include "platform/sys_time.h"
#include "probe/probe_session.h"
#include "symbols/active_symbol.h"

// ---- symbols -----------------------------------------------------------------------------

// A target symbol of a plain type with the type's full range as write limits.
inline ACTIVE_SYMBOL MakeSymbol(const char* name, uint32_t address, uint32_t type) {
  ACTIVE_SYMBOL s;
  SYS_CopyText(s.Name, sizeof s.Name, name);
  s.Address = address;
  s.ValueType = type;
  s.RawType = type;
  s.Leaf = 1;
  switch (type) {
    case TYPEID_BOOL: s.Size = 1; s.MinWrite = 0; s.MaxWrite = 1; break;
    case TYPEID_U8: s.Size = 1; s.MinWrite = 0; s.MaxWrite = 255; break;
    case TYPEID_I8: s.Size = 1; s.MinWrite = -128; s.MaxWrite = 127; break;
    case TYPEID_U16: s.Size = 2; s.MinWrite = 0; s.MaxWrite = 65535; break;
    case TYPEID_I16: s.Size = 2; s.MinWrite = -32768; s.MaxWrite = 32767; break;
    case TYPEID_U32: s.Size = 4; s.MinWrite = 0; s.MaxWrite = 4294967295.0; break;
    case TYPEID_I32: s.Size = 4; s.MinWrite = -2147483648.0; s.MaxWrite = 2147483647.0; break;
    case TYPEID_FLOAT: s.Size = 4; s.MinWrite = -1e30; s.MaxWrite = 1e30; break;
    case TYPEID_DOUBLE: s.Size = 8; s.MinWrite = -1e300; s.MaxWrite = 1e300; break;
    default: s.Size = 8; break;
  }
  s.Signed = (type == TYPEID_I8 || type == TYPEID_I16 || type == TYPEID_I32) ? 1 : 0;
  return s;
}

// ---- messages ----------------------------------------------------------------------------

struct MessageLog {
  std::mutex mu;
  std::vector<std::string> texts;
  static MessageLog& Get() {
    static MessageLog log;
    return log;
  }
  static void Handler(SYS_MsgBoxRequest& request) {
    MessageLog& log = Get();
    std::lock_guard<std::mutex> g(log.mu);
    log.texts.push_back(request.text != nullptr ? request.text : "");
    request.pressed_button = request.default_result;
  }
  static void SystemHandler(const char* text, const char*, uint32_t) {
    MessageLog& log = Get();
    std::lock_guard<std::mutex> g(log.mu);
    log.texts.push_back(text != nullptr ? text : "");
  }
  static void Install() {
    SYS_SetMsgBoxHandler(Handler);
    SYS_SetSystemBoxHandler(SystemHandler);
    Clear();
  }
  static void Clear() {
    std::lock_guard<std::mutex> g(Get().mu);
    Get().texts.clear();
  }
  static std::vector<std::string> Texts() {
    std::lock_guard<std::mutex> g(Get().mu);
    return Get().texts;
  }
  static bool Contains(const std::string& text) {
    for (const std::string& t : Texts()) {
      if (t.find(text) != std::string::npos) return true;
    }
    return false;
  }
};

// ---- fake probe ----------------------------------------------------------------------------

struct FakeWrite {
  uint32_t address;
  uint32_t size;
  uint64_t bytes;
};

// A probe without hardware: HSS records are fed by the test; writes are recorded.
struct FakeProbe {
  std::mutex mu;
  std::atomic<bool> connected{false};
  std::atomic<bool> ready{false};
  std::atomic<bool> hss_running{false};
  std::atomic<int> connect_result{0};
  std::atomic<int> halted{0};
  std::atomic<int> open{1};
  std::atomic<bool> write_fail{false};
  std::atomic<int> hss_read_fail_after{-1};
  std::atomic<int> hss_reads{0};
  std::atomic<int> connects{0};
  std::atomic<int> hss_stops{0};
  std::atomic<int> disconnects{0};
  std::deque<uint8_t> hss_data;      // under mu
  std::vector<FakeWrite> writes;     // under mu
  std::function<int(uint32_t, uint32_t, void*)> read_mem;  // set before use

  static FakeProbe& Get() {
    static FakeProbe probe;
    return probe;
  }

  void Reset() {
    std::lock_guard<std::mutex> g(mu);
    connected = false;
    ready = false;
    hss_running = false;
    connect_result = 0;
    halted = 0;
    open = 1;
    write_fail = false;
    hss_read_fail_after = -1;
    hss_reads = 0;
    connects = 0;
    hss_stops = 0;
    disconnects = 0;
    hss_data.clear();
    writes.clear();
    read_mem = nullptr;
  }

  void Feed(const std::vector<uint8_t>& bytes) {
    std::lock_guard<std::mutex> g(mu);
    hss_data.insert(hss_data.end(), bytes.begin(), bytes.end());
  }

  size_t Pending() {
    std::lock_guard<std::mutex> g(mu);
    return hss_data.size();
  }

  std::vector<FakeWrite> Writes() {
    std::lock_guard<std::mutex> g(mu);
    return writes;
  }

  static const APP_PROBE_OPS& Ops() {
    static const APP_PROBE_OPS ops = {
        [] {},
        [] {},
        [] { return false; },
        [] {
          FakeProbe& p = Get();
          p.connects++;
          if (p.connect_result < 0) return p.connect_result.load();
          p.connected = true;
          p.ready = true;
          PROBE_ComputeHSSLayout();
          p.hss_running = true;
          return 0;
        },
        [] {
          FakeProbe& p = Get();
          if (p.connected) p.disconnects++;
          p.connected = false;
          p.ready = false;
        },
        PROBE_ComputeHSSLayout,
        [] { return Get().connected.load(); },
        [] { return Get().ready.load(); },
        [] { return Get().hss_running.load(); },
        [](bool running) { Get().hss_running = running; },
        PROBE_GetHSSSymbolCount,
        PROBE_GetRecordSize,
        [] {},
        [](void* buf, uint32_t size) -> int {
          FakeProbe& p = Get();
          const int fail_after = p.hss_read_fail_after;
          if (fail_after >= 0 && p.hss_reads >= fail_after) return -1;
          p.hss_reads++;
          std::lock_guard<std::mutex> g(p.mu);
          const uint32_t record = PROBE_GetRecordSize();
          size_t n = std::min<size_t>(size, p.hss_data.size());
          n -= n % record;
          std::copy(p.hss_data.begin(), p.hss_data.begin() + static_cast<long>(n),
                    static_cast<uint8_t*>(buf));
          p.hss_data.erase(p.hss_data.begin(), p.hss_data.begin() + static_cast<long>(n));
          return static_cast<int>(n);
        },
        [] {
          Get().hss_stops++;
          return 0;
        },
        [] { return Get().halted.load(); },
        [] { return Get().open.load(); },
        [](uint32_t addr, uint32_t n, void* buf) -> int {
          FakeProbe& p = Get();
          return p.read_mem ? p.read_mem(addr, n, buf) : -1;
        },
        [](uint32_t addr, uint32_t n, const void* data) -> int {
          FakeProbe& p = Get();
          if (p.write_fail || !p.connected) return -1;
          uint64_t bytes = 0;
          std::memcpy(&bytes, data, n < 8 ? n : 8);
          std::lock_guard<std::mutex> g(p.mu);
          p.writes.push_back({addr, n, bytes});
          return static_cast<int>(n);
        },
    };
    return ops;
  }
};

// ---- HSS records ---------------------------------------------------------------------------

// Records of the current layout (PROBE_GetRecordSize): time stamp, then `fill(record, i)`.
inline std::vector<uint8_t> MakeRecords(uint32_t count, uint32_t record_size, uint32_t first_stamp,
                                        uint32_t stamp_step,
                                        const std::function<void(uint8_t*, uint32_t)>& fill) {
  std::vector<uint8_t> out(static_cast<size_t>(count) * record_size);
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t* rec = out.data() + static_cast<size_t>(i) * record_size;
    const uint32_t stamp = first_stamp + i * stamp_step;
    std::memcpy(rec, &stamp, 4);
    if (fill) fill(rec, i);
  }
  return out;
}

template <typename T>
void PutAt(uint8_t* record, uint32_t offset, T value) {
  std::memcpy(record + offset, &value, sizeof value);
}

// ---- waiting -------------------------------------------------------------------------------

inline bool WaitFor(const std::function<bool()>& done, uint32_t timeout_ms = 10000) {
  const uint32_t start = SYS_GetTickMs();
  while (!done()) {
    if (static_cast<int32_t>(SYS_GetTickMs() - start) > static_cast<int32_t>(timeout_ms)) {
      return false;
    }
    SYS_Sleep(1);
  }
  return true;
}

inline bool WaitIdle(const JOB_BUSY& flag, uint32_t timeout_ms = 10000) {
  return WaitFor([&] { return flag.load() == 0; }, timeout_ms);
}

// Runs `body` on the worker (as a task that runs once) and waits for it.
inline bool RunOnWorker(const std::function<void()>& body) {
  struct Params {
    const std::function<void()>* body;
    std::atomic<bool>* done;
  };
  std::atomic<bool> done{false};
  void* block = SYS_Alloc(sizeof(JOB_PERIODIC_TASK), "TEST: task");
  auto* task = new (block) JOB_PERIODIC_TASK;
  auto* params = static_cast<Params*>(SYS_Alloc(sizeof(Params), "TEST: task params"));
  params->body = &body;
  params->done = &done;
  task->pParams = params;
  task->pfCallback = [](JOB_PERIODIC_TASK* t) -> int32_t {
    auto* p = static_cast<Params*>(t->pParams);
    (*p->body)();
    p->done->store(true);
    return 1;
  };
  if (JOB_StartPeriodic(task) == 0) return false;
  return WaitFor([&] { return done.load(); });
}

// ---- fixture -------------------------------------------------------------------------------

// Engines driven by the fake probe; an empty active list before and after each test.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageLog::Install();
    FakeProbe::Get().Reset();
    APP_SetProbeOps(&FakeProbe::Ops());
    APP_RegisterEngineHandlers();
    ASSERT_TRUE(RunOnWorker([] {
      APP_ClearActiveSymbols();
      APP_ResetSamplingProject();
    }));
  }
  void TearDown() override {
    RunOnWorker([this] {
      if (APP_IsReading()) APP_ReadStopNow();
      for (ACTIVE_SYMBOL* s : owned_) APP_FreeHistory(s);
      APP_ClearActiveSymbols();
      APP_ResetSamplingProject();
    });
    for (ACTIVE_SYMBOL* s : owned_) delete s;
    APP_SetProbeOps(nullptr);
    SYS_SetMsgBoxHandler(nullptr);
    SYS_SetSystemBoxHandler(nullptr);
  }
  // A symbol owned by the test and appended to the active list.
  ACTIVE_SYMBOL* Add(const ACTIVE_SYMBOL& record) {
    auto* s = new ACTIVE_SYMBOL(record);
    owned_.push_back(s);
    EXPECT_EQ(APP_AddActiveSymbol(s), 0);
    return s;
  }
  std::vector<ACTIVE_SYMBOL*> owned_;
};
