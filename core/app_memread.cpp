#include "core/app_memread.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <set>

#include "core/app_probe_ops.h"
#include "platform/sys_memory.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_time.h"

namespace {

constexpr uint32_t kInitialPeriodMs = 10;

struct MEMREAD_PARAMS {
  uint32_t Address = 0;
  void* pBuffer = nullptr;
  uint32_t ByteCount = 0;
  void* pOwner = nullptr;
  APP_MemReadRefresh pfRefresh = nullptr;
  uint8_t SeenTaskCount = 0;  // task count at the previous run
  uint32_t LastReadMs = 0;    // this task's share of g_sum_ms
};

// Live tasks by id (any thread), and the sum of their last read durations (worker only).
std::mutex g_live_lock;
std::set<JOB_TaskId> g_live;
uint32_t g_sum_ms = 0;

uint64_t DefaultClock() { return SYS_GetElapsedUs(0); }
std::atomic<APP_MicrosecondClock> g_clock{DefaultClock};

uint32_t TaskCount() {
  std::lock_guard<std::mutex> g(g_live_lock);
  return static_cast<uint32_t>(g_live.size());
}

void ReleaseTask(JOB_PERIODIC_TASK* task) {
  auto* p = static_cast<MEMREAD_PARAMS*>(task->pParams);
  if (p != nullptr) {
    g_sum_ms -= p->LastReadMs < g_sum_ms ? p->LastReadMs : g_sum_ms;
    p->LastReadMs = 0;
  }
  std::lock_guard<std::mutex> g(g_live_lock);
  g_live.erase(task->TaskId);
}

int32_t MemReadTask(JOB_PERIODIC_TASK* task) {
  auto* p = static_cast<MEMREAD_PARAMS*>(task->pParams);
  if (p == nullptr || p->pBuffer == nullptr) return 1;  // the release settles the sum
  const APP_PROBE_OPS& ops = APP_GetProbeOps();
  if (ops.IsOpen() == 0 || !ops.IsReady()) return 0;

  const APP_MicrosecondClock clock = g_clock.load();
  const uint64_t start_us = clock();
  const int result = ops.ReadMem(p->Address, p->ByteCount, p->pBuffer);
  const uint64_t elapsed_us = clock() - start_us;
  const uint32_t elapsed_ms = static_cast<uint32_t>((elapsed_us + 999) / 1000);
  g_sum_ms = g_sum_ms - p->LastReadMs + elapsed_ms;
  p->LastReadMs = elapsed_ms;

  const uint32_t count = TaskCount();
  const uint8_t seen = static_cast<uint8_t>(count > 255 ? 255 : count);
  if (seen == p->SeenTaskCount) {
    const uint32_t period = 2 * g_sum_ms;
    task->PeriodMs = period > kInitialPeriodMs ? period : kInitialPeriodMs;
  } else {
    p->SeenTaskCount = seen;
  }
  if (result != 0) std::memset(p->pBuffer, 0, p->ByteCount);
  if (p->pfRefresh != nullptr) p->pfRefresh(p->pOwner);
  return 0;
}

}  // namespace

APP_MemReadTask APP_PeriodicReadMemStart(uint32_t address, void* buffer, uint32_t byte_count,
                                         void* owner, APP_MemReadRefresh refresh) {
  if (buffer == nullptr || byte_count == 0) return 0;
  void* task_block = SYS_Alloc(sizeof(JOB_PERIODIC_TASK), "APP: <PeriodicReadMemStart> Job context");
  void* params = task_block != nullptr
                     ? SYS_Alloc(sizeof(MEMREAD_PARAMS), "APP: <PeriodicReadMemStart> job params")
                     : nullptr;
  if (params == nullptr) {
    SYS_Free(task_block);
    SYS_ErrorBox("Insufficient memory!");
    return 0;
  }
  auto* p = new (params) MEMREAD_PARAMS;
  p->Address = address;
  p->pBuffer = buffer;
  p->ByteCount = byte_count;
  p->pOwner = owner;
  p->pfRefresh = refresh;
  auto* task = new (task_block) JOB_PERIODIC_TASK;
  task->pfCallback = MemReadTask;
  task->pfRelease = ReleaseTask;
  task->pParams = p;
  task->PeriodMs = kInitialPeriodMs;
  const JOB_TaskId id = JOB_StartPeriodic(task);
  if (id != 0) {
    // The task may already have run once without being counted; it notes the count anew.
    std::lock_guard<std::mutex> g(g_live_lock);
    g_live.insert(id);
  }
  return id;
}

void APP_PeriodicReadMemStop(APP_MemReadTask task) {
  {
    std::lock_guard<std::mutex> g(g_live_lock);
    if (g_live.erase(task) == 0) return;
  }
  JOB_StopPeriodic(task);
}

uint32_t APP_GetMemReadTaskCount() { return TaskCount(); }

uint32_t APP_GetMemReadPeriod(APP_MemReadTask task) {
  const JOB_PERIODIC_TASK* t = JOB_FindPeriodic(task);
  return t != nullptr ? t->PeriodMs : 0;
}

void APP_SetMemReadClock(APP_MicrosecondClock clock) {
  g_clock.store(clock != nullptr ? clock : DefaultClock);
}
