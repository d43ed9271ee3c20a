// Sampling through OpenOCD on this machine: vistro-simtarget serves the demo firmware as a JTAG
// target to stock OpenOCD's remote_bitbang driver, and each benchmark iteration is one sample
// as the probe library's sampler takes it (one Tcl round trip with the grouped reads of the
// block list). items_per_second is the sampling rate; TclRoundTrip is the cost of a Tcl call
// that does not touch the target. Blocks are 4-byte symbols, contiguous or 1 KB apart.
//
// Needs `openocd` on PATH; the child processes end with the program.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/ocd_sampler.h"
#include "sim/ocd_tcl_client.h"
#include "sim/sim_protocol.h"

extern char** environ;

namespace {

constexpr uint32_t kRamBase = 0x20000000;

pid_t Spawn(const std::vector<std::string>& args, const std::string& log) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

bool WaitForText(const std::string& file, const std::string& text, std::string& line) {
  for (int i = 0; i < 150; ++i) {
    std::ifstream in(file);
    for (std::string l; std::getline(in, l);) {
      if (l.find(text) != std::string::npos) {
        line = l;
        return true;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

// The simulated board and OpenOCD, started once for all benchmarks.
class Bench {
 public:
  Bench() {
    dir_ = "/tmp/vistro-openocd-bench-" + std::to_string(::getpid());
    const std::string& dir = dir_;
    ::mkdir(dir.c_str(), 0755);
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    sim_ = Spawn({std::string(VISTRO_BINARY_DIR) + "/bin/vistro-simtarget", "--remote-bitbang", "127.0.0.1:0",
                  "--elf", std::string(VISTRO_SOURCE_DIR) + "/firmware/demo/demo.elf"},
                 dir + "/sim.log");
    std::string line;
    if (sim_ < 0 || !WaitForText(dir + "/sim.log", "remote bitbang on", line)) {
      error_ = "vistro-simtarget did not start";
      return;
    }
    const std::string bitbang_port = line.substr(line.rfind(':') + 1);
    std::mt19937 random{static_cast<unsigned>(::getpid())};
    for (int attempt = 0; attempt < 5 && client_ == nullptr; ++attempt) {
      const int port = 20000 + int(random() % 30000);
      ocd_ = Spawn({"openocd", "-c", "set VISTRO_BITBANG_PORT " + bitbang_port, "-f",
                    std::string(VISTRO_SOURCE_DIR) + "/sim/openocd/vistro-sim.cfg", "-c", "gdb_port disabled", "-c",
                    "telnet_port disabled", "-c", "tcl_port " + std::to_string(port)},
                   dir + "/openocd.log");
      std::string error;
      if (ocd_ > 0 && WaitForText(dir + "/openocd.log", "processor detected", line)) {
        const int fd = SIM_TcpConnect("127.0.0.1", port, 2000, error);
        if (fd >= 0) client_ = std::make_unique<SIM_TclClient>(fd);
      }
      if (!client_) Stop(ocd_);
    }
    if (!client_) error_ = "openocd did not start (is it installed?)";
  }
  ~Bench() {
    client_.reset();
    Stop(ocd_);
    Stop(sim_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  SIM_TclClient* client() { return client_.get(); }
  const std::string& error() const { return error_; }

 private:
  static void Stop(pid_t& pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
  }
  std::string dir_;  // logs and the simulated board's flash image
  pid_t sim_ = -1, ocd_ = -1;
  std::unique_ptr<SIM_TclClient> client_;
  std::string error_;
};

Bench& Shared() {
  static Bench bench;
  return bench;
}

void Sample(benchmark::State& state, bool scattered) {
  SIM_TclClient* client = Shared().client();
  if (!client) return state.SkipWithError(Shared().error().c_str());
  std::vector<VELTRA_HSS_BLOCK> blocks;
  for (int64_t i = 0; i < state.range(0); ++i)
    blocks.push_back(VELTRA_HSS_BLOCK{kRamBase + uint32_t(i) * (scattered ? 1024u : 4u), 4, 0, 0});
  const SIM_BlockPlan plan = SIM_PlanBlocks(blocks, SIM_OcdSampler::kMaxGapBytes);
  const std::string command = SIM_PlanCommand(plan);
  std::string result, error;
  std::vector<uint32_t> words;
  for (auto _ : state) {
    if (!client->Eval(command, 3000, result, error) || !SIM_ParseNumbers(result, plan.total_words, 32, words, error))
      return state.SkipWithError(error.c_str());
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["reads_per_sample"] = double(plan.ranges.size());
}

void Contiguous(benchmark::State& state) { Sample(state, false); }
void Scattered(benchmark::State& state) { Sample(state, true); }

void TclRoundTrip(benchmark::State& state) {
  SIM_TclClient* client = Shared().client();
  if (!client) return state.SkipWithError(Shared().error().c_str());
  std::string result, error;
  for (auto _ : state) {
    if (!client->Eval("concat 1", 3000, result, error)) return state.SkipWithError(error.c_str());
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(TclRoundTrip)->UseRealTime()->MinTime(1.0);
BENCHMARK(Contiguous)->Arg(1)->Arg(4)->Arg(16)->UseRealTime()->MinTime(1.0);
BENCHMARK(Scattered)->Arg(1)->Arg(4)->Arg(16)->UseRealTime()->MinTime(1.0);

}  // namespace
