#include "sim/sim_protocol.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <vector>

namespace {

enum Op : uint8_t {
  kAttach = 1,
  kDetach,
  kRead,
  kWrite,
  kDownload,
  kIsHalted,
  kGo,
  kHalt,
  kReset,
  kHssStart,
  kHssRead,
  kHssStop,
  kSetClock,
  kStats,
};

constexpr uint32_t kMaxPayload = 80u << 20;
constexpr uint32_t kMaxTransfer = 64u << 20;
constexpr int kIoTimeoutMs = 3000;

void PutU32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void PutU64(std::vector<uint8_t>& b, uint64_t v) {
  for (int i = 0; i < 8; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
uint32_t GetU32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint64_t GetU64(const uint8_t* p) { return uint64_t(GetU32(p)) | uint64_t(GetU32(p + 4)) << 32; }

// Sends or receives exactly n bytes; timeout_ms < 0 waits without limit.
bool Transfer(int fd, uint8_t* data, size_t n, bool sending, int timeout_ms) {
  size_t done = 0;
  while (done < n) {
    pollfd p{fd, short(sending ? POLLOUT : POLLIN), 0};
    const int ready = ::poll(&p, 1, timeout_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t got = sending ? ::send(fd, data + done, n - done, MSG_NOSIGNAL) : ::recv(fd, data + done, n - done, 0);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) return false;
    done += size_t(got);
  }
  return true;
}

class RemoteLink final : public SIM_Link {
 public:
  explicit RemoteLink(int fd) : fd_(fd) {}
  ~RemoteLink() override { Break(); }

  bool IsAlive() const override { return fd_ >= 0; }

  int Attach(const std::string& device_name, std::string& error) override {
    std::vector<uint8_t> req(device_name.begin(), device_name.end()), resp;
    const int r = Call(kAttach, req, resp);
    if (r < 0) error = resp.empty() ? "connection to the simulator server lost" : std::string(resp.begin(), resp.end());
    return r;
  }
  void Detach() override {
    std::vector<uint8_t> resp;
    (void)Call(kDetach, {}, resp);
  }
  int ReadMem(uint32_t addr, std::span<uint8_t> out) override {
    if (out.size() > kMaxTransfer) return -1;
    std::vector<uint8_t> req, resp;
    PutU32(req, addr);
    PutU32(req, uint32_t(out.size()));
    const int r = Call(kRead, req, resp);
    if (r < 0) return r;
    if (resp.size() != out.size()) return Broken();
    if (!resp.empty()) std::memcpy(out.data(), resp.data(), resp.size());
    return 0;
  }
  int WriteMem(uint32_t addr, std::span<const uint8_t> data) override {
    if (data.size() > kMaxTransfer) return -1;
    std::vector<uint8_t> req, resp;
    PutU32(req, addr);
    req.insert(req.end(), data.begin(), data.end());
    return Call(kWrite, req, resp);
  }
  int Download(std::span<const uint8_t> elf_bytes, std::string& error) override {
    if (elf_bytes.size() > kMaxTransfer) {
      error = "file too large";
      return -1;
    }
    std::vector<uint8_t> req(elf_bytes.begin(), elf_bytes.end()), resp;
    const int r = Call(kDownload, req, resp);
    if (r < 0) error = resp.empty() ? "connection to the simulator server lost" : std::string(resp.begin(), resp.end());
    return r;
  }
  int IsHalted() override { return Simple(kIsHalted); }
  int Go() override { return Simple(kGo); }
  int Halt() override { return Simple(kHalt); }
  int Reset() override { return Simple(kReset); }
  int HssStart(std::span<const VELTRA_HSS_BLOCK> blocks, uint32_t period_us) override {
    std::vector<uint8_t> req, resp;
    PutU32(req, period_us);
    for (const VELTRA_HSS_BLOCK& b : blocks) {
      PutU32(req, b.addr);
      PutU32(req, b.num_bytes);
      PutU32(req, b.flags);
      PutU32(req, b.reserved);
    }
    return Call(kHssStart, req, resp);
  }
  int HssRead(std::span<uint8_t> out) override {
    std::vector<uint8_t> req, resp;
    PutU32(req, uint32_t(std::min<size_t>(out.size(), kMaxTransfer)));
    const int r = Call(kHssRead, req, resp);
    if (r < 0) return r;
    if (resp.size() > out.size() || size_t(r) != resp.size()) return Broken();
    if (!resp.empty()) std::memcpy(out.data(), resp.data(), resp.size());
    return r;
  }
  int HssStop() override { return Simple(kHssStop); }
  int SetClock(uint32_t instructions_per_us) override {
    std::vector<uint8_t> req, resp;
    PutU32(req, instructions_per_us);
    return Call(kSetClock, req, resp);
  }
  int GetStats(SIM_Stats& stats) override {
    std::vector<uint8_t> resp;
    const int r = Call(kStats, {}, resp);
    if (r < 0) return r;
    if (resp.size() != 40) return Broken();
    stats.instructions = GetU64(resp.data());
    stats.target_time_us = GetU64(resp.data() + 8);
    stats.hss_records = GetU64(resp.data() + 16);
    stats.hss_dropped = GetU64(resp.data() + 24);
    stats.clock_ipus = GetU32(resp.data() + 32);
    stats.halted = resp[36] & 1u;
    stats.faulted = (resp[36] >> 1) & 1u;
    return 0;
  }

 private:
  int Simple(uint8_t op) {
    std::vector<uint8_t> resp;
    return Call(op, {}, resp);
  }
  int Broken() {
    Break();
    return -1;
  }
  void Break() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int Call(uint8_t op, const std::vector<uint8_t>& payload, std::vector<uint8_t>& resp) {
    resp.clear();
    if (fd_ < 0) return -1;
    std::vector<uint8_t> msg;
    msg.reserve(5 + payload.size());
    PutU32(msg, uint32_t(payload.size()));
    msg.push_back(op);
    msg.insert(msg.end(), payload.begin(), payload.end());
    uint8_t head[8];
    if (!Transfer(fd_, msg.data(), msg.size(), true, kIoTimeoutMs) || !Transfer(fd_, head, 8, false, kIoTimeoutMs))
      return Broken();
    const uint32_t len = GetU32(head);
    const int32_t result = int32_t(GetU32(head + 4));
    if (len > kMaxPayload) return Broken();
    resp.resize(len);
    if (len && !Transfer(fd_, resp.data(), len, false, kIoTimeoutMs)) return Broken();
    return result;
  }

  int fd_;
};

// Handles one request on the server side; fills the response payload and returns the result.
int Dispatch(SIM_Link& link, uint8_t op, const std::vector<uint8_t>& req, std::vector<uint8_t>& resp) {
  auto text = [&resp](const std::string& s) { resp.assign(s.begin(), s.end()); };
  switch (op) {
    case kAttach: {
      std::string error;
      const int r = link.Attach(std::string(req.begin(), req.end()), error);
      if (r < 0) text(error);
      return r;
    }
    case kDetach:
      link.Detach();
      return 0;
    case kRead: {
      if (req.size() != 8 || GetU32(req.data() + 4) > kMaxTransfer) return -1;
      resp.resize(GetU32(req.data() + 4));
      const int r = link.ReadMem(GetU32(req.data()), resp);
      if (r < 0) resp.clear();
      return r;
    }
    case kWrite:
      if (req.size() < 4) return -1;
      return link.WriteMem(GetU32(req.data()), std::span<const uint8_t>(req).subspan(4));
    case kDownload: {
      std::string error;
      const int r = link.Download(req, error);
      if (r < 0) text(error);
      return r;
    }
    case kIsHalted: return link.IsHalted();
    case kGo: return link.Go();
    case kHalt: return link.Halt();
    case kReset: return link.Reset();
    case kHssStart: {
      if (req.size() < 4 || (req.size() - 4) % 16 != 0) return -1;
      std::vector<VELTRA_HSS_BLOCK> blocks((req.size() - 4) / 16);
      for (size_t i = 0; i < blocks.size(); ++i) {
        const uint8_t* p = req.data() + 4 + 16 * i;
        blocks[i] = {GetU32(p), GetU32(p + 4), GetU32(p + 8), GetU32(p + 12)};
      }
      return link.HssStart(blocks, GetU32(req.data()));
    }
    case kHssRead: {
      if (req.size() != 4 || GetU32(req.data()) > kMaxTransfer) return -1;
      resp.resize(GetU32(req.data()));
      const int r = link.HssRead(resp);
      resp.resize(r > 0 ? size_t(r) : 0);
      return r;
    }
    case kHssStop: return link.HssStop();
    case kSetClock:
      if (req.size() != 4) return -1;
      return link.SetClock(GetU32(req.data()));
    case kStats: {
      SIM_Stats s;
      const int r = link.GetStats(s);
      if (r < 0) return r;
      PutU64(resp, s.instructions);
      PutU64(resp, s.target_time_us);
      PutU64(resp, s.hss_records);
      PutU64(resp, s.hss_dropped);
      PutU32(resp, s.clock_ipus);
      PutU32(resp, (s.halted ? 1u : 0u) | (s.faulted ? 2u : 0u));
      return 0;
    }
    default:
      return -1;
  }
}

addrinfo* Resolve(const std::string& host, int port, bool passive, std::string& error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = passive ? AI_PASSIVE : 0;
  addrinfo* list = nullptr;
  const std::string service = std::to_string(port);
  const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
  if (rc != 0) {
    error = "cannot resolve '" + host + "': " + ::gai_strerror(rc);
    return nullptr;
  }
  return list;
}

}  // namespace

bool SIM_ParseHostPort(std::string_view text, int port, std::string& host, int& port_out, int default_port) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  std::string_view port_text;
  if (!text.empty() && text.front() == '[') {
    const size_t close = text.find(']');
    if (close == std::string_view::npos) return false;
    host = std::string(text.substr(1, close - 1));
    std::string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return false;
      port_text = rest.substr(1);
    }
  } else if (const size_t colon = text.find(':'); colon != std::string_view::npos && text.find(':', colon + 1) == std::string_view::npos) {
    host = std::string(text.substr(0, colon));
    port_text = text.substr(colon + 1);
  } else {
    host = std::string(text);
  }
  if (host.empty()) return false;
  int parsed = default_port;
  if (!port_text.empty()) {
    const auto [end, ec] = std::from_chars(port_text.data(), port_text.data() + port_text.size(), parsed);
    if (ec != std::errc() || end != port_text.data() + port_text.size() || parsed < 1 || parsed > 65535) return false;
  }
  port_out = port > 0 && port <= 65535 ? port : parsed;
  return true;
}

int SIM_TcpConnect(const std::string& host, int port, int timeout_ms, std::string& error) {
  addrinfo* list = Resolve(host, port, false, error);
  if (!list) return -1;
  int fd = -1;
  error = "no address";
  for (addrinfo* ai = list; ai && fd < 0; ai = ai->ai_next) {
    fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai->ai_protocol);
    if (fd < 0) continue;
    int rc = ::connect(fd, ai->ai_addr, ai->ai_addrlen);
    if (rc < 0 && errno == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      rc = ::poll(&p, 1, timeout_ms) == 1 ? 0 : -1;
      int so_error = rc == 0 ? 0 : ETIMEDOUT;
      socklen_t len = sizeof so_error;
      if (rc == 0) ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &so_error, &len);
      errno = so_error;
      rc = so_error == 0 ? 0 : -1;
    }
    if (rc < 0) {
      error = std::strerror(errno);
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(list);
  if (fd < 0) {
    error = "cannot connect to " + host + ":" + std::to_string(port) + ": " + error;
    return -1;
  }
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

int SIM_TcpListen(const std::string& host, int port, int& bound_port, std::string& error) {
  addrinfo* list = Resolve(host, port, true, error);
  if (!list) return -1;
  int fd = -1;
  for (addrinfo* ai = list; ai && fd < 0; ai = ai->ai_next) {
    fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC, ai->ai_protocol);
    if (fd < 0) continue;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, ai->ai_addr, ai->ai_addrlen) < 0 || ::listen(fd, 4) < 0) {
      error = "cannot listen on " + host + ":" + std::to_string(port) + ": " + std::strerror(errno);
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(list);
  if (fd < 0) return -1;
  sockaddr_storage addr{};
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  bound_port = addr.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port)
                                          : ntohs(reinterpret_cast<sockaddr_in*>(&addr)->sin_port);
  return fd;
}

std::unique_ptr<SIM_Link> SIM_MakeRemoteLink(int fd) { return std::make_unique<RemoteLink>(fd); }

void SIM_ServeConnection(int fd, SIM_Board& board, int listen_fd) {
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  std::unique_ptr<SIM_Link> link = SIM_MakeLocalLink(board);
  std::vector<uint8_t> req, resp, msg;
  for (;;) {
    // Wait for the next request; a second client meanwhile is turned away at once.
    pollfd p[2] = {{fd, POLLIN, 0}, {listen_fd, POLLIN, 0}};
    if (::poll(p, listen_fd >= 0 ? 2 : 1, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (p[0].revents == 0) {
      // Only a newcomer: our client is still there (its requests and hang-up come first).
      const int other = ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (other >= 0) ::close(other);
      continue;
    }
    uint8_t head[5];
    if (!Transfer(fd, head, 5, false, kIoTimeoutMs)) break;
    const uint32_t len = GetU32(head);
    if (len > kMaxPayload) break;
    req.resize(len);
    if (len && !Transfer(fd, req.data(), len, false, kIoTimeoutMs)) break;
    resp.clear();
    const int result = Dispatch(*link, head[4], req, resp);
    msg.clear();
    PutU32(msg, uint32_t(resp.size()));
    PutU32(msg, uint32_t(result));
    msg.insert(msg.end(), resp.begin(), resp.end());
    if (!Transfer(fd, msg.data(), msg.size(), true, kIoTimeoutMs)) break;
  }
  link->Detach();
  ::close(fd);
}
