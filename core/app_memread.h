// Periodic memory reads for the frame-buffer module: a task on the worker reads a block of
// target memory into the owner's buffer and then calls the owner's refresh routine. The
// tasks share the probe: each one's period becomes twice the sum of the last read durations
// of all of them (at least 10 ms), so that memory reads take at most half the time.
#pragma once

#include <cstdint>

#include "core/job_engine.h"

// Called on the worker after each read with the owner given at the start; the buffer then
// holds the new contents (zeros after a failed read).
using APP_MemReadRefresh = void (*)(void* owner);

using APP_MemReadTask = JOB_TaskId;  // 0: none

// Any thread. `buffer` (`byte_count` bytes) must stay valid until the task has ended, that is
// until the worker ran the next job or task after APP_PeriodicReadMemStop. 0 when buffer or
// byte count is missing, or after "Insufficient memory!".
APP_MemReadTask APP_PeriodicReadMemStart(uint32_t address, void* buffer, uint32_t byte_count,
                                         void* owner, APP_MemReadRefresh refresh);
// Any thread: ends the task before the worker runs its next job or task. A handle of a task
// that already ended is ignored.
void APP_PeriodicReadMemStop(APP_MemReadTask task);
// Number of running memory-read tasks.
uint32_t APP_GetMemReadTaskCount();
// The current period of a running task (worker thread; tests), 0 when it is not listed.
uint32_t APP_GetMemReadPeriod(APP_MemReadTask task);

// Time base of the read durations in microseconds (default: the high-resolution counter);
// replaceable for tests. Null restores the default.
using APP_MicrosecondClock = uint64_t (*)();
void APP_SetMemReadClock(APP_MicrosecondClock clock);
