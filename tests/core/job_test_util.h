// Helpers of the job engine tests: a handler table whose job 0 runs a routine stored in
// the job's parameters, and a fixture that starts and ends a worker per test.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "core/job_engine.h"
#include "platform/sys_thread.h"
#include "platform/sys_time.h"

struct TestJobParams {
  JOB_PARAMS_HEAD head;
  std::function<void(JOB_RECORD*)>* body;  // owned by the params block
};

inline void RunBody(JOB_RECORD* job) {
  auto* p = static_cast<TestJobParams*>(job->pParams);
  if (p->body != nullptr) (*p->body)(job);
}

inline void TestCompletion(JOB_RECORD* job) {
  auto* p = static_cast<TestJobParams*>(job->pParams);
  delete p->body;
  p->body = nullptr;
  JOB_StandardCompletion(job);
}

inline JOB_RECORD* MakeJob(std::function<void(JOB_RECORD*)> body, JOB_BUSY* busy = nullptr,
                           uint32_t job_id = 0) {
  JOB_RECORD* job = JOB_CreateJob(job_id, sizeof(TestJobParams), "TEST: job", "TEST: params",
                                  busy, nullptr, TestCompletion);
  static_cast<TestJobParams*>(job->pParams)->body =
      new std::function<void(JOB_RECORD*)>(std::move(body));
  return job;
}

// Waits (polling) until `flag` drops; false after `timeout_ms`.
inline bool WaitIdle(const JOB_BUSY& flag, uint32_t timeout_ms = 10000) {
  const uint32_t start = SYS_GetTickMs();
  while (flag.load() != 0) {
    if (static_cast<int32_t>(SYS_GetTickMs() - start) > static_cast<int32_t>(timeout_ms)) {
      return false;
    }
    SYS_Sleep(1);
  }
  return true;
}

// Runs `body` on the worker and waits for it.
inline bool RunOnWorker(std::function<void()> body) {
  JOB_BUSY busy{0};
  if (JOB_Submit(MakeJob([body](JOB_RECORD*) { body(); }, &busy)) != 0) return false;
  return WaitIdle(busy);
}

class JobEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(JOB_Reset(), 0);
    JOB_HANDLER table[JOB_HANDLER_COUNT] = {};
    table[0] = {RunBody, "run body"};
    table[5] = {nullptr, "no handler"};
    ASSERT_EQ(JOB_SetHandlerTable(table, JOB_HANDLER_COUNT), 0);
  }
  void TearDown() override {
    if (!JOB_IsStopped()) {
      EXPECT_EQ(JOB_StopWorker(10000), 0);
    }
    EXPECT_EQ(JOB_Reset(), 0);
  }
};
