// vistro-cli info ELF: the parse statistics of the debug information database, then one line
// "error CODE: TEXT" per error the reader reported. An open failure prints the reader's
// error to stderr and exits 1.
#include <cstdio>

#include "symbols/elf_reader.h"
#include "tools/cli_command.h"
#include "tools/cli_symbols_common.h"

namespace {

int RunInfo(std::span<char* const> args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: vistro-cli info ELF\n");
    return CLI_USAGE;
  }
  CLI_ElfCapture capture;
  ELF_FILE* elf = CLI_OpenElfCaptured(args[0], capture, true);
  if (!elf) {
    for (const std::string& e : capture.errors) std::fprintf(stderr, "%s\n", e.c_str());
    return CLI_FAILED;
  }
  for (const std::string& line : capture.log_lines) std::printf("%s\n", line.c_str());
  for (const std::string& e : capture.errors) std::printf("%s\n", e.c_str());
  ELF_Close(elf);
  return CLI_OK;
}

}  // namespace

CLI_REGISTER("info", "info ELF", RunInfo);
