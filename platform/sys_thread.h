// Threads, events and mutex objects.
#pragma once

#include "platform/sys_types.h"

// Start routine of a thread; its result is the thread's exit code.
using SYS_ThreadProc = uint32_t (*)(void* context);

constexpr uint32_t SYS_THREAD_CREATE_SUSPENDED = 0x1;

// Creates a thread. `name` (may be null) becomes the thread's name as the OS shows it
// (/proc/<pid>/task/<tid>/comm, at most 15 characters there). Returns null on failure.
// A handle is waitable (SYS_WaitForObject waits for the thread to end) and must be closed.
SYS_Handle SYS_CreateThread(SYS_ThreadProc proc, void* context, uint32_t* thread_id,
                            const char* name, uint32_t flags);
// Lets a thread created with SYS_THREAD_CREATE_SUSPENDED run.
void SYS_ResumeThread(SYS_Handle thread);

SYS_Handle SYS_CreateEvent(bool manual_reset, bool initial_state);
void SYS_SetEvent(SYS_Handle event);    // null ignored
void SYS_ResetEvent(SYS_Handle event);  // null ignored
// Waits for an event or a thread; returns SYS_WAIT_OBJECT_0, SYS_WAIT_TIMEOUT or
// SYS_WAIT_FAILED. A null handle returns 0 at once.
uint32_t SYS_WaitForObject(SYS_Handle handle, uint32_t timeout_ms);
void SYS_CloseHandle(SYS_Handle handle);  // null ignored

void SYS_Sleep(uint32_t ms);
uint32_t SYS_GetCurrentThreadId();

// Mutex object: kind 1 is an in-process lock (no name), kind 0 a named system-wide lock.
struct SYS_Mutex;
SYS_Mutex* SYS_CreateMutex(const char* name);
// 0 when the lock is held, SYS_WAIT_TIMEOUT (258) when the time-out passed. Null returns 0.
uint32_t SYS_Lock(SYS_Mutex* mutex, uint32_t timeout_ms);
void SYS_Unlock(SYS_Mutex* mutex);
void SYS_DestroyMutex(SYS_Mutex** mutex);
