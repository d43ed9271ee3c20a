// The scripting view and the pad mapping dialog as a user sees them: rows, outcomes and their
// colours, the write limit, removal, reordering; validation texts and highlighting.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/app_mode.h"
#include "gui/hid_dialog.h"
#include "gui/scripting_widget.h"
#include "input/gamepad_runtime.h"
#include "logic/logic_parser.h"
#include "logic/logic_render.h"
#include "scripting/script_edit.h"
#include "scripting/script_runner.h"
#include "tests/editor/editor_test_support.h"
#include "tests/gui/gui_test_support.h"
#include "tests/scripting/virtual_pad.h"

namespace {

class ScriptingView : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }
  void SetUp() override {
    speed_ = &symbols_.Add("speed", 0x20000010, TYPEID_I32);
    divisor_ = &symbols_.Add("divisor", 0x20000020, TYPEID_I32);
    SCRIPT_ClearPublished();
  }
  void TearDown() override {
    APP_SetAppMode(APP_MODE_EDIT);
    SCRIPT_ClearPublished();
  }
  // Publishes scripts given as formula and "target := calculation" texts.
  void Publish(std::initializer_list<std::pair<const char*, std::vector<const char*>>> scripts) {
    SCRIPT_RECORD* list = nullptr;
    uint32_t index = 0;
    for (const auto& [formula, calcs] : scripts) {
      FORMULA_NODE* f = nullptr;
      (void)LOGIC_ParseFormulaText(formula, &f);
      ASSERT_TRUE(SCRIPT_Append(&list, f));
      SCRIPT_RECORD* s = SCRIPT_At(list, index);
      for (const char* calc : calcs) {
        ASSERT_TRUE(SCRIPT_AddWrite(list, index, speed_));
        if (*calc != '\0') (void)LOGIC_ParseCalculationText(calc, &s->pWrites[s->WriteCount - 1]->pCalculation);
      }
      ++index;
    }
    ASSERT_EQ(SCRIPT_Publish(list), 0);
    SCRIPT_FreeList(list);
  }
  QStringList Texts(QWidget& w) {
    QStringList out;
    for (QLabel* l : w.findChildren<QLabel*>()) {
      if (!l->text().isEmpty()) out << l->text();
    }
    return out;
  }
  QLabel* Label(QWidget& w, const QString& text) {
    for (QLabel* l : w.findChildren<QLabel*>()) {
      if (l->text() == text) return l;
    }
    return nullptr;
  }
  void Click(QWidget& w, const QString& tip_or_text, int nth = 0) {
    for (QAbstractButton* b : w.findChildren<QAbstractButton*>()) {
      if ((b->toolTip() == tip_or_text || b->text() == tip_or_text) && nth-- == 0) {
        QTest::mouseClick(b, Qt::LeftButton);
        return;
      }
    }
    ADD_FAILURE() << "no button " << tip_or_text.toStdString();
  }

  TestSymbols symbols_;
  MessageLog log_;
  ACTIVE_SYMBOL* speed_ = nullptr;
  ACTIVE_SYMBOL* divisor_ = nullptr;
};

TEST_F(ScriptingView, RowsAndRunModeOutcomes) {
  Publish({{"speed > 0", {"speed + 1", "100 / divisor", ""}}});
  ScriptingWidget view;
  const QStringList texts = Texts(view);
  EXPECT_TRUE(texts.contains(" if (speed  >  (U8)0)")) << texts.join('|').toStdString();
  EXPECT_TRUE(texts.contains("speed := (speed + (I32)1)")) << texts.join('|').toStdString();
  EXPECT_EQ(texts.count("Incomplete"), 1);
  EXPECT_EQ(Label(view, "Incomplete")->styleSheet(), "QLabel { font-weight: bold; color: orange; }");

  APP_SetAppMode(APP_MODE_RUN);
  speed_->CurrentValue.i32 = 3;  // the formula holds; divisor reads 0
  SCRIPT_Run(false);
  view.RefreshStatus();
  QLabel* ok = Label(view, "OK");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->styleSheet(), "QLabel { font-weight: bold; color: blue; }");
  EXPECT_EQ(ok->parentWidget()->palette().color(QPalette::Window), QColor(162, 208, 255));
  QLabel* caught = Label(view, "Caught division by zero!");
  ASSERT_NE(caught, nullptr);
  EXPECT_EQ(caught->styleSheet(), "QLabel { font-weight: bold; color: red; }");
  // Leaving Run mode clears the outcomes.
  APP_SetAppMode(APP_MODE_EDIT);
  view.RefreshStatus();
  EXPECT_EQ(Label(view, "OK"), nullptr);
  EXPECT_EQ(Label(view, "Caught division by zero!"), nullptr);
}

TEST_F(ScriptingView, SixteenWritesAtMostAndRemovalAsks) {
  Publish({{"speed > 0", {}}, {"speed > 1", {}}});
  ScriptingWidget view;
  for (int i = 0; i < 16; ++i) Click(view, "Add Symbol Write");
  EXPECT_NE(Label(view, "16 / 16 Write Operations"), nullptr);
  SCRIPT_RECORD* list = SCRIPT_CopyList();
  EXPECT_EQ(list->WriteCount, 16u);
  EXPECT_EQ(list->pNext->WriteCount, 0u);
  SCRIPT_FreeList(list);
  log_.Answer(1);  // "No"
  Click(view, "Remove script");
  EXPECT_EQ(SCRIPT_CountList(list = SCRIPT_CopyList()), 2u);
  SCRIPT_FreeList(list);
  log_.Answer(0);
  Click(view, "Remove script");
  list = SCRIPT_CopyList();
  ASSERT_EQ(SCRIPT_CountList(list), 1u);
  EXPECT_EQ(list->WriteCount, 0u);  // the first script went
  SCRIPT_FreeList(list);
  EXPECT_EQ(log_.Take(), (std::vector<std::string>(2, "Are you sure to remove the entire script? This cannot be undone.")));
}

TEST_F(ScriptingView, ReorderingMovesWholeScripts) {
  Publish({{"speed > 0", {"speed + 1"}}, {"speed > 1", {}}, {"speed > 2", {}}});
  ScriptingWidget view;
  int changes = 0;
  QObject::connect(&view, &ScriptingWidget::SignalScriptsChanged, [&changes] { ++changes; });
  ASSERT_TRUE(view.MoveScript(0, 2));
  EXPECT_EQ(changes, 1);
  SCRIPT_RECORD* list = SCRIPT_CopyList();
  EXPECT_EQ(LOGIC_FormulaText(SCRIPT_At(list, 0)->pFormula, true), "(speed  >  (U8)1)");
  EXPECT_EQ(LOGIC_FormulaText(SCRIPT_At(list, 2)->pFormula, true), "(speed  >  (U8)0)");
  EXPECT_EQ(SCRIPT_At(list, 2)->WriteCount, 1u);
  SCRIPT_FreeList(list);
  EXPECT_FALSE(view.MoveScript(3, 0));
  EXPECT_EQ(changes, 1);
}

class HidDialogTest : public ScriptingView {};

TEST_F(HidDialogTest, ValidationTextsAndApplying) {
  ACTIVE_SYMBOL& real = symbols_.Add("ratio", 0x20000030, TYPEID_DOUBLE);
  ACTIVE_SYMBOL& small = symbols_.Add("count", 0x20000034, TYPEID_U8);
  struct Case {
    const char* symbol;
    int op;
    const char* value;
    const char* message;  // null: applied
  };
  const Case cases[] = {
      {"(double)ratio", GAMEPAD_OP_AND, "1", "Invalid operation for symbol of type double (64 bit)"},
      {"(U8)count", GAMEPAD_OP_DIV, "256", "Invalid Operation: devision by zero"},
      {"(U8)count", GAMEPAD_OP_ADD, "3", nullptr},
  };
  (void)real;
  (void)small;
  for (const Case& c : cases) {
    GAMEPAD_MAPPING none[GAMEPAD_SLOTS];
    HIDDialog dialog(none);
    EXPECT_EQ(dialog.windowTitle(), "Human Interface Devices");
    // Row "A" of the first pad: press operation, value and symbol are its first widgets.
    QWidget* row = dialog.Row(0, 10);
    auto* grid_parent = row->parentWidget();
    QList<QComboBox*> boxes;
    QList<QLineEdit*> edits;
    for (QComboBox* b : grid_parent->findChildren<QComboBox*>()) boxes << b;
    for (QLineEdit* e : grid_parent->findChildren<QLineEdit*>()) edits << e;
    // Per button row: press op, press symbol, release op, release symbol.
    QComboBox* press_op = boxes[10 * 4];
    QComboBox* press_symbol = boxes[10 * 4 + 1];
    press_op->setCurrentIndex(c.op);
    edits[10 * 3]->setText(c.value);  // press value, the interval box's own field, release value
    press_symbol->setCurrentText(c.symbol);
    ASSERT_EQ(press_symbol->currentText(), c.symbol);
    for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>()) {
      if (b->text() == "Apply") QTest::mouseClick(b, Qt::LeftButton);
    }
    GAMEPAD_MAPPING installed[GAMEPAD_SLOTS];
    GAMEPAD_GetMappings(installed);
    if (c.message != nullptr) {
      EXPECT_EQ(log_.Take(), std::vector<std::string>{c.message});
      EXPECT_EQ(installed[0].Inputs[10].pPressSymbol, nullptr);
    } else {
      EXPECT_TRUE(log_.Take().empty());
      ASSERT_NE(installed[0].Inputs[10].pPressSymbol, nullptr);
      EXPECT_STREQ(installed[0].Inputs[10].pPressSymbol->Name, "count");
      EXPECT_EQ(installed[0].Inputs[10].PressOperation, static_cast<uint32_t>(GAMEPAD_OP_ADD));
      EXPECT_EQ(installed[0].Configured, 1);
    }
    for (GAMEPAD_MAPPING& m : installed) GAMEPAD_Clear(m);
    log_.Answer(1);  // "No": closing asks every time
    dialog.reject();
    EXPECT_EQ(log_.Take(), std::vector<std::string>{"Are you sure to cancel?"});
  }
  GAMEPAD_ClearMappings();
}

TEST_F(HidDialogTest, ActiveInputsAreOutlined) {
  GAMEPAD_MAPPING none[GAMEPAD_SLOTS];
  HIDDialog dialog(none);
  VirtualPad pad;
  pad.Button(SDL_CONTROLLER_BUTTON_A, true);
  const QString active = "QWidget { border: 2px solid blue; }";
  for (int i = 0; i < 100 && dialog.Row(0, 10)->styleSheet() != active; ++i) QTest::qWait(10);
  EXPECT_EQ(dialog.Row(0, 10)->styleSheet(), active);
  EXPECT_EQ(dialog.Row(0, 11)->styleSheet(), "QWidget { border: none; }");
  pad.Button(SDL_CONTROLLER_BUTTON_A, false);
  for (int i = 0; i < 100 && dialog.Row(0, 10)->styleSheet() == active; ++i) QTest::qWait(10);
  EXPECT_EQ(dialog.Row(0, 10)->styleSheet(), "QWidget { border: none; }");
}

}  // namespace
