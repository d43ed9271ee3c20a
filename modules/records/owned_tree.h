// Owning handles for the logic engine's trees and symbol identities inside settings records.
//
// A settings record is a plain value: copying it deep-copies its trees, destroying it frees
// them, and comparing it compares the trees structurally. These handles give exactly that, so
// a record can be copied into the clipboard, the timeline and a dialog without any of them
// sharing (and later double-freeing) a tree.
#pragma once

#include <cstring>
#include <utility>

#include "logic/logic_tree.h"

template <typename T>
struct OwnedTreeOps;

template <>
struct OwnedTreeOps<CALCULATION_NODE> {
  static CALCULATION_NODE* Clone(const CALCULATION_NODE* p) { return LOGIC_CloneCalculation(p); }
  static void Free(CALCULATION_NODE* p) { LOGIC_FreeCalculation(p); }
  static bool Equals(const CALCULATION_NODE* a, const CALCULATION_NODE* b) {
    return LOGIC_CalculationEquals(a, b);
  }
};

template <>
struct OwnedTreeOps<FORMULA_NODE> {
  static FORMULA_NODE* Clone(const FORMULA_NODE* p) { return LOGIC_CloneFormula(p); }
  static void Free(FORMULA_NODE* p) { LOGIC_FreeFormula(p); }
  static bool Equals(const FORMULA_NODE* a, const FORMULA_NODE* b) {
    return LOGIC_FormulaEquals(a, b);
  }
};

template <>
struct OwnedTreeOps<SYMBOL_ID> {
  static SYMBOL_ID* Clone(const SYMBOL_ID* p) {
    return p ? LOGIC_NewSymbolIdFrom(p->Name, p->Address) : nullptr;
  }
  static void Free(SYMBOL_ID* p) { LOGIC_FreeSymbolId(p); }
  // Exact name and address: a record compares equal only when nothing at all changed.
  static bool Equals(const SYMBOL_ID* a, const SYMBOL_ID* b) {
    if (!a || !b) return a == b;
    return a->Address == b->Address &&
           std::strncmp(a->Name, b->Name, SYMBOL_ID_NAME_SIZE) == 0;
  }
};

// Sole owner of one tree (or null). Copy = deep copy, move = transfer, == structural.
template <typename T>
class OwnedTree {
 public:
  OwnedTree() = default;
  // Takes over `adopt` (which must come from the logic engine's allocators).
  explicit OwnedTree(T* adopt) : p_(adopt) {}
  OwnedTree(const OwnedTree& other) : p_(OwnedTreeOps<T>::Clone(other.p_)) {}
  OwnedTree(OwnedTree&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  OwnedTree& operator=(const OwnedTree& other) {
    if (this != &other) reset(OwnedTreeOps<T>::Clone(other.p_));
    return *this;
  }
  OwnedTree& operator=(OwnedTree&& other) noexcept {
    if (this != &other) reset(std::exchange(other.p_, nullptr));
    return *this;
  }
  ~OwnedTree() { OwnedTreeOps<T>::Free(p_); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Gives up ownership without freeing.
  T* release() { return std::exchange(p_, nullptr); }
  // Frees the current tree and takes over `adopt`.
  void reset(T* adopt = nullptr) {
    T* old = std::exchange(p_, adopt);
    if (old != adopt) OwnedTreeOps<T>::Free(old);
  }

  friend bool operator==(const OwnedTree& a, const OwnedTree& b) {
    return OwnedTreeOps<T>::Equals(a.p_, b.p_);
  }

 private:
  T* p_ = nullptr;
};

using CalculationPtr = OwnedTree<CALCULATION_NODE>;
using FormulaPtr = OwnedTree<FORMULA_NODE>;
using SymbolIdPtr = OwnedTree<SYMBOL_ID>;
