// TypedToolModule<PART>: a ToolModule that keeps its type's settings part as a member and
// copies it in and out of records. A type derives from it, implements CreateDialog and its
// look, and reacts to a new part in PartChanged (called after every applied record).
#pragma once

#include "modules/tool_module.h"

template <typename PART>
class TypedToolModule : public ToolModule {
 public:
  explicit TypedToolModule(ModuleHost* host, QWidget* parent = nullptr)
      : ToolModule(PART::kType, host, parent) {
    if (auto defaults = MODULE_DefaultSettings(PART::kType)) part_ = *defaults->template As<PART>();
  }

  const PART& Part() const { return part_; }

 protected:
  void ApplyPart(const MODULE_SETTINGS& settings) override {
    if (const PART* part = settings.template As<PART>()) {
      part_ = *part;
      PartChanged();
    }
  }
  void FillPart(MODULE_SETTINGS& settings) const override { settings.Part = part_; }
  // The part was replaced: refresh the look.
  virtual void PartChanged() { update(); }

  PART part_;
};
