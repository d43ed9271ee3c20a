#include "tools/cli_headless_common.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <string>

#include <unistd.h>

#include "core/app_sampling.h"
#include "platform/sys_msgbox.h"
#include "tools/cli_command.h"

namespace {

int g_argc = 1;
char g_name[] = "vistro-cli";
char* g_argv[] = {g_name, nullptr};

// Ctrl+C or a terminating CI job ends Run mode as if the time were up, so that the history
// taken so far is still written.
void StopOnSignal(int) { HeadlessSession::RequestStop(); }

}  // namespace

CLI_HeadlessApp::CLI_HeadlessApp() {
  // Render and run draw into images only: no screen is needed, and the same platform
  // everywhere gives the same pictures.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  app_ = std::make_unique<QApplication>(g_argc, g_argv);
  struct sigaction action {};
  action.sa_handler = StopOnSignal;
  action.sa_flags = SA_RESTART;  // the probe's socket calls go on
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

CLI_HeadlessApp::~CLI_HeadlessApp() = default;

int CLI_TakeProjectArg(std::span<char* const> args, size_t& index, CLI_ProjectArgs& out) {
  const size_t first = index;
  const int parsed = CLI_ParseConnectionOption(args, index, out.overrides.checked);
  if (parsed != 0) {
    // Kept for CLI_OpenProject, which lays them over the project's own settings.
    if (parsed > 0) out.overrides.args.insert(out.overrides.args.end(), args.begin() + first, args.begin() + index);
    return parsed > 0 ? 1 : -1;
  }
  const char* arg = args[index];
  if (std::strcmp(arg, "--download") == 0) {
    out.download = true;
  } else if (out.file == nullptr && arg[0] != '-') {
    out.file = arg;
  } else {
    return 0;
  }
  index += 1;
  return 1;
}

int CLI_Usage(const char* usage, const char* reason, const char* arg) {
  if (reason != nullptr) std::fprintf(stderr, "error: %s%s%s\n", reason, arg ? " " : "", arg ? arg : "");
  std::fprintf(stderr, "usage: vistro-cli %s\n", usage);
  return CLI_USAGE;
}

bool CLI_CheckWritable(const char* path) {
  std::string folder(path);
  const size_t slash = folder.rfind('/');
  folder = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
  if (access(folder.c_str(), W_OK) == 0) return true;
  SYS_ErrorBoxF("Cannot write the file '%.200s': %.200s", path, std::strerror(errno));
  return false;
}

int CLI_OpenProject(HeadlessSession& session, const CLI_ProjectArgs& project) {
  if (!session.Open(project.file)) return CLI_FAILED;
  const CLI_ConnectionOverrides& overrides = project.overrides;
  if (overrides.args.empty()) return CLI_OK;
  CLI_Connection connection;
  connection.config = session.Configuration();
  // The options were checked when they were taken: parsing them again cannot fail.
  for (size_t i = 0; i < overrides.args.size();) {
    CLI_ParseConnectionOption(overrides.args, i, connection);
  }
  session.SetConfiguration(connection.config);
  return CLI_OK;
}

int CLI_RunProject(HeadlessSession& session, const CLI_ProjectArgs& project, uint32_t ms) {
  if (!CLI_SendSimCommands(project.overrides.checked)) return CLI_FAILED;
  if (!session.EnterRunMode(project.download)) return CLI_FAILED;
  // Attaching leaves the target as it is: a halted (or never programmed) target gives no
  // running values, which is easy to take for a broken firmware.
  if (!APP_IsTargetRunning()) {
    std::fprintf(stderr, "warning: the target is halted; --download programs and starts it\n");
  }
  if (!session.RunFor(ms)) {
    std::fprintf(stderr, "warning: sampling stopped early (the probe stopped delivering)\n");
    return CLI_FAILED;
  }
  if (HeadlessSession::StopRequested()) {
    std::fprintf(stderr, "warning: interrupted; Run mode ended early\n");
    return CLI_FAILED;
  }
  return CLI_OK;
}
