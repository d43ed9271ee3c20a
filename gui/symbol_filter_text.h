// The texts the symbol selection filter matches a node against: its source file, name, type,
// size written "%i" and address written "0x%X". They are lowered once, when the dialog is
// filled, so that a filter change costs one plain substring search per node.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "symbols/active_symbol.h"

class SymbolFilterText {
 public:
  // Stores the node's texts; returns the handle Matches takes.
  size_t Add(const ACTIVE_SYMBOL& node);
  // The filter text; matching ignores the case of ASCII letters.
  void SetNeedle(std::string_view filter);
  bool NeedleEmpty() const { return needle_.empty(); }
  // True when one of the node's texts contains the filter text.
  bool Matches(size_t handle) const;

 private:
  std::string text_;           // every node's texts, lowered, each followed by '\0'
  std::vector<size_t> begin_;  // where each node's texts start; they end where the next start
  std::string needle_;
  bool matches_none_ = false;  // a filter holding '\0' can match no text
};
