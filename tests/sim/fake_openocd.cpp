#include "tests/sim/fake_openocd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

std::vector<std::string> Split(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

void SendAll(int fd, const std::string& data, bool split) {
  const size_t step = split ? 3 : data.size();
  for (size_t i = 0; i < data.size(); i += step) {
    if (::send(fd, data.data() + i, std::min(step, data.size() - i), MSG_NOSIGNAL) <= 0) return;
    if (split) std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

}  // namespace

FakeOpenOcd::FakeOpenOcd() : ram(kRamSize, 0) {
  listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), len) == 0 && ::listen(listen_fd_, 4) == 0 &&
      ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
    port_ = ntohs(addr.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

FakeOpenOcd::~FakeOpenOcd() {
  quit_ = true;
  thread_.join();
  ::close(listen_fd_);
}

std::vector<std::string> FakeOpenOcd::Log() {
  std::lock_guard<std::mutex> lock(mu);
  return log;
}

void FakeOpenOcd::ClearLog() {
  std::lock_guard<std::mutex> lock(mu);
  log.clear();
}

uint32_t FakeOpenOcd::Word(uint32_t addr) {
  std::lock_guard<std::mutex> lock(mu);
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= uint32_t(ram[addr - kRamBase + i]) << (8 * i);
  return v;
}

void FakeOpenOcd::SetWord(uint32_t addr, uint32_t value) {
  std::lock_guard<std::mutex> lock(mu);
  for (int i = 0; i < 4; ++i) ram[addr - kRamBase + i] = uint8_t(value >> (8 * i));
}

void FakeOpenOcd::Serve() {
  while (!quit_) {
    pollfd p{listen_fd_, POLLIN, 0};
    if (::poll(&p, 1, 20) != 1) continue;
    const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0) ServeClient(fd);
  }
}

void FakeOpenOcd::ServeClient(int fd) {
  std::string pending;
  while (!quit_) {
    const size_t end = pending.find('\x1a');
    if (end == std::string::npos) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 20) != 1) continue;
      char chunk[4096];
      const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      pending.append(chunk, size_t(n));
      continue;
    }
    std::string command = pending.substr(0, end);
    pending.erase(0, end + 1);
    if (drop_connection) break;
    if (silent) continue;
    // The library wraps each command: concat [catch {COMMAND} vistro_result] $vistro_result
    const std::string head = "concat [catch {", tail = "} vistro_result] $vistro_result";
    std::string reply;
    if (command.rfind(head, 0) == 0 && command.size() > head.size() + tail.size()) {
      const std::string inner = command.substr(head.size(), command.size() - head.size() - tail.size());
      std::string result;
      const bool ok = Run(inner, result);
      reply = (ok ? "0 " : "1 ") + result;
    } else {
      Run(command, reply);  // unwrapped: errors look like results, as OpenOCD sends them
    }
    SendAll(fd, reply + '\x1a', split_replies);
  }
  ::close(fd);
}

bool FakeOpenOcd::ReadMemory(const std::vector<std::string>& w, std::string& result) {
  if (w.size() != 4) return false;
  const uint32_t addr = uint32_t(std::strtoul(w[1].c_str(), nullptr, 0));
  const uint32_t width = uint32_t(std::strtoul(w[2].c_str(), nullptr, 0));
  const uint32_t count = uint32_t(std::strtoul(w[3].c_str(), nullptr, 0));
  if (addr == 0xE000ED00 && count == 1 && !fail_reads) {  // CPUID: the library's rate probe
    result = "0x411fc270";
    return true;
  }
  if (fail_reads || addr < kRamBase || uint64_t(addr) + uint64_t(count) * width / 8 > uint64_t(kRamBase) + kRamSize) {
    result = "read_memory: failed to read memory";
    return false;
  }
  std::lock_guard<std::mutex> lock(mu);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t v = 0;
    for (uint32_t b = 0; b < width / 8; ++b) v |= uint32_t(ram[addr - kRamBase + i * width / 8 + b]) << (8 * b);
    char text[16];
    std::snprintf(text, sizeof text, "%s0x%x", result.empty() ? "" : " ", v);
    result += text;
  }
  if (garbage_numbers) result += " 0xZZ";
  return true;
}

bool FakeOpenOcd::Run(const std::string& command, std::string& result) {
  {
    std::lock_guard<std::mutex> lock(mu);
    log.push_back(command);
  }
  result.clear();
  if (command == "version") {
    result = not_openocd ? "SSH-2.0-OpenSSH_9.2" : "Open On-Chip Debugger 0.12.0";
    return true;
  }
  if (command == "target names" || command == "target current") {
    result = "fake.cpu";
    return true;
  }
  if (command == "[target current] curstate") {
    std::lock_guard<std::mutex> lock(mu);
    result = state;
    return true;
  }
  if (command == "halt" || command == "resume" || command == "reset run") {
    std::lock_guard<std::mutex> lock(mu);
    state = command == "halt" ? "halted" : "running";
    return true;
  }
  if (command.rfind("program ", 0) == 0 || command.rfind("targets ", 0) == 0) return true;
  if (command.rfind("concat", 0) == 0) {
    // concat [read_memory ...] [read_memory ...]: the grouped reads of one sample.
    size_t at = 0;
    while ((at = command.find('[', at)) != std::string::npos) {
      const size_t close = command.find(']', at);
      std::string part;
      if (!ReadMemory(Split(command.substr(at + 1, close - at - 1)), part)) {
        result = part;
        return false;
      }
      result += (result.empty() || part.empty() ? "" : " ") + part;
      at = close;
    }
    return true;
  }
  const std::vector<std::string> w = Split(command);
  if (!w.empty() && w[0] == "read_memory") return ReadMemory(w, result);
  if (!w.empty() && w[0] == "write_memory" && w.size() >= 4) {
    const uint32_t addr = uint32_t(std::strtoul(w[1].c_str(), nullptr, 0));
    const uint32_t width = uint32_t(std::strtoul(w[2].c_str(), nullptr, 0));
    const size_t open = command.find('{'), close = command.find('}');
    const std::vector<std::string> values = Split(command.substr(open + 1, close - open - 1));
    std::lock_guard<std::mutex> lock(mu);
    if (addr < kRamBase || uint64_t(addr) + values.size() * width / 8 > uint64_t(kRamBase) + kRamSize) {
      result = "write_memory: failed to write memory";
      return false;
    }
    for (size_t i = 0; i < values.size(); ++i) {
      const uint32_t v = uint32_t(std::strtoul(values[i].c_str(), nullptr, 0));
      for (uint32_t b = 0; b < width / 8; ++b) ram[addr - kRamBase + i * width / 8 + b] = uint8_t(v >> (8 * b));
    }
    return true;
  }
  result = "invalid command name \"" + (w.empty() ? std::string() : w[0]) + "\"";
  return false;
}
