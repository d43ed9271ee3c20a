// The probe calls of the sampling and write engines, gathered in one table so that the
// engines can be driven without a probe (unit tests, benchmarks). By default every entry
// calls the probe session or the probe library binding of the same name.
#pragma once

#include <cstdint>

struct APP_PROBE_OPS {
  // Probe session.
  void (*RefreshConfiguration)();
  void (*ClearConfiguration)();
  bool (*IsExistingSession)();  // the connection belongs to another program
  int (*Connect)();
  void (*Disconnect)();
  void (*ComputeHSSLayout)();
  bool (*IsConnected)();
  bool (*IsReady)();
  bool (*IsHSSRunning)();
  void (*SetHSSRunning)(bool running);
  uint32_t (*GetHSSSymbolCount)();
  uint32_t (*GetRecordSize)();
  void (*FreeHSSBlockList)();
  // Probe library.
  int (*HSS_Read)(void* buf, uint32_t buf_size);
  int (*HSS_Stop)();
  int (*IsHalted)();  // VELTRAARM_IsHalted
  int (*IsOpen)();    // VELTRAARM_IsOpen
  int (*ReadMem)(uint32_t addr, uint32_t num_bytes, void* buf);
  int (*WriteMem)(uint32_t addr, uint32_t num_bytes, const void* data);
};

// The table in use (never null).
const APP_PROBE_OPS& APP_GetProbeOps();
// The table of the real probe session and library.
const APP_PROBE_OPS& APP_DefaultProbeOps();
// Replaces the table (null restores the default). The table must stay alive while used;
// change it only while no engine runs (tests).
void APP_SetProbeOps(const APP_PROBE_OPS* ops);
