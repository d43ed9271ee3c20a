// vistro-cli vars ELF: one line per global variable of the debug information database, in
// collection order, tab-separated: name, 0xADDRESS, size, type id, type name, source file.
// A variable without a static address shows address 0.
#include <cstdio>

#include "symbols/dwarf_db.h"
#include "symbols/elf_reader.h"
#include "symbols/locations.h"
#include "tools/cli_command.h"
#include "tools/cli_symbols_common.h"

namespace {

// The type id the symbol tree gives the variable's node: 0 for nodes with children
// (structures, unions and classes with members or base classes, arrays), else the leaf
// classification.
uint32_t TypeIdOf(SYM_HANDLE v, uint64_t size, const std::string& type_name) {
  const SYM_HANDLE t = DWARF_GetType(v, true);
  const uint32_t tag = DWARF_GetTag(t);
  if (tag == DWARF_TAG_ARRAY) return 0;
  if ((tag == DWARF_TAG_STRUCTURE || tag == DWARF_TAG_UNION || tag == DWARF_TAG_CLASS) &&
      (DWARF_GetMemberCount(t) > 0 || DWARF_GetBaseClassCount(t) > 0)) {
    return 0;
  }
  return DWARF_ClassifyLeaf(size, type_name.c_str(), DWARF_IsSigned(v));
}

int RunVars(std::span<char* const> args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: vistro-cli vars ELF\n");
    return CLI_USAGE;
  }
  CLI_ElfCapture capture;
  ELF_FILE* elf = CLI_OpenElfCaptured(args[0], capture, false);
  if (!elf) {
    for (const std::string& e : capture.errors) std::fprintf(stderr, "%s\n", e.c_str());
    return CLI_FAILED;
  }
  const uint64_t count = DWARF_GetCategoryCount(elf, DWARF_CAT_VARIABLES);
  for (uint64_t i = 0; i < count; ++i) {
    const SYM_HANDLE v = DWARF_GetCategoryEntry(elf, DWARF_CAT_VARIABLES, i);
    const std::string name = DWARF_GetName(v);
    const uint64_t address = LOC_GetTargetAddress(v);
    const uint64_t size = DWARF_GetByteSize(v);
    const std::string type_name = DWARF_GetTypeName(v);
    const std::string file = DWARF_GetSourceFile(v);
    std::printf("%s\t0x%08llX\t%llu\t%u\t%s\t%s\n", name.c_str(),
                static_cast<unsigned long long>(address), static_cast<unsigned long long>(size),
                TypeIdOf(v, size, type_name), type_name.c_str(), file.c_str());
  }
  ELF_Close(elf);
  return CLI_OK;
}

}  // namespace

CLI_REGISTER("vars", "vars ELF", RunVars);
