// vistro-cli run: Run mode of a project without a window. Connects with the project's
// settings (the options given here override them), samples the active symbols, runs the
// scripts, timers and the controls' Run-entry writes for the duration, stops, and writes the
// history as CSV in `sample`'s format, one column per active symbol named by its name.
#include <QString>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/app_active_list.h"
#include "core/app_sampling.h"
#include "modules/history_export.h"
#include "tools/cli_command.h"
#include "tools/cli_engine_common.h"
#include "tools/cli_headless_common.h"

namespace {

constexpr const char* kUsage =
    "run FILE --duration-ms N [--csv OUT] [--download] [--device NAME] [--usb SN | --ip "
    "HOST[:PORT] | --openocd HOST:PORT] [--interface SWD|JTAG|FINE] [--speed KHZ] [--script FILE] "
    "[--sim COMMAND]...";

// The history of the active list: to the file (replaced only when complete) or to stdout.
bool WriteHistory(const char* csv) {
  const std::vector<const ACTIVE_SYMBOL*> symbols = APP_GetActiveSymbols();
  if (csv != nullptr) {
    return HISTORY_ExportCsv(nullptr, QString::fromLocal8Bit(csv), symbols, 0, APP_HISTORY_SLOTS);
  }
  std::vector<std::string> names;
  for (const ACTIVE_SYMBOL* s : symbols) names.emplace_back(s->Name);
  if (CLI_WriteHistoryCsv(stdout, names, symbols)) return true;
  std::fprintf(stderr, "error: could not write the CSV output\n");
  return false;
}

int RunRun(std::span<char* const> args) {
  CLI_ProjectArgs project;
  const char* csv = nullptr;
  uint32_t duration_ms = 0;
  for (size_t i = 0; i < args.size();) {
    const int taken = CLI_TakeProjectArg(args, i, project);
    if (taken < 0) return CLI_Usage(kUsage, nullptr, nullptr);
    if (taken > 0) continue;
    const char* arg = args[i];
    const char* value = i + 1 < args.size() ? args[i + 1] : nullptr;
    if (std::strcmp(arg, "--duration-ms") != 0 && std::strcmp(arg, "--csv") != 0) {
      return CLI_Usage(kUsage, "unknown argument", arg);
    }
    if (value == nullptr) return CLI_Usage(kUsage, "missing value of", arg);
    if (std::strcmp(arg, "--csv") == 0) {
      csv = value;
    } else if (!CLI_ParsePositive(value, 86400000u, duration_ms)) {
      return CLI_Usage(kUsage, "bad duration", value);
    }
    i += 2;
  }
  if (project.file == nullptr) return CLI_Usage(kUsage, "missing project file", nullptr);
  if (duration_ms == 0) return CLI_Usage(kUsage, "missing --duration-ms", nullptr);

  if (csv != nullptr && !CLI_CheckWritable(csv)) return CLI_FAILED;

  CLI_HeadlessApp app;
  HeadlessSession session;
  int status = CLI_OpenProject(session, project);
  if (status != CLI_OK) return status;
  status = CLI_RunProject(session, project, duration_ms);
  // What was sampled is kept, also when the run ended early.
  const bool sampled = session.IsRunMode();
  session.LeaveRunMode();
  if (sampled && !WriteHistory(csv)) status = CLI_FAILED;
  return status;
}

}  // namespace

CLI_REGISTER("run", kUsage, RunRun);
