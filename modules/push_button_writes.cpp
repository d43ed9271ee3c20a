#include "modules/push_button_writes.h"

#include "core/app_mode.h"

bool PushButtonWrites::Press(ControlWriteSink& sink, std::span<const CONTROL_WRITE_OP> press,
                             bool hold_repeat) {
  if (!APP_IsRunMode()) return false;
  for (const CONTROL_WRITE_OP& op : press) CONTROL_WriteCalculationOnce(sink, op);
  if (!hold_repeat) return false;
  held_ = true;
  return true;
}

bool PushButtonWrites::HoldRepeat(ControlWriteSink& sink, std::span<const CONTROL_WRITE_OP> press,
                                  bool hold_repeat, uint32_t interval_ms) {
  if (!hold_repeat) return false;
  if (!held_ || !APP_IsRunMode()) {
    StopAll(sink);
    return false;
  }
  periodic_.Start(sink, press, interval_ms);
  return true;
}

void PushButtonWrites::Release(ControlWriteSink& sink, std::span<const CONTROL_WRITE_OP> release) {
  StopAll(sink);
  if (!APP_IsRunMode()) return;
  for (const CONTROL_WRITE_OP& op : release) CONTROL_WriteCalculationOnce(sink, op);
}

void PushButtonWrites::StopAll(ControlWriteSink& sink) {
  held_ = false;
  periodic_.StopAll(sink);
}
