#include "platform/sys_time.h"

#include <time.h>

#include <atomic>

namespace {

uint64_t MonotonicNs() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

// The start value of a time base: set by its first use. A race of two first uses stores
// one of the two values, which differ by nanoseconds.
uint64_t StartNs(std::atomic<uint64_t>& start) {
  uint64_t s = start.load(std::memory_order_relaxed);
  if (s != 0) return s;
  uint64_t now = MonotonicNs();
  uint64_t expected = 0;
  if (!start.compare_exchange_strong(expected, now, std::memory_order_relaxed)) return expected;
  return now;
}

std::atomic<uint64_t> g_tick_start{0};
std::atomic<uint64_t> g_highres_start{0};

}  // namespace

uint32_t SYS_GetTickMs() {
  const uint64_t start = StartNs(g_tick_start);
  return static_cast<uint32_t>((MonotonicNs() - start) / 1000000ull);
}

// The high-resolution counter counts nanoseconds.
uint64_t SYS_GetHighResTicks() {
  const uint64_t start = StartNs(g_highres_start);
  return MonotonicNs() - start;
}

uint64_t SYS_GetElapsedUs(uint64_t start_ticks) {
  const uint64_t now = SYS_GetHighResTicks();
  return now >= start_ticks ? (now - start_ticks) / 1000ull : 0;
}
