// The tree being built in the logic editor: insertion of junctions, conditions, operators and
// values into the next free position, undo of the last insertion, and which button groups
// make sense for the current tree. No widgets; the dialog turns clicks into these calls.
//
// Ownership: the state owns the tree of its mode until Take* hands it out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "logic/logic_tree.h"

class LogicEditState {
 public:
  enum Mode : int { kCalculation = 0, kFormula = 1 };

  // Takes ownership of both roots (either may be null); only the tree of `mode` is edited, the
  // other is freed. The tree is normalised and each of its nodes becomes an undo step.
  LogicEditState(int mode, FORMULA_NODE* formula, CALCULATION_NODE* calc);
  ~LogicEditState();
  LogicEditState(const LogicEditState&) = delete;
  LogicEditState& operator=(const LogicEditState&) = delete;

  int mode() const { return mode_; }
  bool IsFormula() const { return mode_ == kFormula; }

  // What a value insertion asks about the divisor scan before it is kept: the callback
  // shows the question or warning and returns true to keep the value.
  using DivisorQuestion = bool (*)(int scan_result, void* user);

  // Each returns true when something was inserted.
  bool InsertJunction(uint32_t code);
  bool InsertCondition(uint32_t code);
  bool InsertCalculation(uint32_t code);
  // Takes ownership of `value` (freed when it finds no place or is refused).
  bool InsertValue(VALUE_NODE* value, DivisorQuestion ask, void* user);
  bool Undo();
  bool CanUndo() const { return !history_.empty(); }

  // The tree's check flags (LOGIC_CheckFormula / LOGIC_CheckCalculation).
  uint32_t Check();
  // Text with "_" for empty positions, and the character position of the first one (-1).
  std::string Text(int* gap_position) const;
  // Text without placeholders, for manual editing ("false" for an empty formula).
  std::string ManualText() const;

  struct Enabled {
    bool junction = false, condition = false, calculation = false, value = false;
  };
  Enabled EnabledGroups();

  // Hands the tree out (normalised when asked) and forgets it and the history.
  FORMULA_NODE* TakeFormula(bool normalise);
  CALCULATION_NODE* TakeCalculation(bool normalise);
  // Replaces the tree by a parsed one (ownership passes in); the history is cleared.
  void ReplaceFormula(FORMULA_NODE* formula);
  void ReplaceCalculation(CALCULATION_NODE* calc);

  const FORMULA_NODE* formula() const { return formula_; }
  const CALCULATION_NODE* calculation() const { return calc_; }

 private:
  enum Kind : int { kValue = 0, kCalcNode = 1, kCondition = 2, kFormulaNode = 3 };
  struct Entry {
    Kind kind;
    void* position;  // address of the pointer the insertion filled
    bool chained;    // undoing this entry also undoes the one below
  };
  void Push(Kind kind, void* position, bool chained = false) {
    history_.push_back({kind, position, chained});
  }
  void UndoEntry(const Entry& e);
  void RegisterFormula(FORMULA_NODE** position);
  void RegisterCondition(CONDITION_NODE** position);
  void RegisterCalculation(CALCULATION_NODE** position);
  void ClearTree();

  int mode_;
  FORMULA_NODE* formula_ = nullptr;
  CALCULATION_NODE* calc_ = nullptr;
  std::vector<Entry> history_;
};
