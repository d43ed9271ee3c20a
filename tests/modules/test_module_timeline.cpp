// The history alone, over a board stand-in that keeps records by id: merging, net-zero
// events, multi-step undo and redo across removed and re-created modules, and the texts.
#include <gtest/gtest.h>

#include <map>

#include "modules/module_timeline.h"

namespace {

struct FakeBoard : TimelineTarget {
  void RestoreModule(ModuleId id, const std::optional<MODULE_SETTINGS>& state) override {
    if (state) {
      if (!modules.count(id)) ++recreated;
      modules[id] = *state;
    } else {
      modules.erase(id);
    }
  }
  std::map<ModuleId, MODULE_SETTINGS> modules;
  int recreated = 0;
};

MODULE_SETTINGS At(uint32_t type, int x, int y) {
  MODULE_SETTINGS s = *MODULE_DefaultSettings(type);
  s.X = x;
  s.Y = y;
  s.Width = 40;
  s.Height = 24;
  return s;
}

// Applies a change on the stand-in and records it, as the board does.
void Move(FakeBoard& board, ModuleTimeline& timeline, ModuleId id, int dx, int dy) {
  MODULE_SETTINGS before = board.modules.at(id);
  MODULE_SETTINGS after = before;
  after.X += dx;
  after.Y += dy;
  board.modules[id] = after;
  timeline.RecordChange(TIMELINE_MOVE, id, before, after);
}

TEST(ModuleTimeline, RepeatedMovesMergeAndNetZeroLeavesNothing) {
  FakeBoard board;
  ModuleTimeline timeline(&board);
  board.modules[1] = At(0, 0, 0);
  board.modules[2] = At(1, 50, 0);
  for (int i = 0; i < 3; ++i) Move(board, timeline, 1, 8, 0);
  ASSERT_EQ(timeline.UndoCount(), 1u);
  EXPECT_EQ(timeline.UndoTexts(), (std::vector<std::string>{"", "Move Push Button"}));
  timeline.Undo();
  EXPECT_EQ(board.modules[1].X, 0);

  timeline.Redo();
  Move(board, timeline, 2, 8, 0);  // another module: no merge
  Move(board, timeline, 2, -8, 0);  // back to its start: the pair disappears
  EXPECT_EQ(timeline.UndoCount(), 1u);
  Move(board, timeline, 2, 0, 0);
  EXPECT_EQ(timeline.UndoCount(), 1u);

  // A new change after an undo empties the redo list.
  timeline.Undo();
  EXPECT_TRUE(timeline.CanRedo());
  Move(board, timeline, 2, 1, 0);
  EXPECT_FALSE(timeline.CanRedo());
}

TEST(ModuleTimeline, UndoRedoChainsAcrossRecreatedModules) {
  FakeBoard board;
  ModuleTimeline timeline(&board);
  board.modules[1] = At(8, 0, 0);
  board.modules[2] = At(9, 80, 0);
  timeline.RecordAdd(1, board.modules[1]);
  // Remove 1, move 2, change 2's layer, remove both as a group.
  const MODULE_SETTINGS one = board.modules[1];
  board.modules.erase(1);
  timeline.RecordRemove(1, one);
  Move(board, timeline, 2, 0, 16);
  MODULE_SETTINGS layered = board.modules[2];
  layered.Layer = 4;
  timeline.RecordChange(TIMELINE_LAYER, 2, board.modules[2], layered);
  board.modules[2] = layered;
  const auto end_state = board.modules;

  EXPECT_EQ(timeline.UndoTexts(),
            (std::vector<std::string>{"", "Change layer of LED", "Move LED", "Remove Angular Gauge",
                                      "Load Angular Gauge"}));
  timeline.UndoMultiple(3);  // back to just after the add
  EXPECT_EQ(board.modules.at(1), one);
  EXPECT_EQ(board.modules.at(2).Y, 0);
  timeline.RedoMultiple(2);
  EXPECT_FALSE(board.modules.count(1));
  timeline.UndoMultiple(4);
  EXPECT_TRUE(board.modules.empty() || !board.modules.count(1));
  timeline.RedoMultiple(9);
  EXPECT_EQ(board.modules, end_state);
  timeline.UndoMultiple(0);
  EXPECT_EQ(board.modules, end_state);
  EXPECT_GE(board.recreated, 2);
}

TEST(ModuleTimeline, GroupEventsTextsAndRefusals) {
  FakeBoard board;
  ModuleTimeline timeline(&board);
  TIMELINE_EVENT group{TIMELINE_GROUP_REMOVE, {}};
  for (ModuleId id = 1; id <= 3; ++id) {
    board.modules[id] = At(2, static_cast<int>(id) * 50, 0);
    group.Entries.push_back({id, board.modules[id], std::nullopt});
  }
  const auto before = board.modules;
  board.modules.clear();
  timeline.Record(group);
  EXPECT_EQ(ModuleTimeline::EventText(group), "Remove Group of 3 Module");
  timeline.Undo();
  EXPECT_EQ(board.modules, before);

  // Refused: unknown kind, no entries, an entry without records, a type change.
  timeline.Record({99, {{1, At(2, 0, 0), At(2, 8, 0)}}});
  timeline.Record({TIMELINE_MOVE, {}});
  timeline.Record({TIMELINE_MOVE, {{1, std::nullopt, std::nullopt}}});
  timeline.Record({TIMELINE_SETTINGS, {{1, At(2, 0, 0), At(3, 0, 0)}}});
  EXPECT_EQ(timeline.UndoCount(), 0u);
  EXPECT_EQ(timeline.RedoCount(), 1u);
}

}  // namespace
