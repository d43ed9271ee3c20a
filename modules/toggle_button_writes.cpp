#include "modules/toggle_button_writes.h"

#include "core/app_mode.h"

void ToggleButtonWrites::WriteState(ControlWriteSink& sink, const TOGGLE_VALUES& v) {
  if (!APP_IsRunMode()) return;
  const CONTROL_READING r = CONTROL_Read(v.symbol);
  VALUE_SLOT value{};
  if (!r.active || !CONTROL_ConvertDouble(v.values[state_ ? 1 : 0], r.type, &value)) return;
  write_.Submit(sink, v.symbol, value);
}

void ToggleButtonWrites::EnterRun(ControlWriteSink& sink, const TOGGLE_VALUES& v, bool default_state) {
  Reset(default_state);
  WriteState(sink, v);
}

void ToggleButtonWrites::Toggle(ControlWriteSink& sink, const TOGGLE_VALUES& v, bool new_state) {
  state_ = new_state;
  WriteState(sink, v);
}

bool ToggleButtonWrites::Follow(ControlWriteSink& sink, const TOGGLE_VALUES& v) {
  if (!APP_IsRunMode()) return false;
  write_.Flush(sink);
  if (write_.IsBusy()) return false;
  const CONTROL_READING r = CONTROL_Read(v.symbol);
  if (!r.active || r.pending || !r.sample) return false;
  VALUE_SLOT mine{}, other{};
  if (!CONTROL_ConvertDouble(v.values[state_ ? 1 : 0], r.type, &mine) ||
      !CONTROL_ConvertDouble(v.values[state_ ? 0 : 1], r.type, &other)) {
    return false;
  }
  if (CONTROL_SameInType(mine, other, r.type) || !CONTROL_SameInType(*r.sample, other, r.type)) return false;
  state_ = !state_;
  return true;
}
