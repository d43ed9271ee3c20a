#include <fstream>
#include <string>
#include <thread>

#include "job_test_util.h"

namespace {

TEST_F(JobEngineTest, FullRingMakesThe33rdWait) {
  SYS_Handle release = SYS_CreateEvent(true, false);
  SYS_Handle running = SYS_CreateEvent(true, false);
  std::mutex order_lock;
  std::vector<int> order;
  auto record = [&](int i) {
    std::lock_guard<std::mutex> g(order_lock);
    order.push_back(i);
  };
  // Job 0 blocks the worker while it holds its slot; 31 more fill the ring.
  ASSERT_EQ(JOB_Queue(MakeJob([&](JOB_RECORD*) {
              SYS_SetEvent(running);
              SYS_WaitForObject(release, SYS_INFINITE);
              record(0);
            })),
            0);
  ASSERT_EQ(SYS_WaitForObject(running, 10000), SYS_WAIT_OBJECT_0);
  for (int i = 1; i < 32; ++i) ASSERT_EQ(JOB_Queue(MakeJob([&, i](JOB_RECORD*) { record(i); })), 0);

  struct Case {
    const char* name;
    int32_t poll_result;
    uint32_t timeout_ms;
    int32_t want;
  };
  const Case cases[] = {
      {"time-out while full", 0, 5, -2},
      {"zero time-out", 0, 0, -2},
      {"poll callback gives up", -1, SYS_INFINITE, -3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JOB_RECORD* extra = MakeJob([](JOB_RECORD*) {});
    int polls = 0;
    std::pair<int*, int32_t> poll_arg{&polls, c.poll_result};
    JOB_QUEUE_REQUEST request;
    request.pJob = extra;
    request.TimeoutMs = c.timeout_ms;
    request.PollIntervalMs = 0;
    request.pfPoll = [](void* arg) {
      auto* a = static_cast<std::pair<int*, int32_t>*>(arg);
      ++*a->first;
      return a->second;
    };
    request.pPollArg = &poll_arg;
    EXPECT_EQ(JOB_QueueEx(request), c.want);
    EXPECT_GE(polls, 1);
    TestCompletion(extra);  // not queued: still ours
  }

  // The 33rd plain queueing waits until the worker frees a slot.
  std::atomic<int32_t> late_result{99};
  std::atomic<bool> late_returned{false};
  std::thread late([&] {
    late_result = JOB_Queue(MakeJob([&](JOB_RECORD*) { record(32); }));
    late_returned = true;
  });
  SYS_Sleep(30);
  EXPECT_FALSE(late_returned.load());
  SYS_SetEvent(release);
  late.join();
  EXPECT_EQ(late_result.load(), 0);
  ASSERT_TRUE(RunOnWorker([] {}));
  std::vector<int> want;
  for (int i = 0; i <= 32; ++i) want.push_back(i);
  std::lock_guard<std::mutex> g(order_lock);
  EXPECT_EQ(order, want);
  SYS_CloseHandle(release);
  SYS_CloseHandle(running);
}

// The poll callback runs without the queue lock: one that waits for the worker to take
// further jobs (or processes events that queue jobs) must not stall it.
TEST_F(JobEngineTest, PollCallbackMayWaitForTheWorker) {
  SYS_Handle release = SYS_CreateEvent(true, false);
  std::atomic<int> done{0};
  ASSERT_EQ(JOB_Queue(MakeJob([&](JOB_RECORD*) { SYS_WaitForObject(release, SYS_INFINITE); })),
            0);
  for (int i = 1; i < 32; ++i) ASSERT_EQ(JOB_Queue(MakeJob([&](JOB_RECORD*) { ++done; })), 0);
  struct PollState {
    SYS_Handle release;
    std::atomic<int>* done;
    bool saw_progress = false;
  } state{release, &done};
  JOB_QUEUE_REQUEST request;
  request.pJob = MakeJob([](JOB_RECORD*) {});
  request.pfPoll = [](void* arg) {
    auto* st = static_cast<PollState*>(arg);
    SYS_SetEvent(st->release);
    const uint32_t start = SYS_GetTickMs();
    while (st->done->load() < 3 && SYS_GetTickMs() - start < 3000) SYS_Sleep(1);
    st->saw_progress = st->done->load() >= 3;
    return 0;
  };
  request.pPollArg = &state;
  EXPECT_EQ(JOB_QueueEx(request), 0);
  EXPECT_TRUE(state.saw_progress);
  ASSERT_TRUE(RunOnWorker([] {}));
  SYS_CloseHandle(release);
}

// The handler's result reaches the completion, which runs for every job.
TEST_F(JobEngineTest, IdsAtOrAboveTheTableRunOnlyTheCompletion) {
  struct Case {
    const char* name;
    uint32_t job_id;
    bool want_handler;
  };
  const Case cases[] = {
      {"registered", 0, true},
      {"no handler in its entry", 5, false},
      {"table size", JOB_HANDLER_COUNT, false},
      {"far above", 1000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    static std::atomic<int32_t> seen{0};
    seen = 0;
    JOB_BUSY busy{0};
    JOB_RECORD* job = MakeJob([&](JOB_RECORD* j) { j->Result = 42; }, &busy, c.job_id);
    job->pfCompletion = [](JOB_RECORD* j) {
      seen = j->Result == 42 ? 42 : -1;
      TestCompletion(j);
    };
    EXPECT_EQ(busy.load(), 1);  // set on creation
    ASSERT_EQ(JOB_Submit(job), 0);
    ASSERT_TRUE(WaitIdle(busy));  // the completion ran: it cleared the flag
    EXPECT_EQ(seen.load(), c.want_handler ? 42 : -1);
  }
  EXPECT_FALSE(JOB_IsStopped());
}

TEST_F(JobEngineTest, StopEndsTheWorkerAndLaterQueueingFails) {
  // The worker is a named thread while it runs.
  uint32_t worker_tid = 0;
  ASSERT_TRUE(RunOnWorker([&] {
    worker_tid = SYS_GetCurrentThreadId();
    EXPECT_TRUE(JOB_IsWorkerThread());
  }));
  std::ifstream comm("/proc/self/task/" + std::to_string(worker_tid) + "/comm");
  std::string name;
  std::getline(comm, name);
  EXPECT_EQ(name, "WORKER");
  EXPECT_FALSE(JOB_IsWorkerThread());

  ASSERT_EQ(JOB_StopWorker(10000), 0);
  EXPECT_TRUE(JOB_IsStopped());
  std::atomic<bool> ran{false};
  JOB_RECORD* job = MakeJob([&](JOB_RECORD*) { ran = true; });
  EXPECT_EQ(JOB_Queue(job), -1);
  TestCompletion(job);
  // JOB_Submit frees a job it cannot queue and drops the busy flag: nobody waits for ever.
  JOB_BUSY busy{0};
  JOB_RECORD* late = JOB_CreateJob(0, sizeof(TestJobParams), "TEST: job", "TEST: params", &busy,
                                   nullptr, TestCompletion);
  EXPECT_EQ(busy.load(), 1);
  EXPECT_EQ(JOB_Submit(late), -1);
  EXPECT_EQ(busy.load(), 0);
  EXPECT_EQ(JOB_StopWorker(100), -1);
  SYS_Sleep(10);
  EXPECT_FALSE(ran.load());
}

TEST_F(JobEngineTest, JobsBehindTheStopJobNeverRun) {
  SYS_Handle release = SYS_CreateEvent(true, false);
  ASSERT_EQ(JOB_Queue(MakeJob([&](JOB_RECORD*) { SYS_WaitForObject(release, SYS_INFINITE); })), 0);
  SYS_Handle done = SYS_CreateEvent(false, false);
  JOB_RECORD stop;
  ASSERT_EQ(JOB_QueueStop(&stop, done), 0);
  std::atomic<bool> ran{false};
  JOB_RECORD* behind = MakeJob([&](JOB_RECORD*) { ran = true; });
  ASSERT_EQ(JOB_Queue(behind), 0);
  SYS_SetEvent(release);
  ASSERT_EQ(SYS_WaitForObject(done, 10000), SYS_WAIT_OBJECT_0);
  EXPECT_FALSE(ran.load());
  EXPECT_EQ(JOB_Reset(), 0);
  TestCompletion(behind);  // dropped by the engine, still ours to free
  SYS_CloseHandle(done);
  SYS_CloseHandle(release);
}

TEST_F(JobEngineTest, ManyThreadsQueueWithoutLosingJobs) {
  std::atomic<int> runs{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) ASSERT_EQ(JOB_Queue(MakeJob([&](JOB_RECORD*) { runs++; })), 0);
    });
  }
  for (auto& t : threads) t.join();
  ASSERT_TRUE(RunOnWorker([] {}));
  EXPECT_EQ(runs.load(), 800);
}

}  // namespace
