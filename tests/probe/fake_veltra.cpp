// A scripted stand-in for the probe library that records every call, for tests of the exact
// calls the probe session makes. Controlled through FAKE_Set; the log is taken with
// FAKE_TakeLog (one call per line).
#define VELTRA_WITH_PROTOTYPES
#include "probe/veltra_api.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace {

struct Fake {
  std::mutex mu;
  std::string log;
  int usb_result = 0;
  int ip_result = 0;
  bool open_fails = false;
  int dialog_answer = 0;
  int connect_result = 0;
  int has_hss = 1;
  int dll_version = 51200;
  int caps_result = 0;
  int max_blocks = 100;
  int max_freq = 1000000;
  int hss_start_result = 0;
  int halted = 1;
  bool device_fails = false;
};

Fake& F() {
  static Fake fake;
  return fake;
}

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof(line), format, args);
  va_end(args);
  F().log += line;
  F().log += '\n';
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void FAKE_Set(const char* key, int value) {
  std::lock_guard<std::mutex> lock(F().mu);
  Fake& f = F();
  struct Entry {
    const char* key;
    int* field;
  };
  const Entry entries[] = {{"usb", &f.usb_result},        {"ip", &f.ip_result},
                           {"dialog", &f.dialog_answer},  {"connect", &f.connect_result},
                           {"has_hss", &f.has_hss},       {"version", &f.dll_version},
                           {"caps", &f.caps_result},      {"max_blocks", &f.max_blocks},
                           {"max_freq", &f.max_freq},     {"hss_start", &f.hss_start_result},
                           {"halted", &f.halted}};
  for (const Entry& e : entries) {
    if (std::strcmp(e.key, key) == 0) *e.field = value;
  }
  if (std::strcmp(key, "open_fails") == 0) f.open_fails = value != 0;
  if (std::strcmp(key, "device_fails") == 0) f.device_fails = value != 0;
  if (std::strcmp(key, "defaults") == 0) f.log.clear();
  if (std::strcmp(key, "defaults") == 0) {
    f.usb_result = f.ip_result = f.dialog_answer = f.connect_result = f.caps_result = 0;
    f.hss_start_result = 0;
    f.has_hss = 1;
    f.dll_version = 51200;
    f.max_blocks = 100;
    f.max_freq = 1000000;
    f.halted = 1;
    f.open_fails = f.device_fails = false;
  }
}

__attribute__((visibility("default"))) void FAKE_TakeLog(char* buffer, int size) {
  std::lock_guard<std::mutex> lock(F().mu);
  std::snprintf(buffer, static_cast<size_t>(size), "%s", F().log.c_str());
  F().log.clear();
}

const char* VELTRAARM_OpenEx(VELTRA_LOG_FUNC* log, VELTRA_LOG_FUNC* error) {
  std::lock_guard<std::mutex> lock(F().mu);
  Log("OpenEx(%s,%s)", log ? "log" : "null", error ? "error" : "null");
  return F().open_fails ? "no probe" : nullptr;
}
void VELTRAARM_Close(void) {
  std::lock_guard<std::mutex> lock(F().mu);
  Log("Close");
}
int VELTRAARM_IsOpen(void) { return 1; }
int VELTRAARM_EMU_SelectByUSBSN(uint32_t serial_no) {
  std::lock_guard<std::mutex> lock(F().mu);
  Log("SelectByUSBSN(%u)", serial_no);
  return F().usb_result;
}
int VELTRAARM_SelectIP(const char* host, int port) {
  std::lock_guard<std::mutex> lock(F().mu);
  Log("SelectIP(%s,%d)", host ? host : "null", port);
  return F().ip_result;
}
int VELTRAARM_ExecCommand(const char* cmd, char* err, int err_size) {
  std::lock_guard<std::mutex> lock(F().mu);
  Log("ExecCommand(%s,%s,%d)", cmd ? cmd : "null", err ? "buffer" : "null", err_size);
  if (err != nullptr && err_size > 0 && err[0] != '\0') Log("error buffer not cleared");
  if (err != nullptr && err_size > 0 && F().device_fails && std::strncmp(cmd, "device", 6) == 0) {
    std::snprintf(err, static_cast<size_t>(err_size), "unknown device");
    return -1;
  }
  return 0;
}
int VELTRAARM_DEVICE_SelectDialog(void* owner, uint32_t flags, VELTRA_DEVICE_INFO* info) {
  std::lock_guard<std::mutex> lock(F().mu);
  Log("SelectDialog(%s,%u,%s)", owner ? "owner" : "null", flags, info ? "info" : "null");
  return F().dialog_answer;
}
int VELTRAARM_DEVICE_GetInfo(int index, VELTRA_DEVICE_INFO* info) {
  std::lock_guard<std::mutex> lock(F().mu);
  Log("GetInfo(%d,size=%u)", index, info ? info->size : 0u);
  if (index < 0 || info == nullptr) return 3;
  static const char* const kNames[] = {"DEV0", "DEV1", "DEV2"};
  info->name = kNames[index % 3];
  return 0;
}
void VELTRAARM_TIF_Select(int tif) {
  std::lock_guard<std::mutex> lock(F().mu);
  Log("TIF_Select(%d)", tif);
}
void VELTRAARM_SetSpeed(uint32_t speed_khz) {
  std::lock_guard<std::mutex> lock(F().mu);
  Log("SetSpeed(%u)", speed_khz);
}
void VELTRAARM_ConfigJTAG(int ir_pre, int dr_pre) {
  std::lock_guard<std::mutex> lock(F().mu);
  Log("ConfigJTAG(%d,%d)", ir_pre, dr_pre);
}
int VELTRAARM_Connect(void) {
  std::lock_guard<std::mutex> lock(F().mu);
  Log("Connect");
  return F().connect_result;
}
int VELTRAARM_EMU_HasCapEx(int cap) {
  std::lock_guard<std::mutex> lock(F().mu);
  Log("HasCapEx(%d)", cap);
  return F().has_hss;
}
int VELTRAARM_GetDLLVersion(void) {
  std::lock_guard<std::mutex> lock(F().mu);
  Log("GetDLLVersion");
  return F().dll_version;
}
int VELTRAARM_GetSN(void) { return 4711; }
int VELTRAARM_IsHalted(void) { return 0; }
int VELTRAARM_ReadMem(uint32_t, uint32_t, void*) { return 1; }
int VELTRA_WriteMem(uint32_t, uint32_t, const void*) { return -1; }
int VELTRA_DownloadFile(const char*, uint32_t) { return -1; }
int VELTRA_IsHalted(void) {
  std::lock_guard<std::mutex> lock(F().mu);
  Log("IsHalted");
  return F().halted;
}
void VELTRA_Go(void) {
  std::lock_guard<std::mutex> lock(F().mu);
  Log("Go");
}
int VELTRA_HSS_GetCaps(VELTRA_HSS_CAPS* caps) {
  std::lock_guard<std::mutex> lock(F().mu);
  Log("HSS_GetCaps");
  caps->max_blocks = static_cast<uint32_t>(F().max_blocks);
  caps->max_freq_hz = static_cast<uint32_t>(F().max_freq);
  return F().caps_result;
}
int VELTRA_HSS_Start(VELTRA_HSS_BLOCK* blocks, int num_blocks, int period_us, int flags) {
  std::lock_guard<std::mutex> lock(F().mu);
  std::string list;
  for (int i = 0; i <= num_blocks; ++i) {  // the closing entry too
    char entry[64];
    std::snprintf(entry, sizeof(entry), "%s%X/%u", i ? " " : "", blocks[i].addr,
                  blocks[i].num_bytes);
    list += entry;
  }
  Log("HSS_Start([%s],%d,%d,%d)", list.c_str(), num_blocks, period_us, flags);
  return F().hss_start_result;
}
int VELTRA_HSS_Read(void*, uint32_t) { return -1; }
int VELTRA_HSS_Stop(void) { return 0; }

}  // extern "C"
