// Open + full parse of large ELF files by the symbol database, beside llvm-dwarfdump
// --debug-info on the same file. Each case reports:
//   dwarfdump_ms  llvm-dwarfdump's wall time (best of two runs, output to /dev/null)
//   ratio         our mean wall time / dwarfdump_ms (goal: at most 0.5)
//   cpu_ratio     the same with CPU time on both sides (steadier on a busy machine)
//   peak_MB       peak resident memory the open and parse add to a fresh process (this
//                 program started again to parse only, minus one started to do nothing)
//   peak_x_file   peak_MB / file size (goal: below 4)
// Files: the largest corpus files, the generated C++ program (target symbols_bench_program),
// and any file named by the environment variable VISTRO_BENCH_ELF.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <filesystem>
#include <string>
#include <vector>

#include "symbols/dwarf_db.h"
#include "symbols/elf_reader.h"
#include "symbols/locations.h"

namespace {

using Clock = std::chrono::steady_clock;

// What a symbol tree build asks of every global variable.
size_t OpenAndParse(const std::string& path) {
  ELF_FILE* elf = ELF_Open(path.c_str(), true);
  if (!elf) return 0;
  size_t work = 0;
  const uint64_t n = DWARF_GetCategoryCount(elf, DWARF_CAT_VARIABLES);
  for (uint64_t i = 0; i < n; ++i) {
    const SYM_HANDLE v = DWARF_GetCategoryEntry(elf, DWARF_CAT_VARIABLES, i);
    work += DWARF_GetName(v).size() + DWARF_GetTypeName(v).size() +
            DWARF_GetSourceFile(v).size() + DWARF_GetByteSize(v) + LOC_GetTargetAddress(v);
    work += DWARF_GetMemberCount(DWARF_GetType(v, true));
  }
  ELF_Close(elf);
  return work;
}

// The high-water mark of this process's own memory (VmHWM; ru_maxrss would include the
// spawning parent's pages), written to the file named by VISTRO_BENCH_PEAK_FILE.
bool WritePeak() {
  const char* out = std::getenv("VISTRO_BENCH_PEAK_FILE");
  std::ifstream status("/proc/self/status");
  std::string line;
  while (out && std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) {
      std::ofstream(out) << std::strtoull(line.c_str() + 6, nullptr, 10) << "\n";
      return true;
    }
  }
  return false;
}

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct ChildResult {
  double cpu_ms = 0;
  double wall_ms = 0;
  double peak_mb = 0;
  bool ok = false;
};

// Runs `argv` in a child started with posix_spawn (so that its peak RSS does not include a
// copy of this process's pages); its wall time and peak RSS.
ChildResult RunChild(const std::vector<std::string>& argv, const char* parse_env) {
  ChildResult r;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> env_text;
  for (char** e = environ; *e; ++e) env_text.emplace_back(*e);
  const std::string peak_file = "/tmp/vistro_bench_peak_" + std::to_string(getpid());
  if (parse_env) {
    env_text.push_back(std::string("VISTRO_BENCH_PARSE_ONLY=") + parse_env);
    env_text.push_back("VISTRO_BENCH_PEAK_FILE=" + peak_file);
  }
  std::vector<char*> env;
  for (std::string& e : env_text) env.push_back(e.data());
  env.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const Clock::time_point start = Clock::now();
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return r;
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid) return r;
  r.wall_ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  r.cpu_ms = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
             double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  r.peak_mb = double(usage.ru_maxrss) / 1024.0;
  r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (parse_env) {
    std::ifstream in(peak_file);
    uint64_t kb = 0;
    in >> kb;
    r.peak_mb = double(kb) / 1024.0;
    std::remove(peak_file.c_str());
  }
  return r;
}

// Peak memory of a fresh copy of this program that only parses `path` ("" parses nothing).
ChildResult RunParseOnly(const std::string& path) {
  return RunChild({"/proc/self/exe"}, path.empty() ? "-" : path.c_str());
}

void BM_OpenAndParse(benchmark::State& state, const std::string& path) {
  if (!std::filesystem::exists(path)) {
    state.SkipWithError("file not found");
    return;
  }
  const double file_mb = double(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
  double dwarfdump_ms = 0, dwarfdump_cpu_ms = 0;
  for (int i = 0; i < 2; ++i) {
    const ChildResult d = RunChild({"llvm-dwarfdump", "--debug-info", path}, nullptr);
    if (d.ok && (dwarfdump_ms == 0 || d.wall_ms < dwarfdump_ms)) dwarfdump_ms = d.wall_ms;
    if (d.ok && (dwarfdump_cpu_ms == 0 || d.cpu_ms < dwarfdump_cpu_ms)) {
      dwarfdump_cpu_ms = d.cpu_ms;
    }
  }
  const ChildResult ours = RunParseOnly(path);
  const ChildResult idle = RunParseOnly("");
  double total_ms = 0, total_cpu_ms = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const double cpu_start = CpuMs();
    benchmark::DoNotOptimize(OpenAndParse(path));
    total_cpu_ms += CpuMs() - cpu_start;
    total_ms += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  }
  const double mean_ms = total_ms / double(state.iterations());
  const double mean_cpu_ms = total_cpu_ms / double(state.iterations());
  state.counters["cpu_ratio"] = dwarfdump_cpu_ms > 0 ? mean_cpu_ms / dwarfdump_cpu_ms : 0;
  state.counters["file_MB"] = file_mb;
  state.counters["dwarfdump_ms"] = dwarfdump_ms;
  state.counters["ratio"] = dwarfdump_ms > 0 ? mean_ms / dwarfdump_ms : 0;
  const double peak_mb = ours.peak_mb > idle.peak_mb ? ours.peak_mb - idle.peak_mb : 0;
  state.counters["peak_MB"] = peak_mb;
  state.counters["peak_x_file"] = file_mb > 0 ? peak_mb / file_mb : 0;
}

struct Registrar {
  Registrar() {
    // A copy started by RunParseOnly: parse and leave before the benchmarks run.
    if (const char* only = std::getenv("VISTRO_BENCH_PARSE_ONLY")) {
      if (std::strcmp(only, "-") != 0) OpenAndParse(only);
      _exit(WritePeak() ? 0 : 1);
    }
    std::vector<std::string> files;
    const std::string corpus = std::string(VISTRO_SHARED_DIR) + "/corpus/files/";
    for (const char* f : {"xtensa_rust_esp32s3.elf", "x86_64_fbsd_clang19_jemalloc_static.elf",
                          "s390x_be_go118_zdebug.elf", "v850_gcc9_dwarf4.elf"}) {
      files.push_back(corpus + f);
    }
    files.push_back(std::string(VISTRO_BINARY_DIR) + "/bench/symbols/big_program.elf");
    if (const char* extra = std::getenv("VISTRO_BENCH_ELF")) files.push_back(extra);
    for (const std::string& f : files) {
      const std::string name = "OpenAndParse/" + std::filesystem::path(f).filename().string();
      benchmark::RegisterBenchmark(name.c_str(), BM_OpenAndParse, f)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->MinTime(1.0);
    }
  }
} registrar;

}  // namespace
