// The symbol tree: every global variable with a static address of an ELF file, grouped by
// source file and expanded into structure and union members, base classes and array elements
// down to the scalar leaves. Each node is an ACTIVE_SYMBOL record (labelled "Symbol Node");
// selecting a node puts the node itself into the active symbol list, so an active symbol of
// the ELF file lives exactly as long as its tree.
//
//   root (file node "a.c") -> file node "b.c" -> file node "a.c" ...   (next-sibling chain)
//     |-- variable "gs" (struct)                                       (first child)
//     |     |-- "d" (int[2][3])  -> "d[0]" -> "d[0][0]" ... ; "d[1]" -> "d[1][2]"
//     |     `-- "<Anonymous>" (unnamed union) -> its members, at the union's address
//     `-- variable "obj" (class) -> own members, then "<Inherited>" per base class
//
// File nodes carry only the source file. A variable node has no parent pointer; members,
// bases and elements point to the node they belong to. Built on the worker thread from an
// ELF file opened with the full parse; read-only afterwards except for the fields the
// sampling and write engines own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "symbols/active_symbol.h"

struct ELF_FILE;

// Nodes deeper than this (counting from the variable, restarting inside arrays) are cut off.
constexpr uint32_t SYMTREE_MAX_DEPTH = 33;
// Guard against cyclic type information: members, bases and elements nested deeper than this
// in total are left out, whatever the restarting array depth says.
constexpr uint32_t SYMTREE_MAX_NESTING = 256;
// Nodes one tree may hold (about 1.1 KB each). Further nodes are left out with one warning.
constexpr uint64_t SYMTREE_DEFAULT_MAX_NODES = 4000000;

struct SYMTREE_OPTIONS {
  bool int_default_hex = false;  // the IntDefaultHex setting: new nodes show values in hex
  uint64_t max_nodes = SYMTREE_DEFAULT_MAX_NODES;
  // Array elements after the first are copies of the first element's subtree (same result,
  // far fewer debug information queries). Off: every element is built from the queries.
  bool copy_elements = true;
};

// A previously active symbol and the node of the new tree that it was found again as.
struct SYMTREE_MATCH {
  ACTIVE_SYMBOL* pOld = nullptr;
  ACTIVE_SYMBOL* pNew = nullptr;
};

// The result of a build. The caller owns the tree (free it with SYMTREE_Free).
struct SYMTREE_TREE {
  ACTIVE_SYMBOL* pRoot = nullptr;  // first file node; file nodes are chained as siblings
  uint64_t node_count = 0;         // all nodes, file nodes included
  bool truncated = false;          // the node limit was reached (the user was warned)
  // Re-match list: new nodes that are the same symbol as a previously active one, in tree
  // order, each old symbol at most once (filled only when a previous list was passed).
  std::vector<SYMTREE_MATCH> rematch;
};

// Builds the tree of every global variable of `elf` (collection order) with a static
// address. When `previous` is given, the re-match list is filled from it (virtual symbols
// are passed over). Does not close the file. Returns the node count, or -1 when `elf` is not
// an open file.
[[nodiscard]] int64_t SYMTREE_Build(ELF_FILE* elf, const SYMTREE_OPTIONS& options,
                                    const ACTIVE_SYMBOL_CELL* previous, SYMTREE_TREE& tree);

// Frees every node of the tree (and the following sibling chain) with its dimension list,
// without recursion, so arbitrarily long sibling chains and deep trees are safe. Null is
// ignored.
void SYMTREE_Free(ACTIVE_SYMBOL* root);

// Links `child` as the last child of `parent`. `last_child` is the parent's current last
// child when the caller knows it (null: the chain is walked). Returns `child`.
ACTIVE_SYMBOL* SYMTREE_AppendChild(ACTIVE_SYMBOL& parent, ACTIVE_SYMBOL* last_child,
                                   ACTIVE_SYMBOL* child);
// Links `sibling` after the last node of the sibling chain that starts at `node`.
ACTIVE_SYMBOL* SYMTREE_AppendSibling(ACTIVE_SYMBOL& node, ACTIVE_SYMBOL* sibling);

// The identity by which a previously selected symbol is found again after a reparse: equal
// source file, name and type name, ignoring the case of ASCII letters.
bool SYMTREE_SameSymbol(const ACTIVE_SYMBOL& a, const ACTIVE_SYMBOL& b);

// Fills `tree.rematch` from `previous` (see SYMTREE_TREE). Among several nodes that are the
// same symbol as one old symbol, the one whose chain of parent names also matches wins, then
// the one at the old address, then the first in tree order; no node is taken twice.
void SYMTREE_Rematch(const ACTIVE_SYMBOL* root, const ACTIVE_SYMBOL_CELL* previous,
                     std::vector<SYMTREE_MATCH>& matches);

// Visits every node in tree order (pre-order: a node, then its children, then its next
// sibling) without recursion. `visit(node, depth)` gets depth 0 for the nodes of the chain
// that starts at `root` (file nodes for a whole tree).
template <typename Visit>
void SYMTREE_ForEach(const ACTIVE_SYMBOL* root, Visit&& visit) {
  std::vector<const ACTIVE_SYMBOL*> resume;  // next sibling to visit, per open level
  const ACTIVE_SYMBOL* node = root;
  while (node != nullptr) {
    visit(*node, static_cast<uint32_t>(resume.size()));
    if (node->pFirstChild != nullptr) {
      resume.push_back(node->pNextSibling);
      node = node->pFirstChild;
      continue;
    }
    node = node->pNextSibling;
    while (node == nullptr && !resume.empty()) {
      node = resume.back();
      resume.pop_back();
    }
  }
}

// Visits every node in tree order with its path: the names from the variable down to the
// node joined with "."; an array element's name already holds its parent's name, so it
// replaces the parent's part ("gs.d[1][2]", "pts[3].x", "obj.<Inherited>.base_member").
// `visit(node, depth, path)`; file nodes (depth 0) get an empty path.
template <typename Visit>
void SYMTREE_ForEachPath(const ACTIVE_SYMBOL* root, Visit&& visit) {
  struct LEVEL {
    std::string path;
    size_t prefix = 0;  // length of the path before the node's own name
  };
  std::vector<LEVEL> levels;  // index = depth
  SYMTREE_ForEach(root, [&](const ACTIVE_SYMBOL& node, uint32_t depth) {
    levels.resize(depth + 1);
    LEVEL& level = levels[depth];
    level.path.clear();
    if (depth > 0) {
      const LEVEL& up = levels[depth - 1];
      if (depth == 1) {
        level.prefix = 0;
      } else if (node.pParent != nullptr && node.pParent->Array) {
        level.prefix = up.prefix;
      } else {
        level.prefix = up.path.size() + 1;
      }
      level.path.assign(up.path, 0, depth == 1 ? 0 : level.prefix);
      if (level.prefix > level.path.size()) level.path += '.';
      level.path += node.Name;
    }
    visit(node, depth, static_cast<const std::string&>(level.path));
  });
}

// The node at `path` (as SYMTREE_ForEachPath gives it; names compared without regard to
// ASCII case), the first in tree order when several share it, or null.
const ACTIVE_SYMBOL* SYMTREE_FindPath(const ACTIVE_SYMBOL* root, std::string_view path);
