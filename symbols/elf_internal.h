// Internal records of the ELF reader, shared by the reader, the debug information database
// and the location code. Not for use outside symbols/.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "symbols/elf_reader.h"

struct ELF_HEADER {
  uint8_t ident[16] = {};
  uint16_t type = 0;
  uint16_t machine = 0;
  uint32_t version = 0;
  uint64_t entry = 0;
  uint64_t phoff = 0;
  uint64_t shoff = 0;
  uint32_t flags = 0;
  uint16_t ehsize = 0;
  uint16_t phentsize = 0;
  uint16_t phnum = 0;
  uint16_t shentsize = 0;
  uint16_t shnum = 0;
  uint16_t shstrndx = 0;
};

struct ELF_PROGRAM_HEADER {
  uint32_t type = 0;
  uint32_t flags = 0;
  uint64_t offset = 0;
  uint64_t vaddr = 0;
  uint64_t paddr = 0;
  uint64_t filesz = 0;
  uint64_t memsz = 0;
  uint64_t align = 0;
};

struct ELF_SECTION {
  uint32_t name = 0;
  uint32_t type = 0;
  uint64_t flags = 0;
  uint64_t addr = 0;
  uint64_t offset = 0;
  uint64_t size = 0;
  uint32_t link = 0;
  uint32_t info = 0;
  uint64_t addralign = 0;
  uint64_t entsize = 0;
};

struct ELF_SYMBOL {
  uint32_t name = 0;
  uint8_t info = 0;
  uint8_t other = 0;
  uint16_t shndx = 0;
  uint64_t value = 0;
  uint64_t size = 0;
  uint32_t strtab = 0;  // section index of the string table of the symbol's table
  uint32_t shndx_entry = 0xFFFFFFFFu;  // index into .symtab_shndx (symbols of .symtab only)
};

struct DWARF_STATE;  // dwarf_internal.h
struct DWARF_STATE_DELETER {
  void operator()(DWARF_STATE* state) const;
};

// A section as the DWARF library sees it: the image bytes, or a decoded copy when the file
// stores it compressed (SHF_COMPRESSED, .zdebug_*) or with dsPIC phantom bytes.
struct ELF_DWARF_SECTION {
  std::string name;  // ".debug_info" also for ".zdebug_info"
  uint64_t size = 0;
  bool decoded = false;  // data built (or failed)
  bool needs_decoding = false;
  std::vector<uint8_t> data;  // decoded bytes
};

struct ELF_FILE {
  uint8_t ready = 0;
  uint32_t slot = 0;
  uint64_t file_size = 0;
  std::unique_ptr<uint8_t[]> image;
  ELF_HEADER header;
  bool is64 = false;
  bool big_endian = false;
  uint32_t section_count = 0;
  uint32_t shstrndx = 0;
  std::vector<ELF_PROGRAM_HEADER> program_headers;
  std::vector<ELF_SECTION> sections;
  std::vector<ELF_SYMBOL> symbols;
  std::vector<uint32_t> symbols_by_address;  // symbol indices sorted by address
  std::vector<uint32_t> function_symbols;
  std::vector<uint32_t> file_symbols;
  int64_t strtab = -1, symtab = -1, symtab_shndx = -1, debug_info = -1, debug_types = -1;
  std::vector<ELF_DWARF_SECTION> dwarf_sections;  // one per section, for the DWARF library
  std::unique_ptr<DWARF_STATE, DWARF_STATE_DELETER> dwarf;
};

// Reports an error to the message sink.
void ELF_Report(int code, const char* detail0 = nullptr, const char* detail1 = nullptr);
void ELF_ReportLibrary(int code, const char* text, const char* detail0 = nullptr);
// While muted, reports are dropped (classification passes that are not the user's query).
void ELF_MuteReports(bool muted);
// True when a debug log hook is installed.
bool ELF_DebugLogEnabled();
// Composes one debug log line (printf-style) and hands it to the hook.
void ELF_DebugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The handle in `slot` when it is open and ready (queries of the database use it).
ELF_FILE* ELF_ReadyFileInSlot(uint32_t slot);
// True while an open or close runs (database queries then fail).
bool ELF_IsBusy();

// Symbol post-processing: order table, derived sizes, function and file symbol lists.
void ELF_PostProcessSymbols(ELF_FILE& elf);

// Sections for the DWARF library (object access). Prepared once after the section headers.
void ELF_PrepareDwarfSections(ELF_FILE& elf);
// Bytes of section `index` for the DWARF library (decodes on first use), or null.
const uint8_t* ELF_LoadDwarfSection(ELF_FILE& elf, uint32_t index);
// Size the DWARF library sees for a named section (decoded size), 0 when absent.
uint64_t ELF_DwarfSectionSize(const ELF_FILE& elf, const char* name);

// Builds the debug information database (dwarf_parse.cpp). Failure leaves no/partial data.
int DWARF_Parse(ELF_FILE& elf);
