// Symbol handles: 64-bit tagged values by which the symbol database names debug information
// entries and ELF symbols, so that callers never hold pointers into the database.
//
//   bits 63..52  fixed tag 0xB23 (a value without it is no handle; 0 means "no symbol")
//   bit  51      1: an ELF symbol; 0: a debug information entry
//   bits 50..49  slot of the open ELF file (0 or 1)
//   bit  48      entries only: 1 when the entry lies in .debug_info, 0 in .debug_types
//   bits 47..0   ELF symbol index, or the entry's offset within its section
#pragma once

#include <cstdint>

using SYM_HANDLE = uint64_t;

constexpr SYM_HANDLE SYM_NONE = 0;
constexpr uint64_t SYM_TAG = 0xB23ull << 52;
constexpr uint64_t SYM_TAG_MASK = 0xFFFull << 52;
constexpr uint64_t SYM_ELF_BIT = 1ull << 51;
constexpr uint64_t SYM_INFO_BIT = 1ull << 48;
constexpr uint64_t SYM_OFFSET_MASK = (1ull << 48) - 1;

// The key of a debug information entry: its section offset, plus SYM_INFO_BIT for
// .debug_info. Keys of .debug_types entries sort before those of .debug_info.
using SYM_KEY = uint64_t;

constexpr SYM_HANDLE SYM_MakeEntryHandle(uint32_t slot, SYM_KEY key) {
  return SYM_TAG | (uint64_t(slot & 3u) << 49) | (key & (SYM_INFO_BIT | SYM_OFFSET_MASK));
}
constexpr SYM_HANDLE SYM_MakeElfHandle(uint32_t slot, uint64_t symbol_index) {
  return SYM_TAG | SYM_ELF_BIT | (uint64_t(slot & 3u) << 49) | (symbol_index & SYM_OFFSET_MASK);
}
constexpr bool SYM_IsHandle(SYM_HANDLE h) { return (h & SYM_TAG_MASK) == SYM_TAG; }
constexpr bool SYM_IsElfSymbol(SYM_HANDLE h) { return (h & SYM_ELF_BIT) != 0; }
constexpr uint32_t SYM_Slot(SYM_HANDLE h) { return uint32_t((h >> 49) & 3u); }
constexpr SYM_KEY SYM_Key(SYM_HANDLE h) { return h & (SYM_INFO_BIT | SYM_OFFSET_MASK); }
constexpr bool SYM_KeyIsInfo(SYM_KEY key) { return (key & SYM_INFO_BIT) != 0; }
constexpr uint64_t SYM_KeyOffset(SYM_KEY key) { return key & SYM_OFFSET_MASK; }
constexpr SYM_KEY SYM_MakeKey(bool is_info, uint64_t offset) {
  return (is_info ? SYM_INFO_BIT : 0) | (offset & SYM_OFFSET_MASK);
}
