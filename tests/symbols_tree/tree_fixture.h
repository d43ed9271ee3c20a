// Test support: fixture ELF files compiled at test time, trees built from them, and gdb as
// an independent reader of addresses and sizes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "symbols/symbol_tree.h"

struct ELF_FILE;

// Compiles fixture `name` ("c", "c_dwarf4", "cpp4", "cpp5", "cpp_clang", "deep", "locs", "rep",
// "empty", "fb", "thumb") once per process into a private temporary folder. Returns the ELF
// path, or "" when the toolchain is missing or the build failed (`why` says which).
std::string FixtureElf(const std::string& name, std::string* why = nullptr);

// A tree built from an ELF file (kept open), freed on destruction.
struct TreeUnderTest {
  ELF_FILE* elf = nullptr;
  SYMTREE_TREE tree;
  int64_t result = -1;
  const ACTIVE_SYMBOL* Find(const char* path) const { return SYMTREE_FindPath(tree.pRoot, path); }
  ~TreeUnderTest();
};
std::unique_ptr<TreeUnderTest> BuildTree(const std::string& elf_path,
                                         const SYMTREE_OPTIONS& options = {},
                                         const ACTIVE_SYMBOL_CELL* previous = nullptr);

struct TREE_LEAF {
  std::string path;
  const ACTIVE_SYMBOL* node = nullptr;
};
std::vector<TREE_LEAF> CollectLeaves(const ACTIVE_SYMBOL* root);
std::vector<const ACTIVE_SYMBOL*> Children(const ACTIVE_SYMBOL& node);

// gdb's `&(expr)` and `sizeof(expr)` per expression; empty when gdb is not installed.
struct GDB_ANSWER {
  bool ok = false;
  unsigned long long address = 0, size = 0;
  std::string error;
};
std::vector<GDB_ANSWER> AskGdb(const std::string& elf_path, const std::vector<std::string>& exprs);
bool HaveGdb();
