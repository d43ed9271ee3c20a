#include "sim/bitbang_server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

bool SendAll(int fd, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += size_t(n);
  }
  return true;
}

}  // namespace

void SIM_ServeBitbang(int fd, SIM_JtagTap& tap, SIM_DebugPort& port) {
  char buffer[65536];
  std::string replies;
  bool srst = false;
  for (;;) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    replies.clear();
    bool quit = false;
    for (ssize_t i = 0; i < n && !quit; ++i) {
      const char c = buffer[i];
      if (c >= '0' && c <= '7') {
        const int bits = c - '0';
        tap.Drive(bits & 4, bits & 2, bits & 1);
      } else if (c == 'R') {
        replies.push_back(tap.Tdo() ? '1' : '0');
      } else if (c >= 'r' && c <= 'u') {
        const int bits = c - 'r';
        if (bits & 2) tap.Reset();
        const bool assert_srst = bits & 1;
        if (assert_srst != srst) port.SystemReset(assert_srst);
        srst = assert_srst;
      } else if (c == 'Q') {
        quit = true;
      }
      // 'B', 'b' (LED) and anything unknown need no answer.
    }
    if (!replies.empty() && !SendAll(fd, replies)) break;
    if (quit) break;
  }
  ::close(fd);
}
