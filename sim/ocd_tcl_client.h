// Client of OpenOCD's Tcl RPC port: a command is sent as text ended by the byte 0x1a, and the
// reply comes back ended the same way. OpenOCD's reply does not tell a Tcl error from a result,
// so Eval wraps the command in `catch` and reads the status it puts in front.
//
// Every call has a deadline; a transport failure, a time-out or a reply that runs past its
// bound breaks the client (the socket is closed) and every later call fails at once.
// Not thread-safe: the owner serialises calls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class SIM_TclClient {
 public:
  static constexpr char kEnd = '\x1a';
  static constexpr size_t kMaxReplyBytes = 16u << 20;

  explicit SIM_TclClient(int fd) : fd_(fd) {}  // takes ownership of a connected socket
  ~SIM_TclClient();
  SIM_TclClient(const SIM_TclClient&) = delete;
  SIM_TclClient& operator=(const SIM_TclClient&) = delete;

  bool alive() const { return fd_ >= 0; }

  // Sends the command and waits up to timeout_ms for its whole reply. False with `error`
  // (the client is broken afterwards).
  bool Call(std::string_view command, int timeout_ms, std::string& reply, std::string& error);

  // Runs the command and tells a Tcl error (false, `error` = OpenOCD's message; the client
  // stays usable) from a result (true, `result`). Transport failures as Call.
  bool Eval(std::string_view command, int timeout_ms, std::string& result, std::string& error);

 private:
  void Break();
  int fd_;
  std::string pending_;  // bytes received after the end of the last reply
};

// Parses a reply of whitespace-separated numbers ("0x1f 0x20", decimal also accepted), each
// fitting `width_bits`. False with `error` naming the first bad token or a count other than
// `count`.
bool SIM_ParseNumbers(std::string_view text, size_t count, unsigned width_bits, std::vector<uint32_t>& values,
                      std::string& error);

// `text` as one Tcl word in braces-free quoting (backslash before every special character), so
// a path with blanks or brackets reaches OpenOCD unchanged.
std::string SIM_TclQuote(std::string_view text);
