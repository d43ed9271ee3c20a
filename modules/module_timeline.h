// The board's undo and redo history.
//
// Every event holds, for each module it touches, the module's full settings record before and
// after the change (none before an add, none after a remove). Undo brings every touched module
// to its "before" state, redo to its "after" state, so one rule serves every kind.
//
// Modules are named by a ModuleId that the board gives each module once and keeps across
// removal and re-creation: undoing a remove re-creates the module under its old id, so every
// event on either stack still finds it, however many times it was destroyed and re-created.
//
// No Qt: the timeline drives the board through TimelineTarget.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "modules/records/module_settings.h"

using ModuleId = uint64_t;

enum : uint32_t {
  TIMELINE_ADD = 1,
  TIMELINE_RESIZE = 2,
  TIMELINE_MOVE = 3,
  TIMELINE_GROUP_MOVE = 4,
  TIMELINE_REMOVE = 5,
  TIMELINE_GROUP_REMOVE = 6,
  TIMELINE_SETTINGS = 7,
  TIMELINE_LAYER = 8,
  TIMELINE_GROUP_LAYER = 9,
};

struct TIMELINE_ENTRY {
  ModuleId Id = 0;
  std::optional<MODULE_SETTINGS> Before;  // none: the module did not exist before
  std::optional<MODULE_SETTINGS> After;   // none: the module does not exist after
};

struct TIMELINE_EVENT {
  uint32_t Kind = 0;
  std::vector<TIMELINE_ENTRY> Entries;
};

// What the timeline needs from the board.
class TimelineTarget {
 public:
  virtual ~TimelineTarget() = default;
  // Brings module `id` to `state`: destroys it (none), re-creates it under `id` from the
  // record (it does not exist), or applies the record (it exists). Records nothing.
  virtual void RestoreModule(ModuleId id, const std::optional<MODULE_SETTINGS>& state) = 0;
  // Called after every change of either stack (the undo and redo controls refresh).
  virtual void TimelineChanged() {}
};

class ModuleTimeline {
 public:
  explicit ModuleTimeline(TimelineTarget* target = nullptr) : target_(target) {}
  void SetTarget(TimelineTarget* target) { target_ = target; }

  // Pushes an event, empties the redo stack, merges repeated moves and resizes of one module
  // and drops events that change nothing. An event of an unknown kind, without entries, or
  // with an entry without any record is ignored.
  void Record(TIMELINE_EVENT event);
  // Convenience for the one-module kinds.
  void RecordAdd(ModuleId id, const MODULE_SETTINGS& record);
  void RecordRemove(ModuleId id, const MODULE_SETTINGS& record);
  void RecordChange(uint32_t kind, ModuleId id, const MODULE_SETTINGS& before,
                    const MODULE_SETTINGS& after);

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  void Undo();
  void Redo();
  // n steps; n below 1 does nothing.
  void UndoMultiple(int n);
  void RedoMultiple(int n);
  void Clear();

  // Drop-down texts: an empty first entry, then the newest event first.
  std::vector<std::string> UndoTexts() const;
  std::vector<std::string> RedoTexts() const;
  // "Move Slider", "Move Group of 3 Module", ...
  static std::string EventText(const TIMELINE_EVENT& event);

  size_t UndoCount() const { return undo_.size(); }
  size_t RedoCount() const { return redo_.size(); }
  const TIMELINE_EVENT* NewestUndo() const { return undo_.empty() ? nullptr : &undo_.back(); }

 private:
  void MergeTop();
  void Notify();

  TimelineTarget* target_ = nullptr;
  std::vector<TIMELINE_EVENT> undo_;  // newest at the back
  std::vector<TIMELINE_EVENT> redo_;  // most recently undone at the back
};
