// What a timer writes: from Run entry until Edit entry, each enabled operation as a periodic
// write of its calculation every interval (at least 1 ms). The face shows how much of the
// current interval has passed.
#pragma once

#include <cstdint>
#include <span>

#include "modules/control_write_sink.h"

class TimerWrites {
 public:
  // Starts the periodic writes of the enabled operations that are not running.
  void EnterRun(ControlWriteSink& sink, std::span<const CONTROL_WRITE_OP> ops, uint32_t interval_ms, uint64_t now_ms);
  // Stops and forgets all.
  void StopAll(ControlWriteSink& sink) { periodic_.StopAll(sink); }
  int RunningCount() const { return periodic_.RunningCount(); }
  // Fraction 0..1 of the interval passed since the last due time (0 when not running).
  double Progress(uint32_t interval_ms, uint64_t now_ms) const;

 private:
  PeriodicWrites periodic_;
  uint64_t started_ms_ = 0;
};
