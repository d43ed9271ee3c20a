// The queue, the worker loop and the periodic task list.
#include "core/job_engine.h"

#include <mutex>
#include <vector>

#include "platform/sys_memory.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_thread.h"
#include "platform/sys_time.h"

namespace {

// The worker reads and clears its slot without the lock: `used` is set last when queueing
// and cleared last by the worker, and a slot is never refilled while `used` is set.
struct Slot {
  std::atomic<uint32_t> used{0};
  JOB_RECORD* job = nullptr;
};

struct Engine {
  SYS_Mutex* lock = nullptr;  // the queue lock; created once and kept for the process
  // Under the lock.
  Slot slots[JOB_RING_SLOTS];
  uint32_t write_index = 0;
  SYS_Handle thread = nullptr;
  std::vector<JOB_HANDLER> table;
  JOB_PERIODIC_TASK* handover_head = nullptr;  // tasks to link, oldest first
  JOB_PERIODIC_TASK* handover_tail = nullptr;
  std::vector<JOB_TaskId> handover_stops;
  // Set once, before the first worker starts; auto-reset.
  SYS_Handle wake = nullptr;
  std::atomic<bool> stopped{false};
  std::atomic<uint32_t> worker_tid{0};
  std::atomic<uint64_t> next_task_id{1};
  // Worker only.
  uint32_t read_index = 0;
  JOB_PERIODIC_TASK* tasks = nullptr;
  uint32_t task_count = 0;
  // The task whose callback runs, and the task the walk goes on with. A callback may unlink
  // (and free) its own task or others; Unlink keeps these two up to date, so that the walk
  // never touches an unlinked task.
  JOB_PERIODIC_TASK* running = nullptr;
  bool running_unlinked = false;
  JOB_PERIODIC_TASK* walk_next = nullptr;
};

// Never destroyed: a worker thread may still run while the process exits, and must not find
// the engine torn down under it.
Engine& g_engine = *new Engine;
std::once_flag g_lock_once;

struct LockGuard {
  LockGuard() {
    std::call_once(g_lock_once, [] { g_engine.lock = SYS_CreateMutex(nullptr); });
    SYS_Lock(g_engine.lock, SYS_INFINITE);
  }
  ~LockGuard() { SYS_Unlock(g_engine.lock); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;
};

void FreeTask(JOB_PERIODIC_TASK* task) {
  if (task->pfRelease != nullptr) task->pfRelease(task);
  SYS_Free(task->pParams);
  SYS_Free(task);
}

bool IsListed(const JOB_PERIODIC_TASK* task) {
  return task->pPrev != nullptr || g_engine.tasks == task;
}

void Unlink(JOB_PERIODIC_TASK* task) {
  if (task == g_engine.running) g_engine.running_unlinked = true;
  if (task == g_engine.walk_next) g_engine.walk_next = task->pNext;
  if (task->pPrev != nullptr) task->pPrev->pNext = task->pNext; else g_engine.tasks = task->pNext;
  if (task->pNext != nullptr) task->pNext->pPrev = task->pPrev;
  task->pNext = nullptr;
  task->pPrev = nullptr;
  g_engine.task_count--;
}

void Link(JOB_PERIODIC_TASK* task) {
  task->pPrev = nullptr;
  task->pNext = g_engine.tasks;
  if (g_engine.tasks != nullptr) g_engine.tasks->pPrev = task;
  g_engine.tasks = task;
  g_engine.task_count++;
  // A new task is due at once; taking the current tick keeps the signed compare valid.
  if (task->NextDueMs == 0) task->NextDueMs = SYS_GetTickMs();
}

// Worker: links the tasks handed over and ends the tasks asked to stop, in that order.
void DrainHandover() {
  JOB_PERIODIC_TASK* adds = nullptr;
  std::vector<JOB_TaskId> stops;
  {
    LockGuard g;
    adds = g_engine.handover_head;
    g_engine.handover_head = g_engine.handover_tail = nullptr;
    stops.swap(g_engine.handover_stops);
  }
  while (adds != nullptr) {
    JOB_PERIODIC_TASK* next = adds->pNext;
    Link(adds);
    adds = next;
  }
  for (JOB_TaskId id : stops) {
    if (JOB_PERIODIC_TASK* t = JOB_FindPeriodic(id)) {
      Unlink(t);
      FreeTask(t);
    }
  }
}

bool IsJobWaiting() {
  return g_engine.slots[g_engine.read_index].used.load(std::memory_order_acquire) != 0;
}

// Worker: runs the due tasks while no job waits. Returns false when no task remains, else
// the wait until the earliest due time in `wait_ms` (0 when a job waits).
bool RunTasks(uint32_t* wait_ms) {
  JOB_PERIODIC_TASK* t = g_engine.tasks;
  while (t != nullptr) {
    if (IsJobWaiting()) {
      *wait_ms = 0;
      return true;
    }
    if (static_cast<int32_t>(t->NextDueMs - SYS_GetTickMs()) <= 0) {
      g_engine.running = t;
      g_engine.running_unlinked = false;
      g_engine.walk_next = t->pNext;
      const int32_t result = t->pfCallback != nullptr ? t->pfCallback(t) : 1;
      JOB_PERIODIC_TASK* next = g_engine.walk_next;
      g_engine.running = g_engine.walk_next = nullptr;
      // A task its callback unlinked belongs to the callback (which may have freed it).
      if (!g_engine.running_unlinked) {
        if (result != 0) {
          Unlink(t);
          FreeTask(t);
        } else {
          t->NextDueMs = SYS_GetTickMs() + t->PeriodMs;
        }
      }
      t = next;
    } else {
      t = t->pNext;
    }
  }
  if (g_engine.tasks == nullptr) return false;
  const uint32_t now = SYS_GetTickMs();
  int32_t earliest = INT32_MAX;
  for (t = g_engine.tasks; t != nullptr; t = t->pNext) {
    const int32_t left = static_cast<int32_t>(t->NextDueMs - now);
    if (left < earliest) earliest = left;
  }
  *wait_ms = earliest > 0 ? static_cast<uint32_t>(earliest) : 0;
  return true;
}

// Worker: the stop job. No later job runs; the jobs behind it stay unrun.
void Stop(JOB_RECORD* job) {
  {
    LockGuard g;
    g_engine.stopped.store(true);
    g_engine.write_index = 0;
    for (Slot& s : g_engine.slots) {
      s.job = nullptr;
      s.used.store(0, std::memory_order_release);
    }
  }
  DrainHandover();
  while (g_engine.tasks != nullptr) {
    JOB_PERIODIC_TASK* t = g_engine.tasks;
    Unlink(t);
    FreeTask(t);
  }
  g_engine.read_index = 0;
  g_engine.worker_tid.store(0);
  if (job->pParams != nullptr) SYS_SetEvent(static_cast<SYS_Handle>(job->pParams));
}

uint32_t WorkerMain(void*) {
  g_engine.worker_tid.store(SYS_GetCurrentThreadId());
  for (;;) {
    Slot& slot = g_engine.slots[g_engine.read_index];
    if (slot.used.load(std::memory_order_acquire) != 0) {
      JOB_RECORD* job = slot.job;
      // Tasks handed over before this job was queued are linked before it runs.
      DrainHandover();
      JOB_Handler handler = nullptr;
      uint32_t count = 0;
      {
        LockGuard g;
        count = static_cast<uint32_t>(g_engine.table.size());
        if (job->JobId < count) handler = g_engine.table[job->JobId].pfHandler;
      }
      if (job->JobId < count && job->JobId == count - 1) {
        Stop(job);
        return 0;
      }
      if (handler != nullptr) handler(job);
      if (job->pfCompletion != nullptr) job->pfCompletion(job);
      slot.job = nullptr;
      slot.used.store(0, std::memory_order_release);
      g_engine.read_index = (g_engine.read_index + 1) % JOB_RING_SLOTS;
      continue;
    }
    DrainHandover();
    uint32_t wait_ms = SYS_INFINITE;
    if (!RunTasks(&wait_ms)) wait_ms = SYS_INFINITE;
    if (wait_ms != 0) SYS_WaitForObject(g_engine.wake, wait_ms);
  }
}

// Under the lock: starts the worker unless it runs or has stopped. False when it cannot.
bool EnsureWorker() {
  if (g_engine.stopped.load()) return false;
  if (g_engine.thread != nullptr) return true;
  if (g_engine.wake == nullptr) g_engine.wake = SYS_CreateEvent(false, false);
  if (g_engine.wake == nullptr) return false;
  g_engine.thread = SYS_CreateThread(WorkerMain, nullptr, nullptr, "WORKER", 0);
  return g_engine.thread != nullptr;
}

}  // namespace

int32_t JOB_SetHandlerTable(const JOB_HANDLER* table, uint32_t count) {
  LockGuard g;
  EnsureWorker();
  g_engine.table.assign(table, table + (table != nullptr ? count : 0));
  return 0;
}

int32_t JOB_QueueEx(const JOB_QUEUE_REQUEST& request) {
  if (g_engine.stopped.load()) return -1;
  const uint32_t interval_ms = request.PollIntervalMs == 0 ? 1 : request.PollIntervalMs;
  LockGuard g;
  if (!EnsureWorker()) return -1;
  const uint64_t start = SYS_GetHighResTicks();
  while (g_engine.slots[g_engine.write_index].used.load(std::memory_order_acquire) != 0) {
    // The lock is released for the poll callback and the pause: the callback may process
    // events that queue jobs or wait for the worker, which takes the lock before every job.
    SYS_Unlock(g_engine.lock);
    const uint64_t round_start = SYS_GetHighResTicks();
    const bool gave_up = request.pfPoll != nullptr && request.pfPoll(request.pPollArg) < 0;
    const bool timed_out =
        request.TimeoutMs != SYS_INFINITE &&
        SYS_GetElapsedUs(start) > static_cast<uint64_t>(request.TimeoutMs) * 1000;
    const uint64_t spent_ms = SYS_GetElapsedUs(round_start) / 1000;
    if (!gave_up && !timed_out && spent_ms < interval_ms) {
      SYS_Sleep(static_cast<uint32_t>(interval_ms - spent_ms));
    }
    SYS_Lock(g_engine.lock, SYS_INFINITE);
    if (gave_up) return -3;
    if (timed_out) return -2;
    // A worker that stopped meanwhile never frees the slot.
    if (g_engine.stopped.load()) return -1;
  }
  Slot& slot = g_engine.slots[g_engine.write_index];
  slot.job = request.pJob;
  g_engine.write_index = (g_engine.write_index + 1) % JOB_RING_SLOTS;
  slot.used.store(1, std::memory_order_release);
  SYS_SetEvent(g_engine.wake);
  return 0;
}

int32_t JOB_Queue(JOB_RECORD* job) {
  JOB_QUEUE_REQUEST request;
  request.pJob = job;
  return JOB_QueueEx(request);
}

int32_t JOB_QueueStop(JOB_RECORD* job, SYS_Handle done) {
  if (job == nullptr) return -1;
  job->JobId = JOB_ID_STOP;
  job->pParams = done;
  job->pfCompletion = nullptr;
  return JOB_Queue(job);
}

bool JOB_IsStopped() { return g_engine.stopped.load(); }

bool JOB_IsWorkerThread() {
  const uint32_t tid = g_engine.worker_tid.load();
  return tid != 0 && tid == SYS_GetCurrentThreadId();
}

int32_t JOB_Reset() {
  SYS_Handle thread = nullptr;
  {
    LockGuard g;
    if (g_engine.thread == nullptr) return 0;
    if (!g_engine.stopped.load()) return -1;
    thread = g_engine.thread;
  }
  SYS_WaitForObject(thread, SYS_INFINITE);
  LockGuard g;
  SYS_CloseHandle(g_engine.thread);
  g_engine.thread = nullptr;
  while (g_engine.handover_head != nullptr) {
    JOB_PERIODIC_TASK* t = g_engine.handover_head;
    g_engine.handover_head = t->pNext;
    FreeTask(t);
  }
  g_engine.handover_tail = nullptr;
  g_engine.handover_stops.clear();
  SYS_ResetEvent(g_engine.wake);
  g_engine.stopped.store(false);
  return 0;
}

int32_t JOB_AddPeriodic(JOB_PERIODIC_TASK* task) {
  if (task == nullptr) return -1;
  if (task->TaskId == 0) task->TaskId = g_engine.next_task_id.fetch_add(1);
  Link(task);
  return 0;
}

int32_t JOB_RemovePeriodic(JOB_PERIODIC_TASK* task) {
  if (task == nullptr || !IsListed(task)) return -1;
  Unlink(task);
  return 0;
}

JOB_PERIODIC_TASK* JOB_FindPeriodic(JOB_TaskId id) {
  if (id == 0) return nullptr;
  for (JOB_PERIODIC_TASK* t = g_engine.tasks; t != nullptr; t = t->pNext) {
    if (t->TaskId == id) return t;
  }
  return nullptr;
}

JOB_TaskId JOB_StartPeriodic(JOB_PERIODIC_TASK* task) {
  if (task == nullptr) return 0;
  JOB_TaskId id = 0;
  {
    LockGuard g;
    if (EnsureWorker()) {
      id = g_engine.next_task_id.fetch_add(1);
      task->TaskId = id;
      task->pNext = task->pPrev = nullptr;
      if (g_engine.handover_tail != nullptr) {
        g_engine.handover_tail->pNext = task;
      } else {
        g_engine.handover_head = task;
      }
      g_engine.handover_tail = task;
    }
  }
  if (id == 0) {
    FreeTask(task);
    return 0;
  }
  SYS_SetEvent(g_engine.wake);
  return id;
}

void JOB_StopPeriodic(JOB_TaskId id) {
  if (id == 0) return;
  {
    LockGuard g;
    if (g_engine.stopped.load() || g_engine.thread == nullptr) return;
    g_engine.handover_stops.push_back(id);
  }
  SYS_SetEvent(g_engine.wake);
}

uint32_t JOB_GetPeriodicCount() { return g_engine.task_count; }

int32_t JOB_StopWorker(uint32_t timeout_ms) {
  SYS_Handle done = SYS_CreateEvent(false, false);
  if (done == nullptr) return -1;
  auto* job = new JOB_RECORD;
  if (JOB_QueueStop(job, done) != 0) {
    delete job;
    SYS_CloseHandle(done);
    return -1;
  }
  if (SYS_WaitForObject(done, timeout_ms) != SYS_WAIT_OBJECT_0) {
    return -2;  // the worker may still take the job: it and the event stay alive
  }
  delete job;
  SYS_CloseHandle(done);
  return 0;
}
