#include "modules/check_box_writes.h"

#include "core/app_mode.h"

void CheckBoxWrites::WriteState(ControlWriteSink& sink, const CHECK_BOX_VALUES& v) {
  if (!APP_IsRunMode()) return;
  const CONTROL_READING r = CONTROL_Read(v.symbol);
  VALUE_SLOT value{};
  if (!r.active || !CONTROL_ConvertDouble(checked_ ? v.checked : v.unchecked, r.type, &value)) return;
  write_.Submit(sink, v.symbol, value);
}

void CheckBoxWrites::EnterRun(ControlWriteSink& sink, const CHECK_BOX_VALUES& v) {
  write_.Drop();
  WriteState(sink, v);
}

void CheckBoxWrites::Toggle(ControlWriteSink& sink, const CHECK_BOX_VALUES& v, bool checked) {
  checked_ = checked;
  WriteState(sink, v);
}

void CheckBoxWrites::Refresh(ControlWriteSink& sink, const CHECK_BOX_VALUES& v) {
  if (!APP_IsRunMode()) return;
  write_.Flush(sink);
  if (!v.force || write_.IsBusy()) return;
  const CONTROL_READING r = CONTROL_Read(v.symbol);
  if (!r.active || r.pending || !r.sample) return;
  VALUE_SLOT want{};
  if (!CONTROL_ConvertDouble(checked_ ? v.checked : v.unchecked, r.type, &want)) return;
  if (!CONTROL_SameInType(*r.sample, want, r.type)) write_.Submit(sink, v.symbol, want);
}
