// The board driven as a user drives it (QTest keys and mouse on the offscreen board): every
// kind of change undone and redone to the exact records, drags and the rubber band, marks and
// paste, zoom refusals, cancelled creation, and destroyed modules leaving no references.
#include <gtest/gtest.h>

#include <map>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "core/app_mode.h"
#include "modules/board_geometry.h"
#include "modules/module_popup_bar.h"
#include "modules/records/module_types.h"
#include "modules/tool_module.h"
#include "modules/tool_module_board.h"
#include "modules/timeline_controls.h"
#include "modules/tool_module_dialog.h"
#include "platform/sys_msgbox.h"
#include "test_app.h"

namespace {

using Snapshot = std::map<ModuleId, MODULE_SETTINGS>;

class BoardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    APP_SetAppMode(APP_MODE_EDIT);
    board = std::make_unique<ToolModuleBoard>();
    board->resize(900, 700);
    board->show();
    board->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(board.get()));
    board->Canvas()->setFocus();
  }
  void TearDown() override { board.reset(); }

  Snapshot Take() const {
    Snapshot snap;
    for (ToolModule* m : board->Modules()) snap[board->IdOf(m)] = m->GetSettings();
    return snap;
  }
  ToolModule* Add(uint32_t type, int x, int y, int w = 0, int h = 0) {
    MODULE_SETTINGS s = *MODULE_DefaultSettings(type);
    s.X = x;
    s.Y = y;
    s.Width = w;
    s.Height = h;
    return board->CreateModuleFromSettings(s, true, false);
  }
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    // Board shortcuts need the focus inside the board (a closed dialog may have taken it).
    if (!board->isActiveWindow()) {
      board->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(board.get()));
    }
    board->Canvas()->setFocus();
    QTest::keyClick(board->Canvas(), static_cast<Qt::Key>(key), mods);
  }
  // Canvas pixel of a module-local point.
  static QPoint Px(ToolModule* m, QPoint local) { return m->mapTo(m->parentWidget(), local); }

  std::unique_ptr<ToolModuleBoard> board;
};

TEST_F(BoardTest, EveryKindOfChangeUndoesAndRedoesToTheExactRecords) {
  std::vector<Snapshot> states{Take()};
  auto step = [&] { states.push_back(Take()); };
  std::vector<ToolModule*> mods;
  for (uint32_t type = 0; type < MODULE_TYPE_COUNT; ++type) {
    mods.push_back(Add(type, 8 + static_cast<int>(type % 5) * 144, 8 + static_cast<int>(type / 5) * 96));
    ASSERT_NE(mods.back(), nullptr);
    step();
  }
  board->SelectModule(mods[0]);
  Key(Qt::Key_Right);
  Key(Qt::Key_Right);
  Key(Qt::Key_Right);  // three presses, one event
  step();
  EXPECT_EQ(mods[0]->GetPosition(), QPoint(32, 8));
  Key(Qt::Key_Down, Qt::ShiftModifier);  // another move of the same module: merged too
  states.back() = Take();
  Key(Qt::Key_Right, Qt::ControlModifier);  // stretch
  step();
  EXPECT_EQ(mods[0]->GetCellSize().width(), 48);
  Key(Qt::Key_PageUp);  // the selected module one layer up
  step();
  EXPECT_EQ(mods[0]->GetLayer(), 1u);

  board->SelectModule(nullptr);
  Key(Qt::Key_A, Qt::ControlModifier);  // group: every module of layer 0
  EXPECT_EQ(board->Group().size(), MODULE_TYPE_COUNT - 1);
  Key(Qt::Key_Down);
  step();
  Key(Qt::Key_Left);  // the group touches column 8: a full step, shape kept
  step();
  Key(Qt::Key_Left);  // column 0: nothing moves, nothing recorded
  Key(Qt::Key_PageUp);
  step();

  // A settings change through the dialog.
  board->SetCurrentLayer(1);
  QTimer::singleShot(0, [&] {
    QLineEdit* height = mods[4]->OpenDialog()->findChildren<QLineEdit*>().at(3);
    height->setText("40");
    mods[4]->OpenDialog()->OkButton()->click();
  });
  EXPECT_EQ(mods[4]->OpenSettingsDialog(), QDialog::Accepted);
  step();

  // Copy, mark, paste; remove one; remove a group of two.
  board->SelectModule(mods[3]);
  board->_SlotOnCopyModule();
  board->SetMarkedCell(QPoint(400, 300));
  board->_SlotOnPasteModule();
  step();
  board->SelectModule(mods[5]);
  Key(Qt::Key_Delete);
  step();
  QTest::mouseClick(mods[6], Qt::LeftButton, Qt::ControlModifier, QPoint(20, 20));
  QTest::mouseClick(mods[7], Qt::LeftButton, Qt::ControlModifier, QPoint(20, 20));
  ASSERT_EQ(board->Group().size(), 2u);
  Key(Qt::Key_Delete);
  step();
  EXPECT_EQ(board->Timeline().UndoTexts()[1], "Remove Group of 2 Module");
  ASSERT_EQ(board->Timeline().UndoCount(), states.size() - 1);

  // Undo, redo, undo: every step lands on the recorded state, through re-created modules.
  for (int pass = 0; pass < 3; ++pass) {
    const bool undo = pass != 1;
    for (size_t i = 1; i < states.size(); ++i) {
      const size_t expect = undo ? states.size() - 1 - i : i;
      if (undo) {
        board->_SlotOnUndo();
      } else {
        board->_SlotOnRedo();
      }
      ASSERT_EQ(Take(), states[expect]) << "pass " << pass << " step " << i;
    }
  }
  EXPECT_EQ(board->ModuleCount(), 0u);
}

TEST_F(BoardTest, MouseDragsMoveResizeAndGroup) {
  ToolModule* button = Add(MODULE_TYPE_PUSH_BUTTON, 16, 16);
  ToolModule* led = Add(MODULE_TYPE_LED, 120, 16);
  board->Timeline().Clear();

  // One cell away: no move.
  QTest::mousePress(button, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseMove(button, QPoint(12, 10));
  QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(12, 10));
  EXPECT_EQ(button->GetPosition(), QPoint(16, 16));
  EXPECT_EQ(board->SelectedModule(), button);

  // 21 cells right: snapped to 40 (16 + 21 = 37 -> 40); with Shift exactly 37.
  QTest::mousePress(button, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseMove(button, QPoint(52, 10));
  QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(52, 10));
  EXPECT_EQ(button->GetPosition(), QPoint(40, 16));
  QTest::mousePress(button, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 10));
  QTest::mouseMove(button, QPoint(20, 10));
  QTest::mouseRelease(button, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 10));
  EXPECT_EQ(button->GetPosition(), QPoint(45, 16));
  EXPECT_EQ(board->Timeline().UndoTexts(), (std::vector<std::string>{"", "Move Push Button"}));

  // The bottom-right handle of the selected module, dragged 30 cells right and down.
  const QPoint handle = BOARD_HandlePx(button->GetCellRect(), BOARD_HANDLE_BOTTOM_RIGHT).center();
  QWidget* canvas = board->Canvas();
  QTest::mousePress(canvas, Qt::LeftButton, Qt::ShiftModifier, handle);
  QTest::mouseMove(canvas, handle + QPoint(60, 60));
  QTest::mouseRelease(canvas, Qt::LeftButton, Qt::ShiftModifier, handle + QPoint(60, 60));
  EXPECT_EQ(button->GetCellSize(), QSize(70, 54));
  EXPECT_EQ(board->Timeline().UndoTexts()[1], "Resize Push Button");

  // A rubber band from empty board over both modules groups them; then drag the group.
  QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(600, 400));
  QTest::mouseMove(canvas, QPoint(100, 60));
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(100, 60));
  EXPECT_EQ(board->Group().size(), 2u);
  const QPoint led_before = led->GetPosition();
  QTest::mousePress(led, Qt::LeftButton, {}, QPoint(4, 4));
  QTest::mouseMove(led, QPoint(4, 36));
  QTest::mouseRelease(led, Qt::LeftButton, {}, QPoint(4, 36));
  // The group's top-left corner (the button at 45) snaps to the grid; both move alike.
  EXPECT_EQ(button->GetPosition(), QPoint(48, 32));
  EXPECT_EQ(led->GetPosition(), led_before + QPoint(3, 16));
  EXPECT_EQ(board->Timeline().UndoTexts()[1], "Move Group of 2 Module");
}

TEST_F(BoardTest, MarksPasteAndZoom) {
  ToolModule* gauge = Add(MODULE_TYPE_ANGULAR_GAUGE, 8, 8);
  QTest::mouseClick(board->Canvas(), Qt::LeftButton, {}, QPoint(301, 201));
  EXPECT_EQ(board->StatusText(), "Marked: ( 150 / 100 )");
  board->SelectModule(gauge);
  board->_SlotOnCopyModule();
  EXPECT_EQ(board->StatusText(), "Ready to paste: Angular Gauge");
  board->_SlotOnPasteModule();  // the mark is a state of the board, not of the status text
  EXPECT_EQ(board->Modules().back()->GetPosition(), QPoint(150, 100));
  board->_SlotOnPasteModule();  // no mark any more: (0, 0)
  EXPECT_EQ(board->Modules().back()->GetPosition(), QPoint(0, 0));
  board->SelectModule(board->Modules()[1]);  // at (150, 100): the last by row
  Key(Qt::Key_Tab);                           // wraps to the first
  EXPECT_EQ(board->SelectedModule()->GetPosition(), QPoint(0, 0));
  Key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(board->SelectedModule()->GetPosition(), QPoint(150, 100));
  board->SelectModule(nullptr);

  const Snapshot before = Take();
  ASSERT_TRUE(board->ZoomIn());
  EXPECT_EQ(gauge->GetCellSize(), QSize(96, 96));
  ASSERT_TRUE(board->ZoomOut());
  EXPECT_EQ(Take(), before);
  Add(MODULE_TYPE_LED, 300, 8, 16, 16);
  const Snapshot small = Take();
  EXPECT_FALSE(board->ZoomOut());  // 16 x 2/3 rounds to 11
  EXPECT_EQ(Take(), small);
}

TEST_F(BoardTest, CancelledCreationAndDestroyedModulesLeaveNoTrace) {
  QTimer::singleShot(0, [] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* dialog = qobject_cast<ToolModuleDialog*>(w); dialog && dialog->isVisible()) {
        dialog->CancelButton()->click();
      }
    }
  });
  EXPECT_EQ(board->CreateModule(MODULE_TYPE_SLIDER), nullptr);
  EXPECT_EQ(board->ModuleCount(), 0u);
  EXPECT_FALSE(board->CanUndo());

  ToolModule* a = Add(MODULE_TYPE_LABEL, 8, 8);
  ToolModule* b = Add(MODULE_TYPE_TIMER, 80, 8);
  QTest::mouseClick(a, Qt::LeftButton, Qt::ControlModifier, QPoint(5, 5));
  board->SelectModule(b);
  board->_SlotOnUndo();  // destroys b (selected)
  board->_SlotOnUndo();  // destroys a (grouped)
  EXPECT_EQ(board->SelectedModule(), nullptr);
  EXPECT_TRUE(board->Group().empty());
  EXPECT_EQ(board->HoveredModule(), nullptr);
  QTest::mouseMove(board->Canvas(), QPoint(20, 20));
  Key(Qt::Key_Delete);
  board->_SlotOnRedo();
  EXPECT_EQ(board->ModuleCount(), 1u);

  // Run mode: the board's keys do nothing; Edit mode restores the layer.
  board->SetCurrentLayer(3);
  board->EnterRunMode();
  EXPECT_EQ(APP_GetAppMode(), APP_MODE_RUN);
  EXPECT_EQ(board->CurrentLayer(), 15u);
  board->UpdateModules();
  board->EnterEditMode();
  EXPECT_EQ(board->CurrentLayer(), 3u);

  SYS_SetConsoleAnswer(1);  // "No": nothing is cleared
  EXPECT_EQ(board->ClearBoard(true), -1);
  EXPECT_EQ(board->ModuleCount(), 1u);
  SYS_SetConsoleAnswer(-1);
  EXPECT_EQ(board->ClearBoard(false), 0);
  EXPECT_EQ(board->ModuleCount(), 0u);
  EXPECT_FALSE(board->CanUndo());
}

// The pop-up bars above the selected and the hovered module act on their own module: layer
// up (undoable), settings, remove; they go away outside Edit mode.
TEST_F(BoardTest, PopupBarsFollowSelectionAndHoverAndActOnTheirModule) {
  ToolModule* a = Add(MODULE_TYPE_LABEL, 8, 40);
  ToolModule* b = Add(MODULE_TYPE_LED, 120, 40);
  ModulePopupBar* hover = board->HoverPopup();
  ModulePopupBar* selected = board->SelectedPopup();
  EXPECT_FALSE(hover->isVisible());
  QTest::mouseMove(a, QPoint(5, 5));
  ASSERT_EQ(board->HoveredModule(), a);
  EXPECT_TRUE(hover->isVisible());
  EXPECT_EQ(hover->Module(), a);
  EXPECT_LE(hover->geometry().bottom(), a->geometry().top());  // above, clear of the handles
  board->SelectModule(b);
  EXPECT_TRUE(selected->isVisible());
  EXPECT_EQ(selected->Module(), b);
  EXPECT_EQ(selected->LayerButton()->toolTip(), "Change Layer (0)");

  selected->LayerUpButton()->click();
  EXPECT_EQ(b->GetLayer(), 1u);
  EXPECT_EQ(selected->LayerButton()->text(), "1");
  board->_SlotOnUndo();
  EXPECT_EQ(b->GetLayer(), 0u);
  int dialogs = 0;
  QTimer::singleShot(0, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* dialog = qobject_cast<ToolModuleDialog*>(w); dialog && dialog->isVisible()) {
        ++dialogs;
        dialog->CancelButton()->click();
      }
    }
  });
  board->SelectModule(b);
  selected->SettingsButton()->click();
  EXPECT_EQ(dialogs, 1);

  QTest::mouseMove(a, QPoint(5, 5));
  ASSERT_EQ(hover->Module(), a);
  hover->RemoveButton()->click();
  EXPECT_EQ(board->ModuleCount(), 1u);
  EXPECT_FALSE(hover->isVisible());
  board->EnterRunMode();
  EXPECT_FALSE(selected->isVisible());
  board->EnterEditMode();
}

TEST_F(BoardTest, TimelineControlsListEventsAndTakeSeveralSteps) {
  TimelineControls controls(board.get());
  EXPECT_FALSE(controls.UndoButton()->isEnabled());
  EXPECT_EQ(controls.UndoButton()->toolTip(),
            "Undo (" + QKeySequence(Qt::CTRL | Qt::Key_Z).toString(QKeySequence::NativeText) + ")");
  ToolModule* slider = Add(MODULE_TYPE_SLIDER, 8, 8);
  Add(MODULE_TYPE_LED, 80, 8);
  board->SelectModule(slider);
  board->SetModuleLayer(slider, 2);
  ASSERT_EQ(controls.UndoList()->count(), 4);
  EXPECT_EQ(controls.UndoList()->itemText(1), "Change layer of Slider");
  EXPECT_EQ(controls.UndoList()->itemText(3), "Load Slider");
  emit controls.UndoList()->activated(3);  // the third entry: three events at once
  EXPECT_EQ(board->ModuleCount(), 0u);
  EXPECT_FALSE(controls.UndoButton()->isEnabled());
  EXPECT_EQ(controls.RedoList()->count(), 4);
  controls.RedoButton()->click();
  EXPECT_EQ(board->ModuleCount(), 1u);
  Add(MODULE_TYPE_TIMER, 160, 8);  // a new change empties the redo list
  EXPECT_EQ(controls.RedoList()->count(), 1);
  EXPECT_FALSE(controls.RedoButton()->isEnabled());
}

}  // namespace
