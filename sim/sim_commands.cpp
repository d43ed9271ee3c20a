#include "sim/sim_session.h"

#include <charconv>
#include <cstdio>

#include "sim/sim_devices.h"
#include "sim/sim_text.h"

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
  return s;
}


template <class T>
bool ParseNumber(std::string_view text, T& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

// Simulator controls that take one integer.
struct IntControl {
  const char* key;
  int64_t min;
  int64_t max;
  void (*apply)(SIM_Controls&, int64_t);
};

const IntControl kIntControls[] = {
    {"SimHSS", 0, 1, [](SIM_Controls& c, int64_t v) { c.hss_capable = v != 0; }},
    {"SimHSSMaxBlocks", 0, 100000, [](SIM_Controls& c, int64_t v) { c.hss_max_blocks = uint32_t(v); }},
    {"SimHSSMaxFreq", 0, 100000000, [](SIM_Controls& c, int64_t v) { c.hss_max_freq_hz = uint32_t(v); }},
    {"SimHSSMaxRecordBytes", 4, 1 << 24, [](SIM_Controls& c, int64_t v) { c.hss_max_record_bytes = uint32_t(v); }},
    {"SimHSSReadFailAfter", -1, INT64_MAX, [](SIM_Controls& c, int64_t v) { c.hss_read_fail_after = v; }},
    {"SimHSSCapsFail", 0, 1, [](SIM_Controls& c, int64_t v) { c.hss_caps_fail = v != 0; }},
    {"SimHSSStartFail", -1000, 0, [](SIM_Controls& c, int64_t v) { c.hss_start_result = int(v); }},
    {"SimOpenFail", 0, 1, [](SIM_Controls& c, int64_t v) { c.open_fail = v != 0; }},
    {"SimConnectFail", 0, 1, [](SIM_Controls& c, int64_t v) { c.connect_fail = v != 0; }},
    {"SimWriteFail", 0, 1, [](SIM_Controls& c, int64_t v) { c.write_fail = v != 0; }},
    {"SimDownloadFail", 0, 1, [](SIM_Controls& c, int64_t v) { c.download_fail = v != 0; }},
    {"SimDeviceDialog", -1, 1 << 20, [](SIM_Controls& c, int64_t v) { c.dialog_answer = int(v); }},
    {"SimClock", 1, SIM_Target::kMaxClockIpus, [](SIM_Controls& c, int64_t v) { c.clock_ipus = uint32_t(v); }},
    {"SimDLLVersion", 0, INT32_MAX, [](SIM_Controls& c, int64_t v) { c.dll_version = int(v); }},
    {"SimSerialNo", 1, INT32_MAX, [](SIM_Controls& c, int64_t v) { c.serial_no = int(v); }},
};

int Fail(std::string& error, std::string text) {
  error = std::move(text);
  return -1;
}

// Commands acting on the connected core.
int CoreCommand(SIM_Session& s, std::string_view key, std::string& error) {
  if (!s.connected || !s.link) return Fail(error, "Not connected to a target");
  int r = -1;
  if (SIM_EqualNoCase(key, "SimHalt")) r = s.link->Halt();
  else if (SIM_EqualNoCase(key, "SimGo")) r = s.link->Go();
  else if (SIM_EqualNoCase(key, "SimReset")) r = s.link->Reset();
  return r < 0 ? Fail(error, "Target does not respond") : 0;
}

}  // namespace

int SIM_ExecCommand(SIM_Session& s, std::string_view command, std::string& error) {
  const std::string_view text = Trim(command);
  const size_t eq = text.find('=');
  const std::string_view key = Trim(text.substr(0, eq));
  const std::string_view value = eq == std::string_view::npos ? std::string_view() : Trim(text.substr(eq + 1));
  if (key.empty()) return Fail(error, "Empty command");

  if (SIM_EqualNoCase(key, "SetMSGBoxTimeout") || SIM_EqualNoCase(key, "SetSkipInitECCRAMOnConnect")) {
    int64_t v = 0;
    if (!ParseNumber(value, v)) return Fail(error, std::string(key) + ": number expected");
    return 0;
  }
  if (SIM_EqualNoCase(key, "device")) {
    const int index = SIM_FindDevice(value);
    if (index < 0 && !s.use_openocd) return Fail(error, "Unknown device '" + std::string(value) + "'");
    if (value.empty()) return Fail(error, "device: name expected");
    s.device_index = index;
    s.device_name = std::string(value);
    return 0;
  }
  if (SIM_EqualNoCase(key, "ScriptFile")) {
    if (value.empty()) return Fail(error, "ScriptFile: file name expected");
    const std::string path(value);
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return Fail(error, "Cannot open script file '" + path + "'");
    std::fclose(f);
    s.script_file = path;
    return 0;
  }
  if (SIM_EqualNoCase(key, "SimDefaults")) {
    s.controls = SIM_Controls{};
    if (s.link) s.link->SetClock(s.controls.clock_ipus);
    return 0;
  }
  if (SIM_EqualNoCase(key, "SimHalt") || SIM_EqualNoCase(key, "SimGo") || SIM_EqualNoCase(key, "SimReset"))
    return CoreCommand(s, key, error);
  for (const IntControl& c : kIntControls) {
    if (!SIM_EqualNoCase(key, c.key)) continue;
    int64_t v = 0;
    if (!ParseNumber(value, v) || v < c.min || v > c.max) {
      char text_buf[128];
      std::snprintf(text_buf, sizeof text_buf, "%s: number from %lld to %lld expected", c.key, (long long)c.min,
                    (long long)c.max);
      return Fail(error, text_buf);
    }
    c.apply(s.controls, v);
    if (SIM_EqualNoCase(key, "SimClock") && s.link && s.link->SetClock(s.controls.clock_ipus) < 0)
      return Fail(error, "Target does not respond");
    return 0;
  }
  return Fail(error, "Unknown command '" + std::string(key) + "'");
}
