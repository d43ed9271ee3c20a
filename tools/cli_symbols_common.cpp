// Opening an ELF file for the symbol subcommands, with the reader's sink and log captured.
#include "tools/cli_symbols_common.h"

#include <cstdio>

#include "symbols/elf_reader.h"

namespace {

void Sink(const ELF_MESSAGE& m, void* user) {
  auto& capture = *static_cast<CLI_ElfCapture*>(user);
  char line[1024];
  if (m.from_library) {
    std::snprintf(line, sizeof line, "error %d: libdwarf: %s", m.code, m.text);
  } else {
    std::snprintf(line, sizeof line, "error %d: %s", m.code, m.text);
  }
  capture.errors.emplace_back(line);
}

void Log(const char* line, void* user) {
  static_cast<CLI_ElfCapture*>(user)->log_lines.emplace_back(line);
}

}  // namespace

ELF_FILE* CLI_OpenElfCaptured(const char* path, CLI_ElfCapture& capture, bool with_log) {
  ELF_SetMessageSink(Sink, &capture);
  if (with_log) ELF_SetDebugLogHook(Log, &capture);
  ELF_FILE* elf = ELF_Open(path, true);
  ELF_SetMessageSink(nullptr, nullptr);
  ELF_SetDebugLogHook(nullptr, nullptr);
  return elf;
}
