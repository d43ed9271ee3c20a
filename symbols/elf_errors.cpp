// Error texts, the message sink and the debug log hook of the ELF reader.
#include <cstdarg>
#include <cstdio>

#include "symbols/elf_internal.h"

namespace {

struct ErrorText {
  int code;
  const char* text;
};

constexpr ErrorText kErrors[] = {
    {43, "Invalid ELF file handle"},
    {44, "Recursion limit exceeded in ELF parser"},
    {45, "Symbol constant value data exceeds allocation size limit"},
    {46, "DW_OP_implicit_value with data size greater than 8 bytes is not supported"},
    {47, "DW_OP_entry_value opcode encountered that does not specify an entry location"},
    {48, "symbol location description contains more parts than can be stored"},
    {49, "byte-unaligned symbol data pieces not yet supported"},
    {50, "failed to parse location description element"},
    {51, "could not parse debug info for type unit"},
    {52, "could not parse debug info for compilation unit"},
    {53, "compilation unit with DWARF5 debug information detected - DWARF5 is not yet fully "
         "supported"},
    {54, "could not parse source file info for compilation unit"},
    {55, "could not parse source line info for compilation unit"},
    {56, "could not parse macro information"},
    {57, "could not parse call frame info for compilation unit"},
    {58, "could not initialize symbol name index"},
    {59, "evaluation of opcode 'DW_EXPR_EXPRESSION' not yet implemented"},
    {60, "evaluation of opcode 'DW_EXPR_VAL_EXPRESSION' not yet implemented"},
    {61, "unknown cfi register table value type"},
    {62, "a debug information entry (DIE) at a specific data section offset could not be "
         "parsed/generated"},
    {63, "file not tagged with ELF magic number"},
    {64, "not an executable ELF file"},
    {65, "file class is ELF_CLASS_NONE"},
    {66, "data encoding is ELF_DATA_NONE"},
    {67, "header version number is not EV_CURRENT"},
    {68, "unsupported file version number"},
    {69, "a maximum number of ELF files are already open"},
    {70, "file could not be opened for reading"},
    {71, "unexpected file size"},
    {72, "parser is out of memory"},
    {73, "error reading file data"},
    {74, "failed to initialize libdwarf library"},
};

ELF_MessageSink g_sink = nullptr;
void* g_sink_user = nullptr;
ELF_DebugLogHook g_log_hook = nullptr;
void* g_log_user = nullptr;
bool g_muted = false;

}  // namespace

const char* ELF_GetErrorText(int code) {
  for (const ErrorText& e : kErrors) {
    if (e.code == code) return e.text;
  }
  return "";
}

void ELF_SetMessageSink(ELF_MessageSink sink, void* user) {
  g_sink = sink;
  g_sink_user = user;
}

void ELF_SetDebugLogHook(ELF_DebugLogHook hook, void* user) {
  g_log_hook = hook;
  g_log_user = user;
}

void ELF_MuteReports(bool muted) { g_muted = muted; }

void ELF_Report(int code, const char* detail0, const char* detail1) {
  if (!g_sink || g_muted) return;
  ELF_MESSAGE m;
  m.code = code;
  m.text = ELF_GetErrorText(code);
  m.details[0] = detail0;
  m.details[1] = detail1;
  g_sink(m, g_sink_user);
}

void ELF_ReportLibrary(int code, const char* text, const char* detail0) {
  if (!g_sink || g_muted) return;
  ELF_MESSAGE m;
  m.code = code;
  m.from_library = true;
  m.text = text ? text : "";
  m.details[0] = detail0;
  g_sink(m, g_sink_user);
}

bool ELF_DebugLogEnabled() { return g_log_hook != nullptr; }

void ELF_DebugLog(const char* format, ...) {
  if (!g_log_hook) return;
  char line[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  g_log_hook(line, g_log_user);
}
