// High-Speed Sampling emulated by polling through OpenOCD: the block list is read at the
// requested period with as few `read_memory` calls as the addresses allow (all in one Tcl round
// trip), each record stamped with host time in microseconds since the start and queued until
// the HSS read takes it. A failed read ends sampling: the queued records are still delivered,
// then every read fails, as a probe's HSS read failure does.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "probe/veltra_api.h"

// One word-aligned range read by one `read_memory ADDR 32 WORDS`.
struct SIM_ReadRange {
  uint32_t addr = 0;
  uint32_t words = 0;
};

// How a block list is read: the ranges, and where each block's bytes lie in the ranges' data
// laid end to end.
struct SIM_BlockPlan {
  std::vector<SIM_ReadRange> ranges;
  std::vector<uint32_t> block_offset;  // per block, in list order
  std::vector<uint32_t> block_bytes;
  uint32_t record_bytes = 4;           // time stamp and every block
  uint32_t total_words = 0;
};

// Blocks whose word-aligned spans overlap or lie at most max_gap_bytes apart share a range:
// reading a few words more is cheaper than another access set-up on the probe.
SIM_BlockPlan SIM_PlanBlocks(std::span<const VELTRA_HSS_BLOCK> blocks, uint32_t max_gap_bytes);

// The Tcl command that reads every range of the plan; its result is total_words numbers.
std::string SIM_PlanCommand(const SIM_BlockPlan& plan);

class SIM_OcdSampler {
 public:
  // Runs one Tcl command through the owner's client: true with the result, false with a reason.
  using EvalFn = std::function<bool(const std::string& command, std::string& result, std::string& error)>;
  static constexpr size_t kQueueBytes = 16u << 20;  // oldest records are dropped beyond this
  // Another read costs a probe round trip, a few more words in one read almost nothing.
  static constexpr uint32_t kMaxGapBytes = 64;

  explicit SIM_OcdSampler(EvalFn eval) : eval_(std::move(eval)) {}
  ~SIM_OcdSampler() { Stop(); }
  SIM_OcdSampler(const SIM_OcdSampler&) = delete;
  SIM_OcdSampler& operator=(const SIM_OcdSampler&) = delete;

  // Starts (replacing a running session); -1 for an empty block or period 0.
  int Start(std::span<const VELTRA_HSS_BLOCK> blocks, uint32_t period_us);
  // Whole records, oldest first; -1 once sampling failed and its records are taken.
  int Read(std::span<uint8_t> out);
  void Stop();
  std::string failure();
  uint64_t dropped();

 private:
  void Run(SIM_BlockPlan plan, uint32_t period_us);
  bool TakeSample(const SIM_BlockPlan& plan, const std::string& command, std::vector<uint8_t>& record,
                  std::chrono::steady_clock::time_point origin);

  EvalFn eval_;
  std::mutex mu_;
  std::condition_variable cv_;
  bool stop_ = false;
  bool failed_ = false;
  std::string failure_;
  std::deque<std::vector<uint8_t>> queue_;
  size_t queued_bytes_ = 0;
  uint64_t dropped_ = 0;
  std::thread thread_;
};
