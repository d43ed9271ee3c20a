// What a check box writes: the value of its new state on each toggle and the value of its
// current state at Run entry. With "Force value", each Run-mode refresh compares the symbol's
// latest sample with the current state's value and writes that value again when they differ;
// never while its previous write is outstanding or not yet confirmed by a newer sample, so a
// target that keeps changing the value gets one write per confirmation, not one per refresh.
#pragma once

#include "modules/control_write_sink.h"

struct CHECK_BOX_VALUES {
  SYMBOL_ID symbol;
  double unchecked = 0.0;
  double checked = 1.0;
  bool force = false;
};

class CheckBoxWrites {
 public:
  bool Checked() const { return checked_; }

  void EnterEdit(bool default_checked) { Reset(default_checked); }
  void EnterPreview(bool default_checked) { Reset(default_checked); }
  // Writes the value of the current state.
  void EnterRun(ControlWriteSink& sink, const CHECK_BOX_VALUES& v);
  void Toggle(ControlWriteSink& sink, const CHECK_BOX_VALUES& v, bool checked);
  // Run-mode refresh: a waiting write goes out, a forced value is restored.
  void Refresh(ControlWriteSink& sink, const CHECK_BOX_VALUES& v);

 private:
  void Reset(bool checked) {
    checked_ = checked;
    write_.Drop();
  }
  void WriteState(ControlWriteSink& sink, const CHECK_BOX_VALUES& v);

  bool checked_ = false;
  CoalescedWrite write_;
};
