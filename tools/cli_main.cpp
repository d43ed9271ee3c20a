// vistro-cli: the headless face of the core. Dispatches to the registered subcommands.
#include <cstdio>
#include <cstring>
#include <span>
#include <vector>

#include "tools/cli_command.h"

namespace {

std::vector<CLI_Command>& Commands() {
  static std::vector<CLI_Command> commands;
  return commands;
}

void PrintUsage(FILE* out) {
  std::fprintf(out, "usage: vistro-cli COMMAND [ARGS]\ncommands:\n");
  for (const CLI_Command& c : Commands()) std::fprintf(out, "  %s\n", c.usage);
}

}  // namespace

void CLI_RegisterCommand(const CLI_Command& command) { Commands().push_back(command); }

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return CLI_USAGE;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0) {
    PrintUsage(stdout);
    return CLI_OK;
  }
  for (const CLI_Command& c : Commands()) {
    if (std::strcmp(c.name, argv[1]) == 0) {
      return c.run(std::span<char* const>(argv + 2, static_cast<size_t>(argc - 2)));
    }
  }
  std::fprintf(stderr, "error: unknown command '%s'\n", argv[1]);
  PrintUsage(stderr);
  return CLI_USAGE;
}
