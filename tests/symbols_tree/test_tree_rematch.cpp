// Same-symbol identity and the re-match list of a reparse.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/sys_text.h"
#include "tests/symbols_tree/tree_fixture.h"

namespace {

ACTIVE_SYMBOL Record(const char* file, const char* name, const char* type, uint32_t address = 0) {
  ACTIVE_SYMBOL s;
  SYS_CopyText(s.SourceFile, sizeof s.SourceFile, file);
  SYS_CopyText(s.Name, sizeof s.Name, name);
  SYS_CopyText(s.TypeName, sizeof s.TypeName, type);
  s.Address = address;
  return s;
}

TEST(SymbolTreeIdentity, SameSymbolComparesFileNameAndTypeIgnoringCase) {
  struct Case {
    const char* name;
    ACTIVE_SYMBOL other;
    bool want;
  };
  const ACTIVE_SYMBOL base = Record("/src/Main.c", "Speed", "unsigned int", 0x100);
  const Case cases[] = {
      {"identical", Record("/src/Main.c", "Speed", "unsigned int", 0x100), true},
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

// A previously active list made of nodes of an old tree and of records read from a project
// file; the new tree is built from the same file, as after a reparse.
TEST(SymbolTreeIdentity, RematchFindsEachOldSymbolOnceAtItsOwnPlace) {
  std::string why;
  const std::string elf = FixtureElf("c", &why);
  if (elf.empty()) GTEST_SKIP() << why;
  auto old_tree = BuildTree(elf);
  ASSERT_GT(old_tree->result, 0);
  auto find_old = [&](const char* path) {
    const ACTIVE_SYMBOL* n = SYMTREE_FindPath(old_tree->tree.pRoot, path);
    EXPECT_NE(n, nullptr) << path;
    return const_cast<ACTIVE_SYMBOL*>(n);
  };
  // "x" of every element of pts has the same file, name and type: only the parents (or,
  // for a record without parents, the address) tell them apart.
  ACTIVE_SYMBOL* pts2x = find_old("pts[2].x");
  ACTIVE_SYMBOL* grid12 = find_old("grid[1][2]");
  ACTIVE_SYMBOL* other = find_old("other_value");
  ACTIVE_SYMBOL loaded = Record(pts2x->SourceFile, "x", "short int",
                                find_old("pts[3].x")->Address);  // from a project file
  ACTIVE_SYMBOL missing = Record(pts2x->SourceFile, "gone", "int");
  ACTIVE_SYMBOL virt = Record("", "v", "int");
  virt.Virtual = 1;
  std::vector<ACTIVE_SYMBOL*> olds = {other, &missing, pts2x, &virt, &loaded, grid12};
  std::vector<ACTIVE_SYMBOL_CELL> cells(olds.size());
  for (size_t i = 0; i < olds.size(); ++i) {
    cells[i].pSymbol = olds[i];
    cells[i].pNext = i + 1 < olds.size() ? &cells[i + 1] : nullptr;
  }

  auto new_tree = BuildTree(elf, {}, cells.data());
  ASSERT_GT(new_tree->result, 0);
  auto find_new = [&](const char* path) { return SYMTREE_FindPath(new_tree->tree.pRoot, path); };
  struct Want {
    const ACTIVE_SYMBOL* old_symbol;
    const ACTIVE_SYMBOL* new_node;
  };
  // In tree order of the new nodes.
  const std::vector<Want> want = {
      {grid12, find_new("grid[1][2]")},
      {pts2x, find_new("pts[2].x")},
      {&loaded, find_new("pts[3].x")},
      {other, find_new("other_value")},
  };
  ASSERT_EQ(new_tree->tree.rematch.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(new_tree->tree.rematch[i].pOld, want[i].old_symbol);
    EXPECT_EQ(new_tree->tree.rematch[i].pNew, want[i].new_node);
    EXPECT_NE(want[i].new_node, want[i].old_symbol);
  }
}

TEST(SymbolTreeIdentity, RecordsWithoutPlaceTakeDistinctNodes) {
  std::string why;
  const std::string elf = FixtureElf("c", &why);
  if (elf.empty()) GTEST_SKIP() << why;
  // Two records read from a project whose addresses no longer fit: each gets its own node.
  ACTIVE_SYMBOL a = Record("", "x", "short int", 1);
  ACTIVE_SYMBOL b = Record("", "x", "short int", 2);
  {
    auto probe = BuildTree(elf);
    const ACTIVE_SYMBOL* x = SYMTREE_FindPath(probe->tree.pRoot, "pts[0].x");
    ASSERT_NE(x, nullptr);
    SYS_CopyText(a.SourceFile, sizeof a.SourceFile, x->SourceFile);
    SYS_CopyText(b.SourceFile, sizeof b.SourceFile, x->SourceFile);
  }
  ACTIVE_SYMBOL_CELL cb{&b, nullptr};
  ACTIVE_SYMBOL_CELL ca{&a, &cb};
  auto t = BuildTree(elf, {}, &ca);
  ASSERT_EQ(t->tree.rematch.size(), 2u);
  EXPECT_EQ(t->tree.rematch[0].pOld, &a);
  EXPECT_EQ(t->tree.rematch[0].pNew, SYMTREE_FindPath(t->tree.pRoot, "pts[0].x"));
  EXPECT_EQ(t->tree.rematch[1].pOld, &b);
  EXPECT_EQ(t->tree.rematch[1].pNew, SYMTREE_FindPath(t->tree.pRoot, "pts[1].x"));
}

}  // namespace
