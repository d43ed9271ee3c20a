#include "tools/cli_probe_common.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "platform/sys_text.h"
#include "probe/probe_library.h"
#include "probe/probe_session.h"

namespace {

bool ParseU32(const char* text, uint32_t& value) {
  if (text == nullptr || *text == '\0' || *text == '-' || *text == '+') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long parsed = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0' || parsed > UINT32_MAX) return false;
  value = static_cast<uint32_t>(parsed);
  return true;
}

// Copies an option value into a fixed field; refuses values that do not fit.
bool CopyValue(const char* option, const char* value, char* field, size_t size) {
  if (std::strlen(value) >= size) {
    std::fprintf(stderr, "error: %s value is longer than %zu characters\n", option, size - 1);
    return false;
  }
  SYS_CopyText(field, size, value);
  return true;
}

}  // namespace

bool CLI_ParsePositive(const char* text, uint32_t max, uint32_t& out) {
  if (text == nullptr || *text < '0' || *text > '9') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long v = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0' || v == 0 || v > max) return false;
  out = static_cast<uint32_t>(v);
  return true;
}

CLI_Connection CLI_DefaultConnection() {
  CLI_Connection connection;
  connection.config.Connection = PROBE_CONNECTION_USB;
  connection.config.TargetInterface = PROBE_TIF_SWD;
  connection.config.InterfaceSpeed = 4000;
  connection.config.SamplingPeriod = 1000;
  return connection;
}

int CLI_ParseConnectionOption(std::span<char* const> args, size_t& index, CLI_Connection& out) {
  static constexpr const char* kOptions[] = {"--device", "--usb",    "--ip",  "--openocd",
                                             "--interface", "--speed", "--script", "--sim"};
  const char* option = args[index];
  bool known = false;
  for (const char* o : kOptions) known = known || std::strcmp(option, o) == 0;
  if (!known) return 0;
  if (index + 1 >= args.size()) {
    std::fprintf(stderr, "error: %s needs a value\n", option);
    return -1;
  }
  const char* value = args[index + 1];
  index += 2;
  PROJECT_CONFIG& config = out.config;
  if (std::strcmp(option, "--device") == 0) {
    return CopyValue(option, value, config.TargetDevice, sizeof(config.TargetDevice)) ? 1 : -1;
  }
  if (std::strcmp(option, "--usb") == 0) {
    if (!ParseU32(value, config.SerialNo)) {
      std::fprintf(stderr, "error: bad serial number '%s'\n", value);
      return -1;
    }
    config.Connection = PROBE_CONNECTION_USB;
    return 1;
  }
  if (std::strcmp(option, "--ip") == 0) {
    if (*value == '\0') {
      std::fprintf(stderr, "error: --ip needs a host\n");
      return -1;
    }
    config.Connection = PROBE_CONNECTION_IP;
    return CopyValue(option, value, config.IP, sizeof(config.IP)) ? 1 : -1;
  }
  if (std::strcmp(option, "--openocd") == 0) {
    // The probe library reaches OpenOCD's Tcl port for a host text with this prefix.
    const std::string host = std::string(CLI_OPENOCD_PREFIX) + value;
    if (*value == '\0') {
      std::fprintf(stderr, "error: --openocd needs HOST:PORT\n");
      return -1;
    }
    config.Connection = PROBE_CONNECTION_IP;
    return CopyValue(option, host.c_str(), config.IP, sizeof(config.IP)) ? 1 : -1;
  }
  if (std::strcmp(option, "--interface") == 0) {
    struct Interface {
      const char* name;
      uint32_t id;
    };
    static constexpr Interface kInterfaces[] = {
        {"JTAG", PROBE_TIF_JTAG}, {"SWD", PROBE_TIF_SWD}, {"FINE", PROBE_TIF_FINE}};
    for (const Interface& i : kInterfaces) {
      if (strcasecmp(value, i.name) == 0) {
        config.TargetInterface = i.id;
        return 1;
      }
    }
    std::fprintf(stderr, "error: unknown interface '%s' (SWD, JTAG or FINE)\n", value);
    return -1;
  }
  if (std::strcmp(option, "--speed") == 0) {
    if (!ParseU32(value, config.InterfaceSpeed) || config.InterfaceSpeed == 0) {
      std::fprintf(stderr, "error: bad interface speed '%s'\n", value);
      return -1;
    }
    return 1;
  }
  if (std::strcmp(option, "--script") == 0) {
    return CopyValue(option, value, config.ScriptFile, sizeof(config.ScriptFile)) ? 1 : -1;
  }
  out.sim_commands.emplace_back(value);  // --sim
  return 1;
}

bool CLI_SendSimCommands(const CLI_Connection& connection) {
  if (connection.sim_commands.empty()) return true;
  if (!PROBE_LoadLibrary(false)) {
    std::fprintf(stderr, "error: Failed to load Veltra library.\n");
    return false;
  }
  for (const std::string& command : connection.sim_commands) {
    char error[1024] = {};
    const int result =
        PROBE_VELTRAARM_ExecCommand(command.c_str(), error, static_cast<int>(sizeof(error)));
    if (error[0] != '\0' || result < 0) {
      std::fprintf(stderr, "error: probe command '%s' failed: %s\n", command.c_str(),
                   error[0] != '\0' ? error : "no reason given");
      return false;
    }
  }
  return true;
}

bool CLI_Connect(const CLI_Connection& connection) {
  PROBE_SetConfiguration(connection.config);
  return PROBE_Connect() >= 0;
}

void CLI_Disconnect() {
  if (PROBE_IsHSSRunning()) {
    if (PROBE_GetSessionConfiguration().ExistingSession == 0) PROBE_VELTRA_HSS_Stop();
    PROBE_SetHSSRunning(false);
  }
  PROBE_FreeHSSBlockList();
  PROBE_Disconnect();
}
