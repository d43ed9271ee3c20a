// A probe link through OpenOCD's Tcl RPC port: reads and writes of the running target through
// `read_memory`/`write_memory` (the debug access port reads without halting the core), halt,
// resume and reset through OpenOCD's commands, programming through `program`, and sampling
// polled by SIM_OcdSampler.
//
// The probe library selects it with a TCP/IP host text "openocd:HOST[:PORT]" (default port
// 6666); every other host text reaches the simulator server as before.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "sim/sim_link.h"

inline constexpr int SIM_OPENOCD_DEFAULT_PORT = 6666;
inline constexpr std::string_view SIM_OPENOCD_PREFIX = "openocd:";

// True when the host text asks for OpenOCD (the prefix, ASCII case ignored).
bool SIM_IsOpenOcdHost(std::string_view text);

// Connects to OpenOCD within the time-out and checks that it answers Tcl and has an examined
// target. Null with a message that says what is wrong.
std::unique_ptr<SIM_Link> SIM_MakeOpenOcdLink(const std::string& host, int port, int timeout_ms,
                                              std::string& error);
