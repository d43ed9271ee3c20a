// vistro-cli sample: samples symbols of a running target through the sampling engine and
// writes the history as CSV (one row per HSS record).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/app_sampling.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "platform/sys_thread.h"
#include "probe/probe_library.h"
#include "tools/cli_command.h"
#include "tools/cli_engine_common.h"

namespace {

constexpr const char* kUsage =
    "sample ELF --symbol PATH [--symbol PATH]... [--period-us N] [--duration-ms N] [--download] "
    "[--csv FILE] [--device NAME] [--usb SN | --ip HOST[:PORT] | --openocd HOST:PORT] [--interface SWD|JTAG|FINE] "
    "[--speed KHZ] [--script FILE] [--sim COMMAND]...";

struct FileClose {
  void operator()(FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};

int Usage(const char* reason, const char* arg) {
  if (reason != nullptr) std::fprintf(stderr, "error: %s%s%s\n", reason, arg ? " " : "", arg ? arg : "");
  std::fprintf(stderr, "usage: vistro-cli %s\n", kUsage);
  return CLI_USAGE;
}

// Connects once, programs the target with the ELF file and lets it run, then disconnects.
bool Download(const CLI_Connection& connection, const char* elf) {
  if (!CLI_Connect(connection)) return false;
  bool ok = true;
  if (PROBE_VELTRA_DownloadFile(elf, 0) < 0) {
    SYS_WarningBox("Failed to program target with ELF file");
    ok = false;
  } else if (PROBE_VELTRA_IsHalted() > 0) {
    PROBE_VELTRA_Go();
  }
  CLI_Disconnect();
  return ok;
}

int RunSample(std::span<char* const> args) {
  CLI_Connection connection = CLI_DefaultConnection();
  const char* elf = nullptr;
  const char* csv = nullptr;
  std::vector<std::string> paths;
  uint32_t duration_ms = 1000;
  bool download = false;
  for (size_t i = 0; i < args.size();) {
    const int parsed = CLI_ParseConnectionOption(args, i, connection);
    if (parsed < 0) return Usage(nullptr, nullptr);
    if (parsed > 0) continue;
    const char* arg = args[i];
    const char* value = i + 1 < args.size() ? args[i + 1] : nullptr;
    if (std::strcmp(arg, "--download") == 0) {
      download = true;
      i += 1;
      continue;
    }
    if (std::strcmp(arg, "--symbol") == 0 || std::strcmp(arg, "--period-us") == 0 ||
        std::strcmp(arg, "--duration-ms") == 0 || std::strcmp(arg, "--csv") == 0) {
      if (value == nullptr) return Usage("missing value of", arg);
      if (std::strcmp(arg, "--symbol") == 0) {
        paths.emplace_back(value);
      } else if (std::strcmp(arg, "--period-us") == 0) {
        if (!CLI_ParsePositive(value, 1000000000u, connection.config.SamplingPeriod)) {
          return Usage("bad sampling period", value);
        }
      } else if (std::strcmp(arg, "--duration-ms") == 0) {
        if (!CLI_ParsePositive(value, 86400000u, duration_ms)) return Usage("bad duration", value);
      } else {
        csv = value;
      }
      i += 2;
      continue;
    }
    if (elf != nullptr || arg[0] == '-') return Usage("unknown argument", arg);
    elf = arg;
    i += 1;
  }
  if (elf == nullptr) return Usage("missing ELF file", nullptr);
  if (paths.empty()) return Usage("missing --symbol", nullptr);
  SYS_CopyText(connection.config.ElfFile, sizeof connection.config.ElfFile, elf);

  CLI_EngineSession session;
  int status = CLI_OpenSymbols(elf, paths, session);
  std::unique_ptr<FILE, FileClose> file;
  if (status == CLI_OK && csv != nullptr) {
    file.reset(std::fopen(csv, "w"));
    if (!file) {
      std::fprintf(stderr, "error: cannot create '%s': %s\n", csv, std::strerror(errno));
      status = CLI_FAILED;
    }
  }
  if (status == CLI_OK && !CLI_SendSimCommands(connection)) status = CLI_FAILED;
  if (status == CLI_OK && download && !Download(connection, elf)) status = CLI_FAILED;
  if (status == CLI_OK) {
    if (!CLI_StartSampling(connection, session)) {
      status = CLI_FAILED;
    } else {
      // Sleep in short steps: a read failure stops sampling early.
      for (uint32_t slept = 0; slept < duration_ms && APP_IsReading(); slept += 10) SYS_Sleep(10);
      if (!APP_IsReading()) {
        std::fprintf(stderr, "warning: sampling stopped early (the probe stopped delivering)\n");
        status = CLI_FAILED;
      }
      CLI_StopSampling();
      if (!CLI_WriteHistoryCsv(file ? file.get() : stdout, session.paths,
                               {session.symbols.begin(), session.symbols.end()})) {
        std::fprintf(stderr, "error: could not write the CSV output\n");
        status = CLI_FAILED;
      }
    }
  }
  CLI_CloseSymbols(session);
  return status;
}

}  // namespace

CLI_REGISTER("sample", kUsage, RunSample);
