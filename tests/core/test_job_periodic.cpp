#include "job_test_util.h"
#include "platform/sys_memory.h"

namespace {

// What a test task did; lives in the test, reached through the task's parameters.
struct TaskLog {
  std::atomic<int> calls{0};
  std::atomic<int> releases{0};
  int32_t result = 0;  // the callback's result
  SYS_Handle called = nullptr;
};

struct TaskParams {
  TaskLog* log;
};

int32_t LogCallback(JOB_PERIODIC_TASK* task) {
  TaskLog* log = static_cast<TaskParams*>(task->pParams)->log;
  log->calls++;
  if (log->called != nullptr) SYS_SetEvent(log->called);
  return log->result;
}

void LogRelease(JOB_PERIODIC_TASK* task) {
  static_cast<TaskParams*>(task->pParams)->log->releases++;
}

JOB_PERIODIC_TASK* MakeTask(TaskLog* log, uint32_t period_ms) {
  auto* task = new (SYS_Alloc(sizeof(JOB_PERIODIC_TASK), "TEST: task")) JOB_PERIODIC_TASK;
  auto* params = static_cast<TaskParams*>(SYS_Alloc(sizeof(TaskParams), "TEST: task params"));
  params->log = log;
  task->pParams = params;
  task->pfCallback = LogCallback;
  task->pfRelease = LogRelease;
  task->PeriodMs = period_ms;
  return task;
}

uint32_t ListedTasks() {
  uint32_t n = 0;
  EXPECT_TRUE(RunOnWorker([&] { n = JOB_GetPeriodicCount(); }));
  return n;
}

TEST_F(JobEngineTest, TaskThatEndsItselfRunsOnceAndIsFreed) {
  const uint32_t blocks_before = SYS_GetLiveBlockCount();
  TaskLog log;
  log.result = 1;
  log.called = SYS_CreateEvent(false, false);
  const JOB_TaskId id = JOB_StartPeriodic(MakeTask(&log, 1));
  ASSERT_NE(id, 0u);
  ASSERT_EQ(SYS_WaitForObject(log.called, 10000), SYS_WAIT_OBJECT_0);
  SYS_Sleep(20);
  EXPECT_EQ(ListedTasks(), 0u);
  EXPECT_EQ(log.calls.load(), 1);
  EXPECT_EQ(log.releases.load(), 1);
  EXPECT_EQ(SYS_GetLiveBlockCount(), blocks_before);  // the task and its parameters
  // Stopping the task that already ended touches nothing.
  JOB_StopPeriodic(id);
  EXPECT_EQ(ListedTasks(), 0u);
  EXPECT_EQ(log.releases.load(), 1);
  SYS_CloseHandle(log.called);
}

// A callback may unlink its own task (and free it): the task is then the callback's, and the
// engine touches it no more, neither its due time nor its release, whatever the result.
TEST_F(JobEngineTest, TaskThatUnlinksItselfIsLeftToItsCallback) {
  constexpr uint32_t kMark = 0xC0FFEEu;
  for (int32_t result : {0, 1}) {
    SCOPED_TRACE(result);
    TaskLog log;
    log.result = result;
    log.called = SYS_CreateEvent(false, false);
    JOB_PERIODIC_TASK* task = MakeTask(&log, 1);
    task->pfCallback = [](JOB_PERIODIC_TASK* t) -> int32_t {
      EXPECT_EQ(JOB_RemovePeriodic(t), 0);
      t->NextDueMs = kMark;
      return LogCallback(t);
    };
    ASSERT_NE(JOB_StartPeriodic(task), 0u);
    ASSERT_EQ(SYS_WaitForObject(log.called, 10000), SYS_WAIT_OBJECT_0);
    EXPECT_EQ(ListedTasks(), 0u);  // a job after the task's pass
    EXPECT_EQ(log.calls.load(), 1);
    EXPECT_EQ(log.releases.load(), 0);
    if (log.releases.load() == 0) {
      EXPECT_EQ(task->NextDueMs, kMark);
      SYS_Free(task->pParams);
      SYS_Free(task);
    }
    SYS_CloseHandle(log.called);
  }
}

TEST_F(JobEngineTest, NewTaskIsDueAtOnceAndAQueuedJobWakesTheWaitingWorker) {
  TaskLog log;
  log.called = SYS_CreateEvent(false, false);
  const JOB_TaskId id = JOB_StartPeriodic(MakeTask(&log, 60000));
  // Far less than its period: it did not wait for it.
  ASSERT_EQ(SYS_WaitForObject(log.called, 10000), SYS_WAIT_OBJECT_0);
  // The worker now sleeps until the task is due in a minute; a job must not wait for that.
  JOB_BUSY busy{0};
  const uint32_t start = SYS_GetTickMs();
  ASSERT_EQ(JOB_Submit(MakeJob([](JOB_RECORD*) {}, &busy)), 0);
  ASSERT_TRUE(WaitIdle(busy, 30000));
  EXPECT_LT(SYS_GetTickMs() - start, 30000u);
  EXPECT_EQ(log.calls.load(), 1);
  JOB_StopPeriodic(id);  // before `log` goes out of scope
  EXPECT_EQ(ListedTasks(), 0u);
  EXPECT_EQ(log.releases.load(), 1);
  EXPECT_EQ(log.calls.load(), 1);
  SYS_CloseHandle(log.called);
}

TEST_F(JobEngineTest, JobsRunBeforeDueTasks) {
  // A job queued together with a due task runs first: tasks wait for an empty queue.
  SYS_Handle release = SYS_CreateEvent(true, false);
  ASSERT_EQ(JOB_Queue(MakeJob([&](JOB_RECORD*) { SYS_WaitForObject(release, SYS_INFINITE); })), 0);
  TaskLog log;
  log.result = 1;
  log.called = SYS_CreateEvent(false, false);
  JOB_StartPeriodic(MakeTask(&log, 1));
  JOB_BUSY busy{0};
  ASSERT_EQ(JOB_Submit(MakeJob([&](JOB_RECORD*) { EXPECT_EQ(log.calls.load(), 0); }, &busy)), 0);
  SYS_SetEvent(release);
  ASSERT_TRUE(WaitIdle(busy));
  ASSERT_EQ(SYS_WaitForObject(log.called, 10000), SYS_WAIT_OBJECT_0);
  SYS_CloseHandle(release);
  SYS_CloseHandle(log.called);
}

TEST_F(JobEngineTest, StartedTaskIsListedBeforeTheNextJobRuns) {
  TaskLog log;
  const JOB_TaskId id = JOB_StartPeriodic(MakeTask(&log, 60000));
  bool found = false;
  ASSERT_TRUE(RunOnWorker([&] { found = JOB_FindPeriodic(id) != nullptr; }));
  EXPECT_TRUE(found);
  // A stop job on the worker (the write engine's kind) removes it; a second one finds nothing.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(RunOnWorker([&] {
      JOB_PERIODIC_TASK* t = JOB_FindPeriodic(id);
      EXPECT_EQ(t != nullptr, round == 0);
      if (t != nullptr) {
        EXPECT_EQ(JOB_RemovePeriodic(t), 0);
        EXPECT_EQ(JOB_RemovePeriodic(t), -1);  // not listed any more
        SYS_Free(t->pParams);
        SYS_Free(t);
      }
    }));
  }
  EXPECT_EQ(log.releases.load(), 0);  // freed by the job, not by the engine
}

TEST_F(JobEngineTest, StopAndStaleIdsLeaveOtherTasksAlone) {
  TaskLog keep, ended, stopped;
  ended.result = 1;
  const JOB_TaskId keep_id = JOB_StartPeriodic(MakeTask(&keep, 5));
  const JOB_TaskId ended_id = JOB_StartPeriodic(MakeTask(&ended, 5));
  const JOB_TaskId stopped_id = JOB_StartPeriodic(MakeTask(&stopped, 5));
  EXPECT_NE(keep_id, ended_id);
  JOB_StopPeriodic(stopped_id);
  SYS_Sleep(30);
  JOB_StopPeriodic(ended_id);    // ended by itself long ago
  JOB_StopPeriodic(stopped_id);  // a second stop
  JOB_StopPeriodic(0);
  JOB_StopPeriodic(987654321);
  EXPECT_EQ(ListedTasks(), 1u);
  EXPECT_EQ(ended.releases.load(), 1);
  EXPECT_EQ(stopped.releases.load(), 1);
  EXPECT_EQ(keep.releases.load(), 0);
  const int calls = keep.calls.load();
  SYS_Sleep(30);
  EXPECT_GT(keep.calls.load(), calls);  // still running every 5 ms
  JOB_StopPeriodic(keep_id);
  EXPECT_EQ(ListedTasks(), 0u);
}

TEST_F(JobEngineTest, WorkerAddedTaskAndEndOfWorkerFreeTasks) {
  TaskLog log;
  JOB_TaskId id = 0;
  ASSERT_TRUE(RunOnWorker([&] {
    JOB_PERIODIC_TASK* t = MakeTask(&log, 1000);
    EXPECT_EQ(JOB_AddPeriodic(t), 0);
    id = t->TaskId;
  }));
  EXPECT_NE(id, 0u);
  EXPECT_EQ(ListedTasks(), 1u);
  ASSERT_EQ(JOB_StopWorker(10000), 0);
  EXPECT_EQ(log.releases.load(), 1);
  // After the end, new tasks are refused and freed at once.
  TaskLog late;
  EXPECT_EQ(JOB_StartPeriodic(MakeTask(&late, 1)), 0u);
  EXPECT_EQ(late.releases.load(), 1);
  EXPECT_EQ(late.calls.load(), 0);
}

}  // namespace
