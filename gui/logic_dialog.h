// The logic editor "Logic Formula": builds a formula or a calculation with buttons (or as text
// in "Edit manually") and hands the finished tree to its owner.
//
// Use from any dialog that edits a formula or calculation:
//   FORMULA_NODE* f = LogicDialog::EditFormula(this, record.pFormula);
//   if (f != nullptr) { LOGIC_FreeFormula(record.pFormula); record.pFormula = f; }
// The helpers run the dialog modally on a copy of the given tree (which stays the caller's)
// and return the confirmed tree, owned by the caller, or null when the user cancelled. The
// symbol selector lists the active symbols (MAIN_pActiveSymbols) as they are when it opens.
#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "gui/logic_edit_state.h"
#include "logic/logic_tree.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class LogicDialog : public QDialog {
  Q_OBJECT

 public:
  enum Mode : int { kCalculation = LogicEditState::kCalculation, kFormula = LogicEditState::kFormula };

  // Takes ownership of both roots (either may be null); only the root of `mode` is edited.
  LogicDialog(int mode, FORMULA_NODE* formula, CALCULATION_NODE* calc, QWidget* parent = nullptr);
  ~LogicDialog() override;

  static FORMULA_NODE* EditFormula(QWidget* parent, const FORMULA_NODE* formula);
  static CALCULATION_NODE* EditCalculation(QWidget* parent, const CALCULATION_NODE* calc);

  // The text of the result label (tree and arrow line), for the owner's tests and tooltips.
  QString ResultText() const;

 signals:
  // Emitted once on confirmation; the receiver takes ownership of the tree.
  void SignalCalculationFinished(CALCULATION_NODE* calc);
  void SignalFormulaFinished(FORMULA_NODE* formula);

 public slots:
  void reject() override;

 private slots:
  void _SlotOnJunctionBtnClicked(int code);
  void _SlotOnConditionBtnClicked(int code);
  void _SlotOnCalculationBtnClicked(int code);
  void _SlotOnSymbolBtnClicked();
  void _SlotOnConstantBtnClicked();
  void _SlotOnManualCoding();
  void _SlotOnUndoClicked();
  void _SlotOnOkClicked();
  void _SlotOnCloseClicked();

 private:
  QGroupBox* BuildGroup(const QString& title, const char* const (*buttons)[2], int count,
                        int first_code, void (LogicDialog::*slot)(int));
  void Refresh();
  // Shows the check report of `flags`; true when the tree is accepted (no flags, or the
  // division question answered with "OK").
  bool AcceptFlags(uint32_t flags);
  void Finish(bool normalise);

  LogicEditState state_;
  std::vector<ACTIVE_SYMBOL*> symbols_;  // the selector's entries
  bool is_modified_ = false;
  bool is_finished_ = false;
  QGroupBox* junction_group_ = nullptr;
  QGroupBox* condition_group_ = nullptr;
  QGroupBox* calculation_group_ = nullptr;
  QGroupBox* value_group_ = nullptr;
  QGroupBox* result_group_ = nullptr;
  QComboBox* symbol_selector_ = nullptr;
  QLineEdit* constant_edit_ = nullptr;
  QLabel* result_label_ = nullptr;
  QToolButton* undo_button_ = nullptr;
};
