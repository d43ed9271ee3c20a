// The job engine: one worker thread ("WORKER") runs queued jobs one after the other, in
// queue order, and runs periodic tasks while the queue is empty.
//
// Threads: jobs are queued from any thread. Handlers, completion routines and periodic
// callbacks all run on the worker, one at a time. The worker starts with the first queueing
// or handler-table registration and ends when it takes the stop job; after that every
// queueing fails with -1.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/sys_types.h"

struct JOB_RECORD;

using JOB_Handler = void (*)(JOB_RECORD* job);
using JOB_Completion = void (*)(JOB_RECORD* job);

// A caller's busy flag: set to 1 when its job is created, cleared by the job's completion
// routine on the worker. The GUI thread polls it while it keeps processing its events.
using JOB_BUSY = std::atomic<uint8_t>;

// One queued operation. Created by JOB_CreateJob (or on the stack for the stop job).
struct JOB_RECORD {
  JOB_Completion pfCompletion = nullptr;  // run on the worker after the handler; may free the job
  void* pParams = nullptr;                // parameter block; for the stop job the event to signal
  void* pOwner = nullptr;                 // passed along (the main window for some kinds)
  uint32_t JobId = 0;                     // index into the handler table
  int32_t Result = 0;                     // written by the handler, read by the completion
};

// Every parameter block starts with this; the job's own arguments follow it.
struct JOB_PARAMS_HEAD {
  JOB_BUSY* pBusy = nullptr;  // may be null
};

struct JOB_HANDLER {
  JOB_Handler pfHandler = nullptr;  // null: the job runs only its completion routine
  const char* pDescription = nullptr;
};

// Number of handler table entries of the application; the last one (16) is the stop job.
constexpr uint32_t JOB_HANDLER_COUNT = 17;
constexpr uint32_t JOB_ID_STOP = 16;
constexpr uint32_t JOB_RING_SLOTS = 32;

// Replaces the engine's copy of the handler table (starting the worker when needed). The
// stop job is the table's last index. 0, or -1 when out of memory.
int32_t JOB_SetHandlerTable(const JOB_HANDLER* table, uint32_t count);

struct JOB_QUEUE_REQUEST {
  JOB_RECORD* pJob = nullptr;
  int32_t (*pfPoll)(void* arg) = nullptr;  // called while the ring is full; < 0 gives up
  void* pPollArg = nullptr;
  uint32_t TimeoutMs = SYS_INFINITE;  // how long to wait for a free slot
  uint32_t PollIntervalMs = 1;        // 0 is taken as 1
};

// 0 queued, -1 the worker has stopped (also while waiting for a slot), -2 the time-out passed
// while the ring was full, -3 the poll callback returned a negative value. The job belongs
// to the engine only when 0 is returned.
int32_t JOB_QueueEx(const JOB_QUEUE_REQUEST& request);
// JOB_QueueEx without time-out, polling every 1 ms.
int32_t JOB_Queue(JOB_RECORD* job);

// Allocates a job record labelled `job_label` and a cleared parameter block of
// `params_size` bytes (at least a JOB_PARAMS_HEAD) labelled `params_label`, stores `busy`
// in the block and sets it to 1. Null after "Insufficient memory!" (nothing allocated).
JOB_RECORD* JOB_CreateJob(uint32_t job_id, uint32_t params_size, const char* job_label,
                          const char* params_label, JOB_BUSY* busy, void* owner,
                          JOB_Completion completion);
// Queues a job made by JOB_CreateJob. When it cannot be queued the busy flag is cleared and
// the job freed, so that a caller waiting for the flag never hangs. JOB_Queue's result.
int32_t JOB_Submit(JOB_RECORD* job);
// The standard completion: clears the busy flag, frees the parameter block and the record.
void JOB_StandardCompletion(JOB_RECORD* job);
// Frees the parameter block and the record without touching the busy flag.
void JOB_FreeJob(JOB_RECORD* job);

// Queues the stop job `job` (kept by the caller until `done` is signalled; `done` may be
// null). The worker ends after the jobs queued before it.
int32_t JOB_QueueStop(JOB_RECORD* job, SYS_Handle done);

// True once the worker has taken the stop job.
bool JOB_IsStopped();
// True on the worker thread.
bool JOB_IsWorkerThread();
// After the worker ended: waits for its thread, frees the tasks left in the list, drops
// jobs left in the ring (without running them) and lets the next queueing start a new
// worker. For programs and tests that run several sessions. 0, or -1 while a worker runs.
int32_t JOB_Reset();

// ---------------------------------------------------------------------------------------
// Periodic tasks. The list belongs to the worker: only the worker links, unlinks and walks
// it. Other threads hand tasks over with JOB_StartPeriodic and end them with
// JOB_StopPeriodic, naming them by id. Ids are never reused, so a stale id (a task that
// already ended by itself) names nothing and stopping it is harmless.

using JOB_TaskId = uint64_t;  // 0: none

struct JOB_PERIODIC_TASK;
// 0 keeps the task; any other value ends it (the engine then frees it, see below).
using JOB_TaskCallback = int32_t (*)(JOB_PERIODIC_TASK* task);
// Releases what `pParams` owns besides its own block (optional). Called on the worker
// just before the engine frees a task it ends: by the callback's result, by a stop, or at
// the end of the worker.
using JOB_TaskRelease = void (*)(JOB_PERIODIC_TASK* task);

// A periodic task, allocated with SYS_Alloc; the engine frees it (and `pParams` with
// SYS_Free) when it ends the task.
struct JOB_PERIODIC_TASK {
  JOB_PERIODIC_TASK* pNext = nullptr;  // list links (newest first)
  JOB_PERIODIC_TASK* pPrev = nullptr;
  JOB_TaskCallback pfCallback = nullptr;
  void* pParams = nullptr;
  uint32_t PeriodMs = 0;
  uint32_t NextDueMs = 0;  // SYS_GetTickMs scale; 0 for a new task: due at once
  JOB_TaskRelease pfRelease = nullptr;
  JOB_TaskId TaskId = 0;  // set when the task is started or added
};

// Worker thread only: links the task at the head of the list and gives it an id. 0.
int32_t JOB_AddPeriodic(JOB_PERIODIC_TASK* task);
// Worker thread only: unlinks the task (the caller frees it). 0, or -1 when not listed.
int32_t JOB_RemovePeriodic(JOB_PERIODIC_TASK* task);
// Worker thread only: the listed task with this id, or null.
JOB_PERIODIC_TASK* JOB_FindPeriodic(JOB_TaskId id);

// Any thread: gives the task an id and hands it to the worker, which links it before it
// runs the next job or task. Starts the worker when needed. The id, or 0 (the worker has
// stopped, or the task is null; the task is then freed as if it had ended).
JOB_TaskId JOB_StartPeriodic(JOB_PERIODIC_TASK* task);
// Any thread: asks the worker to end the task with this id (freeing it as if its callback
// had ended it), before it runs the next job or task. An id that names no task is ignored.
void JOB_StopPeriodic(JOB_TaskId id);
// Number of listed tasks (worker thread; tests).
uint32_t JOB_GetPeriodicCount();

// Queues a stop job and waits (blocking, at most `timeout_ms`) until the worker has ended.
// For threads that need not process GUI events (tools, tests). 0, -1 when the worker had
// already stopped, -2 when the time-out passed.
int32_t JOB_StopWorker(uint32_t timeout_ms);
