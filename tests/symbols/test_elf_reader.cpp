// ELF image reader: refusals with their codes, the handle table, byte order, extended
// section numbering, extended symbol section indices and derived symbol sizes.
#include <gtest/gtest.h>

#include <cstring>

#include "symbols/locations.h"
#include "tests/symbols/symbols_test_util.h"

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); }
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }
void Put64(std::vector<uint8_t>& b, size_t at, uint64_t v) { std::memcpy(&b[at], &v, 8); }
uint64_t Get64(const std::vector<uint8_t>& b, size_t at) {
  uint64_t v;
  std::memcpy(&v, &b[at], 8);
  return v;
}

// A 64-bit little-endian executable header without tables.
std::vector<uint8_t> Header64() {
  std::vector<uint8_t> b(64, 0);
  const uint8_t ident[] = {0x7F, 'E', 'L', 'F', 2, 1, 1};
  std::memcpy(b.data(), ident, sizeof ident);
  Put16(b, 16, 2);  // executable
  Put16(b, 18, 62);
  Put32(b, 20, 1);
  Put16(b, 52, 64);
  return b;
}

// A 64-bit executable header changed by `edit`.
template <typename Edit>
std::vector<uint8_t> Header64With(Edit edit) {
  std::vector<uint8_t> b = Header64();
  edit(b);
  return b;
}

struct RefusalCase {
  const char* name;
  std::vector<uint8_t> image;
  int want;
};

TEST(ElfReader, RefusesBadImagesAndFilesWithTheirCode) {
  using B = std::vector<uint8_t>;
  const RefusalCase cases[] = {
      {"three bytes", {0x7F, 'E', 'L'}, ELF_ERR_NO_MAGIC},
      {"class none", Header64With([](B& b) { b[4] = 0; }), ELF_ERR_CLASS_NONE},
      {"data none", Header64With([](B& b) { b[5] = 0; }), ELF_ERR_DATA_NONE},
      {"ident version", Header64With([](B& b) { b[6] = 2; }), ELF_ERR_HEADER_VERSION},
      {"file version", Header64With([](B& b) { Put32(b, 20, 0); }), ELF_ERR_FILE_VERSION},
      {"truncated header", Header64With([](B& b) { b.resize(40); }), ELF_ERR_READ},
      {"section table beyond the end", Header64With([](B& b) {
         Put64(b, 40, 1u << 20);
         Put16(b, 58, 64);
         Put16(b, 60, 3);
       }), ELF_ERR_READ},
      {"program headers overlap the end", Header64With([](B& b) {
         Put64(b, 32, 48);
         Put16(b, 54, 56);
         Put16(b, 56, 2);
       }), ELF_ERR_READ},
      {"extended count from a section 0 that is not there", Header64With([](B& b) {
         Put64(b, 40, 64);
         Put16(b, 58, 64);
         Put16(b, 60, 0);
       }), ELF_ERR_READ},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.name);
    MessageCapture capture;
    ELF_FILE* elf = ELF_OpenImage(c.image, true);
    EXPECT_EQ(elf, nullptr);
    ELF_Close(elf);
    ASSERT_FALSE(capture.codes.empty());
    EXPECT_EQ(capture.codes.front(), c.want);
    EXPECT_STRNE(ELF_GetErrorText(c.want), "");
  }
  EXPECT_EQ(ELF_GetFileInSlot(0), nullptr);
  EXPECT_EQ(ELF_GetFileInSlot(1), nullptr);

  // Files: a text file 63, an empty file 71, relocatable, shared and position-independent 64.
  const struct {
    const char* file;
    int want;
  } files[] = {
      {"notes.txt", ELF_ERR_NO_MAGIC}, {"empty.bin", ELF_ERR_FILE_SIZE},
      {"missing.elf", ELF_ERR_OPEN_FAILED}, {"types.o", ELF_ERR_NOT_EXECUTABLE},
      {"types.so", ELF_ERR_NOT_EXECUTABLE}, {"types.pie", ELF_ERR_NOT_EXECUTABLE},
  };
  for (const auto& c : files) {
    SCOPED_TRACE(c.file);
    MessageCapture capture;
    EXPECT_EQ(ELF_Open(FixturePath(c.file).c_str(), true), nullptr);
    ASSERT_EQ(capture.codes.size(), 1u);
    EXPECT_EQ(capture.codes[0], c.want);
  }
  EXPECT_STREQ(ELF_GetErrorText(71), "unexpected file size");
  EXPECT_STREQ(ELF_GetErrorText(42), "");
  EXPECT_STREQ(ELF_GetErrorText(75), "");
}

TEST(ElfReader, ThirdOpenFailsAndLeavesTheOthersIntact) {
  const std::string path = FixturePath("types_dw4.elf");
  ELF_FILE* a = ELF_Open(path.c_str(), true);
  ELF_FILE* b = ELF_Open(path.c_str(), true);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(ELF_GetCurrentFile(), b);
  {
    MessageCapture capture;
    EXPECT_EQ(ELF_Open(path.c_str(), true), nullptr);
    EXPECT_EQ(capture.codes, std::vector<int>{ELF_ERR_TOO_MANY_FILES});
  }
  EXPECT_TRUE(ELF_IsOpen(a));
  EXPECT_TRUE(ELF_IsOpen(b));
  EXPECT_NE(ELF_GetSlot(a), ELF_GetSlot(b));
  const auto va = ListVariables(a);
  const auto vb = ListVariables(b);
  ASSERT_FALSE(va.empty());
  ASSERT_EQ(va.size(), vb.size());
  // Handles name their file through the slot.
  EXPECT_NE(va[0].handle, vb[0].handle);
  EXPECT_EQ(va[0].name, vb[0].name);
  const SYM_HANDLE kept = va[0].handle;
  ELF_Close(a);
  EXPECT_FALSE(ELF_IsOpen(a));
  EXPECT_EQ(DWARF_GetName(kept), "");  // a handle of a closed file fails
  EXPECT_EQ(DWARF_GetName(vb[0].handle), vb[0].name);
  ELF_Close(b);
  EXPECT_EQ(ELF_GetCurrentFile(), nullptr);
}

TEST(ElfReader, BigEndianYieldsTheRecordsOfItsLittleEndianTwin) {
  ELF_FILE* be = ELF_Open(FixturePath("twin_mips.elf").c_str(), true);
  ELF_FILE* le = ELF_Open(FixturePath("twin_mipsel.elf").c_str(), true);
  ASSERT_NE(be, nullptr);
  ASSERT_NE(le, nullptr);
  ElfCloser close_be{be}, close_le{le};
  EXPECT_EQ(ELF_GetDataEncoding(be), 1u);
  EXPECT_EQ(ELF_GetDataEncoding(le), 0u);
  EXPECT_EQ(ELF_GetClass(be), 1u);
  EXPECT_EQ(ELF_GetType(be), 2u);
  ASSERT_EQ(ELF_GetSectionCount(be), ELF_GetSectionCount(le));
  for (uint32_t i = 0; i < ELF_GetSectionCount(be); ++i) {
    SCOPED_TRACE(ELF_GetSectionName(le, i));
    EXPECT_STREQ(ELF_GetSectionName(be, i), ELF_GetSectionName(le, i));
    EXPECT_EQ(ELF_GetSectionType(be, i), ELF_GetSectionType(le, i));
    if (std::strncmp(ELF_GetSectionName(le, i), ".debug", 6) != 0) {
      EXPECT_EQ(ELF_GetSectionAddress(be, i), ELF_GetSectionAddress(le, i));
    }
  }
  ASSERT_EQ(ELF_GetProgramHeaderCount(be), ELF_GetProgramHeaderCount(le));
  for (uint32_t i = 0; i < ELF_GetProgramHeaderCount(be); ++i) {
    EXPECT_EQ(ELF_GetProgramHeaderVirtualAddress(be, i), ELF_GetProgramHeaderVirtualAddress(le, i));
    EXPECT_EQ(ELF_GetProgramHeaderMemorySize(be, i), ELF_GetProgramHeaderMemorySize(le, i));
  }
  ASSERT_EQ(ELF_GetSymbolCount(be), ELF_GetSymbolCount(le));
  for (uint32_t i = 0; i < ELF_GetSymbolCount(be); ++i) {
    SCOPED_TRACE(ELF_GetSymbolName(le, i));
    EXPECT_STREQ(ELF_GetSymbolName(be, i), ELF_GetSymbolName(le, i));
    EXPECT_EQ(ELF_GetSymbolAddress(be, i), ELF_GetSymbolAddress(le, i));
    EXPECT_EQ(ELF_GetSymbolSize(be, i), ELF_GetSymbolSize(le, i));
  }
  const auto vbe = ListVariables(be);
  const auto vle = ListVariables(le);
  ASSERT_EQ(vbe.size(), 4u);
  ASSERT_EQ(vbe.size(), vle.size());
  for (size_t i = 0; i < vbe.size(); ++i) {
    SCOPED_TRACE(vle[i].name);
    EXPECT_EQ(vbe[i].name, vle[i].name);
    EXPECT_EQ(vbe[i].address, vle[i].address);
    EXPECT_EQ(vbe[i].size, vle[i].size);
    EXPECT_EQ(vbe[i].type_name, vle[i].type_name);
  }
}

TEST(ElfReader, ExtendedSectionNumberingComesFromSectionZero) {
  std::vector<uint8_t> image = ReadBytes(FixturePath("types_dw4.elf"));
  ASSERT_GT(image.size(), 64u);
  ELF_FILE* plain = ELF_OpenImage(image, false);
  ASSERT_NE(plain, nullptr);
  ElfCloser close_plain{plain};
  const uint64_t shoff = Get64(image, 40);
  uint16_t shnum, shstrndx;
  std::memcpy(&shnum, &image[60], 2);
  std::memcpy(&shstrndx, &image[62], 2);
  Put16(image, 60, 0);
  Put64(image, size_t(shoff) + 32, shnum);  // section 0's size holds the count
  Put16(image, 62, 0xFFFF);
  Put32(image, size_t(shoff) + 40, shstrndx);  // section 0's link holds the name table
  ELF_FILE* extended = ELF_OpenImage(image, true);
  ASSERT_NE(extended, nullptr);
  ElfCloser close_extended{extended};
  ASSERT_EQ(ELF_GetSectionCount(extended), shnum);
  for (uint32_t i = 1; i < shnum; ++i) {
    EXPECT_STREQ(ELF_GetSectionName(extended, i), ELF_GetSectionName(plain, i));
  }
  EXPECT_GE(ELF_FindSection(extended, ".debug_info"), 1);
  EXPECT_FALSE(ListVariables(extended).empty());
}

TEST(ElfReader, ExtendedSymbolSectionIndexWithoutTableIsMinusOne) {
  std::vector<uint8_t> image = ReadBytes(FixturePath("types_dw4.elf"));
  uint32_t target = 0;
  uint64_t entry_offset = 0;
  {
    ELF_FILE* elf = ELF_OpenImage(image, false);
    ASSERT_NE(elf, nullptr);
    ElfCloser closer{elf};
    const int64_t symtab = ELF_FindSection(elf, ".symtab");
    ASSERT_GT(symtab, 0);
    ASSERT_EQ(ELF_FindSection(elf, ".symtab_shndx"), -1);
    // The .symtab records come after those of any earlier symbol table.
    uint32_t first = 0;
    for (uint32_t s = 0; s < uint32_t(symtab); ++s) {
      const uint32_t type = ELF_GetSectionType(elf, s);
      if ((type == 2 || type == 11) && ELF_GetSectionEntrySize(elf, s)) {
        first += uint32_t(ELF_GetSectionSize(elf, s) / ELF_GetSectionEntrySize(elf, s));
      }
    }
    for (uint32_t i = first; i < ELF_GetSymbolCount(elf); ++i) {
      if (std::strcmp(ELF_GetSymbolName(elf, i), "g_counter") == 0) target = i;
    }
    ASSERT_NE(target, 0u);
    EXPECT_GT(ELF_GetSymbolSectionIndex(elf, target), 0);
    entry_offset = ELF_GetSectionFileOffset(elf, uint32_t(symtab)) + (target - first) * 24ull;
  }
  Put16(image, size_t(entry_offset) + 6, 0xFFFF);
  ELF_FILE* elf = ELF_OpenImage(image, false);
  ASSERT_NE(elf, nullptr);
  ElfCloser closer{elf};
  EXPECT_STREQ(ELF_GetSymbolName(elf, target), "g_counter");
  EXPECT_EQ(ELF_GetSymbolSectionIndex(elf, target), -1);
}

TEST(ElfReader, DerivesMissingSymbolSizes) {
  MessageCapture capture;
  ELF_FILE* elf = ELF_Open(FixturePath("sizes.elf").c_str(), true);
  ASSERT_NE(elf, nullptr);
  ElfCloser closer{elf};
  const struct {
    const char* name;
    uint64_t want;
  } cases[] = {
      {"obj_a", 12},     // next symbol 12 bytes higher in the same section
      {"obj_b", 4},
      {"obj_last", 8},   // only later sections follow: up to its section's end
      {"obj_other", 4},  // the next symbol lies in another section: clipped at the end
      {"big_a", 0},      // 10000001 bytes fails the sanity limit
      {"_start", 2},     // up to the next function
      {"helper", 1},     // last function: up to the end of .text
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    uint32_t i = 0;
    while (i < ELF_GetSymbolCount(elf) && std::strcmp(ELF_GetSymbolName(elf, i), c.name) != 0) ++i;
    ASSERT_LT(i, ELF_GetSymbolCount(elf));
    EXPECT_EQ(ELF_GetSymbolSize(elf, i), c.want);
    const SYM_HANDLE h = ELF_GetSymbolHandle(elf, i);
    EXPECT_TRUE(SYM_IsElfSymbol(h));
    EXPECT_EQ(DWARF_GetName(h), c.name);
    EXPECT_EQ(DWARF_GetByteSize(h), c.want);
    // Objects are at their symbol's address; functions have no data location.
    const LOC_RECORD r = LOC_GetLocation(h, ~0ull);
    if (c.name[0] == 'o') {
      ASSERT_EQ(r.part_count, 1u);
      EXPECT_EQ(r.parts[0].kind, LOC_STATIC);
      EXPECT_EQ(r.parts[0].address, ELF_GetSymbolAddress(elf, i));
    } else if (c.name[0] != 'b') {
      EXPECT_EQ(DWARF_GetTag(h), 2u);
      EXPECT_EQ(r.part_count, 0u);
    }
  }
  bool logged = false;
  for (const std::string& line : capture.log) {
    logged |= line.find("did not pass allocation size sanity check") != std::string::npos;
  }
  EXPECT_TRUE(logged);
  const auto functions = ELF_GetFunctionSymbols(elf);
  ASSERT_EQ(functions.size(), 2u);
  EXPECT_STREQ(ELF_GetSymbolName(elf, functions[0]), "_start");
  EXPECT_STREQ(ELF_GetSymbolName(elf, functions[1]), "helper");
  // No debug information: the open succeeds with ELF symbols only.
  EXPECT_EQ(DWARF_GetCategoryCount(elf, DWARF_CAT_VARIABLES), 0u);
  EXPECT_EQ(ELF_GetSymbolHandle(elf, ELF_GetSymbolCount(elf)), SYM_NONE);
}

}  // namespace
