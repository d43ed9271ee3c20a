// The project configuration record: how a project reaches its probe and target. The project
// store keeps the master record (and the project file reads and writes it); the probe session
// works on its own copy, refreshed from the project before every connection step.
#pragma once

#include <cstdint>

constexpr int PROJECT_DEVICE_SIZE = 128;
constexpr int PROJECT_PATH_SIZE = 260;
constexpr int PROJECT_HOST_SIZE = 128;

// Target interface ids as passed to the probe library.
constexpr uint32_t PROBE_TIF_JTAG = 0;
constexpr uint32_t PROBE_TIF_SWD = 1;
constexpr uint32_t PROBE_TIF_FINE = 3;

// Connection kinds (`Connection`).
constexpr uint32_t PROBE_CONNECTION_USB = 1;
constexpr uint32_t PROBE_CONNECTION_IP = 2;

// The device name that asks the user to choose a device at connection time (as does "").
constexpr const char* PROBE_DEVICE_UNSPECIFIED = "unspecified";

struct PROJECT_CONFIG {
  char TargetDevice[PROJECT_DEVICE_SIZE] = {};  // "" or "unspecified": chosen when connecting
  char ElfFile[PROJECT_PATH_SIZE] = {};         // firmware image
  char ProjectFile[PROJECT_PATH_SIZE] = {};     // not used by the probe session
  char ScriptFile[PROJECT_PATH_SIZE] = {};      // optional probe script; "" = none
  char IP[PROJECT_HOST_SIZE] = {};              // probe host for TCP/IP ("HOST" or "HOST:PORT")
  uint32_t SerialNo = 0;                        // USB probe serial number; 0 = any probe
  uint32_t TargetInterface = PROBE_TIF_SWD;     // PROBE_TIF_*
  uint32_t InterfaceSpeed = 4000;               // kHz
  uint32_t SamplingPeriod = 1000;               // HSS sampling period, microseconds
  uint32_t Connection = PROBE_CONNECTION_USB;   // PROBE_CONNECTION_*
  int32_t JTAG_DRPre = 0;  // data-register bits before the target; negative: no chain set-up
  int32_t JTAG_IRPre = 0;  // instruction-register bits before the target
  // Non-zero: the probe connection belongs to another program. The session then never closes
  // the probe and the sampling engine never stops HSS.
  uint8_t ExistingSession = 0;
  uint32_t OpenOptions = 0;  // 0 open in Edit mode, 1 in Run mode (not used by the session)
};
