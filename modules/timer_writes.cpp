#include "modules/timer_writes.h"

#include "core/app_mode.h"

void TimerWrites::EnterRun(ControlWriteSink& sink, std::span<const CONTROL_WRITE_OP> ops, uint32_t interval_ms,
                           uint64_t now_ms) {
  if (!APP_IsRunMode()) return;
  started_ms_ = now_ms;
  periodic_.Start(sink, ops, interval_ms);
}

double TimerWrites::Progress(uint32_t interval_ms, uint64_t now_ms) const {
  if (RunningCount() == 0 || now_ms < started_ms_) return 0.0;
  const uint32_t period = CONTROL_ClampInterval(interval_ms);
  return static_cast<double>((now_ms - started_ms_) % period) / period;
}
