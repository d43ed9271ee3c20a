// The shape of the symbol tree built from compiled fixtures: arrays, unions, inheritance,
// left-out variables, file nodes, depth limit, bitfields, static members, freeing and the
// node limit.
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sys_msgbox.h"
#include "symbols/dwarf_db.h"
#include "tests/symbols_tree/tree_fixture.h"

namespace {

#define REQUIRE_FIXTURE(var, name)              \
  std::string var##_why;                        \
  const std::string var = FixtureElf(name, &var##_why); \
  if (var.empty()) GTEST_SKIP() << var##_why

const ACTIVE_SYMBOL* Find(const TreeUnderTest& t, const char* path) {
  return SYMTREE_FindPath(t.tree.pRoot, path);
}

std::vector<std::string> FileNodes(const TreeUnderTest& t) {
  std::vector<std::string> files;
  for (const ACTIVE_SYMBOL* f = t.tree.pRoot; f != nullptr; f = f->pNextSibling) {
    files.push_back(f->SourceFile);
  }
  return files;
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

TEST(SymbolTree, TwoByThreeArrayHasRowsElementsAndAddresses) {
  for (const char* fixture : {"c", "c_dwarf4", "thumb"}) {
    SCOPED_TRACE(fixture);
    std::string why;
    const std::string elf = FixtureElf(fixture, &why);
    if (elf.empty()) {
      ADD_FAILURE() << why;
      continue;
    }
    auto t = BuildTree(elf);
    ASSERT_GT(t->result, 0);
    const ACTIVE_SYMBOL* grid = Find(*t, "grid");
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->Array, 1);
    EXPECT_EQ(grid->Tag, DWARF_TAG_ARRAY);
    EXPECT_STREQ(grid->TypeName, "int[2][3]");
    EXPECT_EQ(grid->Size, 24u);
    EXPECT_EQ(grid->DimensionCount, 2u);
    ASSERT_NE(grid->pDimensions, nullptr);
    EXPECT_EQ(grid->pDimensions->Size, 2u);
    ASSERT_NE(grid->pDimensions->pNext, nullptr);
    EXPECT_EQ(grid->pDimensions->pNext->Size, 3u);
    EXPECT_EQ(grid->pDimensions->pNext->pNext, nullptr);
    EXPECT_EQ(grid->Leaf, 0);
    EXPECT_EQ(grid->ValueType, TYPEID_UNSUPPORTED);

    auto rows = Children(*grid);
    ASSERT_EQ(rows.size(), 2u);
    for (uint32_t r = 0; r < 2; ++r) {
      SCOPED_TRACE(rows[r]->Name);
      EXPECT_EQ(std::string(rows[r]->Name), "grid[" + std::to_string(r) + "]");
      EXPECT_EQ(rows[r]->Array, 1);
      EXPECT_STREQ(rows[r]->TypeName, "int[3]");
      EXPECT_EQ(rows[r]->Address, grid->Address + r * 12);
      auto cells = Children(*rows[r]);
      ASSERT_EQ(cells.size(), 3u);
      for (uint32_t c = 0; c < 3; ++c) {
        EXPECT_EQ(std::string(cells[c]->Name),
                  "grid[" + std::to_string(r) + "][" + std::to_string(c) + "]");
        EXPECT_EQ(cells[c]->Address, grid->Address + (r * 3 + c) * 4);
        EXPECT_EQ(cells[c]->Size, 4u);
        EXPECT_EQ(cells[c]->Leaf, 1);
        EXPECT_EQ(cells[c]->ValueType, TYPEID_I32);
        EXPECT_EQ(cells[c]->pParent, rows[r]);
      }
    }
    const ACTIVE_SYMBOL* last = Find(*t, "grid[1][2]");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->Address, grid->Address + (1 * 3 + 2) * 4);
  }
}

TEST(SymbolTree, AnonymousUnionHoldsMembersAtTheUnionAddress) {
  REQUIRE_FIXTURE(elf, "c");
  auto t = BuildTree(elf);
  const ACTIVE_SYMBOL* wu = Find(*t, "wu");
  ASSERT_NE(wu, nullptr);
  auto members = Children(*wu);
  ASSERT_EQ(members.size(), 3u);
  EXPECT_STREQ(members[0]->Name, "kind");
  EXPECT_STREQ(members[1]->Name, "<Anonymous>");
  EXPECT_EQ(members[1]->Tag, DWARF_TAG_UNION);
  EXPECT_STREQ(members[2]->Name, "d");
  const uint32_t union_address = members[1]->Address;
  EXPECT_EQ(union_address, wu->Address + 4);
  auto inner = Children(*members[1]);
  ASSERT_EQ(inner.size(), 3u);
  for (const ACTIVE_SYMBOL* m : inner) {
    SCOPED_TRACE(m->Name);
    EXPECT_EQ(m->Address, union_address);
  }
  EXPECT_EQ(inner[1]->ValueType, TYPEID_FLOAT);
  EXPECT_EQ(inner[1]->Signed, 1);
}

TEST(SymbolTree, DerivedClassListsOwnMembersThenInherited) {
  struct Case {
    const char* fixture;
    std::vector<std::string> want;  // children of derived_obj
  };
  const Case cases[] = {
      // DWARF 4 lists static data members in the class; they keep their own address.
      {"cpp4", {"own_x", "shared_count", "instance", "<Inherited>"}},
      {"cpp5", {"own_x", "<Inherited>"}},
      {"cpp_clang", {"own_x", "shared_count", "instance", "<Inherited>"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture);
    std::string why;
    const std::string elf = FixtureElf(c.fixture, &why);
    if (elf.empty()) {
      ADD_FAILURE() << why;
      continue;
    }
    auto t = BuildTree(elf);
    const ACTIVE_SYMBOL* obj = Find(*t, "derived_obj");
    ASSERT_NE(obj, nullptr);
    std::vector<std::string> names;
    for (const ACTIVE_SYMBOL* m : Children(*obj)) names.push_back(m->Name);
    EXPECT_EQ(names, c.want);
    const ACTIVE_SYMBOL* base = Children(*obj).back();
    ASSERT_EQ(Children(*base).size(), 2u);
    EXPECT_STREQ(Children(*base)[0]->Name, "base_a");
    EXPECT_EQ(Children(*base)[0]->Address, obj->Address);
    // A base of a structure is a base as well, not an anonymous member.
    const ACTIVE_SYMBOL* sbase = Find(*t, "sderived_obj.<Inherited>.s1");
    ASSERT_NE(sbase, nullptr);
    EXPECT_EQ(sbase->Address, Find(*t, "sderived_obj")->Address);
  }
}

TEST(SymbolTree, StaticDataMemberOfAnObjectHasItsOwnAddress) {
  for (const char* fixture : {"cpp4", "cpp_clang"}) {
    SCOPED_TRACE(fixture);
    std::string why;
    const std::string elf = FixtureElf(fixture, &why);
    if (elf.empty()) {
      ADD_FAILURE() << why;
      continue;
    }
    auto t = BuildTree(elf);
    const ACTIVE_SYMBOL* global = Find(*t, "shared_count");
    const ACTIVE_SYMBOL* member = Find(*t, "derived_obj.shared_count");
    const ACTIVE_SYMBOL* in_array = Find(*t, "holder.items[1].shared_count");
    ASSERT_NE(global, nullptr);
    ASSERT_NE(member, nullptr);
    ASSERT_NE(in_array, nullptr);
    EXPECT_EQ(member->Address, global->Address);
    EXPECT_EQ(in_array->Address, global->Address);
    EXPECT_NE(member->Address, Find(*t, "derived_obj")->Address);
    // A constant member has no storage; members of the class's own type are global
    // variables of their own and are not repeated inside every object.
    EXPECT_EQ(Find(*t, "derived_obj.kLimit"), nullptr);
    EXPECT_EQ(Children(*Find(*t, "paint")).size(), 3u);
    EXPECT_NE(Find(*t, "red.r"), nullptr);
  }
}

TEST(SymbolTree, RegisterAndConstantVariablesAreLeftOut) {
  REQUIRE_FIXTURE(elf, "locs");
  auto t = BuildTree(elf);
  // Both are global variables of the database; only their location keeps them out.
  std::vector<std::string> vars;
  for (uint64_t i = 0; i < DWARF_GetCategoryCount(t->elf, DWARF_CAT_VARIABLES); ++i) {
    vars.push_back(DWARF_GetName(DWARF_GetCategoryEntry(t->elf, DWARF_CAT_VARIABLES, i)));
  }
  EXPECT_NE(std::find(vars.begin(), vars.end(), "greg"), vars.end());
  EXPECT_NE(std::find(vars.begin(), vars.end(), "kconst"), vars.end());
  EXPECT_EQ(Find(*t, "greg"), nullptr);
  EXPECT_EQ(Find(*t, "kconst"), nullptr);
  EXPECT_NE(Find(*t, "kept_global"), nullptr);
}

TEST(SymbolTree, FileComingBackAfterAnotherGetsASecondFileNode) {
  REQUIRE_FIXTURE(elf, "rep");
  auto t = BuildTree(elf);
  std::vector<std::string> files;
  for (const std::string& f : FileNodes(*t)) files.push_back(BaseName(f));
  EXPECT_EQ(files, (std::vector<std::string>{"rep.c", "tree_c_other.c", "rep.c"}));
  ASSERT_NE(t->tree.pRoot, nullptr);
  EXPECT_STREQ(t->tree.pRoot->pFirstChild->Name, "rep_one");
  EXPECT_STREQ(t->tree.pRoot->pNextSibling->pNextSibling->pFirstChild->Name, "rep_two");
}

TEST(SymbolTree, FirstVariableWithoutSourceFileGetsAFileNodeOfItsOwn) {
  REQUIRE_FIXTURE(elf, "empty");
  auto t = BuildTree(elf);
  ASSERT_NE(t->tree.pRoot, nullptr);
  EXPECT_STREQ(t->tree.pRoot->SourceFile, "");
  std::vector<std::string> names;
  for (const ACTIVE_SYMBOL* v : Children(*t->tree.pRoot)) names.push_back(v->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"first_var", "second_var"}));
  ASSERT_NE(t->tree.pRoot->pNextSibling, nullptr);
  EXPECT_EQ(BaseName(t->tree.pRoot->pNextSibling->SourceFile), "tree_c_other.c");
}

TEST(SymbolTree, StructureNested40DeepIsCutOffBelowLevel32) {
  REQUIRE_FIXTURE(elf, "deep");
  auto t = BuildTree(elf);
  uint32_t deepest = 0;
  const ACTIVE_SYMBOL* deepest_node = nullptr;
  SYMTREE_ForEach(t->tree.pRoot, [&](const ACTIVE_SYMBOL& node, uint32_t depth) {
    if (depth > deepest) {
      deepest = depth;
      deepest_node = &node;
    }
  });
  // Depth 0 of the walk is the file node, 1 the variable (level 0).
  EXPECT_EQ(deepest - 1, SYMTREE_MAX_DEPTH - 1);
  ASSERT_NE(deepest_node, nullptr);
  EXPECT_EQ(deepest_node->pFirstChild, nullptr);
  std::string path = "deep_var";
  for (int level = 1; level < 32; ++level) path += ".next";
  const ACTIVE_SYMBOL* cut = Find(*t, path.c_str());
  ASSERT_NE(cut, nullptr);
  EXPECT_STREQ(cut->TypeName, "struct l32");
  EXPECT_EQ(Children(*cut).size(), 2u);  // v32 and next (struct l33, without children)
  EXPECT_EQ(Children(*cut)[1]->pFirstChild, nullptr);
}

TEST(SymbolTree, BitfieldHasTheRecordSizeAndAddress) {
  struct Case {
    const char* path;
    uint32_t bit_size, bit_offset;
  };
  const Case cases[] = {{"fl.ready", 1, 0}, {"fl.mode", 3, 1}, {"fl.count", 12, 4}};
  for (const char* fixture : {"c", "c_dwarf4", "thumb"}) {
    std::string why;
    const std::string elf = FixtureElf(fixture, &why);
    if (elf.empty()) {
      ADD_FAILURE() << why;
      continue;
    }
    auto t = BuildTree(elf);
    const ACTIVE_SYMBOL* fl = Find(*t, "fl");
    ASSERT_NE(fl, nullptr);
    ASSERT_EQ(fl->Size, 4u);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(fixture) + " " + c.path);
      const ACTIVE_SYMBOL* m = Find(*t, c.path);
      ASSERT_NE(m, nullptr);
      EXPECT_EQ(m->Size, 4u);
      EXPECT_EQ(m->Address, fl->Address);
      EXPECT_EQ(m->ValueType, TYPEID_U32);
      EXPECT_EQ(m->BitSize, c.bit_size);
      EXPECT_EQ(m->BitOffset, c.bit_offset);
    }
  }
}

TEST(SymbolTree, LeavesCarryTheirTypeDefaults) {
  REQUIRE_FIXTURE(elf, "c");
  SYMTREE_OPTIONS hex;
  hex.int_default_hex = true;
  auto t = BuildTree(elf, hex);
  struct Case {
    const char* path;
    uint32_t type_id;
    uint32_t size;
  };
  const Case cases[] = {
      {"cfg", TYPEID_U16, 2},       {"flag_b", TYPEID_BOOL, 1},   {"wu.d", TYPEID_DOUBLE, 8},
      {"ptr", TYPEID_U64, 8},       {"col", TYPEID_I32, 4},       {"ld", TYPEID_UNSUPPORTED, 16},
      {"pts[3].y", TYPEID_I16, 2},  {"nest.inner.c", TYPEID_I8, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const ACTIVE_SYMBOL* n = Find(*t, c.path);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->Leaf, 1);
    EXPECT_EQ(n->ValueType, c.type_id);
    EXPECT_EQ(n->Size, c.size);
    EXPECT_EQ(n->HexDisplay, 0xFF);
    EXPECT_EQ(n->Read, 1);
  }
  const ACTIVE_SYMBOL* y = Find(*t, "pts[3].y");
  EXPECT_EQ(y->MinWrite, -32768.0);
  EXPECT_EQ(y->MaxWrite, 32767.0);
  EXPECT_EQ(y->QFormatIntBits, 8);
  EXPECT_EQ(y->QFormatFracBits, 7);
}

// The frame buffer is one chain of 76800 siblings; freeing it must not recurse along the
// chain, so it runs here on a thread with a small stack.
void* FreeOnSmallStack(void* root) {
  SYMTREE_Free(static_cast<ACTIVE_SYMBOL*>(root));
  return nullptr;
}

TEST(SymbolTree, FrameBufferTreeIsFreedWithoutDeepRecursion) {
  REQUIRE_FIXTURE(elf, "fb");
  auto t = BuildTree(elf);
  const ACTIVE_SYMBOL* fb = Find(*t, "fb");
  ASSERT_NE(fb, nullptr);
  EXPECT_EQ(t->tree.node_count, 2u + 320u * 240u);
  EXPECT_EQ(Find(*t, "fb[76799]")->Address, fb->Address + 2u * 76799u);
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 64 * 1024);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attr, FreeOnSmallStack, t->tree.pRoot), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  t->tree.pRoot = nullptr;
}

int g_warnings = 0;
void CountWarnings(SYS_MsgBoxRequest& request) {
  if (request.icon == SYS_MB_ICON_WARNING) ++g_warnings;
}

TEST(SymbolTree, NodeLimitCutsTheTreeWithOneWarning) {
  REQUIRE_FIXTURE(elf, "fb");
  SYMTREE_OPTIONS small;
  small.max_nodes = 1000;
  g_warnings = 0;
  SYS_MsgBoxHandler previous = SYS_SetMsgBoxHandler(CountWarnings);
  auto t = BuildTree(elf, small);
  SYS_SetMsgBoxHandler(previous);
  EXPECT_TRUE(t->tree.truncated);
  EXPECT_EQ(t->tree.node_count, 1000u);
  EXPECT_EQ(g_warnings, 1);
  EXPECT_EQ(Children(*Find(*t, "fb")).size(), 998u);
}

}  // namespace

namespace {

struct FLAT_NODE {
  uint32_t depth;
  std::string name, type, file;
  uint32_t address, size, value_type, tag, dims, bit_size, bit_offset;
  uint8_t leaf, array, is_signed;
  std::vector<uint32_t> dim_sizes;
  bool operator==(const FLAT_NODE&) const = default;
};

std::vector<FLAT_NODE> Flatten(const ACTIVE_SYMBOL* root) {
  std::vector<FLAT_NODE> out;
  SYMTREE_ForEach(root, [&](const ACTIVE_SYMBOL& n, uint32_t depth) {
    FLAT_NODE f{depth, n.Name, n.TypeName, n.SourceFile, n.Address, n.Size, n.ValueType,
                n.Tag, n.DimensionCount, n.BitSize, n.BitOffset, n.Leaf, n.Array, n.Signed, {}};
    for (const SYMBOL_DIMENSION* d = n.pDimensions; d != nullptr; d = d->pNext) {
      f.dim_sizes.push_back(d->Size);
    }
    out.push_back(std::move(f));
  });
  return out;
}

TEST(SymbolTree, CopiedElementsEqualElementsBuiltOneByOne) {
  std::vector<std::string> files;
  for (const char* fixture : {"c", "cpp4", "cpp_clang", "thumb"}) {
    std::string why;
    std::string elf = FixtureElf(fixture, &why);
    if (elf.empty()) {
      ADD_FAILURE() << why;
      continue;
    }
    files.push_back(elf);
  }
  for (const char* corpus : {"x86_64_gxx48_cxx_ezpz.elf", "v850_gcc9_dwarf4.elf",
                             "s390x_be_go118_zdebug.elf"}) {
    const std::string path = std::string(VISTRO_SHARED_DIR) + "/corpus/files/" + corpus;
    if (std::filesystem::exists(path)) files.push_back(path);
  }
  for (const std::string& elf : files) {
    SCOPED_TRACE(elf);
    SYMTREE_OPTIONS one_by_one;
    one_by_one.copy_elements = false;
    auto copied = BuildTree(elf);
    auto built = BuildTree(elf, one_by_one);
    ASSERT_GE(copied->result, 0);
    EXPECT_EQ(copied->tree.node_count, built->tree.node_count);
    const auto a = Flatten(copied->tree.pRoot);
    const auto b = Flatten(built->tree.pRoot);
    ASSERT_EQ(a.size(), b.size());
    size_t differing = 0;
    for (size_t i = 0; i < a.size(); ++i) {
      if (!(a[i] == b[i]) && differing++ < 5) {
        ADD_FAILURE() << "node " << i << " " << a[i].name << " / " << b[i].name << " at 0x"
                      << std::hex << a[i].address << " / 0x" << b[i].address;
      }
    }
    EXPECT_EQ(differing, 0u);
  }
}

}  // namespace
