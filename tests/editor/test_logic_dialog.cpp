// The logic editor as a user drives it: buttons, the symbol and constant fields, undo, the
// divisor questions, confirming and cancelling, and "Edit manually".
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QTest>

#include "gui/logic_dialog.h"
#include "modules/module_dialog_fields.h"
#include "logic/logic_parser.h"
#include "logic/logic_render.h"
#include "tests/editor/editor_test_support.h"
#include "tests/gui/gui_test_support.h"

namespace {

const QString kArrow = QString(QChar(0x2191));

class LogicDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }
  void SetUp() override {
    symbols_.Add("speed", 0x20000010, TYPEID_I32);
    symbols_.Add("limit", 0x20000020, TYPEID_I32);
  }

  // Opens a dialog on `text` (empty: no tree) and keeps what it emits.
  void Open(int mode, const char* text = "") {
    FORMULA_NODE* f = nullptr;
    CALCULATION_NODE* c = nullptr;
    if (*text != '\0') {
      if (mode == LogicDialog::kFormula) {
        (void)LOGIC_ParseFormulaText(text, &f);
      } else {
        (void)LOGIC_ParseCalculationText(text, &c);
      }
    }
    dialog_ = std::make_unique<LogicDialog>(mode, f, c);
    QObject::connect(dialog_.get(), &LogicDialog::SignalFormulaFinished, [this](FORMULA_NODE* r) {
      ++emitted_;
      result_ = QString::fromStdString(LOGIC_FormulaText(r));
      LOGIC_FreeFormula(r);
    });
    QObject::connect(dialog_.get(), &LogicDialog::SignalCalculationFinished,
                     [this](CALCULATION_NODE* r) {
                       ++emitted_;
                       result_ = QString::fromStdString(LOGIC_CalculationText(r));
                       LOGIC_FreeCalculation(r);
                     });
    dialog_->show();
  }
  QAbstractButton* Button(const QString& tip_or_text) {
    for (QAbstractButton* b : dialog_->findChildren<QAbstractButton*>()) {
      if (b->toolTip() == tip_or_text || b->text() == tip_or_text) return b;
    }
    ADD_FAILURE() << "no button " << tip_or_text.toStdString();
    return nullptr;
  }
  void Click(const QString& tip_or_text) {
    if (QAbstractButton* b = Button(tip_or_text)) QTest::mouseClick(b, Qt::LeftButton);
  }
  void Constant(const QString& text) {
    QLineEdit* edit = dialog_->findChild<QLineEdit*>();
    edit->setText(text);
    Click("Constant");
  }
  // The tree line of the result label, and the column of the arrow (-1 without one).
  QString Tree() const { return dialog_->ResultText().section('\n', 0, 0); }
  int Arrow() const { return dialog_->ResultText().section('\n', 1, 1).indexOf(kArrow); }
  bool GroupEnabled(const QString& title) {
    for (QGroupBox* g : dialog_->findChildren<QGroupBox*>()) {
      if (g->title() == title) return g->isEnabled();
    }
    return false;
  }

  TestSymbols symbols_;
  MessageLog log_;
  std::unique_ptr<LogicDialog> dialog_;
  int emitted_ = 0;
  QString result_;
};

TEST_F(LogicDialogTest, ButtonsFillTheNextGapAndTheArrowFollows) {
  Open(LogicDialog::kCalculation);
  EXPECT_EQ(Tree(), "_");
  EXPECT_EQ(Arrow(), 0);
  Click("Addition");
  EXPECT_EQ(Tree(), "(_ + _)");
  EXPECT_EQ(Arrow(), Tree().indexOf('_'));
  Click("Symbol");
  EXPECT_EQ(Tree(), "(speed + _)");
  EXPECT_EQ(Arrow(), Tree().indexOf('_'));
  Constant("5");
  EXPECT_EQ(Tree(), "(speed + 5.00)");
  EXPECT_EQ(Arrow(), -1);
  EXPECT_FALSE(Button("Constant")->isEnabled());
  // A complete calculation is wrapped by the next operator.
  Click("Multiplication");
  EXPECT_EQ(Tree(), "((speed + 5.00) * _)");
  Click("Undo last insertion");
  EXPECT_EQ(Tree(), "(speed + 5.00)");
  Click("OK");
  EXPECT_EQ(emitted_, 1);
  EXPECT_EQ(result_, "(speed + 5.00)");
  EXPECT_TRUE(log_.Take().empty());  // confirming never asks the cancel question
  EXPECT_FALSE(dialog_->isVisible());
}

TEST_F(LogicDialogTest, OpenedTreeIsUndoneNodeByNodeAndFirstValueUndoesItsRoot) {
  Open(LogicDialog::kCalculation, "speed");
  Click("Addition");
  EXPECT_EQ(Tree(), "(speed + _)");
  // The opened tree's root (no operation) holds the value; it goes last.
  for (const char* expected : {"speed", "_", "_"}) {
    Click("Undo last insertion");
    EXPECT_EQ(Tree(), expected);
  }
  EXPECT_FALSE(Button("Undo last insertion")->isEnabled());
  Click("Symbol");  // creates the root and the value as one step
  EXPECT_EQ(Tree(), "speed");
  Click("Undo last insertion");
  EXPECT_EQ(Tree(), "_");
  EXPECT_FALSE(Button("Undo last insertion")->isEnabled());
}

TEST_F(LogicDialogTest, DivisorsWarnOrAsk) {
  Open(LogicDialog::kCalculation);
  Click("Division");
  Click("Symbol");
  Constant("0");
  EXPECT_EQ(Tree(), "(speed / _)");
  EXPECT_EQ(log_.Take(), std::vector<std::string>{"Division by zero is undefined and therefore invalid!"});
  const std::string question =
      "Formula contains divisor containing a symbol.\nA division by zero will be caught and the "
      "write will not be executed!";
  log_.Answer(1);  // Cancel takes the symbol out again
  Click("Symbol");
  EXPECT_EQ(Tree(), "(speed / _)");
  log_.Answer(0);
  Click("Symbol");
  EXPECT_EQ(Tree(), "(speed / speed)");
  EXPECT_EQ(log_.Take(), (std::vector<std::string>{question, question}));
}

TEST_F(LogicDialogTest, FormulaButtonsAndEnabling) {
  Open(LogicDialog::kFormula);
  EXPECT_TRUE(GroupEnabled("Add Junction"));
  EXPECT_TRUE(GroupEnabled("Add Condition"));
  EXPECT_FALSE(GroupEnabled("Add Calculation"));
  EXPECT_FALSE(Button("Constant")->isEnabled());
  Click("Greater than");
  EXPECT_FALSE(GroupEnabled("Add Condition"));
  EXPECT_TRUE(Button("Constant")->isEnabled());
  Click("Symbol");
  Constant("100");
  EXPECT_TRUE(GroupEnabled("Add Junction"));
  Click("Logical AND");
  Click("Lower than");
  Click("Subtraction");  // goes into the new condition's left side
  Click("Symbol");
  Click("Symbol");
  Constant("3");
  Click("OK");
  ASSERT_EQ(emitted_, 1);
  EXPECT_EQ(result_, "((speed  >  100.00)  &&  ((speed - speed)  <  3.00))");
}

TEST_F(LogicDialogTest, IncompleteTreeIsRefusedAndCancelAsks) {
  Open(LogicDialog::kCalculation);
  Click("Addition");
  Click("Symbol");
  Click("OK");
  EXPECT_EQ(log_.Take(), std::vector<std::string>{"Calculation is invalid.\nA calculation misses a "
                                                  "subcalculation or value.\n"});
  EXPECT_TRUE(dialog_->isVisible());
  log_.Answer(1);  // "No"
  Click("Cancel");
  EXPECT_TRUE(dialog_->isVisible());
  log_.Answer(0);  // "Yes"
  dialog_->close();
  EXPECT_EQ(log_.Take(), (std::vector<std::string>{"Are you sure to cancel?", "Are you sure to cancel?"}));
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(emitted_, 0);
}

// Manual text goes through the parser; negation and decimal points are accepted, invalid
// text keeps the window open, and the parsed tree is emitted as parsed.
TEST_F(LogicDialogTest, ManualEntry) {
  struct Case {
    int mode;
    const char* start;
    const char* typed;
    const char* expected;  // empty: refused, the window stays open until cancelled
  };
  const Case cases[] = {
      {LogicDialog::kFormula, "", "!(speed > 2.5) && limit == 3", "!"},
      {LogicDialog::kCalculation, "speed + 1", "speed * 2", "(speed * 2)"},
      {LogicDialog::kCalculation, "", "speed +", ""},
  };
  for (const Case& c : cases) {
    emitted_ = 0;
    Open(c.mode, c.start);
    QString shown;
    bool still_open = false;
    OnNextModal<QDialog>(dialog_.get(), [&](QDialog* manual) {
      auto* edit = manual->findChild<QLineEdit*>();
      shown = edit->text();
      edit->setText(QString::fromUtf8(c.typed));
      for (QAbstractButton* b : manual->findChildren<QAbstractButton*>()) {
        if (b->text() == "OK") QTest::mouseClick(b, Qt::LeftButton);
      }
      still_open = manual->isVisible();
      if (still_open) manual->reject();
    });
    Click("Edit manually");
    if (c.mode == LogicDialog::kFormula) {
      EXPECT_EQ(shown, "false");
    }
    if (*c.expected == '\0') {
      EXPECT_TRUE(still_open) << c.typed;
      EXPECT_EQ(emitted_, 0);
      EXPECT_TRUE(dialog_->isVisible());
    } else {
      EXPECT_EQ(emitted_, 1) << c.typed;
      EXPECT_TRUE(result_.contains(c.expected)) << result_.toStdString();
      EXPECT_FALSE(dialog_->isVisible());
    }
    log_.Take();
    log_.Answer(0);
    dialog_.reset();
  }
}

// The helpers work on a copy: the caller's tree is left alone and the result is its own.
TEST_F(LogicDialogTest, EditHelperReturnsAnOwnedTreeOrNull) {
  CALCULATION_NODE* original = nullptr;
  (void)LOGIC_ParseCalculationText("speed + 1", &original);
  auto drive = [](bool confirm) {
    OnNextModal<LogicDialog>(qApp, [confirm](LogicDialog* d) {
      for (QAbstractButton* b : d->findChildren<QAbstractButton*>()) {
        if (b->toolTip() == "Addition") QTest::mouseClick(b, Qt::LeftButton);
      }
      for (QAbstractButton* b : d->findChildren<QAbstractButton*>()) {
        if (b->text() == "Constant") QTest::mouseClick(b, Qt::LeftButton);
      }
      if (confirm) {
        for (QAbstractButton* b : d->findChildren<QAbstractButton*>()) {
          if (b->text() == "OK") QTest::mouseClick(b, Qt::LeftButton);
        }
      } else {
        d->reject();
      }
    });
  };
  drive(true);
  CALCULATION_NODE* edited = LogicDialog::EditCalculation(nullptr, original);
  ASSERT_NE(edited, nullptr);
  EXPECT_EQ(LOGIC_CalculationText(edited), "((speed + 1) + 0.00)");
  EXPECT_EQ(LOGIC_CalculationText(original), "(speed + 1)");
  LOGIC_FreeCalculation(edited);
  log_.Answer(0);
  drive(false);
  EXPECT_EQ(LogicDialog::EditCalculation(nullptr, original), nullptr);
  LOGIC_FreeCalculation(original);
}

// The module dialogs' calculation and formula fields open the editor from their edit button:
// a confirmed tree replaces the field's, a cancelled one changes nothing.
TEST_F(LogicDialogTest, ModuleFieldsOpenTheEditor) {
  EXPECT_EQ(CalculationField().EditAction(), nullptr);  // text only without an editor
  MODULE_SetLogicEditor({&LogicDialog::EditCalculation, &LogicDialog::EditFormula});
  CalculationField calc;
  FormulaField formula;
  CALCULATION_NODE* start = nullptr;
  (void)LOGIC_ParseCalculationText("speed + 1", &start);
  calc.SetCalculation(CalculationPtr(start));
  formula.SetFormula(FormulaPtr(LOGIC_NewDefaultFormula()));
  int edits = 0;
  QObject::connect(&calc, &CalculationField::_SignalEdited, [&] { ++edits; });
  QObject::connect(&formula, &FormulaField::_SignalEdited, [&] { ++edits; });
  auto drive = [](bool confirm) {
    OnNextModal<LogicDialog>(qApp, [confirm](LogicDialog* d) {
      for (const char* name : {"Addition", "Constant", confirm ? "OK" : ""}) {
        for (QAbstractButton* b : d->findChildren<QAbstractButton*>()) {
          if (b->toolTip() == name || b->text() == name) QTest::mouseClick(b, Qt::LeftButton);
        }
      }
      if (!confirm) d->reject();
    });
  };
  ASSERT_NE(calc.EditAction(), nullptr);
  EXPECT_EQ(calc.EditAction()->toolTip(), "Edit calculation");
  drive(true);
  calc.EditAction()->trigger();
  EXPECT_EQ(calc.text(), "((speed + 1) + 0.00)");
  EXPECT_EQ(LOGIC_CalculationText(calc.Calculation().get()), "((speed + 1) + 0.00)");
  EXPECT_EQ(edits, 1);
  log_.Answer(0);
  const QString before = formula.text();
  OnNextModal<LogicDialog>(qApp, [](LogicDialog* d) { d->reject(); });
  formula.EditAction()->trigger();
  EXPECT_EQ(formula.text(), before);
  EXPECT_EQ(edits, 1);
  MODULE_SetLogicEditor({});
}

}  // namespace
