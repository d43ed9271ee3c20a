#include "sim/ocd_tcl_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <charconv>

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? int(left) : 0;
}

}  // namespace

SIM_TclClient::~SIM_TclClient() { Break(); }

void SIM_TclClient::Break() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  pending_.clear();
}

bool SIM_TclClient::Call(std::string_view command, int timeout_ms, std::string& reply, std::string& error) {
  reply.clear();
  if (fd_ < 0) {
    error = "connection to OpenOCD lost";
    return false;
  }
  // A command must not carry the terminator itself: OpenOCD would run the part before it.
  if (command.find(kEnd) != std::string_view::npos) {
    error = "command contains the Tcl terminator byte";
    return false;
  }
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::string out(command);
  out.push_back(kEnd);
  size_t sent = 0;
  auto fail = [&](const char* what) {
    error = what;
    Break();
    return false;
  };
  while (sent < out.size()) {
    pollfd p{fd_, POLLOUT, 0};
    const int ready = ::poll(&p, 1, RemainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return fail("OpenOCD did not take the command in time");
    if (ready < 0) return fail("connection to OpenOCD lost");
    const ssize_t n = ::send(fd_, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return fail("connection to OpenOCD lost");
    sent += size_t(n);
  }
  std::string buffer = std::move(pending_);
  pending_.clear();
  for (;;) {
    const size_t end = buffer.find(kEnd);
    if (end != std::string::npos) {
      reply.assign(buffer, 0, end);
      pending_.assign(buffer, end + 1);
      return true;
    }
    if (buffer.size() > kMaxReplyBytes) return fail("OpenOCD's reply is too long");
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, RemainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return fail("OpenOCD did not answer in time");
    if (ready < 0) return fail("connection to OpenOCD lost");
    char chunk[65536];
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return fail("OpenOCD closed the connection");
    buffer.append(chunk, size_t(n));
  }
}

bool SIM_TclClient::Eval(std::string_view command, int timeout_ms, std::string& result, std::string& error) {
  // "0 RESULT" or "1 MESSAGE": catch's status, then what the command left.
  std::string wrapped = "concat [catch {";
  wrapped.append(command);
  wrapped.append("} vistro_result] $vistro_result");
  std::string reply;
  if (!Call(wrapped, timeout_ms, reply, error)) return false;
  const size_t blank = reply.find(' ');
  const std::string_view status = std::string_view(reply).substr(0, blank);
  const std::string_view rest = blank == std::string::npos ? std::string_view() : std::string_view(reply).substr(blank + 1);
  if (status == "0") {
    result.assign(rest);
    return true;
  }
  result.clear();
  if (status.empty() || status.find_first_not_of("0123456789") != std::string_view::npos) {
    error = "OpenOCD sent an unexpected reply '" + std::string(reply.substr(0, 80)) + "'";
  } else {
    error = rest.empty() ? std::string("OpenOCD reported an error") : std::string(rest);
  }
  return false;
}

bool SIM_ParseNumbers(std::string_view text, size_t count, unsigned width_bits, std::vector<uint32_t>& values,
                      std::string& error) {
  values.clear();
  const uint64_t limit = width_bits >= 32 ? 0xFFFFFFFFull : (1ull << width_bits) - 1;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    if (i == text.size()) break;
    size_t j = i;
    while (j < text.size() && !(text[j] == ' ' || text[j] == '\t' || text[j] == '\r' || text[j] == '\n')) ++j;
    const std::string_view token = text.substr(i, j - i);
    i = j;
    std::string_view digits = token;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
      digits.remove_prefix(2);
      base = 16;
    }
    uint64_t v = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, base);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || v > limit) {
      error = "OpenOCD sent a malformed number '" + std::string(token.substr(0, 40)) + "'";
      return false;
    }
    if (values.size() > count) break;  // one too many is enough to refuse the reply
    values.push_back(uint32_t(v));
  }
  if (values.size() != count) {
    error = "OpenOCD sent " + std::string(values.size() < count ? "fewer" : "more") + " values than asked for";
    return false;
  }
  return true;
}

std::string SIM_TclQuote(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 8);
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '"' || c == '\\' || c == '$' || c == '[' || c == ']' || c == '{' || c == '}' ||
        c == ';')
      quoted.push_back('\\');
    quoted.push_back(c);
  }
  return quoted;
}
