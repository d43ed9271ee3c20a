// An in-process stand-in for OpenOCD's Tcl RPC port: answers the commands the probe library
// sends (version, target names/current/curstate, read_memory, write_memory, halt, resume,
// reset, program) from a small RAM image, logs every command, and can misbehave on demand:
// split replies, Tcl errors, silence, a dropped connection, malformed numbers.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FakeOpenOcd {
 public:
  static constexpr uint32_t kRamBase = 0x20000000;
  static constexpr uint32_t kRamSize = 4096;

  FakeOpenOcd();
  ~FakeOpenOcd();
  int port() const { return port_; }
  std::string Host() const { return "openocd:127.0.0.1:" + std::to_string(port_); }

  // Behaviour switches (take effect on the next command).
  std::atomic<bool> split_replies{false};   // every reply sent a few bytes at a time
  std::atomic<bool> fail_reads{false};      // read_memory raises a Tcl error
  std::atomic<bool> silent{false};          // commands are read but never answered
  std::atomic<bool> drop_connection{false}; // the next command closes the connection
  std::atomic<bool> garbage_numbers{false}; // read_memory answers a malformed number
  std::atomic<bool> not_openocd{false};     // version answers like some other program
  std::string state = "running";            // curstate; guarded by mu

  // RAM image (guarded by mu).
  std::mutex mu;
  std::vector<uint8_t> ram;
  std::vector<std::string> log;  // commands as run (inside the library's catch wrapper)

  std::vector<std::string> Log();
  void ClearLog();
  uint32_t Word(uint32_t addr);
  void SetWord(uint32_t addr, uint32_t value);

 private:
  void Serve();
  void ServeClient(int fd);
  bool Run(const std::string& command, std::string& result);
  bool ReadMemory(const std::vector<std::string>& args, std::string& result);

  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> quit_{false};
  std::thread thread_;
};
