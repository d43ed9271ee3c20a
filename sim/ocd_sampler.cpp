#include "sim/ocd_sampler.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>

#include "sim/ocd_tcl_client.h"

SIM_BlockPlan SIM_PlanBlocks(std::span<const VELTRA_HSS_BLOCK> blocks, uint32_t max_gap_bytes) {
  SIM_BlockPlan plan;
  std::vector<size_t> order(blocks.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return blocks[a].addr < blocks[b].addr; });
  plan.block_offset.assign(blocks.size(), 0);
  plan.block_bytes.assign(blocks.size(), 0);
  uint64_t range_start = 0, range_end = 0;  // word-aligned, end exclusive (64 bits: no wrap)
  uint64_t range_data = 0;                  // byte offset of the open range in the data
  bool open = false;
  auto close = [&] {
    if (!open) return;
    plan.ranges.push_back(SIM_ReadRange{uint32_t(range_start), uint32_t((range_end - range_start) / 4)});
    plan.total_words += uint32_t((range_end - range_start) / 4);
  };
  for (size_t i : order) {
    const uint64_t start = blocks[i].addr & ~uint64_t{3};
    const uint64_t end = (uint64_t{blocks[i].addr} + blocks[i].num_bytes + 3) & ~uint64_t{3};
    if (!open || start > range_end + max_gap_bytes) {
      close();
      range_data = uint64_t{plan.total_words} * 4;
      range_start = start;
      range_end = end;
      open = true;
    } else {
      range_end = std::max(range_end, end);
    }
    plan.block_offset[i] = uint32_t(range_data + (blocks[i].addr - range_start));
    plan.block_bytes[i] = blocks[i].num_bytes;
    plan.record_bytes += blocks[i].num_bytes;
  }
  close();
  return plan;
}

std::string SIM_PlanCommand(const SIM_BlockPlan& plan) {
  std::string command = "concat";
  char part[64];
  for (const SIM_ReadRange& r : plan.ranges) {
    std::snprintf(part, sizeof part, " [read_memory 0x%08x 32 %u]", r.addr, r.words);
    command += part;
  }
  return command;
}

int SIM_OcdSampler::Start(std::span<const VELTRA_HSS_BLOCK> blocks, uint32_t period_us) {
  Stop();
  if (period_us == 0) return -1;
  for (const VELTRA_HSS_BLOCK& b : blocks) {
    if (b.num_bytes == 0) return -1;
  }
  SIM_BlockPlan plan = SIM_PlanBlocks(blocks, kMaxGapBytes);
  {
    std::lock_guard<std::mutex> lock(mu_);
    stop_ = false;
    failed_ = false;
    failure_.clear();
    queue_.clear();
    queued_bytes_ = 0;
    dropped_ = 0;
  }
  thread_ = std::thread(&SIM_OcdSampler::Run, this, std::move(plan), period_us);
  return 0;
}

void SIM_OcdSampler::Stop() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    stop_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable()) thread_.join();
}

int SIM_OcdSampler::Read(std::span<uint8_t> out) {
  std::lock_guard<std::mutex> lock(mu_);
  if (queue_.empty() && failed_) return -1;
  size_t done = 0;
  while (!queue_.empty() && queue_.front().size() <= out.size() - done) {
    std::memcpy(out.data() + done, queue_.front().data(), queue_.front().size());
    done += queue_.front().size();
    queued_bytes_ -= queue_.front().size();
    queue_.pop_front();
  }
  return int(done);
}

std::string SIM_OcdSampler::failure() {
  std::lock_guard<std::mutex> lock(mu_);
  return failure_;
}

uint64_t SIM_OcdSampler::dropped() {
  std::lock_guard<std::mutex> lock(mu_);
  return dropped_;
}

bool SIM_OcdSampler::TakeSample(const SIM_BlockPlan& plan, const std::string& command, std::vector<uint8_t>& record,
                                std::chrono::steady_clock::time_point origin) {
  using namespace std::chrono;
  std::string result, error;
  std::vector<uint32_t> words;
  const steady_clock::time_point before = steady_clock::now();
  const bool ok = eval_(command, result, error) && SIM_ParseNumbers(result, plan.total_words, 32, words, error);
  const steady_clock::time_point after = steady_clock::now();
  if (!ok) {
    std::lock_guard<std::mutex> lock(mu_);
    failed_ = true;
    failure_ = error;
    return false;
  }
  // The probe read the memory somewhere between sending and the reply: stamp the middle.
  const uint32_t stamp = uint32_t(duration_cast<microseconds>(before - origin + (after - before) / 2).count());
  record.assign(plan.record_bytes, 0);
  for (int i = 0; i < 4; ++i) record[size_t(i)] = uint8_t(stamp >> (8 * i));
  size_t pos = 4;
  for (size_t b = 0; b < plan.block_offset.size(); ++b) {
    for (uint32_t k = 0; k < plan.block_bytes[b]; ++k) {
      const uint32_t at = plan.block_offset[b] + k;
      record[pos++] = uint8_t(words[at / 4] >> (8 * (at % 4)));
    }
  }
  return true;
}

void SIM_OcdSampler::Run(SIM_BlockPlan plan, uint32_t period_us) {
  using namespace std::chrono;
  const std::string command = SIM_PlanCommand(plan);
  const steady_clock::time_point origin = steady_clock::now();
  steady_clock::time_point next = origin;
  std::vector<uint8_t> record;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mu_);
      cv_.wait_until(lock, next, [this] { return stop_; });
      if (stop_) return;
    }
    if (!TakeSample(plan, command, record, origin)) return;
    {
      std::lock_guard<std::mutex> lock(mu_);
      while (!queue_.empty() && queued_bytes_ + record.size() > kQueueBytes) {
        queued_bytes_ -= queue_.front().size();
        queue_.pop_front();
        ++dropped_;
      }
      queued_bytes_ += record.size();
      queue_.push_back(record);
    }
    // A probe slower than the period samples as fast as it can, without bursts to catch up.
    next += microseconds(period_us);
    const steady_clock::time_point now = steady_clock::now();
    if (next < now) next = now;
  }
}
