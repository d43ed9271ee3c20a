// Speed of the simulated target on this machine:
// - emulated instructions per second with a firmware that never sleeps (clock set high enough
//   that pacing to wall time never holds the core back);
// - the highest HSS rate (records per second) the target sustains in real time with 1, 16 and
//   100 sampled blocks, running the demo firmware at its normal clock while the host reads every
//   10 ms as the application does. A rate is sustained when the records delivered over the run
//   reach 97% of wall time divided by the period.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "sim/sim_elf.h"
#include "sim/sim_target.h"

namespace {

struct Demo {
  SIM_ElfImage image;
  uint32_t Symbol(const char* name) const {
    SIM_ElfSymbol s;
    return SIM_ElfFindSymbol(image, name, s) ? s.value : 0;
  }
};

const Demo& LoadDemo() {
  static Demo demo;
  static bool loaded = [] {
    std::string error;
    return SIM_ElfLoadFile(std::string(VISTRO_SOURCE_DIR) + "/firmware/demo/demo.elf", demo.image, error);
  }();
  (void)loaded;
  return demo;
}

std::unique_ptr<SIM_Target> StartDemo(const Demo& demo, std::string& error) {
  auto target = std::make_unique<SIM_Target>(SIM_Devices()[0]);
  if (!target->error().empty() || target->Download(demo.image, error) < 0) return nullptr;
  return target;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void BM_EmulatedInstructionsPerSecond(benchmark::State& state) {
  const Demo& demo = LoadDemo();
  std::string error;
  auto target = StartDemo(demo, error);
  if (!target) {
    state.SkipWithError(error.c_str());
    return;
  }
  const uint32_t busy = 1;
  target->WriteMem(demo.Symbol("g_busy"), std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(&busy), 4));
  target->SetClock(SIM_Target::kMaxClockIpus);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  double instructions = 0, seconds = 0;
  for (auto _ : state) {
    const SIM_Stats before = target->Stats();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const SIM_Stats after = target->Stats();
    seconds += Seconds(std::chrono::steady_clock::now() - t0);
    instructions += double(after.instructions - before.instructions);
  }
  state.counters["instructions_per_s"] = instructions / seconds;
}
BENCHMARK(BM_EmulatedInstructionsPerSecond)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Runs HSS at one period for `run_ms`; returns delivered records per second of wall time.
double MeasureHssRate(SIM_Target& target, const std::vector<VELTRA_HSS_BLOCK>& blocks, uint32_t period_us, int run_ms) {
  if (target.HssStart(blocks, period_us) < 0) return 0;
  size_t record = 4;
  for (const VELTRA_HSS_BLOCK& b : blocks) record += b.num_bytes;
  std::vector<uint8_t> buf(2097152 - 2097152 % record);
  uint64_t delivered = 0;
  const auto t0 = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(run_ms)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const int n = target.HssRead(buf);
    if (n > 0) delivered += uint64_t(n) / record;
  }
  const double seconds = Seconds(std::chrono::steady_clock::now() - t0);
  target.HssStop();
  return double(delivered) / seconds;
}

void BM_HighestSustainedHssRate(benchmark::State& state) {
  const Demo& demo = LoadDemo();
  std::string error;
  auto target = StartDemo(demo, error);
  if (!target) {
    state.SkipWithError(error.c_str());
    return;
  }
  // Blocks spread over the firmware's variables and frame buffer, 4 bytes each.
  const uint32_t fb = demo.Symbol("g_frame_buffer");
  std::vector<VELTRA_HSS_BLOCK> blocks;
  blocks.push_back({demo.Symbol("g_counter_u32"), 4, 0, 0});
  for (int i = 1; i < state.range(0); ++i) blocks.push_back({fb + 4u * uint32_t(i) * 7u, 4, 0, 0});
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const uint32_t periods[] = {1, 2, 3, 4, 5, 8, 10, 20, 50, 100, 1000};
  double best = 0;
  for (auto _ : state) {
    for (uint32_t period : periods) {
      const double rate = MeasureHssRate(*target, blocks, period, 400);
      if (rate >= 0.97 * 1e6 / period) {
        best = 1e6 / period;
        break;
      }
    }
  }
  state.counters["blocks"] = double(state.range(0));
  state.counters["sustained_records_per_s"] = best;
}
BENCHMARK(BM_HighestSustainedHssRate)->Arg(1)->Arg(16)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
