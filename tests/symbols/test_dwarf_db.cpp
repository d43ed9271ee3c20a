// Debug information database on fixtures built at test time, checked against gdb's view of
// the same files (addresses, sizes, member addresses) and against the rules of type names,
// classification, arrays, bitfields, declarations and statistics.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "symbols/active_symbol.h"
#include "symbols/locations.h"
#include "tests/symbols/symbols_test_util.h"

namespace {

const char* const kCFixtures[] = {"types_dw2.elf", "types_dw3.elf", "types_dw4.elf",
                                  "types_dw5.elf", "types_zlib.elf", "types_clang_dw5.elf"};
const char* const kCppFixtures[] = {"classes_dw4_types.elf", "classes_dw5.elf"};

struct OpenFixture {
  explicit OpenFixture(const std::string& name) : elf(ELF_Open(FixturePath(name).c_str(), true)) {}
  ~OpenFixture() { ELF_Close(elf); }
  ELF_FILE* elf;
};

std::string LastComponent(const std::string& name) {
  const size_t colon = name.rfind("::");
  return colon == std::string::npos ? name : name.substr(colon + 2);
}

// Finds member `name` of composite `type`, looking into anonymous members and base classes;
// adds its byte offset to `offset`.
SYM_HANDLE FindMember(SYM_HANDLE type, const std::string& name, uint64_t& offset) {
  for (uint32_t i = 0; i < DWARF_GetMemberCount(type); ++i) {
    const SYM_HANDLE m = DWARF_GetMember(type, i);
    const std::string n = DWARF_GetName(m);
    if (n == name) {
      offset += LOC_GetMemberOffset(m);
      return m;
    }
    if (n.empty()) {
      uint64_t inner = offset + LOC_GetMemberOffset(m);
      if (SYM_HANDLE found = FindMember(DWARF_GetType(m, true), name, inner)) {
        offset = inner;
        return found;
      }
    }
  }
  for (uint32_t i = 0; i < DWARF_GetBaseClassCount(type); ++i) {
    const SYM_HANDLE b = DWARF_GetBaseClass(type, i);
    uint64_t inner = offset + LOC_GetMemberOffset(b);
    if (SYM_HANDLE found = FindMember(DWARF_GetType(b, false), name, inner)) {
      offset = inner;
      return found;
    }
  }
  return SYM_NONE;
}

// The target address of a path such as "g_tagged.pts[2].y", walked with the queries a symbol
// tree uses; 0 when a step fails.
uint64_t AddressOfPath(const std::vector<VarRow>& vars, const std::string& path) {
  size_t pos = path.find_first_of(".[");
  const VarRow* v = FindVar(vars, path.substr(0, pos));
  if (!v) return 0;
  uint64_t address = v->address;
  SYM_HANDLE sym = v->handle;
  SYM_HANDLE type = DWARF_GetType(sym, true);
  while (pos != std::string::npos) {
    if (path[pos] == '.') {
      const size_t end = path.find_first_of(".[", pos + 1);
      const std::string name = path.substr(pos + 1, end == std::string::npos ? end : end - pos - 1);
      uint64_t offset = 0;
      sym = FindMember(type, name, offset);
      if (!sym) return 0;
      address += offset;
      type = DWARF_GetType(sym, true);
      pos = end;
    } else {  // one or more indices into the array type
      DWARF_ARRAY_SHAPE shape;
      if (!DWARF_GetArrayShape(type, shape)) return 0;
      uint64_t index = 0;
      uint64_t dim = 0;
      while (pos != std::string::npos && path[pos] == '[') {
        const uint64_t i = std::strtoull(path.c_str() + pos + 1, nullptr, 10);
        index = index * (dim < shape.dim_count ? shape.dims[dim] : 1) + i;
        ++dim;
        pos = path.find_first_of(".[", path.find(']', pos));
      }
      for (uint64_t d = dim; d < shape.dim_count; ++d) index *= shape.dims[d];
      address += index * shape.element_size;
      type = DWARF_GetType(type, false);
    }
  }
  return address;
}

// Every fixture with a gdb oracle, compressed debug sections and big-endian targets included.
TEST(DwarfDb, AddressesAndSizesAgreeWithGdb) {
  for (const char* fixture : {"types_dw2.elf", "types_dw3.elf", "types_dw4.elf", "types_dw5.elf",
                              "types_zlib.elf", "types_clang_dw5.elf", "classes_dw4_types.elf",
                              "classes_dw5.elf", "cortexm.elf", "twin_powerpc.elf", "twin_mips.elf",
                              "twin_mipsel.elf"}) {
    SCOPED_TRACE(fixture);
    const std::string oracle = FixturePath(std::string(fixture) + ".oracle.tsv");
    if (!std::filesystem::exists(oracle)) GTEST_SKIP() << "no gdb oracle";
    MessageCapture capture;
    OpenFixture f(fixture);
    ASSERT_NE(f.elf, nullptr);
    const auto vars = ListVariables(f.elf);
    const auto rows = ReadTsv(oracle, false);
    ASSERT_FALSE(rows.empty());
    for (const auto& row : rows) {
      SCOPED_TRACE(row[0]);
      ASSERT_EQ(row.size(), 3u);
      ASSERT_NE(row[1], "ERROR") << row[2];
      const uint64_t want_address = std::strtoull(row[1].c_str(), nullptr, 16);
      const uint64_t want_size = std::strtoull(row[2].c_str(), nullptr, 10);
      if (row[0].find_first_of(".[") != std::string::npos) {
        EXPECT_EQ(AddressOfPath(vars, row[0]), want_address);
        continue;
      }
      const std::string name = LastComponent(row[0]);
      int found = 0;
      for (const VarRow& v : vars) {
        if (v.name != name) continue;
        ++found;
        EXPECT_EQ(v.address, want_address);
        EXPECT_EQ(v.size, want_size);
      }
      EXPECT_EQ(found, 1) << "listed once";
    }
    // Library errors would mean we fed the library something it could not read.
    for (int code : capture.codes) EXPECT_GE(code, 0) << "library error " << -code;
  }
}

constexpr uint32_t kNotLeaf = 0xFFFF;  // a node with children: no leaf classification

struct TypeCase {
  const char* var;
  const char* type_name;
  uint32_t type_id;
};

TEST(DwarfDb, TypeNamesAndLeafClassification) {
  const TypeCase cases[] = {
      {"g_counter", "unsigned int", TYPEID_U32},
      {"g_cv", "const unsigned int", TYPEID_U32},  // volatile, then const: the last wins
      {"g_vc_float", "const float", TYPEID_FLOAT},
      {"g_double", "double", TYPEID_DOUBLE},
      {"g_long_double", "long double", TYPEID_UNSUPPORTED},  // 16 bytes on x86-64
      {"g_bool", "_Bool", TYPEID_BOOL},
      {"g_uchar", "unsigned char", TYPEID_U8},
      {"g_schar", "signed char", TYPEID_I8},
      {"g_short", "short int", TYPEID_I16},
      {"g_ushort", "short unsigned int", TYPEID_U16},
      {"g_llong", "long long int", TYPEID_I64},
      {"g_ullong", "long long unsigned int", TYPEID_U64},
      {"g_color", "enum color", TYPEID_U32},
      {"g_ptr", "int*", TYPEID_U64},
      {"g_point_ptr", "struct point*", TYPEID_U64},
      {"g_text", "const char*", TYPEID_U64},
      {"g_callback", "void(int)*", TYPEID_U64},
      {"g_point", "struct point", kNotLeaf},
      {"g_tagged", "struct tagged_t", kNotLeaf},  // unnamed, named by its typedef
      {"g_grid", "short int[3][4]", kNotLeaf},
      {"g_cube", "unsigned char[2][3][4]", kNotLeaf},
      {"calls", "static int", TYPEID_I32},
      {"g_shared", "int", TYPEID_I32},
  };
  for (const char* fixture : kCFixtures) {
    if (std::strstr(fixture, "clang") != nullptr) continue;  // gcc's type names
    SCOPED_TRACE(fixture);
    OpenFixture f(fixture);
    ASSERT_NE(f.elf, nullptr);
    const auto vars = ListVariables(f.elf);
    for (const TypeCase& c : cases) {
      SCOPED_TRACE(c.var);
      const VarRow* v = FindVar(vars, c.var);
      ASSERT_NE(v, nullptr);
      EXPECT_EQ(v->type_name, c.type_name);
      // What the symbol tree does with a node that has no children.
      if (c.type_id != kNotLeaf) {
        EXPECT_EQ(DWARF_ClassifyLeaf(v->size, v->type_name.c_str(), DWARF_IsSigned(v->handle)),
                  c.type_id);
      }
    }
    // gcc names the underlying type of an enumeration with negative values (DWARF 2 too).
    const VarRow* negative = FindVar(vars, "g_negative");
    ASSERT_NE(negative, nullptr);
    EXPECT_EQ(negative->type_name, "enum negative");
    EXPECT_TRUE(DWARF_IsSigned(negative->handle));
  }
}

TEST(DwarfDb, ClassificationRules) {
  const struct {
    uint64_t size;
    const char* type_name;
    bool is_signed;
    uint32_t want;
  } cases[] = {
      {1, "unsigned char", false, TYPEID_U8},      {1, "_Bool", false, TYPEID_BOOL},
      {1, "const bool", false, TYPEID_BOOL},       {1, "BOOL", false, TYPEID_BOOL},
      {8, "long double", true, TYPEID_DOUBLE},     {12, "long double", true, TYPEID_UNSUPPORTED},
      {4, "enum mode", true, TYPEID_I32},          {4, "enum mode", false, TYPEID_U32},
      {4, "volatile float", true, TYPEID_FLOAT},   {8, "float", true, TYPEID_I64},
      {2, "short", true, TYPEID_I16},              {3, "char[3]", false, TYPEID_UNSUPPORTED},
      {4, "", false, TYPEID_U32},                  {0, "int", true, TYPEID_UNSUPPORTED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type_name);
    EXPECT_EQ(DWARF_ClassifyLeaf(c.size, c.type_name, c.is_signed), c.want);
  }
  EXPECT_EQ(DWARF_GetTypeIdInfo(TYPEID_I16).q_frac_bits, 7);
  EXPECT_EQ(DWARF_GetTypeIdInfo(TYPEID_U32).maximum, 4294967295.0);
  EXPECT_FALSE(DWARF_GetTypeIdInfo(3).has_qformat);
}

// Arrays, bitfields, declarations and definitions, static locals and statistics of every C
// fixture. Bitfields: gcc DWARF 2-4 gives DW_AT_bit_offset, gcc DWARF 5 and clang
// DW_AT_data_bit_offset; every form must give the same positions from the least significant bit.
TEST(DwarfDb, ArraysBitfieldsDeclarationsAndStaticLocals) {
  const struct {
    const char* var;
    std::vector<uint64_t> dims;
    uint64_t element_size;
  } arrays[] = {{"g_vec", {4}, 4}, {"g_grid", {3, 4}, 2}, {"g_cube", {2, 3, 4}, 1}, {"g_point", {}, 0}};
  const struct {
    const char* member;
    uint32_t bit_size, bit_offset;
  } bitfields[] = {{"a", 3, 0}, {"b", 5, 3}, {"c", 7, 8}, {"tail", 0, 0}};
  for (const char* fixture : kCFixtures) {
    SCOPED_TRACE(fixture);
    MessageCapture capture;  // with a debug log, source lines are counted too
    OpenFixture f(fixture);
    ASSERT_NE(f.elf, nullptr);
    const auto vars = ListVariables(f.elf);
    for (const auto& c : arrays) {
      SCOPED_TRACE(c.var);
      const VarRow* v = FindVar(vars, c.var);
      ASSERT_NE(v, nullptr);
      DWARF_ARRAY_SHAPE shape;
      const bool is_array = DWARF_GetArrayShape(DWARF_GetType(v->handle, true), shape);
      ASSERT_EQ(is_array, !c.dims.empty());
      if (!is_array) continue;
      EXPECT_EQ(std::vector<uint64_t>(shape.dims, shape.dims + shape.dim_count), c.dims);
      EXPECT_EQ(shape.element_size, c.element_size);
      EXPECT_EQ(shape.total_size, shape.element_count * c.element_size);
      EXPECT_EQ(v->size, shape.total_size);
    }
    const SYM_HANDLE flags = DWARF_GetType(FindVar(vars, "g_flags")->handle, true);
    ASSERT_EQ(DWARF_GetMemberCount(flags), 4u);
    for (const auto& c : bitfields) {
      SCOPED_TRACE(c.member);
      uint64_t offset = 0;
      const SYM_HANDLE m = FindMember(flags, c.member, offset);
      ASSERT_NE(m, SYM_NONE);
      EXPECT_EQ(DWARF_GetBitSize(m), c.bit_size);
      if (c.bit_size) {
        EXPECT_EQ(offset * 8 + DWARF_GetBitOffset(m), c.bit_offset);
      }
    }

    int shared = 0;
    for (const VarRow& v : vars) shared += v.name == "g_shared";
    EXPECT_EQ(shared, 1) << "extern declaration and definition give one variable";
    const std::string file = DWARF_GetSourceFile(FindVar(vars, "g_shared")->handle);
    EXPECT_EQ(file.substr(file.size() - 7), "other.c");
    EXPECT_EQ(file[0], '/');
    const VarRow* calls = FindVar(vars, "calls");
    ASSERT_NE(calls, nullptr);
    EXPECT_TRUE(calls->is_static_local);
    EXPECT_NE(calls->address, 0u);
    EXPECT_EQ(FindVar(vars, "automatic"), nullptr);
    EXPECT_EQ(FindVar(vars, "by"), nullptr);
    // A pointer to a structure only declared in its unit leads to the definition elsewhere.
    const SYM_HANDLE pointer = DWARF_GetType(FindVar(vars, "g_opaque_ptr")->handle, true);
    EXPECT_EQ(DWARF_GetTag(pointer), DWARF_TAG_POINTER);
    const SYM_HANDLE target = DWARF_GetType(pointer, false);
    EXPECT_EQ(DWARF_GetTag(target), DWARF_TAG_STRUCTURE);
    EXPECT_EQ(DWARF_GetByteSize(target), 8u);
    EXPECT_EQ(DWARF_GetMemberCount(target), 2u);
    EXPECT_EQ(DWARF_GetName(DWARF_GetEntryFunction(f.elf)), "main");
    EXPECT_EQ(DWARF_GetName(DWARF_GetType(FindVar(vars, "g_tagged")->handle, true)), "");
    const DWARF_STATS* stats = DWARF_GetStats(f.elf);
    ASSERT_NE(stats, nullptr);
    EXPECT_EQ(stats->language, 1u);
    EXPECT_EQ(stats->units, 2);
    EXPECT_GT(stats->source_lines, 0);
  }
  OpenFixture quiet("types_dw4.elf");  // without a debug log they are skipped
  ASSERT_NE(DWARF_GetStats(quiet.elf), nullptr);
  EXPECT_EQ(DWARF_GetStats(quiet.elf)->source_lines, 0);
}

TEST(DwarfDb, CppClassesNamespacesTemplatesAndTypeUnits) {
  for (const char* fixture : kCppFixtures) {
    SCOPED_TRACE(fixture);
    MessageCapture capture;
    OpenFixture f(fixture);
    ASSERT_NE(f.elf, nullptr);
    const auto vars = ListVariables(f.elf);
    const VarRow* derived = FindVar(vars, "g_derived");
    ASSERT_NE(derived, nullptr);
    const SYM_HANDLE type = DWARF_GetType(derived->handle, true);
    EXPECT_EQ(DWARF_GetTag(type), DWARF_TAG_CLASS);
    EXPECT_EQ(derived->type_name, "class Derived");
    ASSERT_EQ(DWARF_GetBaseClassCount(type), 1u);
    const SYM_HANDLE base = DWARF_GetType(DWARF_GetBaseClass(type, 0), false);
    EXPECT_EQ(DWARF_GetName(base), "Base");
    std::vector<std::string> data_members;
    uint32_t functions = 0;
    for (uint32_t i = 0; i < DWARF_GetMemberCount(type); ++i) {
      const SYM_HANDLE m = DWARF_GetMember(type, i);
      if (DWARF_GetTag(DWARF_GetType(m, true)) == DWARF_TAG_SUBPROGRAM) {
        ++functions;
      } else {
        data_members.push_back(DWARF_GetName(m));
      }
    }
    EXPECT_GT(functions, 0u);
    EXPECT_EQ(data_members, (std::vector<std::string>{"derived_member", "flags"}));
    ASSERT_NE(FindVar(vars, "static_count"), nullptr);
    EXPECT_TRUE(DWARF_IsStaticMember(FindVar(vars, "static_count")->handle));
    EXPECT_EQ(FindVar(vars, "static_count")->type_name, "static int");
    ASSERT_NE(FindVar(vars, "g_float_buffer"), nullptr);
    EXPECT_EQ(FindVar(vars, "g_float_buffer")->type_name, "struct Buffer<float, 4>");
    EXPECT_NE(FindVar(vars, "ns_value"), nullptr);
    EXPECT_NE(FindVar(vars, "id"), nullptr);
    EXPECT_GE(DWARF_GetCategoryCount(f.elf, DWARF_CAT_NAMESPACES), 2u);
    const DWARF_STATS* stats = DWARF_GetStats(f.elf);
    ASSERT_NE(stats, nullptr);
    EXPECT_EQ(stats->language, 2u);
    // Statistics reach the debug log in their fixed order.
    ASSERT_EQ(capture.log.size(), 27u);
    EXPECT_EQ(capture.log[0].rfind("parsed debug types section in ms: ", 0), 0u);
    EXPECT_EQ(capture.log[10], "Source Language: C++");
    EXPECT_EQ(capture.log[9], "Data Encoding: Little Endian");
    EXPECT_EQ(capture.log[26].rfind("Total init time: ", 0), 0u);
    if (std::strcmp(fixture, "classes_dw4_types.elf") == 0) {
      EXPECT_GT(stats->debug_types_size, 0u);
      EXPECT_EQ(capture.log[8], "DWARF Version: 4");
    }
  }
  EXPECT_EQ(DWARF_GetCategoryCount(nullptr, DWARF_CAT_VARIABLES), 0u);
}

}  // namespace
