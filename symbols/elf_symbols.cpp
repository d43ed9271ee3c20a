// Symbol post-processing of the ELF reader: the address order table, sizes derived for data
// objects and functions that the file gives as 0, and the function and file symbol lists.
#include <algorithm>

#include "symbols/elf_internal.h"

namespace {

constexpr uint8_t kObject = 1;
constexpr uint8_t kFunc = 2;
constexpr uint8_t kFile = 4;
constexpr uint8_t kGnuIFunc = 13;
constexpr uint16_t kAbsolute = 0xFFF1;
constexpr uint64_t kSizeSanityLimit = 10000000;
constexpr int kObjectLookahead = 9;

uint8_t Type(const ELF_SYMBOL& s) { return s.info & 0xFu; }
bool IsFunction(const ELF_SYMBOL& s) { return Type(s) == kFunc || Type(s) == kGnuIFunc; }

// The symbol's own section, when it has one.
const ELF_SECTION* SectionOf(const ELF_FILE& elf, uint32_t symbol_index) {
  const int64_t index = ELF_GetSymbolSectionIndex(&elf, symbol_index);
  if (index <= 0 || uint64_t(index) >= elf.section_count) return nullptr;
  return &elf.sections[size_t(index)];
}

uint64_t SectionEnd(const ELF_SECTION& s) {
  return s.size > ~0ull - s.addr ? ~0ull : s.addr + s.size;
}

void ApplySize(ELF_SYMBOL& s, uint64_t size) {
  if (size > kSizeSanityLimit) {
    ELF_DebugLog("Symbol at address %llX: did not pass allocation size sanity check",
                 static_cast<unsigned long long>(s.value));
    size = 0;
  }
  s.size = size;
}

void SizeObjects(ELF_FILE& elf) {
  const std::vector<uint32_t>& order = elf.symbols_by_address;
  for (size_t k = 0; k < order.size(); ++k) {
    ELF_SYMBOL& s = elf.symbols[order[k]];
    if (Type(s) != kObject || s.size != 0) continue;
    const ELF_SECTION* sec = SectionOf(elf, order[k]);
    if (!sec || sec->size == 0) continue;
    for (size_t j = k + 1; j < order.size() && j <= k + kObjectLookahead; ++j) {
      const uint64_t next = elf.symbols[order[j]].value;
      if (next > s.value) {
        const uint64_t end = std::min(next, SectionEnd(*sec));
        if (end > s.value) ApplySize(s, end - s.value);
        break;
      }
    }
  }
}

void SizeFunctions(ELF_FILE& elf) {
  const std::vector<uint32_t>& order = elf.symbols_by_address;
  for (size_t k = 0; k < order.size(); ++k) {
    ELF_SYMBOL& s = elf.symbols[order[k]];
    if (!IsFunction(s) || s.size != 0 || s.value == 0 || s.value == ~0ull) continue;
    uint64_t end = 0;
    for (size_t j = k + 1; j < order.size(); ++j) {
      const ELF_SYMBOL& n = elf.symbols[order[j]];
      if (IsFunction(n) && n.value > s.value) {
        end = n.value;
        break;
      }
    }
    const ELF_SECTION* sec = SectionOf(elf, order[k]);
    if (end == 0) {
      if (s.shndx == kAbsolute) {
        for (size_t j = k + 1; j < order.size(); ++j) {
          if (elf.symbols[order[j]].value > s.value) {
            end = elf.symbols[order[j]].value;
            break;
          }
        }
      } else {
        if (!sec || sec->size == 0 || sec->addr == 0) break;  // the pass stops here
        end = SectionEnd(*sec);
      }
    }
    if (sec && sec->size != 0) end = std::min(end, SectionEnd(*sec));
    if (end > s.value) ApplySize(s, end - s.value);
  }
}

void ListFunctions(ELF_FILE& elf) {
  for (uint32_t index : elf.symbols_by_address) {
    const ELF_SYMBOL& s = elf.symbols[index];
    if (!IsFunction(s) || s.value == 0 || s.value == ~0ull) continue;
    const char* name = ELF_GetSymbolName(&elf, index);
    if (name[0] == '?' || name[0] == '$') continue;
    if (!elf.function_symbols.empty()) {
      uint32_t& kept = elf.function_symbols.back();
      const ELF_SYMBOL& k = elf.symbols[kept];
      if (k.value == s.value) {
        if (s.size > k.size || index < kept) kept = index;
        continue;
      }
    }
    elf.function_symbols.push_back(index);
  }
}

}  // namespace

void ELF_PostProcessSymbols(ELF_FILE& elf) {
  elf.symbols_by_address.resize(elf.symbols.size());
  for (uint32_t i = 0; i < elf.symbols.size(); ++i) elf.symbols_by_address[i] = i;
  std::sort(elf.symbols_by_address.begin(), elf.symbols_by_address.end(),
            [&](uint32_t a, uint32_t b) { return elf.symbols[a].value < elf.symbols[b].value; });
  SizeObjects(elf);
  SizeFunctions(elf);
  ListFunctions(elf);
  for (uint32_t index : elf.symbols_by_address) {
    if (Type(elf.symbols[index]) == kFile) elf.file_symbols.push_back(index);
  }
}
