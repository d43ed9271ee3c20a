// The small TCP protocol between the probe library and vistro-simtarget.
//
// Request:  u32 payload length, u8 operation, payload.
// Response: u32 payload length, i32 result, payload.
// All integers little-endian. One request at a time; the server answers every request.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "sim/sim_link.h"

inline constexpr int SIM_DEFAULT_PORT = 19020;

// Splits a host text "HOST", "HOST:PORT" or "[IPV6]:PORT". A non-zero `port` argument wins
// over a port in the text; with neither, default_port. False for an empty host or a bad port.
bool SIM_ParseHostPort(std::string_view text, int port, std::string& host, int& port_out,
                       int default_port = SIM_DEFAULT_PORT);

// Connects within timeout_ms. Returns the socket or -1 with `error` set.
int SIM_TcpConnect(const std::string& host, int port, int timeout_ms, std::string& error);

// Listens on host:port (port 0: any free port, reported in bound_port). -1 with `error` set.
int SIM_TcpListen(const std::string& host, int port, int& bound_port, std::string& error);

// A link over a connected socket (takes ownership of fd). Any transport error or time-out
// breaks the link: the socket is closed and every later call fails at once.
std::unique_ptr<SIM_Link> SIM_MakeRemoteLink(int fd);

// Serves one client on fd until it disconnects (fd is closed afterwards). Sampling stops when
// the client goes; the board's target keeps running. Clients that connect to listen_fd (when
// not -1) meanwhile are closed at once: the probe serves one host at a time.
void SIM_ServeConnection(int fd, SIM_Board& board, int listen_fd);
