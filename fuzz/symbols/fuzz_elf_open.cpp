// Fuzz target: opens arbitrary bytes as an ELF image with the full debug information parse and
// runs every query a symbol tree would make on what it finds. Nothing may crash, hang or leak.
#include <cstddef>
#include <cstdint>
#include <span>

#include "symbols/dwarf_db.h"
#include "symbols/elf_reader.h"
#include "symbols/locations.h"

namespace {

void Sink(const ELF_MESSAGE&, void*) {}
void Log(const char*, void*) {}

void Explore(SYM_HANDLE symbol, int depth, int& budget) {
  if (depth > 6 || --budget < 0) return;
  (void)DWARF_GetName(symbol);
  (void)DWARF_GetTypeName(symbol);
  (void)DWARF_GetSourceFile(symbol);
  (void)DWARF_GetByteSize(symbol);
  (void)DWARF_IsSigned(symbol);
  (void)DWARF_GetBitSize(symbol);
  (void)DWARF_GetBitOffset(symbol);
  (void)DWARF_IsStaticMember(symbol);
  (void)LOC_GetLocation(symbol, ~0ull);
  (void)LOC_GetLocation(symbol, 0x1000);
  (void)LOC_GetMemberOffset(symbol);
  const SYM_HANDLE type = DWARF_GetType(symbol, true);
  DWARF_ARRAY_SHAPE shape;
  if (DWARF_GetArrayShape(type, shape)) Explore(DWARF_GetType(type, false), depth + 1, budget);
  for (uint32_t i = 0; i < DWARF_GetMemberCount(type) && i < 16; ++i) {
    Explore(DWARF_GetMember(type, i), depth + 1, budget);
  }
  for (uint32_t i = 0; i < DWARF_GetBaseClassCount(type) && i < 4; ++i) {
    Explore(DWARF_GetBaseClass(type, i), depth + 1, budget);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ELF_SetMessageSink(Sink, nullptr);
  ELF_SetDebugLogHook(Log, nullptr);  // also reads lines, macros and frames
  ELF_FILE* elf = ELF_OpenImage(std::span<const uint8_t>(data, size), true);
  if (elf) {
    for (uint32_t i = 0; i < ELF_GetSymbolCount(elf) && i < 64; ++i) {
      (void)LOC_GetLocation(ELF_GetSymbolHandle(elf, i), ~0ull);
      (void)DWARF_GetName(ELF_GetSymbolHandle(elf, i));
    }
    int budget = 2000;
    const uint64_t n = DWARF_GetCategoryCount(elf, DWARF_CAT_VARIABLES);
    for (uint64_t i = 0; i < n && budget > 0; ++i) {
      Explore(DWARF_GetCategoryEntry(elf, DWARF_CAT_VARIABLES, i), 0, budget);
    }
    (void)DWARF_GetName(DWARF_GetEntryFunction(elf));
    ELF_Close(elf);
  }
  ELF_SetMessageSink(nullptr, nullptr);
  ELF_SetDebugLogHook(nullptr, nullptr);
  return 0;
}
