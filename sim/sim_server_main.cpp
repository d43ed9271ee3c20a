// vistro-simtarget: a simulated target reached over TCP/IP, serving the simulated probe
// library's protocol. The target keeps running between client connections (its RAM survives a
// reconnect, as on a powered board); one client at a time, others are turned away.
//
//   vistro-simtarget --listen HOST:PORT      (PORT 0: any free port; the chosen one is printed)
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "sim/sim_protocol.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: vistro-simtarget --listen HOST:PORT\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string listen_text;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--listen") == 0 && i + 1 < argc) listen_text = argv[++i];
    else if (std::strncmp(argv[i], "--listen=", 9) == 0) listen_text = argv[i] + 9;
    else return Usage();
  }
  if (listen_text.empty()) return Usage();
  std::string host;
  int port = 0;
  // "HOST:0" asks for any free port; SIM_ParseHostPort refuses 0, so handle it first.
  const bool any_port = listen_text.size() > 2 && listen_text.compare(listen_text.size() - 2, 2, ":0") == 0;
  if (any_port) {
    host = listen_text.substr(0, listen_text.size() - 2);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  } else if (!SIM_ParseHostPort(listen_text, 0, host, port)) {
    std::fprintf(stderr, "error: bad listen address '%s'\n", listen_text.c_str());
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
  std::printf("vistro-simtarget: listening on %s:%d\n", host.c_str(), bound_port);
  std::fflush(stdout);

  SIM_Board board;
  for (;;) {
    const int fd = ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    SIM_ServeConnection(fd, board, listen_fd);
  }
}
