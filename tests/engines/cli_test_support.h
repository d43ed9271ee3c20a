// End-to-end tests of vistro-cli: running the program and reading what it printed and wrote,
// and the TCP target server (vistro-simtarget) running the demo firmware.
#pragma once

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

inline const std::string kBin = std::string(VISTRO_BINARY_DIR) + "/bin/";
inline const std::string kElf = std::string(VISTRO_SOURCE_DIR) + "/firmware/demo/demo.elf";

struct CliRun {
  int status = -1;
  std::string out, err;
  double seconds = 0.0;
};

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// CSV data rows as columns of text; the header is checked.
inline std::vector<std::vector<std::string>> Rows(const std::string& csv, const std::string& header) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(csv);
  std::string line, cell;
  if (!std::getline(in, line)) return rows;
  EXPECT_EQ(line, header);
  while (std::getline(in, line)) {
    std::istringstream cells(line);
    rows.emplace_back();
    while (std::getline(cells, cell, ',')) rows.back().push_back(cell);
  }
  return rows;
}

// Does `act` on a thread once `ready` holds and `ms` more have passed, or never when Join()
// comes first: a fault then strikes at a point of the program's run however slowly a loaded
// host or a sanitizer build brought it there (starting and reading the ELF file take long).
class ActWhenReady {
 public:
  ActWhenReady(std::function<bool()> ready, int ms, std::function<void()> act)
      : thread_([this, ready, ms, act] {
          while (!ready()) {
            if (joining_) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
          }
          std::this_thread::sleep_for(std::chrono::milliseconds(ms));
          act();
          acted_at_ = std::chrono::steady_clock::now();
        }) {}
  ~ActWhenReady() { Join(); }
  // When it acted (the epoch when it did not).
  std::chrono::steady_clock::time_point Join() {
    joining_ = true;
    if (thread_.joinable()) thread_.join();
    return acted_at_;
  }

 private:
  std::atomic<bool> joining_{false};
  std::chrono::steady_clock::time_point acted_at_{};
  std::thread thread_;
};

// True while a client is connected to the target server at "127.0.0.1:PORT" (the server's end
// of an established TCP connection).
inline bool ServerHasClient(const std::string& ip) {
  char local[32];
  std::snprintf(local, sizeof local, "0100007F:%04X", std::stoi(ip.substr(ip.rfind(':') + 1)));
  std::ifstream in("/proc/net/tcp");
  std::string line, slot, address, remote, state;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    if (fields >> slot >> address >> remote >> state && address == local && state == "01") return true;
  }
  return false;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("vistro-cli-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);  // the simulator's flash images: one per test
  }
  void TearDown() override {
    StopServer();
    fs::remove_all(dir_);
  }
  // `prefix`: a command that runs vistro-cli (such as timeout).
  CliRun Cli(const std::vector<std::string>& args, const std::string& prefix = "") {
    std::string cmd = prefix + " '" + kBin + "vistro-cli'";
    for (const std::string& a : args) cmd += " '" + a + "'";
    cmd += " >'" + (dir_ / "out.txt").string() + "' 2>'" + (dir_ / "err.txt").string() + "'";
    const auto start = std::chrono::steady_clock::now();
    const int raw = std::system(cmd.c_str());
    CliRun r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadFile(dir_ / "out.txt");
    r.err = ReadFile(dir_ / "err.txt");
    return r;
  }
  // Starts vistro-simtarget on a free port and loads the demo firmware; "127.0.0.1:PORT".
  std::string StartServer() {
    const fs::path log = dir_ / "server.txt";
    server_ = fork();
    if (server_ == 0) {
      if (std::freopen(log.c_str(), "w", stdout) == nullptr) _exit(127);
      execl((kBin + "vistro-simtarget").c_str(), "vistro-simtarget", "--listen", "127.0.0.1:0",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 500; ++i) {
      const std::string text = ReadFile(log);
      const size_t at = text.find("listening on "), end = text.find('\n', at);
      if (at != std::string::npos && end != std::string::npos) {
        const std::string ip = text.substr(at + 13, end - at - 13);
        EXPECT_EQ(Cli({"download", kElf, "--ip", ip}).status, 0);
        return ip;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << "target server did not start";
    return "";
  }
  void StopServer() {
    if (server_ <= 0) return;
    kill(server_, SIGKILL);
    waitpid(server_, nullptr, 0);
    server_ = -1;
  }
  fs::path dir_;
  pid_t server_ = -1;
};
