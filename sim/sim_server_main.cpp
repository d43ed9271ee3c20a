// vistro-simtarget: a simulated target reached over TCP/IP.
//
//   vistro-simtarget --listen HOST:PORT
//       serves the simulated probe library's protocol. The target keeps running between client
//       connections (its RAM survives a reconnect, as on a powered board); one client at a
//       time, others are turned away.
//   vistro-simtarget --remote-bitbang HOST:PORT [--device NAME] [--elf FILE]
//       the device (default VSIM32H743) running FILE (else its stored flash image), served as a
//       JTAG target to OpenOCD's remote_bitbang adapter driver, one adapter at a time.
//
// PORT 0 takes any free port; the chosen one is printed.
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "sim/bitbang_server.h"
#include "sim/sim_elf.h"
#include "sim/sim_protocol.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: vistro-simtarget --listen HOST:PORT\n"
               "       vistro-simtarget --remote-bitbang HOST:PORT [--device NAME] [--elf FILE]\n");
  return 2;
}

// "HOST:PORT" with port 0 allowed (any free port).
bool ParseListenAddress(const std::string& text, std::string& host, int& port) {
  // SIM_ParseHostPort refuses port 0, so "HOST:0" is handled first.
  if (text.size() > 2 && text.compare(text.size() - 2, 2, ":0") == 0) {
    host = text.substr(0, text.size() - 2);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    port = 0;
    return !host.empty();
  }
  return SIM_ParseHostPort(text, 0, host, port);
}

int ServeBitbang(int listen_fd, const std::string& announce, const std::string& device, const std::string& elf) {
  SIM_Board board;
  std::string error;
  const int index = SIM_FindDevice(device);
  if (index < 0 || (SIM_Devices()[size_t(index)].interface_mask & (1u << VELTRA_TIF_JTAG)) == 0) {
    std::fprintf(stderr, "error: device '%s' %s\n", device.c_str(), index < 0 ? "is unknown" : "has no JTAG");
    return 2;
  }
  if (board.Attach(device, error) < 0) {
    std::fprintf(stderr, "error: %s\n", error.c_str());
    return 1;
  }
  SIM_Target& target = *board.target();
  if (!elf.empty()) {
    SIM_ElfImage image;
    if (!SIM_ElfLoadFile(elf, image, error) || target.Download(image, error) < 0) {
      std::fprintf(stderr, "error: %s: %s\n", elf.c_str(), error.c_str());
      return 1;
    }
  }
  SIM_DebugPort port(target);
  SIM_JtagTap tap(port);
  // Announced once the target runs the file, so that a script may start OpenOCD at once.
  std::printf("%s\n", announce.c_str());
  std::fflush(stdout);
  for (;;) {
    const int fd = ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    tap.Reset();
    SIM_ServeBitbang(fd, tap, port);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string listen_text, bitbang_text, device = "VSIM32H743", elf;
  for (int i = 1; i < argc; ++i) {
    const bool has_value = i + 1 < argc;
    if (std::strcmp(argv[i], "--listen") == 0 && has_value) listen_text = argv[++i];
    else if (std::strncmp(argv[i], "--listen=", 9) == 0) listen_text = argv[i] + 9;
    else if (std::strcmp(argv[i], "--remote-bitbang") == 0 && has_value) bitbang_text = argv[++i];
    else if (std::strcmp(argv[i], "--device") == 0 && has_value) device = argv[++i];
    else if (std::strcmp(argv[i], "--elf") == 0 && has_value) elf = argv[++i];
    else return Usage();
  }
  if (listen_text.empty() == bitbang_text.empty()) return Usage();
  const std::string& address = listen_text.empty() ? bitbang_text : listen_text;
  std::string host;
  int port = 0;
  if (!ParseListenAddress(address, host, port)) {
    std::fprintf(stderr, "error: bad listen address '%s'\n", address.c_str());
    return 2;
  }
  std::signal(SIGPIPE, SIG_IGN);
  std::string error;
  int bound_port = 0;
  const int listen_fd = SIM_TcpListen(host, port, bound_port, error);
  if (listen_fd < 0) {
    std::fprintf(stderr, "error: %s\n", error.c_str());
    return 1;
  }
  if (!bitbang_text.empty()) {
    return ServeBitbang(listen_fd, "vistro-simtarget: remote bitbang on " + host + ":" + std::to_string(bound_port),
                        device, elf);
  }
  std::printf("vistro-simtarget: listening on %s:%d\n", host.c_str(), bound_port);
  std::fflush(stdout);

  SIM_Board board;
  for (;;) {
    const int fd = ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    SIM_ServeConnection(fd, board, listen_fd);
  }
}
