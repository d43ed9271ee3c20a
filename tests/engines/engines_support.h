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
#include "symbols/dwarf_db.h"

// A target symbol of a plain type with the type's full range as write limits.
inline ACTIVE_SYMBOL MakeSymbol(const char* name, uint32_t address, uint32_t type) {
  const DWARF_TYPEID_INFO& info = DWARF_GetTypeIdInfo(type);
  ACTIVE_SYMBOL s;
  SYS_CopyText(s.Name, sizeof s.Name, name);
  s.Address = address;
  s.ValueType = s.RawType = type;
  s.Leaf = 1;
  s.Size = info.size;
  s.MinWrite = info.minimum;
  s.MaxWrite = info.maximum;
  s.Signed = (info.is_signed && type != TYPEID_FLOAT && type != TYPEID_DOUBLE) ? 1 : 0;
  return s;
}

inline ACTIVE_SYMBOL MakeVirtual(const char* name, uint32_t type, uint64_t value) {
  ACTIVE_SYMBOL s = MakeSymbol(name, 0, type);
  s.Virtual = 1;
  s.CurrentValue.raw = value;
  return s;
}
inline ACTIVE_SYMBOL MakeQSymbol(const char* name, uint32_t address) {  // signed Q3.4 on I8
  ACTIVE_SYMBOL s = MakeSymbol(name, address, TYPEID_I8);
  s.ValueType = TYPEID_FLOAT;
  s.UseQFormat = s.QFormatSigned = 1;
  s.QFormatIntBits = 3;
  s.QFormatFracBits = 4;
  return s;
}

// Every text the message sink receives.
struct MessageLog {
  static inline std::mutex mu;
  static inline std::vector<std::string> texts;  // under mu
  static void Add(const char* text) {
    std::lock_guard<std::mutex> g(mu);
    texts.push_back(text != nullptr ? text : "");
  }
  static void Install() {
    SYS_SetMsgBoxHandler([](SYS_MsgBoxRequest& r) {
      Add(r.text);
      r.pressed_button = r.default_result;
    });
    SYS_SetSystemBoxHandler([](const char* text, const char*, uint32_t) { Add(text); });
    Clear();
  }
  static void Clear() {
    std::lock_guard<std::mutex> g(mu);
    texts.clear();
  }
  // Whether a text contains `part` ("" asks whether there is any text at all).
  static bool Contains(const std::string& part) {
    std::lock_guard<std::mutex> g(mu);
    for (const std::string& t : texts) {
      if (t.find(part) != std::string::npos) return true;
    }
    return false;
  }
};

struct FakeWrite {
  uint32_t address;
  uint32_t size;
  uint64_t bytes;
};

// A probe without hardware: HSS records are fed by the test; writes are recorded.
struct FakeProbe {
  std::mutex mu;
  std::atomic<bool> connected{false}, hss_running{false}, write_fail{false};
  std::atomic<int> connect_result{0}, hss_read_fail_after{-1}, hss_reads{0}, connects{0},
      hss_stops{0};
  std::deque<uint8_t> hss_data;   // under mu
  std::vector<FakeWrite> writes;  // under mu
  std::function<int(uint32_t, uint32_t, void*)> read_mem;  // set before use

  static FakeProbe& Get() {
    static FakeProbe probe;
    return probe;
  }
  void Reset() {
    std::lock_guard<std::mutex> g(mu);
    connected = hss_running = write_fail = false;
    connect_result = hss_reads = connects = hss_stops = 0;
    hss_read_fail_after = -1;
    hss_data.clear();
    writes.clear();
    read_mem = nullptr;
  }
  void Feed(const std::vector<uint8_t>& bytes) {
    std::lock_guard<std::mutex> g(mu);
    hss_data.insert(hss_data.end(), bytes.begin(), bytes.end());
  }
  std::vector<FakeWrite> Writes() {
    std::lock_guard<std::mutex> g(mu);
    return writes;
  }

  static const APP_PROBE_OPS& Ops() {
    static const APP_PROBE_OPS ops = {
        [] {}, [] {}, [] { return false; },
        [] {
          FakeProbe& p = Get();
          p.connects++;
          if (p.connect_result < 0) return p.connect_result.load();
          p.connected = true;
          PROBE_ComputeHSSLayout();
          p.hss_running = true;
          return 0;
        },
        [] { Get().connected = false; },
        PROBE_ComputeHSSLayout,
        [] { return Get().connected.load(); },
        [] { return Get().connected.load(); },
        [] { return Get().hss_running.load(); },
        [](bool running) { Get().hss_running = running; },
        PROBE_GetHSSSymbolCount, PROBE_GetRecordSize, [] {},
        [](void* buf, uint32_t size) -> int {
          FakeProbe& p = Get();
          const int fail_after = p.hss_read_fail_after;
          if (fail_after >= 0 && p.hss_reads >= fail_after) return -1;
          p.hss_reads++;
          std::lock_guard<std::mutex> g(p.mu);
          size_t n = std::min<size_t>(size, p.hss_data.size());
          n -= n % PROBE_GetRecordSize();
          const auto end = p.hss_data.begin() + static_cast<long>(n);
          std::copy(p.hss_data.begin(), end, static_cast<uint8_t*>(buf));
          p.hss_data.erase(p.hss_data.begin(), end);
          return static_cast<int>(n);
        },
        [] { return Get().hss_stops++, 0; },
        [] { return 0; }, [] { return 1; },
        [](uint32_t addr, uint32_t n, void* buf) -> int {
          return Get().read_mem ? Get().read_mem(addr, n, buf) : -1;
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

// Records of the current layout: time stamp first + i * step, then `fill(record, i)`.
inline std::vector<uint8_t> MakeRecords(uint32_t count, uint32_t record_size, uint32_t first,
                                        uint32_t step,
                                        const std::function<void(uint8_t*, uint32_t)>& fill) {
  std::vector<uint8_t> out(static_cast<size_t>(count) * record_size);
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t* rec = out.data() + static_cast<size_t>(i) * record_size;
    const uint32_t stamp = first + i * step;
    std::memcpy(rec, &stamp, 4);
    if (fill) fill(rec, i);
  }
  return out;
}

template <typename T>
void PutAt(uint8_t* record, uint32_t offset, T value) {
  std::memcpy(record + offset, &value, sizeof value);
}

inline bool WaitFor(const std::function<bool()>& done, uint32_t timeout_ms = 10000) {
  const uint32_t start = SYS_GetTickMs();
  while (!done()) {
    if (static_cast<int32_t>(SYS_GetTickMs() - start) > static_cast<int32_t>(timeout_ms)) return false;
    SYS_Sleep(1);
  }
  return true;
}

inline bool WaitIdle(const JOB_BUSY& flag) {
  return WaitFor([&] { return flag.load() == 0; });
}

// Runs `body` on the worker (as a task that runs once) and waits for it.
inline bool RunOnWorker(const std::function<void()>& body) {
  struct Params {
    const std::function<void()>* body;
    std::atomic<bool>* done;
  };
  std::atomic<bool> done{false};
  auto* task = new (SYS_Alloc(sizeof(JOB_PERIODIC_TASK), "TEST: task")) JOB_PERIODIC_TASK;
  auto* params = static_cast<Params*>(SYS_Alloc(sizeof(Params), "TEST: task params"));
  *params = {&body, &done};
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
    APP_SetHistoryAllocator(nullptr);
    SYS_SetMsgBoxHandler(nullptr);
    SYS_SetSystemBoxHandler(nullptr);
  }
  // Sampling started and stopped through the jobs the application queues.
  static bool ReadStart() {
    JOB_BUSY busy{0};
    APP_ReadStart(&busy);
    return WaitIdle(busy) && APP_IsReading();
  }
  static bool ReadStop() {
    JOB_BUSY busy{0};
    APP_ReadStop(&busy);
    return WaitIdle(busy) && !APP_IsReading();
  }
  // A symbol owned by the test and appended to the active list.
  ACTIVE_SYMBOL* Add(const ACTIVE_SYMBOL& record) {
    owned_.push_back(new ACTIVE_SYMBOL(record));
    EXPECT_EQ(APP_AddActiveSymbol(owned_.back()), 0);
    return owned_.back();
  }
  std::vector<ACTIVE_SYMBOL*> owned_;
};
