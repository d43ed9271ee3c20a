// The shape of the symbol tree built from compiled fixtures: arrays, unions, inheritance,
// left-out variables, file nodes, depth limit, bitfields, static members, type defaults,
// freeing, the node limit, and the re-match list of a reparse.
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "symbols/dwarf_db.h"
#include "tests/symbols_tree/tree_fixture.h"

namespace {

// Builds the tree of fixture `name`; a missing toolchain fails the test.
#define REQUIRE_TREE(t, name, ...)                        \
  std::string t##_why;                                    \
  const std::string t##_elf = FixtureElf(name, &t##_why); \
  ASSERT_FALSE(t##_elf.empty()) << t##_why;               \
  auto t = BuildTree(t##_elf __VA_OPT__(, ) __VA_ARGS__); \
  ASSERT_GE(t->result, 0)

std::vector<std::string> Names(const ACTIVE_SYMBOL* first, bool file = false) {
  std::vector<std::string> names;
  for (; first != nullptr; first = first->pNextSibling) {
    const std::string n = file ? first->SourceFile : first->Name;
    names.push_back(n.substr(n.rfind('/') + 1));
  }
  return names;
}

TEST(SymbolTree, ArraysAndAnonymousUnionsHaveTheirNodes) {
  for (const char* fixture : {"c", "c_dwarf4", "thumb"}) {
    SCOPED_TRACE(fixture);
    REQUIRE_TREE(t, fixture);
    const ACTIVE_SYMBOL* grid = t->Find("grid");
    ASSERT_NE(grid, nullptr);
    EXPECT_TRUE(grid->Array == 1 && grid->Leaf == 0 && grid->Size == 24u);
    EXPECT_STREQ(grid->TypeName, "int[2][3]");
    ASSERT_EQ(grid->DimensionCount, 2u);
    EXPECT_EQ(grid->pDimensions->Size, 2u);
    EXPECT_EQ(grid->pDimensions->pNext->Size, 3u);
    EXPECT_EQ(grid->pDimensions->pNext->pNext, nullptr);
    EXPECT_EQ(Names(grid->pFirstChild), (std::vector<std::string>{"grid[0]", "grid[1]"}));
    EXPECT_STREQ(t->Find("grid[1]")->TypeName, "int[3]");
    EXPECT_EQ(Names(t->Find("grid[1]")->pFirstChild),
              (std::vector<std::string>{"grid[1][0]", "grid[1][1]", "grid[1][2]"}));
    EXPECT_EQ(t->Find("grid[1][2]")->pParent, t->Find("grid[1]"));
    EXPECT_EQ(Names(t->Find("wu")->pFirstChild),
              (std::vector<std::string>{"kind", "<Anonymous>", "d"}));
    EXPECT_EQ(t->Find("wu.<Anonymous>")->Tag, DWARF_TAG_UNION);
    EXPECT_EQ(Children(*t->Find("wu.<Anonymous>")).size(), 3u);
  }
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
    REQUIRE_TREE(t, c.fixture);
    const ACTIVE_SYMBOL* obj = t->Find("derived_obj");
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(Names(obj->pFirstChild), c.want);
    EXPECT_EQ(Names(t->Find("derived_obj.<Inherited>")->pFirstChild),
              (std::vector<std::string>{"base_a", "base_b"}));
    EXPECT_EQ(t->Find("derived_obj.<Inherited>.base_a")->Address, obj->Address);
    // A base of a structure is a base as well, not an anonymous member.
    const ACTIVE_SYMBOL* sbase = t->Find("sderived_obj.<Inherited>.s1");
    ASSERT_NE(sbase, nullptr);
    EXPECT_EQ(sbase->Address, t->Find("sderived_obj")->Address);
    if (c.want.size() == 2) continue;
    // A static data member reached through an object (even inside an array element) has its
    // own address, not the object's plus 0.
    const uint32_t own = t->Find("shared_count")->Address;
    EXPECT_EQ(t->Find("derived_obj.shared_count")->Address, own);
    EXPECT_EQ(t->Find("holder.items[1].shared_count")->Address, own);
    EXPECT_NE(own, obj->Address);
    // A constant member has no storage; members of the class's own type are global
    // variables of their own and are not repeated inside every object.
    EXPECT_EQ(t->Find("derived_obj.kLimit"), nullptr);
    EXPECT_EQ(Children(*t->Find("paint")).size(), 3u);
    EXPECT_NE(t->Find("red.r"), nullptr);
  }
}

TEST(SymbolTree, LeftOutVariablesFileNodesAndDepthLimit) {
  {
    SCOPED_TRACE("a register variable and a constant are in the database, not in the tree");
    REQUIRE_TREE(t, "locs");
    std::vector<std::string> vars;
    for (uint64_t i = 0; i < DWARF_GetCategoryCount(t->elf, DWARF_CAT_VARIABLES); ++i) {
      vars.push_back(DWARF_GetName(DWARF_GetCategoryEntry(t->elf, DWARF_CAT_VARIABLES, i)));
    }
    for (const char* v : {"greg", "kconst"}) {
      EXPECT_NE(std::find(vars.begin(), vars.end(), v), vars.end()) << v;
      EXPECT_EQ(t->Find(v), nullptr) << v;
    }
    EXPECT_NE(t->Find("kept_global"), nullptr);
  }
  {
    SCOPED_TRACE("a file coming back after another gets a second file node");
    REQUIRE_TREE(t, "rep");
    EXPECT_EQ(Names(t->tree.pRoot, true),
              (std::vector<std::string>{"rep.c", "tree_c_other.c", "rep.c"}));
    EXPECT_STREQ(t->tree.pRoot->pFirstChild->Name, "rep_one");
    EXPECT_STREQ(t->tree.pRoot->pNextSibling->pNextSibling->pFirstChild->Name, "rep_two");
  }
  {
    SCOPED_TRACE("the first variable without source file gets a file node of its own");
    REQUIRE_TREE(t, "empty");
    EXPECT_EQ(Names(t->tree.pRoot, true), (std::vector<std::string>{"", "tree_c_other.c"}));
    EXPECT_EQ(Names(t->tree.pRoot->pFirstChild),
              (std::vector<std::string>{"first_var", "second_var"}));
  }
  {
    SCOPED_TRACE("a structure nested 40 deep is cut off below level 32");
    REQUIRE_TREE(t, "deep");
    uint32_t deepest = 0;
    SYMTREE_ForEach(t->tree.pRoot, [&](const ACTIVE_SYMBOL&, uint32_t depth) {
      deepest = std::max(deepest, depth);
    });
    EXPECT_EQ(deepest - 1, SYMTREE_MAX_DEPTH - 1);  // walk depth 1 is level 0
    std::string path = "deep_var";
    for (int level = 1; level < 32; ++level) path += ".next";
    const ACTIVE_SYMBOL* cut = t->Find(path.c_str());
    ASSERT_NE(cut, nullptr);
    EXPECT_STREQ(cut->TypeName, "struct l32");
    EXPECT_EQ(Names(cut->pFirstChild), (std::vector<std::string>{"v32", "next"}));
    EXPECT_EQ(Children(*cut)[1]->pFirstChild, nullptr);
  }
}

TEST(SymbolTree, LeavesCarryAddressTypeBitfieldAndDefaults) {
  struct Case {
    const char* path;
    uint32_t type_id, size;
    const char* base;  // the address is that of `base` plus `offset`
    uint32_t offset, bit_size, bit_offset;
    double min_write, max_write;
    bool host_only = false;  // size or signedness of the host ABI
  };
  const double kU32 = 4294967295.0;
  const Case cases[] = {
      {"grid[0][0]", TYPEID_I32, 4, "grid", 0, 0, 0, -2147483648.0, 2147483647.0},
      {"grid[1][2]", TYPEID_I32, 4, "grid", 20, 0, 0, -2147483648.0, 2147483647.0},
      {"pts[3].y", TYPEID_I16, 2, "pts", 14, 0, 0, -32768, 32767},
      // Members of an anonymous union lie at the union's address.
      {"wu.<Anonymous>.u", TYPEID_U32, 4, "wu", 4, 0, 0, 0, kU32},
      {"wu.<Anonymous>.f", TYPEID_FLOAT, 4, "wu", 4, 0, 0, -FLT_MAX, FLT_MAX},
      {"wu.<Anonymous>.b[3]", TYPEID_U8, 1, "wu", 7, 0, 0, 0, 255},
      {"wu.d", TYPEID_DOUBLE, 8, "wu", 8, 0, 0, -DBL_MAX, DBL_MAX},
      // Bitfield members are read through their storage unit (address, size, bit offset) and
      // typed and limited by their own bits.
      {"fl.ready", TYPEID_U8, 4, "fl", 0, 1, 0, 0, 1},
      {"fl.mode", TYPEID_U8, 4, "fl", 0, 3, 1, 0, 7},
      {"fl.count", TYPEID_U16, 4, "fl", 0, 12, 4, 0, 4095},
      {"cfg", TYPEID_U16, 2, "cfg", 0, 0, 0, 0, 65535},
      {"flag_b", TYPEID_BOOL, 1, "flag_b", 0, 0, 0, 0, 1},
      {"nest.inner.c", TYPEID_I8, 1, "nest.inner", 0, 0, 0, -128, 127, true},  // char is unsigned on ARM
      {"ptr", TYPEID_U64, 8, "ptr", 0, 0, 0, 0, 18446744073709551615.0, true},
      {"ld", TYPEID_UNSUPPORTED, 16, "ld", 0, 0, 0, 0, 1, true},  // keeps the record defaults
  };
  SYMTREE_OPTIONS hex;
  hex.int_default_hex = true;
  for (const char* fixture : {"c", "c_dwarf4", "thumb"}) {
    REQUIRE_TREE(t, fixture, hex);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(fixture) + " " + c.path);
      if (c.host_only && std::string(fixture) == "thumb") continue;
      const ACTIVE_SYMBOL* n = t->Find(c.path);
      ASSERT_NE(n, nullptr);
      EXPECT_EQ(n->Address, t->Find(c.base)->Address + c.offset);
      EXPECT_TRUE(n->Leaf == 1 && n->Read == 1 && n->HexDisplay == 0xFF);
      EXPECT_EQ(n->ValueType, c.type_id);
      EXPECT_EQ(n->Size, c.size);
      EXPECT_EQ(n->BitSize, c.bit_size);
      EXPECT_EQ(n->BitOffset, c.bit_offset);
      EXPECT_EQ(n->MinWrite, c.min_write);
      EXPECT_EQ(n->MaxWrite, c.max_write);
    }
    EXPECT_EQ(t->Find("pts[3].y")->QFormatIntBits, 8);
    EXPECT_EQ(t->Find("pts[3].y")->QFormatFracBits, 7);
  }
}

// The frame buffer is one chain of 76800 siblings; freeing it must not recurse along the
// chain, so it runs here on a thread with a small stack.
TEST(SymbolTree, FrameBufferIsFreedWithoutDeepRecursionAndNodeLimitCutsWithOneWarning) {
  REQUIRE_TREE(t, "fb");
  EXPECT_EQ(t->tree.node_count, 2u + 320u * 240u);
  EXPECT_EQ(t->Find("fb[76799]")->Address, t->Find("fb")->Address + 2u * 76799u);
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 64 * 1024);
  pthread_t thread;
  auto free_tree = [](void* root) -> void* {
    SYMTREE_Free(static_cast<ACTIVE_SYMBOL*>(root));
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, free_tree, t->tree.pRoot), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  t->tree.pRoot = nullptr;

  static int warnings = 0;
  SYS_MsgBoxHandler previous = SYS_SetMsgBoxHandler(
      [](SYS_MsgBoxRequest& r) { warnings += r.icon == SYS_MB_ICON_WARNING; });
  SYMTREE_OPTIONS small;
  small.max_nodes = 1000;
  auto cut = BuildTree(t_elf, small);
  SYS_SetMsgBoxHandler(previous);
  EXPECT_TRUE(cut->tree.truncated);
  EXPECT_EQ(cut->tree.node_count, 1000u);
  EXPECT_EQ(warnings, 1);
  EXPECT_EQ(Children(*cut->Find("fb")).size(), 998u);
}

// Elements copied from their first sibling equal elements built one by one.
TEST(SymbolTree, CopiedElementsEqualElementsBuiltOneByOne) {
  auto flatten = [](const ACTIVE_SYMBOL* root) {
    std::vector<std::string> out;
    SYMTREE_ForEach(root, [&](const ACTIVE_SYMBOL& n, uint32_t depth) {
      char line[1024];
      std::snprintf(line, sizeof line, "%u %s %s %s %x %u %u %u %u %u %u %u %u %u", depth, n.Name,
                    n.TypeName, n.SourceFile, n.Address, n.Size, n.ValueType, n.Tag,
                    n.DimensionCount, n.BitSize, n.BitOffset, n.Leaf, n.Array, n.Signed);
      out.push_back(line);
      for (const SYMBOL_DIMENSION* d = n.pDimensions; d != nullptr; d = d->pNext) {
        out.back().append(" ").append(std::to_string(d->Size));
      }
    });
    return out;
  };
  std::vector<std::string> files;
  for (const char* fixture : {"c", "cpp4", "cpp_clang", "thumb"}) files.push_back(FixtureElf(fixture));
  const std::string corpus = VISTRO_SHARED_DIR "/corpus/files/x86_64_gxx48_cxx_ezpz.elf";
  if (std::filesystem::exists(corpus)) files.push_back(corpus);
  for (const std::string& elf : files) {
    SCOPED_TRACE(elf);
    SYMTREE_OPTIONS one_by_one;
    one_by_one.copy_elements = false;
    auto copied = BuildTree(elf);
    ASSERT_GE(copied->result, 0);
    EXPECT_EQ(flatten(copied->tree.pRoot), flatten(BuildTree(elf, one_by_one)->tree.pRoot));
  }
}

ACTIVE_SYMBOL Record(const char* file, const char* name, const char* type, uint32_t address = 0) {
  ACTIVE_SYMBOL s;
  SYS_CopyText(s.SourceFile, sizeof s.SourceFile, file);
  SYS_CopyText(s.Name, sizeof s.Name, name);
  SYS_CopyText(s.TypeName, sizeof s.TypeName, type);
  s.Address = address;
  return s;
}

TEST(SymbolTreeIdentity, SameSymbolComparesFileNameAndTypeIgnoringCase) {
  const ACTIVE_SYMBOL base = Record("/src/Main.c", "Speed", "unsigned int", 0x100);
  struct Case {
    const char* name;
    ACTIVE_SYMBOL other;
    bool want;
  };
  const Case cases[] = {
      {"case differs", Record("/SRC/main.C", "SPEED", "Unsigned Int", 0x100), true},
      {"address differs", Record("/src/Main.c", "Speed", "unsigned int", 0x200), true},
      {"file differs", Record("/src/other.c", "Speed", "unsigned int"), false},
      {"name differs", Record("/src/Main.c", "Speed2", "unsigned int"), false},
      {"type differs", Record("/src/Main.c", "Speed", "int"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SYMTREE_SameSymbol(base, c.other), c.want);
    EXPECT_EQ(SYMTREE_SameSymbol(c.other, base), c.want);
  }
}

// A previously active list of nodes of an old tree and of records read from a project file;
// the new tree is built from the same file, as after a reparse. "x" of every element of pts
// has the same file, name and type: only the parents (or, for a record without parents, the
// address) tell them apart; records whose addresses no longer fit take distinct nodes.
TEST(SymbolTreeIdentity, RematchFindsEachOldSymbolOnceAtItsOwnPlace) {
  REQUIRE_TREE(old_tree, "c");
  auto old = [&](const char* path) { return const_cast<ACTIVE_SYMBOL*>(old_tree->Find(path)); };
  ACTIVE_SYMBOL* pts2x = old("pts[2].x");
  ACTIVE_SYMBOL* grid12 = old("grid[1][2]");
  ACTIVE_SYMBOL* other = old("other_value");
  ACTIVE_SYMBOL loaded = Record(pts2x->SourceFile, "x", "short int", old("pts[3].x")->Address);
  ACTIVE_SYMBOL missing = Record(pts2x->SourceFile, "gone", "int");
  ACTIVE_SYMBOL virt = Record("", "v", "int");
  virt.Virtual = 1;
  ACTIVE_SYMBOL stray1 = Record(pts2x->SourceFile, "x", "short int", 1);
  ACTIVE_SYMBOL stray2 = Record(pts2x->SourceFile, "x", "short int", 2);
  std::vector<ACTIVE_SYMBOL*> olds = {other, &missing, pts2x, &virt, &loaded, grid12};
  for (auto list : {olds, std::vector<ACTIVE_SYMBOL*>{&stray1, &stray2}}) {
    std::vector<ACTIVE_SYMBOL_CELL> cells(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
      cells[i] = {list[i], i + 1 < list.size() ? &cells[i + 1] : nullptr};
    }
    auto t = BuildTree(old_tree_elf, {}, cells.data());
    ASSERT_GT(t->result, 0);
    std::vector<std::pair<const ACTIVE_SYMBOL*, const ACTIVE_SYMBOL*>> got, want;  // old, new
    for (const SYMTREE_MATCH& m : t->tree.rematch) got.emplace_back(m.pOld, m.pNew);
    if (list.size() == 2) {
      want = {{&stray1, t->Find("pts[0].x")}, {&stray2, t->Find("pts[1].x")}};
    } else {  // in tree order of the new nodes
      want = {{grid12, t->Find("grid[1][2]")}, {pts2x, t->Find("pts[2].x")},
              {&loaded, t->Find("pts[3].x")}, {other, t->Find("other_value")}};
    }
    EXPECT_EQ(got, want);
  }
}

}  // namespace
