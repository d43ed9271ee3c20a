// Shared by `vistro-cli render` and `vistro-cli run`: the Qt application they need without a
// screen, the connection options given on the command line laid over the project's own
// settings, and Run mode for a while.
#pragma once

#include <QApplication>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "tools/cli_probe_common.h"
#include "tools/headless/headless_session.h"

// The QApplication of a headless command, always on the offscreen platform.
class CLI_HeadlessApp {
 public:
  CLI_HeadlessApp();
  ~CLI_HeadlessApp();

 private:
  std::unique_ptr<QApplication> app_;
};

// Connection options in the order given; they change only what they name.
struct CLI_ConnectionOverrides {
  std::vector<char*> args;
  CLI_Connection checked = CLI_DefaultConnection();  // the options applied to the defaults
};
// What every project command takes: the project file, --download and connection options.
struct CLI_ProjectArgs {
  const char* file = nullptr;
  bool download = false;
  CLI_ConnectionOverrides overrides;
};
// Takes one such argument at args[index] and moves past it: 1 taken, 0 not one of them
// (index unchanged), -1 bad (the reason has been printed).
int CLI_TakeProjectArg(std::span<char* const> args, size_t& index, CLI_ProjectArgs& out);
// Prints "error: REASON ARG" (when given) and the usage line; CLI_USAGE.
int CLI_Usage(const char* usage, const char* reason, const char* arg);

// Whether a file can be created at `path` (its folder exists and is writable), checked before
// a long run rather than after it. False after "Cannot write the file ...".
bool CLI_CheckWritable(const char* path);

// Opens the project in the session and lays the overrides over its connection settings.
// CLI_OK, or CLI_FAILED after the loader's message.
int CLI_OpenProject(HeadlessSession& session, const CLI_ProjectArgs& project);
// Sends the --sim commands, enters Run mode (programming the target first when asked) and
// lets it run for `ms`. CLI_OK, or CLI_FAILED after the system's messages; the session may
// then be in Run mode with the history taken so far.
int CLI_RunProject(HeadlessSession& session, const CLI_ProjectArgs& project, uint32_t ms);
