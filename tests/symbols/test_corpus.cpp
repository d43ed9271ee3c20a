// Real firmware from other toolchains (the shared corpus): every executable opens and lists
// its variables; where gdb lists a global with a static address, our address and size agree,
// except for the cases named below. Relocatable and shared objects are refused with 64.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "tests/symbols/symbols_test_util.h"

namespace {

// Rows of gdb's reference whose size we give differently, and why.
struct SizeException {
  const char* file;
  const char* name;
  uint64_t our_size;
  const char* reason;
};

const SizeException kSizeExceptions[] = {
    // gdb quirk: gdb prints sizeof 1 for Go func values; the DWARF says DW_AT_byte_size 8.
    {"s390x_be_go118_zdebug.elf", "flag.Usage", 8, "gdb: Go func size"},
    {"s390x_be_go118_zdebug.elf", "internal/poll.CloseFunc", 8, "gdb: Go func size"},
    {"s390x_be_go118_zdebug.elf", "sort.reflectSwapper", 8, "gdb: Go func size"},
    {"s390x_be_go118_zdebug.elf", "sort.reflectValueOf", 8, "gdb: Go func size"},
    {"s390x_be_go118_zdebug.elf", "runtime.overrideWrite", 8, "gdb: Go func size"},
    {"s390x_be_go118_zdebug.elf", "runtime.poolcleanup", 8, "gdb: Go func size"},
    {"s390x_be_go118_zdebug.elf", "runtime.testSigtrap", 8, "gdb: Go func size"},
    {"s390x_be_go118_zdebug.elf", "runtime.testSigusr1", 8, "gdb: Go func size"},
    // The TI C2000 pointers live in type units. libdwarf 20210528 stops reading
    // .debug_types at a type unit header it rejects (DW_DLE_DEBUG_TYPEOFFSET_BAD) and so
    // cannot reach the pointer types behind these signatures; gdb's own sizeof 4 for C2000
    // pointers is taken from the unit's address size and is unreliable as well (corpus notes).
    {"c2000_ticgt_dwarf3_types.elf", "__TI_cleanup_ptr", 0, "libdwarf: type unit refused"},
    {"c2000_ticgt_dwarf3_types.elf", "__TI_dtors_ptr", 0, "libdwarf: type unit refused"},
    {"c2000_ticgt_dwarf3_types.elf", "_lock", 0, "libdwarf: type unit refused"},
    {"c2000_ticgt_dwarf3_types.elf", "_unlock", 0, "libdwarf: type unit refused"},
};

// Variables we list with a static address that gdb's reference leaves out, and why.
struct ExtraException {
  const char* file;
  const char* name;
  const char* reason;
};

const ExtraException kExtraExceptions[] = {
    // Two DW_OP_addr pieces of 4 bytes each, contiguous: gdb gives the composed value no
    // address, we take the first piece's address.
    {"xtensa_rust_esp32s3.elf", "LOGGER", "gdb: pieced location has no address"},
};

// The exception of `table` for this file and name, or null.
template <typename Exception, size_t N>
const Exception* Find(const Exception (&table)[N], const std::string& file, const std::string& name) {
  for (const Exception& e : table) {
    if (file == e.file && name == e.name) return &e;
  }
  return nullptr;
}

TEST(Corpus, EveryExecutableListsWhatGdbSees) {
  const std::string dir = CorpusDir();
  if (dir.empty()) GTEST_SKIP() << "shared corpus not present";
  int executables = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir + "/files")) {
    const std::string file = entry.path().filename().string();
    SCOPED_TRACE(file);
    MessageCapture capture;
    ELF_FILE* elf = ELF_Open(entry.path().c_str(), true);
    if (file.rfind("REFUSE_", 0) == 0) {
      EXPECT_EQ(elf, nullptr);
      EXPECT_EQ(capture.codes, std::vector<int>{ELF_ERR_NOT_EXECUTABLE});
      ELF_Close(elf);
      continue;
    }
    ++executables;
    ASSERT_NE(elf, nullptr);
    ElfCloser closer{elf};
    const auto vars = ListVariables(elf);
    std::multiset<uint64_t> ref_addresses;
    for (const auto& row : ReadTsv(dir + "/ref/" + file + ".vars.tsv", true)) {
      ASSERT_GE(row.size(), 5u);
      const std::string& name = row[0];
      SCOPED_TRACE(name);
      const uint64_t address = std::strtoull(row[2].c_str(), nullptr, 16);
      ref_addresses.insert(address);
      const VarRow* match = nullptr;
      for (const VarRow& v : vars) {
        if (v.address == address) match = &v;
      }
      ASSERT_NE(match, nullptr) << "gdb lists a variable at " << row[2];
      if (row[3] == "?") continue;
      const uint64_t want = std::strtoull(row[3].c_str(), nullptr, 10);
      if (const SizeException* e = Find(kSizeExceptions, file, name)) {
        EXPECT_EQ(match->size, e->our_size) << e->reason;
        continue;
      }
      bool size_ok = false;
      for (const VarRow& v : vars) size_ok |= v.address == address && v.size == want;
      EXPECT_TRUE(size_ok) << "gdb size " << want << ", ours " << match->size;
    }
    // What we list beyond gdb: variables without a static address (dropped by the linker or
    // not in memory), function-local statics (left out of the reference), nameless string
    // literals (clang 19).
    for (const VarRow& v : vars) {
      if (v.address == 0 || v.is_static_local || v.name.empty()) continue;
      if (ref_addresses.count(v.address)) continue;
      EXPECT_NE(Find(kExtraExceptions, file, v.name), nullptr) << "not in gdb's list: " << v.name;
    }
  }
  EXPECT_GE(executables, 20);
}

}  // namespace
