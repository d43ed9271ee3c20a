#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/sys_thread.h"
#include "platform/sys_time.h"

namespace {

TEST(SysThread, NullHandlesAreHarmless) {
  EXPECT_EQ(SYS_WaitForObject(nullptr, 1000), SYS_WAIT_OBJECT_0);
  SYS_SetEvent(nullptr);
  SYS_ResetEvent(nullptr);
  SYS_CloseHandle(nullptr);
  EXPECT_EQ(SYS_Lock(nullptr, 10), 0u);
  SYS_Unlock(nullptr);
  SYS_DestroyMutex(nullptr);
  SYS_Mutex* none = nullptr;
  SYS_DestroyMutex(&none);
}

// An auto-reset event releases one wait; a manual-reset one stays signalled until reset.
TEST(SysThread, EventsAutoAndManualReset) {
  for (bool manual : {false, true}) {
    SCOPED_TRACE(manual ? "manual" : "auto");
    SYS_Handle e = SYS_CreateEvent(manual, false);
    EXPECT_EQ(SYS_WaitForObject(e, 1), SYS_WAIT_TIMEOUT);
    SYS_SetEvent(e);
    EXPECT_EQ(SYS_WaitForObject(e, 0), SYS_WAIT_OBJECT_0);
    EXPECT_EQ(SYS_WaitForObject(e, 0), manual ? SYS_WAIT_OBJECT_0 : SYS_WAIT_TIMEOUT);
    SYS_ResetEvent(e);
    EXPECT_EQ(SYS_WaitForObject(e, 0), SYS_WAIT_TIMEOUT);
    SYS_CloseHandle(e);
  }
}

struct ThreadProbe {
  std::atomic<int> runs{0};
  uint32_t seen_id = 0;
  std::string comm;
};

uint32_t ProbeProc(void* context) {
  auto* p = static_cast<ThreadProbe*>(context);
  p->seen_id = SYS_GetCurrentThreadId();
  std::ifstream f("/proc/self/task/" + std::to_string(p->seen_id) + "/comm");
  std::getline(f, p->comm);
  p->runs++;
  return 7;
}

TEST(SysThread, NamedSuspendedThreadRunsAfterResumeAndIsWaitable) {
  ThreadProbe probe;
  uint32_t id = 0;
  SYS_Handle t = SYS_CreateThread(ProbeProc, &probe, &id, "A-VERY-LONG-THREAD-NAME",
                                  SYS_THREAD_CREATE_SUSPENDED);
  ASSERT_NE(t, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(SYS_WaitForObject(t, 20), SYS_WAIT_TIMEOUT);
  EXPECT_EQ(probe.runs.load(), 0);
  SYS_ResumeThread(t);
  ASSERT_EQ(SYS_WaitForObject(t, 5000), SYS_WAIT_OBJECT_0);
  EXPECT_EQ(SYS_WaitForObject(t, 0), SYS_WAIT_OBJECT_0);  // stays signalled
  EXPECT_EQ(probe.runs.load(), 1);
  EXPECT_EQ(probe.seen_id, id);
  EXPECT_EQ(probe.comm, "A-VERY-LONG-THR");  // the OS keeps 15 characters
  SYS_CloseHandle(t);
}

uint32_t HoldLock(void* context) {
  auto** args = static_cast<void**>(context);
  SYS_Lock(static_cast<SYS_Mutex*>(args[0]), SYS_INFINITE);
  SYS_SetEvent(args[1]);
  SYS_WaitForObject(args[2], SYS_INFINITE);
  SYS_Unlock(static_cast<SYS_Mutex*>(args[0]));
  return 0;
}

// Runs `body` while another thread holds `m`.
template <typename F>
void WithLockHeldElsewhere(SYS_Mutex* m, F body) {
  SYS_Handle held = SYS_CreateEvent(true, false);
  SYS_Handle release = SYS_CreateEvent(true, false);
  void* args[3] = {m, held, release};
  SYS_Handle t = SYS_CreateThread(HoldLock, args, nullptr, "holder", 0);
  ASSERT_EQ(SYS_WaitForObject(held, 5000), SYS_WAIT_OBJECT_0);
  body();
  SYS_SetEvent(release);
  SYS_WaitForObject(t, SYS_INFINITE);
  SYS_CloseHandle(t);
  SYS_CloseHandle(held);
  SYS_CloseHandle(release);
}

TEST(SysThread, LockTimesOutWhileHeldElsewhere) {
  struct Case {
    const char* name;
    const char* mutex_name;
    uint32_t timeout_ms;
  };
  const Case cases[] = {
      {"local, spin only", nullptr, 5},
      {"local, spin then sleep", nullptr, 50},
      {"local, zero", nullptr, 0},
      {"named", "vistro-test-lock", 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SYS_Mutex* m = SYS_CreateMutex(c.mutex_name);
    ASSERT_NE(m, nullptr);
    WithLockHeldElsewhere(m, [&] {
      const uint64_t start = SYS_GetHighResTicks();
      EXPECT_EQ(SYS_Lock(m, c.timeout_ms), SYS_WAIT_TIMEOUT);
      EXPECT_GE(SYS_GetElapsedUs(start) + 1000, c.timeout_ms * 1000ull);
    });
    EXPECT_EQ(SYS_Lock(m, c.timeout_ms), 0u);  // free again
    if (c.mutex_name == nullptr) {  // a local lock may be taken again by its owner
      EXPECT_EQ(SYS_Lock(m, 0), 0u);
      SYS_Unlock(m);
    }
    SYS_Unlock(m);
    SYS_DestroyMutex(&m);
    EXPECT_EQ(m, nullptr);
  }
}

TEST(SysTime, TimeBasesAdvance) {
  const uint32_t t0 = SYS_GetTickMs();
  const uint64_t h0 = SYS_GetHighResTicks();
  SYS_Sleep(20);
  EXPECT_GE(static_cast<int32_t>(SYS_GetTickMs() - t0), 19);
  EXPECT_GE(SYS_GetElapsedUs(h0), 19000u);
  EXPECT_LT(SYS_GetElapsedUs(h0), 5000000u);
  EXPECT_EQ(SYS_GetElapsedUs(SYS_GetHighResTicks() + 1000000000ull), 0u);  // future start
}

}  // namespace
