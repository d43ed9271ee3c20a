// Internal: the engine flags shared by the files of the sampling engine.
#pragma once

#include <atomic>
#include <cstdint>

struct APP_SAMPLING_STATE {
  std::atomic<bool> reading{false};         // sampling started
  std::atomic<bool> paused{true};           // values are not stored
  std::atomic<bool> first_start{true};      // the next start resets the history
  std::atomic<bool> reset_pending{true};    // the rings are cleared at the next start
  std::atomic<bool> target_running{false};  // the CPU ran when sampling started
  std::atomic<uint64_t> read_task_id{0};    // JOB_TaskId of the read task; 0: none
};

APP_SAMPLING_STATE& APP_SamplingState();
