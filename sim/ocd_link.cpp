#include "sim/ocd_link.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "sim/ocd_sampler.h"
#include "sim/ocd_tcl_client.h"
#include "sim/sim_protocol.h"
#include "sim/sim_text.h"

namespace {

constexpr int kCallTimeoutMs = 3000;
constexpr int kRunControlTimeoutMs = 10000;  // OpenOCD itself waits up to 5 s for a halt
constexpr int kProgramTimeoutMs = 300000;    // erasing and writing a large flash
constexpr uint32_t kMaxUnitsPerCall = 4096;
constexpr uint32_t kCpuidAddr = 0xE000ED00;  // present on every Cortex-M: probes the read path
constexpr int kRateProbeReads = 16;
constexpr uint32_t kMaxHssBlocks = 100;

class OpenOcdLink final : public SIM_Link {
 public:
  explicit OpenOcdLink(int fd) : client_(fd), sampler_([this](const std::string& c, std::string& r, std::string& e) {
                                   return Eval(c, kCallTimeoutMs, r, e);
                                 }) {}
  ~OpenOcdLink() override { sampler_.Stop(); }

  // Checks that OpenOCD answers and its current target has been examined.
  bool Check(std::string& error) {
    std::string result;
    if (!Eval("version", kCallTimeoutMs, result, error)) return false;
    if (result.find("Open On-Chip Debugger") == std::string::npos) {
      error = "the server does not answer as OpenOCD does";
      return false;
    }
    return CheckTarget(error);
  }

  bool IsAlive() const override { return alive_.load(std::memory_order_acquire); }
  std::string ReportedDevice() override { return target_name_; }

  int Attach(const std::string& device_name, std::string& error) override {
    std::string names;
    if (!Eval("target names", kCallTimeoutMs, names, error)) return -1;
    // A device named like one of OpenOCD's targets selects it; any other name (a device of
    // the project's catalogue) leaves OpenOCD's current target.
    for (const std::string& name : Words(names)) {
      if (name != device_name) continue;
      std::string ignored;
      if (!Eval("targets " + SIM_TclQuote(name), kCallTimeoutMs, ignored, error)) return -1;
    }
    if (!CheckTarget(error)) return -1;
    return MeasureRate(error) ? 0 : -1;
  }

  void Detach() override { sampler_.Stop(); }

  int ReadMem(uint32_t addr, std::span<uint8_t> out) override {
    const unsigned width = Width(addr, out.size());
    const uint32_t unit = width / 8;
    for (size_t done = 0; done < out.size();) {
      const uint32_t count = uint32_t(std::min<size_t>((out.size() - done) / unit, kMaxUnitsPerCall));
      char command[96];
      std::snprintf(command, sizeof command, "read_memory 0x%08x %u %u", uint32_t(addr + done), width, count);
      std::string result, error;
      std::vector<uint32_t> values;
      if (!Eval(command, kCallTimeoutMs, result, error) || !SIM_ParseNumbers(result, count, width, values, error))
        return Fail(error);
      for (uint32_t v : values) {
        for (uint32_t b = 0; b < unit; ++b) out[done++] = uint8_t(v >> (8 * b));
      }
    }
    return 0;
  }

  int WriteMem(uint32_t addr, std::span<const uint8_t> data) override {
    const unsigned width = Width(addr, data.size());
    const uint32_t unit = width / 8;
    for (size_t done = 0; done < data.size();) {
      const uint32_t count = uint32_t(std::min<size_t>((data.size() - done) / unit, kMaxUnitsPerCall));
      char head[64];
      std::snprintf(head, sizeof head, "write_memory 0x%08x %u {", uint32_t(addr + done), width);
      std::string command = head;
      for (uint32_t i = 0; i < count; ++i, done += unit) {
        uint32_t v = 0;
        for (uint32_t b = 0; b < unit; ++b) v |= uint32_t(data[done + b]) << (8 * b);
        char word[16];
        std::snprintf(word, sizeof word, i ? " 0x%x" : "0x%x", v);
        command += word;
      }
      command += '}';
      std::string result, error;
      if (!Eval(command, kCallTimeoutMs, result, error)) return Fail(error);
    }
    return int(data.size());
  }

  int Download(std::span<const uint8_t> /*elf_bytes*/, std::string& error) override {
    error = "OpenOCD programs files by their path";
    return -1;
  }

  int DownloadPath(const std::string& path, std::string& error) override {
    for (char c : path) {
      if (static_cast<unsigned char>(c) < 0x20) {
        error = "file name with control characters";
        return -1;
      }
    }
    // OpenOCD runs in a folder of its own: hand it the absolute path.
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
      error = "cannot find '" + path + "'";
      return -1;
    }
    std::string result;
    const std::string command = "program " + SIM_TclQuote(resolved) + " verify reset";
    return Eval(command, kProgramTimeoutMs, result, error) ? 0 : -1;
  }

  int IsHalted() override {
    std::string state, error;
    if (!Eval("[target current] curstate", kCallTimeoutMs, state, error)) return Fail(error);
    return state == "halted" ? 1 : 0;
  }
  int Go() override {
    const int halted = IsHalted();
    if (halted <= 0) return halted;
    return Simple("resume", kRunControlTimeoutMs);
  }
  int Halt() override { return Simple("halt", kRunControlTimeoutMs); }
  int Reset() override { return Simple("reset run", kRunControlTimeoutMs); }

  int HssStart(std::span<const VELTRA_HSS_BLOCK> blocks, uint32_t period_us) override {
    return sampler_.Start(blocks, period_us);
  }
  int HssRead(std::span<uint8_t> out) override { return sampler_.Read(out); }
  int HssStop() override {
    sampler_.Stop();
    return 0;
  }
  bool MeasuredHssCaps(VELTRA_HSS_CAPS& caps) override {
    caps = VELTRA_HSS_CAPS{};
    caps.max_blocks = kMaxHssBlocks;
    caps.max_freq_hz = max_freq_hz_;
    return true;
  }
  int SetClock(uint32_t /*instructions_per_us*/) override { return 0; }  // a real target's clock is its own
  int GetStats(SIM_Stats& stats) override {
    stats = SIM_Stats{};
    const int halted = IsHalted();
    if (halted < 0) return -1;
    stats.halted = uint32_t(halted);
    return 0;
  }

 private:
  static unsigned Width(uint32_t addr, size_t size) {
    if (addr % 4 == 0 && size % 4 == 0) return 32;
    if (addr % 2 == 0 && size % 2 == 0) return 16;
    return 8;
  }

  static std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
      while (i < text.size() && text[i] == ' ') ++i;
      const size_t j = text.find(' ', i);
      const size_t end = j == std::string::npos ? text.size() : j;
      if (end > i) words.emplace_back(text, i, end - i);
      i = end;
    }
    return words;
  }

  int Fail(const std::string& error) {
    std::lock_guard<std::mutex> lock(mu_);
    last_error_ = error;
    return -1;
  }

  int Simple(const char* command, int timeout_ms) {
    std::string result, error;
    return Eval(command, timeout_ms, result, error) ? 0 : Fail(error);
  }

  bool Eval(const std::string& command, int timeout_ms, std::string& result, std::string& error) {
    std::lock_guard<std::mutex> lock(mu_);
    const bool ok = client_.Eval(command, timeout_ms, result, error);
    alive_.store(client_.alive(), std::memory_order_release);
    return ok;
  }

  bool CheckTarget(std::string& error) {
    std::string name, state;
    if (!Eval("target current", kCallTimeoutMs, name, error)) {
      error = "OpenOCD has no target: " + error;
      return false;
    }
    target_name_ = name;
    if (!Eval("[target current] curstate", kCallTimeoutMs, state, error)) return false;
    if (state == "unknown" || state.empty()) {
      error = "OpenOCD has not examined its target " + name + " (is the board powered and connected?)";
      return false;
    }
    return true;
  }

  // The rate the application may expect: the median round trip of the smallest grouped read.
  bool MeasureRate(std::string& error) {
    using namespace std::chrono;
    char command[64];
    std::snprintf(command, sizeof command, "concat [read_memory 0x%08x 32 1]", kCpuidAddr);
    std::vector<int64_t> times;
    for (int i = 0; i < kRateProbeReads; ++i) {
      std::string result;
      std::vector<uint32_t> values;
      const steady_clock::time_point start = steady_clock::now();
      if (!Eval(command, kCallTimeoutMs, result, error) || !SIM_ParseNumbers(result, 1, 32, values, error)) {
        error = "OpenOCD cannot read the target: " + error;
        return false;
      }
      times.push_back(duration_cast<microseconds>(steady_clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + kRateProbeReads / 2, times.end());
    const int64_t us = times[kRateProbeReads / 2];
    max_freq_hz_ = uint32_t(std::max<int64_t>(1, 1000000 / std::max<int64_t>(us, 1)));
    return true;
  }

  std::mutex mu_;  // one Tcl call at a time (library calls and the sampler's thread)
  SIM_TclClient client_;
  std::atomic<bool> alive_{true};
  std::string last_error_;
  std::string target_name_;  // OpenOCD's current target, as last checked
  uint32_t max_freq_hz_ = 1;
  SIM_OcdSampler sampler_;
};

}  // namespace

bool SIM_IsOpenOcdHost(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text.size() >= SIM_OPENOCD_PREFIX.size() &&
         SIM_EqualNoCase(text.substr(0, SIM_OPENOCD_PREFIX.size()), SIM_OPENOCD_PREFIX);
}

std::unique_ptr<SIM_Link> SIM_MakeOpenOcdLink(const std::string& host, int port, int timeout_ms, std::string& error) {
  std::string reason;
  const int fd = SIM_TcpConnect(host, port, timeout_ms, reason);
  if (fd < 0) {
    error = "OpenOCD is not reachable (" + reason + ")";
    return nullptr;
  }
  auto link = std::make_unique<OpenOcdLink>(fd);
  if (!link->Check(reason)) {
    error = "OpenOCD at " + host + ":" + std::to_string(port) + ": " + reason;
    return nullptr;
  }
  return link;
}
