// Decoding one HSS read (about 2 MiB of records) into the history rings for 1, 16 and 100
// sampled symbols of mixed types, beside a plain memcpy of the same bytes. Each iteration
// copies the read with memcpy, then decodes it, timing both; the reported time is the
// decoding's, and the counters give records/s, bytes/s and the ratio of the decoding's byte
// rate to memcpy's: `vs_memcpy` against a copy into a buffer of the read's size (the plain
// copy; goal 0.5 or more), `vs_memcpy_ring` against a copy into a region as large as the rings
// the decoding writes (the same memory traffic pattern, out of the caches).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "core/app_sampling.h"
#include "tests/engines/history_feed.h"

namespace {

constexpr uint32_t kTypes[] = {TYPEID_U32, TYPEID_FLOAT, TYPEID_I16, TYPEID_U8, TYPEID_I32, TYPEID_DOUBLE};

std::vector<uint32_t> Types(uint32_t count) {
  std::vector<uint32_t> types;
  for (uint32_t i = 0; i < count; ++i) types.push_back(kTypes[i % std::size(kTypes)]);
  return types;
}

// The active list of `count` symbols with histories, and one read's worth of records.
struct Fixture {
  HistoryFeed feed;
  std::vector<uint8_t> records;
  uint32_t record_size = 0;

  explicit Fixture(uint32_t count) : feed(Types(count)), record_size(feed.record_size) {
    const uint32_t n = APP_HSS_READ_BYTES / record_size;
    records.resize(static_cast<size_t>(n) * record_size);
    uint32_t seed = 12345;
    for (uint8_t& b : records) {
      seed = seed * 1664525u + 1013904223u;
      b = static_cast<uint8_t>(seed >> 24);
    }
    for (uint32_t r = 0; r < n; ++r) {
      const uint32_t stamp = r * 100;
      std::memcpy(records.data() + static_cast<size_t>(r) * record_size, &stamp, 4);
    }
  }
};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

void BM_DecodeHSS(benchmark::State& state) {
  Fixture f(static_cast<uint32_t>(state.range(0)));
  const size_t bytes = f.records.size();
  const uint32_t n_records = static_cast<uint32_t>(bytes / f.record_size);
  std::vector<uint8_t> copy(bytes);
  // As large as the rings the decoding writes (8 bytes per value, 4 + 8 per stamp: the 32-bit
  // stamp and its 64-bit unwrapped time), at most 1 GiB.
  const size_t ring_bytes = std::min<size_t>(
      size_t{APP_HISTORY_SLOTS} * (12 + 8 * f.feed.symbols.size()), size_t{1} << 30);
  std::vector<uint8_t> ring(ring_bytes, 1);
  size_t ring_at = 0;
  double t_decode = 0, t_copy = 0, t_ring = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    std::memcpy(copy.data(), f.records.data(), bytes);
    benchmark::ClobberMemory();
    const auto t1 = Clock::now();
    if (ring_at + bytes > ring_bytes) ring_at = 0;
    std::memcpy(ring.data() + ring_at, f.records.data(), bytes);
    ring_at += bytes;
    benchmark::ClobberMemory();
    const auto t2 = Clock::now();
    APP_DecodeHSSRecords(f.records.data(), static_cast<uint32_t>(bytes), f.record_size);
    benchmark::ClobberMemory();
    const auto t3 = Clock::now();
    t_copy += Seconds(t0, t1);
    t_ring += Seconds(t1, t2);
    t_decode += Seconds(t2, t3);
    state.SetIterationTime(Seconds(t2, t3));
  }
  const double iters = static_cast<double>(state.iterations());
  state.counters["records/s"] = iters * n_records / t_decode;
  state.counters["bytes/s"] = iters * static_cast<double>(bytes) / t_decode;
  state.counters["memcpy_bytes/s"] = iters * static_cast<double>(bytes) / t_copy;
  state.counters["vs_memcpy"] = t_copy / t_decode;
  state.counters["vs_memcpy_ring"] = t_ring / t_decode;
  state.counters["record_bytes"] = f.record_size;
}

}  // namespace

BENCHMARK(BM_DecodeHSS)->Arg(1)->Arg(16)->Arg(100)->UseManualTime()->Unit(benchmark::kMicrosecond);
