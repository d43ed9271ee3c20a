// Finding previously active symbols again in a new tree after a reparse.
#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/sys_text.h"
#include "symbols/symbol_tree.h"

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }


// The identity key: source file, name and type name, lower-cased, separated by a byte that
// no text field holds.
std::string IdentityKey(const ACTIVE_SYMBOL& s) {
  std::string key;
  for (const char* field : {s.SourceFile, s.Name, s.TypeName}) {
    for (const char* c = field; *c != 0; ++c) key.push_back(Lower(*c));
    key.push_back('\x01');
  }
  return key;
}

// True when both nodes sit under parents of the same names, level by level, up to their
// variables (a record without parents, such as one read from a project file, has none).
bool SameParentChain(const ACTIVE_SYMBOL& a, const ACTIVE_SYMBOL& b) {
  const ACTIVE_SYMBOL* pa = a.pParent;
  const ACTIVE_SYMBOL* pb = b.pParent;
  while (pa != nullptr && pb != nullptr) {
    if (!SYS_EqualNoCase(pa->Name, pb->Name)) return false;
    pa = pa->pParent;
    pb = pb->pParent;
  }
  return pa == nullptr && pb == nullptr;
}

struct CANDIDATE {
  const ACTIVE_SYMBOL* node = nullptr;
  uint64_t order = 0;  // position in tree order
  int score = 0;
};

struct OLD_ENTRY {
  ACTIVE_SYMBOL* symbol = nullptr;
  std::vector<CANDIDATE> candidates;  // in tree order
};

}  // namespace

bool SYMTREE_SameSymbol(const ACTIVE_SYMBOL& a, const ACTIVE_SYMBOL& b) {
  return SYS_EqualNoCase(a.SourceFile, b.SourceFile) && SYS_EqualNoCase(a.Name, b.Name) &&
         SYS_EqualNoCase(a.TypeName, b.TypeName);
}

void SYMTREE_Rematch(const ACTIVE_SYMBOL* root, const ACTIVE_SYMBOL_CELL* previous,
                     std::vector<SYMTREE_MATCH>& matches) {
  matches.clear();
  std::vector<OLD_ENTRY> olds;
  std::unordered_map<std::string, std::vector<size_t>> by_key;
  for (const ACTIVE_SYMBOL_CELL* cell = previous; cell != nullptr; cell = cell->pNext) {
    if (cell->pSymbol == nullptr || cell->pSymbol->Virtual) continue;
    by_key[IdentityKey(*cell->pSymbol)].push_back(olds.size());
    olds.push_back(OLD_ENTRY{cell->pSymbol, {}});
  }
  if (olds.empty()) return;

  // Every node of the same identity is a candidate of an old symbol: a matching parent
  // chain counts most, then the same address; among equals the first in tree order wins.
  uint64_t order = 0;
  SYMTREE_ForEach(root, [&](const ACTIVE_SYMBOL& node, uint32_t depth) {
    const uint64_t position = order++;
    if (depth == 0) return;  // file nodes
    auto it = by_key.find(IdentityKey(node));
    if (it == by_key.end()) return;
    for (size_t index : it->second) {
      OLD_ENTRY& old = olds[index];
      const int score = (SameParentChain(*old.symbol, node) ? 2 : 0) +
                        (old.symbol->Address == node.Address ? 1 : 0);
      old.candidates.push_back(CANDIDATE{&node, position, score});
    }
  });
  // In list order each old symbol takes its best candidate that no earlier one took.
  std::unordered_set<const ACTIVE_SYMBOL*> taken;
  std::vector<std::pair<uint64_t, SYMTREE_MATCH>> chosen;
  for (OLD_ENTRY& old : olds) {
    const CANDIDATE* best = nullptr;
    for (const CANDIDATE& c : old.candidates) {
      if (taken.count(c.node) != 0) continue;
      if (best == nullptr || c.score > best->score) best = &c;
    }
    if (best == nullptr) continue;
    taken.insert(best->node);
    chosen.emplace_back(best->order,
                        SYMTREE_MATCH{old.symbol, const_cast<ACTIVE_SYMBOL*>(best->node)});
  }
  std::sort(chosen.begin(), chosen.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  matches.reserve(chosen.size());
  for (const auto& entry : chosen) matches.push_back(entry.second);
}

const ACTIVE_SYMBOL* SYMTREE_FindPath(const ACTIVE_SYMBOL* root, std::string_view path) {
  const ACTIVE_SYMBOL* found = nullptr;
  const std::string wanted(path);
  // A full walk: paths are not stored, and the tree is searched rarely (command line use).
  SYMTREE_ForEachPath(root, [&](const ACTIVE_SYMBOL& node, uint32_t depth, const std::string& p) {
    if (found == nullptr && depth > 0 && SYS_EqualNoCase(p.c_str(), wanted.c_str())) found = &node;
  });
  return found;
}
