// What a toggle button writes: the value of its new state on each toggle, the value of its
// default state at Run entry, nothing in Edit or Preview mode. On each refresh in Run mode it
// follows the target: when the symbol's latest sample equals the other state's value (in the
// symbol's type) it switches to that state without writing.
//
// It does not follow while its own write is outstanding or not yet confirmed by a newer sample
// (the sample still shows the old state then), nor when both states convert to the same value
// (it would flip on every refresh).
#pragma once

#include "modules/control_write_sink.h"

struct TOGGLE_VALUES {
  SYMBOL_ID symbol;
  double values[2] = {0.0, 1.0};  // 1st state (unchecked), 2nd state (checked)
};

class ToggleButtonWrites {
 public:
  bool State() const { return state_; }  // false: 1st state, true: 2nd state

  void EnterEdit(bool default_state) { Reset(default_state); }
  void EnterPreview(bool default_state) { Reset(default_state); }
  void EnterRun(ControlWriteSink& sink, const TOGGLE_VALUES& v, bool default_state);
  void Toggle(ControlWriteSink& sink, const TOGGLE_VALUES& v, bool new_state);
  // Run-mode refresh. True when the state changed.
  bool Follow(ControlWriteSink& sink, const TOGGLE_VALUES& v);

 private:
  void Reset(bool state) {
    state_ = state;
    write_.Drop();
  }
  void WriteState(ControlWriteSink& sink, const TOGGLE_VALUES& v);

  bool state_ = false;
  CoalescedWrite write_;
};
