#include "modules/module_timeline.h"

#include <algorithm>

#include "modules/records/module_types.h"

namespace {

bool ChangesNothing(const TIMELINE_EVENT& event) {
  return std::all_of(event.Entries.begin(), event.Entries.end(),
                     [](const TIMELINE_ENTRY& e) { return e.Before == e.After; });
}

bool IsSingleModuleChange(const TIMELINE_EVENT& event, uint32_t kind, ModuleId id) {
  return event.Kind == kind && event.Entries.size() == 1 && event.Entries[0].Id == id;
}

uint32_t EntryType(const TIMELINE_ENTRY& entry) {
  if (entry.After) return entry.After->Type();
  if (entry.Before) return entry.Before->Type();
  return MODULE_TYPE_COUNT;
}

}  // namespace

void ModuleTimeline::Record(TIMELINE_EVENT event) {
  if (event.Kind < TIMELINE_ADD || event.Kind > TIMELINE_GROUP_LAYER || event.Entries.empty()) {
    return;
  }
  for (const TIMELINE_ENTRY& entry : event.Entries) {
    if (!entry.Before && !entry.After) return;
    if (entry.Before && entry.After && entry.Before->Type() != entry.After->Type()) return;
  }
  redo_.clear();
  if (ChangesNothing(event)) {
    Notify();
    return;
  }
  undo_.push_back(std::move(event));
  MergeTop();
  Notify();
}

void ModuleTimeline::MergeTop() {
  const TIMELINE_EVENT& top = undo_.back();
  if (top.Kind != TIMELINE_MOVE && top.Kind != TIMELINE_RESIZE) return;
  const uint32_t kind = top.Kind;
  const ModuleId id = top.Entries[0].Id;
  size_t first = undo_.size() - 1;
  while (first > 0 && IsSingleModuleChange(undo_[first - 1], kind, id)) --first;
  if (first + 1 < undo_.size()) {
    TIMELINE_EVENT merged;
    merged.Kind = kind;
    merged.Entries.push_back({id, undo_[first].Entries[0].Before, undo_.back().Entries[0].After});
    undo_.resize(first);
    undo_.push_back(std::move(merged));
  }
  if (ChangesNothing(undo_.back())) undo_.pop_back();
}

void ModuleTimeline::RecordAdd(ModuleId id, const MODULE_SETTINGS& record) {
  Record({TIMELINE_ADD, {{id, std::nullopt, record}}});
}

void ModuleTimeline::RecordRemove(ModuleId id, const MODULE_SETTINGS& record) {
  Record({TIMELINE_REMOVE, {{id, record, std::nullopt}}});
}

void ModuleTimeline::RecordChange(uint32_t kind, ModuleId id, const MODULE_SETTINGS& before,
                                  const MODULE_SETTINGS& after) {
  Record({kind, {{id, before, after}}});
}

void ModuleTimeline::Undo() {
  if (undo_.empty()) return;
  TIMELINE_EVENT event = std::move(undo_.back());
  undo_.pop_back();
  // Members are restored in reverse order, so a group comes back as it was recorded.
  if (target_) {
    for (auto it = event.Entries.rbegin(); it != event.Entries.rend(); ++it) {
      target_->RestoreModule(it->Id, it->Before);
    }
  }
  redo_.push_back(std::move(event));
  Notify();
}

void ModuleTimeline::Redo() {
  if (redo_.empty()) return;
  TIMELINE_EVENT event = std::move(redo_.back());
  redo_.pop_back();
  if (target_) {
    for (const TIMELINE_ENTRY& entry : event.Entries) target_->RestoreModule(entry.Id, entry.After);
  }
  undo_.push_back(std::move(event));
  Notify();
}

void ModuleTimeline::UndoMultiple(int n) {
  for (int i = 0; i < n && CanUndo(); ++i) Undo();
}

void ModuleTimeline::RedoMultiple(int n) {
  for (int i = 0; i < n && CanRedo(); ++i) Redo();
}

void ModuleTimeline::Clear() {
  undo_.clear();
  redo_.clear();
  Notify();
}

void ModuleTimeline::Notify() {
  if (target_) target_->TimelineChanged();
}

std::string ModuleTimeline::EventText(const TIMELINE_EVENT& event) {
  const std::string name =
      event.Entries.empty() ? std::string() : MODULE_DisplayName(EntryType(event.Entries[0]));
  const std::string count = std::to_string(event.Entries.size());
  switch (event.Kind) {
    case TIMELINE_ADD: return "Load " + name;
    case TIMELINE_RESIZE: return "Resize " + name;
    case TIMELINE_MOVE: return "Move " + name;
    case TIMELINE_GROUP_MOVE: return "Move Group of " + count + " Module";
    case TIMELINE_REMOVE: return "Remove " + name;
    case TIMELINE_GROUP_REMOVE: return "Remove Group of " + count + " Module";
    case TIMELINE_SETTINGS: return "Change settings of " + name;
    case TIMELINE_LAYER: return "Change layer of " + name;
    case TIMELINE_GROUP_LAYER: return "Change layer of " + count + " Module";
    default: return {};
  }
}

std::vector<std::string> ModuleTimeline::UndoTexts() const {
  std::vector<std::string> texts{std::string()};
  for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) texts.push_back(EventText(*it));
  return texts;
}

std::vector<std::string> ModuleTimeline::RedoTexts() const {
  std::vector<std::string> texts{std::string()};
  for (auto it = redo_.rbegin(); it != redo_.rend(); ++it) texts.push_back(EventText(*it));
  return texts;
}
