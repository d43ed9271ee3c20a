// Minimal reader for 32-bit little-endian ARM ELF executables: the loadable segments (at their
// physical addresses) and symbol look-up. Used by the simulated target to program firmware and
// by its tests to find variables; independent of the application's ELF reader.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct SIM_Segment {
  uint32_t paddr = 0;          // load (physical) address
  uint32_t mem_size = 0;       // bytes in memory; bytes past data.size() are zero
  std::vector<uint8_t> data;   // file contents of the segment
};

struct SIM_ElfSymbol {
  uint32_t value = 0;
  uint32_t size = 0;
};

struct SIM_ElfImage {
  uint32_t entry = 0;
  std::vector<SIM_Segment> segments; // PT_LOAD segments with a non-zero memory size
  std::vector<uint8_t> bytes;        // the whole file, for symbol look-up
};

// Parses an ELF image. Returns false with a reason in `error` for anything that is not a
// well-formed 32-bit little-endian ARM executable.
[[nodiscard]] bool SIM_ElfParse(std::span<const uint8_t> bytes, SIM_ElfImage& image, std::string& error);

// Reads and parses a file.
[[nodiscard]] bool SIM_ElfLoadFile(const std::string& path, SIM_ElfImage& image, std::string& error);

// Looks up a symbol of .symtab by exact name.
[[nodiscard]] bool SIM_ElfFindSymbol(const SIM_ElfImage& image, std::string_view name, SIM_ElfSymbol& symbol);
