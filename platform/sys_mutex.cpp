#include <errno.h>
#include <fcntl.h>
#include <semaphore.h>
#include <time.h>

#include <mutex>
#include <new>

#include "platform/sys_memory.h"
#include "platform/sys_text.h"
#include "platform/sys_thread.h"
#include "platform/sys_time.h"

// Kind 1: an in-process lock that the owning thread may take again (recursive, like the
// critical sections the core was written for). Kind 0: a named lock shared by all
// processes of the user, a POSIX named semaphore created with the count 1 ("not owned").
struct SYS_Mutex {
  uint32_t kind = 1;
  std::recursive_mutex local;
  sem_t* named = SEM_FAILED;
};

namespace {

constexpr uint64_t kSpinOnlyUs = 10000;  // past this a failed try sleeps 1 ms before the next

uint32_t LockNamed(sem_t* sem, uint32_t timeout_ms) {
  if (timeout_ms == SYS_INFINITE) {
    while (sem_wait(sem) != 0) {
      if (errno != EINTR) return SYS_WAIT_FAILED;
    }
    return 0;
  }
  struct timespec until;
  clock_gettime(CLOCK_REALTIME, &until);
  until.tv_sec += timeout_ms / 1000;
  until.tv_nsec += static_cast<long>(timeout_ms % 1000) * 1000000L;
  if (until.tv_nsec >= 1000000000L) {
    until.tv_sec += 1;
    until.tv_nsec -= 1000000000L;
  }
  while (sem_timedwait(sem, &until) != 0) {
    if (errno == ETIMEDOUT) return SYS_WAIT_TIMEOUT;
    if (errno != EINTR) return SYS_WAIT_FAILED;
  }
  return 0;
}

}  // namespace

SYS_Mutex* SYS_CreateMutex(const char* name) {
  void* area = SYS_Alloc(sizeof(SYS_Mutex), "Mutex info");
  if (area == nullptr) return nullptr;
  auto* m = new (area) SYS_Mutex;
  if (name == nullptr || name[0] == 0) return m;
  // Semaphore names are "/" plus at most 250 characters without another "/".
  char sem_name[252] = "/";
  SYS_CopyText(sem_name + 1, sizeof sem_name - 1, name);
  for (char* p = sem_name + 1; *p != 0; ++p) {
    if (*p == '/' || *p == '\\') *p = '_';
  }
  m->kind = 0;
  m->named = sem_open(sem_name, O_CREAT, 0600, 1);
  if (m->named == SEM_FAILED) {
    m->~SYS_Mutex();
    SYS_Free(area);
    return nullptr;
  }
  return m;
}

uint32_t SYS_Lock(SYS_Mutex* mutex, uint32_t timeout_ms) {
  if (mutex == nullptr) return 0;
  if (mutex->kind == 0) return LockNamed(mutex->named, timeout_ms);
  if (timeout_ms == SYS_INFINITE) {
    mutex->local.lock();
    return 0;
  }
  if (mutex->local.try_lock()) return 0;
  const uint64_t start = SYS_GetHighResTicks();
  const uint64_t limit_us = static_cast<uint64_t>(timeout_ms) * 1000;
  for (;;) {
    const uint64_t elapsed_us = SYS_GetElapsedUs(start);
    if (elapsed_us > limit_us) return SYS_WAIT_TIMEOUT;
    if (elapsed_us > kSpinOnlyUs) SYS_Sleep(1);
    if (mutex->local.try_lock()) return 0;
  }
}

void SYS_Unlock(SYS_Mutex* mutex) {
  if (mutex == nullptr) return;
  if (mutex->kind == 0) {
    sem_post(mutex->named);
  } else {
    mutex->local.unlock();
  }
}

void SYS_DestroyMutex(SYS_Mutex** mutex) {
  if (mutex == nullptr || *mutex == nullptr) return;
  SYS_Mutex* m = *mutex;
  if (m->kind == 0 && m->named != SEM_FAILED) sem_close(m->named);
  m->~SYS_Mutex();
  SYS_Free(m);
  *mutex = nullptr;
}
