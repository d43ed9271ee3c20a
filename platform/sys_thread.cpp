#include "platform/sys_thread.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <errno.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "platform/sys_text.h"

namespace {

// The state of an event; shared between the handle and, for threads, the running thread.
struct EventState {
  std::mutex lock;
  std::condition_variable changed;
  bool is_signaled = false;
  bool is_manual_reset = false;
  uint32_t thread_id = 0;  // the "started" event of a new thread carries its id
};

enum class Kind : uint32_t { kEvent = 0x45564E54u, kThread = 0x54485244u };

// What a SYS_Handle points to. A thread handle waits on the thread's "ended" event.
struct HandleObject {
  Kind kind;
  std::shared_ptr<EventState> signal;  // the event, or the thread's "ended" event
  std::shared_ptr<EventState> resume;  // threads created suspended: released by SYS_ResumeThread
};

struct ThreadStart {
  SYS_ThreadProc proc = nullptr;
  void* context = nullptr;
  char name[16] = {};
  std::shared_ptr<EventState> ended;
  std::shared_ptr<EventState> resume;  // null: run at once
  std::shared_ptr<EventState> started;  // signalled with the new thread's id
};

// Notifies under the lock: a waiter that wakes may close the event at once.
void Signal(EventState& e) {
  std::lock_guard<std::mutex> g(e.lock);
  e.is_signaled = true;
  e.changed.notify_all();
}

uint32_t Wait(EventState& e, uint32_t timeout_ms) {
  std::unique_lock<std::mutex> g(e.lock);
  if (timeout_ms == SYS_INFINITE) {
    e.changed.wait(g, [&] { return e.is_signaled; });
  } else if (!e.changed.wait_for(g, std::chrono::milliseconds(timeout_ms),
                                 [&] { return e.is_signaled; })) {
    return SYS_WAIT_TIMEOUT;
  }
  if (!e.is_manual_reset) e.is_signaled = false;
  return SYS_WAIT_OBJECT_0;
}

std::shared_ptr<EventState> NewEvent(bool manual_reset, bool initial_state) {
  auto e = std::make_shared<EventState>();
  e->is_manual_reset = manual_reset;
  e->is_signaled = initial_state;
  return e;
}

void* ThreadMain(void* arg) {
  std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(arg));
  if (start->name[0] != 0) pthread_setname_np(pthread_self(), start->name);  // failure: unnamed
  std::shared_ptr<EventState> resume = start->resume;
  std::shared_ptr<EventState> ended = start->ended;
  SYS_ThreadProc proc = start->proc;
  void* context = start->context;
  std::shared_ptr<EventState> started = std::move(start->started);
  start.reset();
  {
    std::lock_guard<std::mutex> g(started->lock);
    started->thread_id = SYS_GetCurrentThreadId();
    started->is_signaled = true;
  }
  started->changed.notify_all();
  started.reset();
  if (resume) Wait(*resume, SYS_INFINITE);
  proc(context);
  Signal(*ended);
  return nullptr;
}

}  // namespace

SYS_Handle SYS_CreateThread(SYS_ThreadProc proc, void* context, uint32_t* thread_id,
                            const char* name, uint32_t flags) {
  if (proc == nullptr) return nullptr;
  auto* handle = new (std::nothrow) HandleObject{Kind::kThread, NewEvent(true, false), nullptr};
  auto* start = new (std::nothrow) ThreadStart;
  if (handle == nullptr || start == nullptr) {
    delete handle;
    delete start;
    return nullptr;
  }
  start->proc = proc;
  start->context = context;
  // The OS keeps at most 15 characters of a thread name.
  if (name != nullptr) SYS_CopyText(start->name, sizeof start->name, name);
  start->ended = handle->signal;
  start->started = NewEvent(true, false);
  if (flags & SYS_THREAD_CREATE_SUSPENDED) {
    handle->resume = NewEvent(true, false);
    start->resume = handle->resume;
  }
  std::shared_ptr<EventState> started = start->started;
  pthread_t tid;
  if (pthread_create(&tid, nullptr, ThreadMain, start) != 0) {
    delete start;
    delete handle;
    return nullptr;
  }
  pthread_detach(tid);
  // Wait until the thread is named and its id known (a suspended thread waits after that).
  std::unique_lock<std::mutex> g(started->lock);
  started->changed.wait(g, [&] { return started->is_signaled; });
  if (thread_id != nullptr) *thread_id = started->thread_id;
  return handle;
}

void SYS_ResumeThread(SYS_Handle thread) {
  auto* h = static_cast<HandleObject*>(thread);
  if (h == nullptr || h->kind != Kind::kThread || !h->resume) return;
  Signal(*h->resume);
}

SYS_Handle SYS_CreateEvent(bool manual_reset, bool initial_state) {
  return new (std::nothrow)
      HandleObject{Kind::kEvent, NewEvent(manual_reset, initial_state), nullptr};
}

void SYS_SetEvent(SYS_Handle event) {
  auto* h = static_cast<HandleObject*>(event);
  if (h == nullptr || h->kind != Kind::kEvent) return;
  // Our own reference: the waiter may close its handle as soon as the event is set.
  std::shared_ptr<EventState> state = h->signal;
  Signal(*state);
}

void SYS_ResetEvent(SYS_Handle event) {
  auto* h = static_cast<HandleObject*>(event);
  if (h == nullptr || h->kind != Kind::kEvent) return;
  std::lock_guard<std::mutex> g(h->signal->lock);
  h->signal->is_signaled = false;
}

uint32_t SYS_WaitForObject(SYS_Handle handle, uint32_t timeout_ms) {
  auto* h = static_cast<HandleObject*>(handle);
  if (h == nullptr) return SYS_WAIT_OBJECT_0;
  if (h->kind != Kind::kEvent && h->kind != Kind::kThread) return SYS_WAIT_FAILED;
  return Wait(*h->signal, timeout_ms);
}

void SYS_CloseHandle(SYS_Handle handle) {
  // A running thread keeps its own references; closing its handle does not stop it.
  delete static_cast<HandleObject*>(handle);
}

void SYS_Sleep(uint32_t ms) {
  struct timespec ts;
  ts.tv_sec = ms / 1000;
  ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

uint32_t SYS_GetCurrentThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }
