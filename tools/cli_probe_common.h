// Connection options shared by the vistro-cli commands that talk to a probe:
//   [--device NAME] [--usb SN | --ip HOST[:PORT] | --openocd HOST:PORT]
//   [--interface SWD|JTAG|FINE] [--speed KHZ] [--script FILE] [--sim COMMAND]...
// They fill a project configuration record for the probe session; --sim commands go to the
// probe library before connecting (controls of the simulated target). --openocd is a TCP/IP
// connection whose host text carries the prefix that makes the probe library talk to
// OpenOCD's Tcl port.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "probe/probe_config.h"

constexpr const char* CLI_CONNECTION_USAGE =
    "[--device NAME] [--usb SN | --ip HOST[:PORT] | --openocd HOST:PORT] "
    "[--interface SWD|JTAG|FINE] [--speed KHZ] [--script FILE] [--sim COMMAND]...";

// Prefix of a TCP/IP host text that reaches OpenOCD instead of a probe ("openocd:HOST:PORT").
constexpr const char* CLI_OPENOCD_PREFIX = "openocd:";

struct CLI_Connection {
  PROJECT_CONFIG config;                  // as the options set it; defaults otherwise
  std::vector<std::string> sim_commands;  // in the order given
};

// The defaults: USB with any probe, device chosen at connection time, SWD at 4000 kHz,
// sampling every 1000 us.
CLI_Connection CLI_DefaultConnection();

// When args[index] is a connection option, consumes it and its value (index then points at
// the next argument) and returns 1; returns 0 for another argument and -1 for a bad value or
// a missing one (the reason has been printed to stderr).
int CLI_ParseConnectionOption(std::span<char* const> args, size_t& index, CLI_Connection& out);

// A decimal count in 1 .. max (no sign, no blanks). False for anything else.
bool CLI_ParsePositive(const char* text, uint32_t max, uint32_t& out);

// Loads the probe library and sends the --sim commands. False (reason printed) on failure.
bool CLI_SendSimCommands(const CLI_Connection& connection);

// Hands the configuration to the probe session and runs its connection sequence; the session
// shows its own warnings. True when connected.
bool CLI_Connect(const CLI_Connection& connection);

// Stops HSS (unless the session belongs to another program) and disconnects.
void CLI_Disconnect();
