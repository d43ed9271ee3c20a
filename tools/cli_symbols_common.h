// Shared by the symbol subcommands of vistro-cli: opening an ELF file with the reader's
// messages and debug log captured.
#pragma once

#include <string>
#include <vector>

struct ELF_FILE;

struct CLI_ElfCapture {
  std::vector<std::string> log_lines;  // debug log lines (parse statistics)
  std::vector<std::string> errors;     // "error CODE: TEXT", in report order
};

// Opens `path` with the full parse while capturing messages into `capture`, and, with
// `with_log`, the debug log (the parse then also reads source lines, macros and frames for
// its statistics). Null on failure (the capture then holds the reader's error).
ELF_FILE* CLI_OpenElfCaptured(const char* path, CLI_ElfCapture& capture, bool with_log = false);
