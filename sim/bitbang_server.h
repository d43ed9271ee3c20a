// OpenOCD's remote_bitbang protocol, served for the board's JTAG TAP: one ASCII byte per
// request; '0'-'7' drive TCK/TMS/TDI (bit 2/1/0), 'R' reads TDO (answered '0' or '1'),
// 'r'-'u' set TRST/SRST (bit 1/0 of the offset from 'r'), 'B'/'b' the LED, 'Q' quits.
#pragma once

#include "sim/debug_port.h"
#include "sim/jtag_tap.h"

// Serves one adapter connection on fd until it quits or goes (fd is closed afterwards).
void SIM_ServeBitbang(int fd, SIM_JtagTap& tap, SIM_DebugPort& port);
