// State of the simulated probe library behind the exported functions: the probe connection,
// the selected device and settings, and the simulator controls that make every failure of a
// connection reachable (see sim/README.md for the commands).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "sim/sim_link.h"

struct SIM_Controls {
  bool hss_capable = true;             // probe has High-Speed Sampling
  uint32_t hss_max_blocks = 100;
  uint32_t hss_max_freq_hz = 1000000;
  uint32_t hss_max_record_bytes = 8192; // larger records fail with "no memory on the probe" (-2)
  int64_t hss_read_fail_after = -1;    // HSS reads that succeed before every further read fails
  bool hss_caps_fail = false;          // VELTRA_HSS_GetCaps fails although the probe has HSS
  int hss_start_result = 0;            // non-zero: VELTRA_HSS_Start returns this failure
  bool open_fail = false;              // VELTRAARM_OpenEx fails
  bool connect_fail = false;           // VELTRAARM_Connect fails
  bool write_fail = false;             // VELTRA_WriteMem fails
  bool download_fail = false;          // VELTRA_DownloadFile fails (the target keeps its program)
  int dialog_answer = 0;               // result of the device dialog; negative: cancelled
  uint32_t clock_ipus = 64;            // emulated instructions per microsecond
  int dll_version = 51200;
  int serial_no = 801000123;           // serial number of the simulated USB probe
};

struct SIM_Session {
  SIM_Controls controls;

  // Probe selection and connection.
  bool use_ip = false;
  bool use_openocd = false;  // TCP/IP host text "openocd:HOST[:PORT]"
  std::string ip_host;
  int ip_port = 0;
  bool open = false;
  std::unique_ptr<SIM_Link> link; // set while open
  bool connected = false;         // target connected (VELTRAARM_Connect succeeded)

  // Target settings.
  int device_index = -1;
  std::string device_name;  // as given; through OpenOCD any name is taken (see ocd_link.h)
  int tif = 1; // SWD
  uint32_t speed_khz = 4000;
  int jtag_ir_pre = 0;
  int jtag_dr_pre = 0;
  std::string script_file;

  // HSS session.
  bool hss_running = false;
  int64_t hss_reads = 0;
};

// Runs one text command ("key = value"). Returns 0, or -1 with a non-empty `error`.
int SIM_ExecCommand(SIM_Session& session, std::string_view command, std::string& error);
