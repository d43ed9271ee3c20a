// Input fields the settings dialogs of the display and control modules share: colour buttons,
// calculation and formula fields (typed as text and parsed), the symbol chooser with its write
// limits, and the list of write operations of push buttons and timers.
//
// Each field emits _SignalEdited() when the user changed it, for the dialog's live preview.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <vector>

#include "modules/records/module_settings.h"

class QAction;
class QGridLayout;
class QLabel;

// A button showing its colour ("background-color: ..."); a click opens the colour chooser.
class ColorButton : public QPushButton {
  Q_OBJECT

 public:
  ColorButton(const QString& text, uint32_t rgba, QWidget* parent = nullptr);
  uint32_t Rgba() const { return rgba_; }
  void SetRgba(uint32_t rgba);

 signals:
  void _SignalEdited();

 private:
  uint32_t rgba_ = 0;
};

// The logic editor that the calculation and formula fields open from their edit button. The
// window installs it (the editor is built on top of the modules); each function runs it
// modally on a copy of the tree and returns the confirmed tree (the caller's) or null when
// the user cancelled. Without an editor the fields take text only.
struct MODULE_LOGIC_EDITOR {
  std::function<CALCULATION_NODE*(QWidget* parent, const CALCULATION_NODE* calc)> edit_calculation;
  std::function<FORMULA_NODE*(QWidget* parent, const FORMULA_NODE* formula)> edit_formula;
};
void MODULE_SetLogicEditor(MODULE_LOGIC_EDITOR editor);

// A calculation typed as text ("speed * 2") or built in the logic editor (the "Edit
// calculation" button in the field); an entry that does not parse is refused and the last
// good text comes back.
class CalculationField : public QLineEdit {
  Q_OBJECT

 public:
  explicit CalculationField(QWidget* parent = nullptr);
  void SetCalculation(const CalculationPtr& calc);
  const CalculationPtr& Calculation() const { return calc_; }
  // The button that opens the logic editor; null without an installed editor.
  QAction* EditAction() const { return edit_; }

 signals:
  void _SignalEdited();

 private:
  void Parse();
  void OpenEditor();
  CalculationPtr calc_;
  QAction* edit_ = nullptr;
};

// A formula, likewise ("Edit formula").
class FormulaField : public QLineEdit {
  Q_OBJECT

 public:
  explicit FormulaField(QWidget* parent = nullptr);
  void SetFormula(const FormulaPtr& formula);
  const FormulaPtr& Formula() const { return formula_; }
  QAction* EditAction() const { return edit_; }

 signals:
  void _SignalEdited();

 private:
  void Parse();
  void OpenEditor();
  FormulaPtr formula_;
  QAction* edit_ = nullptr;
};

// "none" or one of the active symbols ("name (0x20000010)"). Choosing a symbol of an
// undeterminable or unsupported type is refused with a message.
class SymbolField : public QComboBox {
  Q_OBJECT

 public:
  explicit SymbolField(QWidget* parent = nullptr);
  void SetSymbol(const SymbolIdPtr& id);
  SymbolIdPtr Symbol() const;
  // The chosen active symbol, or null.
  const ACTIVE_SYMBOL* Active() const;

 signals:
  void _SignalEdited();

 private:
  void Chosen(int index);
  std::vector<const ACTIVE_SYMBOL*> symbols_;  // item i + 1; null: the bound symbol, not active
  SYMBOL_ID kept_;                             // that bound symbol
  int last_index_ = 0;
};

// A label under the symbol field that shows the chosen symbol's write limits.
QLabel* NewWriteLimitsLabel(SymbolField* field);
// A field for a control's value (a double).
class QDoubleSpinBox;
QDoubleSpinBox* NewValueBox(QWidget* parent, double value);

// "Minimum write value: ...\nMaximum write value: ...\nCan be modified in Symbol Watch" for the
// symbol (dashes without one or for a bool, hexadecimal when the watch shows its limits so).
QString WriteLimitsText(const ACTIVE_SYMBOL* symbol);

// The rows of write operations: symbol, ":=", calculation, enable check, "Incomplete" for a
// row whose calculation is missing, and a remove button; "Add Symbol Write" and the counter
// "%1 / %2 Write Operations" below.
class WriteOperationList : public QWidget {
  Q_OBJECT

 public:
  explicit WriteOperationList(QWidget* parent = nullptr);
  void SetOperations(const std::vector<WRITE_OPERATION>& ops);
  std::vector<WRITE_OPERATION> Operations() const;
  QPushButton* AddButton() const { return add_; }

 signals:
  void _SignalEdited();

 private:
  struct Row {
    SymbolField* symbol;
    CalculationField* calc;
    QWidget* enabled;
    QLabel* incomplete;
    QWidget* remove;
  };
  void AddRow(const WRITE_OPERATION& op);
  void Rebuild(const std::vector<WRITE_OPERATION>& ops);
  void Refresh();

  QGridLayout* grid_ = nullptr;
  QPushButton* add_ = nullptr;
  QLabel* counter_ = nullptr;
  std::vector<Row> rows_;
};
