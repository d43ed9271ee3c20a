// A recording stand-in for the probe library with the exports the probe session uses, for
// tests of the exact calls the session makes. Other exports are left out on purpose: the
// binding must report them as missing.
#define VELTRA_WITH_PROTOTYPES
#include "tests/probe/fake_veltra.h"

#include <cstdarg>
#include <cstdio>

#include "probe/veltra_api.h"

extern "C" __attribute__((visibility("default"))) FakeVeltra FAKE_State;
FakeVeltra FAKE_State;

namespace {

template <typename R>
R Log(R result, const char* format, ...) __attribute__((format(printf, 2, 3)));
template <typename R>
R Log(R result, const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof(line), format, args);
  va_end(args);
  FAKE_State.log += line;
  FAKE_State.log += '\n';
  return result;
}

}  // namespace

extern "C" {

const char* VELTRAARM_OpenEx(VELTRA_LOG_FUNC* log, VELTRA_LOG_FUNC* error) {
  return Log<const char*>(nullptr, "OpenEx(%s,%s)", log ? "log" : "null", error ? "error" : "null");
}
void VELTRAARM_Close(void) { Log(0, "Close"); }
int VELTRAARM_EMU_SelectByUSBSN(uint32_t serial_no) {
  return Log(0, "SelectByUSBSN(%u)", serial_no);
}
int VELTRAARM_SelectIP(const char* host, int port) {
  return Log(0, "SelectIP(%s,%d)", host ? host : "null", port);
}
int VELTRAARM_ExecCommand(const char* cmd, char* err, int err_size) {
  if (err != nullptr && err_size > 0 && err[0] != '\0') Log(0, "error buffer not cleared");
  return Log(0, "ExecCommand(%s,%s,%d)", cmd ? cmd : "null", err ? "buffer" : "null", err_size);
}
void VELTRAARM_TIF_Select(int tif) { Log(0, "TIF_Select(%d)", tif); }
void VELTRAARM_SetSpeed(uint32_t speed_khz) { Log(0, "SetSpeed(%u)", speed_khz); }
void VELTRAARM_ConfigJTAG(int ir_pre, int dr_pre) { Log(0, "ConfigJTAG(%d,%d)", ir_pre, dr_pre); }
int VELTRAARM_Connect(void) { return Log(0, "Connect"); }
int VELTRAARM_EMU_HasCapEx(int cap) { return Log(FAKE_State.has_hss, "HasCapEx(%d)", cap); }
int VELTRAARM_GetDLLVersion(void) { return Log(FAKE_State.version, "GetDLLVersion"); }
int VELTRAARM_GetSN(void) { return 4711; }
int VELTRA_IsHalted(void) { return Log(FAKE_State.halted, "IsHalted"); }
void VELTRA_Go(void) { Log(0, "Go"); }
int VELTRA_HSS_GetCaps(VELTRA_HSS_CAPS* caps) {
  caps->max_blocks = static_cast<uint32_t>(FAKE_State.max_blocks);
  caps->max_freq_hz = 1000000;
  return Log(FAKE_State.caps, "HSS_GetCaps");
}
int VELTRA_HSS_Start(VELTRA_HSS_BLOCK* blocks, int num_blocks, int period_us, int flags) {
  std::string list;
  for (int i = 0; i <= num_blocks; ++i) {  // the closing entry too
    char entry[64];
    std::snprintf(entry, sizeof(entry), "%s%X/%u", i ? " " : "", blocks[i].addr,
                  blocks[i].num_bytes);
    list += entry;
  }
  return Log(FAKE_State.hss_start, "HSS_Start([%s],%d,%d,%d)", list.c_str(), num_blocks, period_us,
             flags);
}

}  // extern "C"
