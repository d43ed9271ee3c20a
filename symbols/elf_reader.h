// ELF image reader: the bottom layer of the symbol database.
//
// Opens a firmware image (an ELF executable, 32 or 64 bit, either byte order), reads it into
// memory once, converts its header, program headers, section headers and symbol tables into
// fixed 64-bit host records and keeps them in a file handle. With the full parse flag the
// debug information database (dwarf_db.h) is built on the handle before ELF_Open returns.
//
// Usage:
//   ELF_FILE* elf = ELF_Open(path, true);           // null on failure (reported to the sink)
//   for (uint64_t i = 0; i < DWARF_GetCategoryCount(elf, DWARF_CAT_VARIABLES); ++i) ...
//   ELF_Close(elf);
//
// At most two files are open at a time (ELF_MAX_OPEN_FILES slots). Not thread-safe: callers
// use it from one thread (the application's worker). Every accessor checks its handle
// against the slot table and fails (0, -1, "" or null) for a handle that is not open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "symbols/symbol_handle.h"

struct ELF_FILE;  // file handle record; owned by the reader from ELF_Open to ELF_Close

constexpr int ELF_MAX_OPEN_FILES = 2;

// Error codes; ELF_GetErrorText gives the fixed text ("" outside the table).
enum : int {
  ELF_ERR_INVALID_HANDLE = 43,
  ELF_ERR_RECURSION_LIMIT = 44,
  ELF_ERR_CONST_VALUE_SIZE = 45,
  ELF_ERR_IMPLICIT_VALUE_SIZE = 46,
  ELF_ERR_ENTRY_VALUE = 47,
  ELF_ERR_TOO_MANY_PARTS = 48,
  ELF_ERR_BIT_PIECE = 49,
  ELF_ERR_LOCATION_ELEMENT = 50,
  ELF_ERR_TYPE_UNIT = 51,
  ELF_ERR_COMPILATION_UNIT = 52,
  ELF_ERR_DWARF5 = 53,
  ELF_ERR_SOURCE_FILES = 54,
  ELF_ERR_SOURCE_LINES = 55,
  ELF_ERR_MACROS = 56,
  ELF_ERR_CALL_FRAME = 57,
  ELF_ERR_NAME_INDEX = 58,
  ELF_ERR_CFA_EXPRESSION = 59,
  ELF_ERR_CFA_VAL_EXPRESSION = 60,
  ELF_ERR_CFA_RULE = 61,
  ELF_ERR_ENTRY_AT_OFFSET = 62,
  ELF_ERR_NO_MAGIC = 63,
  ELF_ERR_NOT_EXECUTABLE = 64,
  ELF_ERR_CLASS_NONE = 65,
  ELF_ERR_DATA_NONE = 66,
  ELF_ERR_HEADER_VERSION = 67,
  ELF_ERR_FILE_VERSION = 68,
  ELF_ERR_TOO_MANY_FILES = 69,
  ELF_ERR_OPEN_FAILED = 70,
  ELF_ERR_FILE_SIZE = 71,
  ELF_ERR_OUT_OF_MEMORY = 72,
  ELF_ERR_READ = 73,  // also: a header, table or compressed section lies outside the file
  ELF_ERR_LIBDWARF_INIT = 74,
};

const char* ELF_GetErrorText(int code);

// A reported error. `code` is one of ELF_ERR_* or, for errors raised inside the DWARF
// library, the library's own error number (then `from_library` is true). Details are short
// strings such as "0x1A2B" and "debug.info"; unused ones are null. Valid during the call.
struct ELF_MESSAGE {
  int code = 0;
  bool from_library = false;
  const char* text = "";
  const char* details[4] = {};
};

// The message sink: receives every reported error. None is installed by default (reporting
// then does nothing). Returns the previous sink.
using ELF_MessageSink = void (*)(const ELF_MESSAGE& message, void* user);
void ELF_SetMessageSink(ELF_MessageSink sink, void* user);

// The debug log hook: receives diagnostic lines (the parse statistics, sanity-check notes).
// None is installed by default.
using ELF_DebugLogHook = void (*)(const char* line, void* user);
void ELF_SetDebugLogHook(ELF_DebugLogHook hook, void* user);

// Opens a file. Returns null on failure after reporting the error; a failing DWARF parse
// does not fail the open (the handle then holds fewer or no debug entries).
ELF_FILE* ELF_Open(const char* path, bool full_parse);
// Opens an in-memory image (copied). Same checks and results as ELF_Open; for tests and
// fuzzing.
ELF_FILE* ELF_OpenImage(std::span<const uint8_t> image, bool full_parse);
// Frees everything of the handle, including its debug database. Unknown handles are ignored.
void ELF_Close(ELF_FILE* elf);
// The most recently opened handle, or null after it was closed.
ELF_FILE* ELF_GetCurrentFile();
// True when `elf` is an open, ready handle.
bool ELF_IsOpen(const ELF_FILE* elf);
// The slot of an open handle (0 or 1), -1 otherwise; and the handle in a slot (or null).
int ELF_GetSlot(const ELF_FILE* elf);
ELF_FILE* ELF_GetFileInSlot(uint32_t slot);

// Header. Data encoding: 0 little endian, 1 big endian, 2 unknown.
uint32_t ELF_GetClass(const ELF_FILE* elf);  // 1: 32-bit, 2: 64-bit
uint32_t ELF_GetDataEncoding(const ELF_FILE* elf);
const char* ELF_GetDataEncodingText(uint32_t encoding);  // "Little Endian", ...
uint32_t ELF_GetType(const ELF_FILE* elf);
uint32_t ELF_GetMachine(const ELF_FILE* elf);
uint32_t ELF_GetFlags(const ELF_FILE* elf);
uint32_t ELF_GetIdentVersion(const ELF_FILE* elf);
uint32_t ELF_GetVersion(const ELF_FILE* elf);
uint64_t ELF_GetEntryPoint(const ELF_FILE* elf);
uint64_t ELF_GetFileSize(const ELF_FILE* elf);

// Sections by index. The count honours extended numbering (0 in the header: section 0's
// size). The size is clamped so that address + size does not pass 2^64 - 1. The address of
// an index out of range is all ones. Data is null for an empty or out-of-file section and
// for SHT_NOBITS; it points into the image and lives until close.
uint32_t ELF_GetSectionCount(const ELF_FILE* elf);
const char* ELF_GetSectionName(const ELF_FILE* elf, uint32_t index);
uint32_t ELF_GetSectionType(const ELF_FILE* elf, uint32_t index);
uint64_t ELF_GetSectionFlags(const ELF_FILE* elf, uint32_t index);
uint64_t ELF_GetSectionAddress(const ELF_FILE* elf, uint32_t index);
uint64_t ELF_GetSectionFileOffset(const ELF_FILE* elf, uint32_t index);
uint64_t ELF_GetSectionSize(const ELF_FILE* elf, uint32_t index);
uint64_t ELF_GetSectionEntrySize(const ELF_FILE* elf, uint32_t index);
const uint8_t* ELF_GetSectionData(const ELF_FILE* elf, uint32_t index);
// Index of the first section named exactly `name`, or -1.
int64_t ELF_FindSection(const ELF_FILE* elf, const char* name);

// Program headers by index.
uint32_t ELF_GetProgramHeaderCount(const ELF_FILE* elf);
uint32_t ELF_GetProgramHeaderType(const ELF_FILE* elf, uint32_t index);
uint32_t ELF_GetProgramHeaderFlags(const ELF_FILE* elf, uint32_t index);
uint64_t ELF_GetProgramHeaderFileOffset(const ELF_FILE* elf, uint32_t index);
uint64_t ELF_GetProgramHeaderVirtualAddress(const ELF_FILE* elf, uint32_t index);
uint64_t ELF_GetProgramHeaderPhysicalAddress(const ELF_FILE* elf, uint32_t index);
uint64_t ELF_GetProgramHeaderFileSize(const ELF_FILE* elf, uint32_t index);
uint64_t ELF_GetProgramHeaderMemorySize(const ELF_FILE* elf, uint32_t index);

// ELF symbols of all symbol tables (.symtab and .dynsym), in section order. The section
// index is -1 when an extended index (0xFFFF) has no valid .symtab_shndx entry. Sizes of
// data objects and functions that the file gives as 0 are derived from their neighbours.
uint32_t ELF_GetSymbolCount(const ELF_FILE* elf);
const char* ELF_GetSymbolName(const ELF_FILE* elf, uint32_t index);  // "" when none
uint32_t ELF_GetSymbolType(const ELF_FILE* elf, uint32_t index);     // STT_*
int64_t ELF_GetSymbolSectionIndex(const ELF_FILE* elf, uint32_t index);
uint64_t ELF_GetSymbolAddress(const ELF_FILE* elf, uint32_t index);
uint64_t ELF_GetSymbolSize(const ELF_FILE* elf, uint32_t index);
// The tagged handle of symbol `index`; SYM_NONE at or beyond the symbol count.
SYM_HANDLE ELF_GetSymbolHandle(const ELF_FILE* elf, uint32_t index);
// Function symbols (types 2 and 13, valid address, one per address, no "?"/"$" names) and
// file symbols (type 4), both in address order, as symbol indices.
std::span<const uint32_t> ELF_GetFunctionSymbols(const ELF_FILE* elf);
std::span<const uint32_t> ELF_GetFileSymbols(const ELF_FILE* elf);
