// What a slider writes and where it stands. The slider's position runs from 0 to
// SLIDER_MAX_POSITION and maps linearly onto [min, max]. In "Write only" (0) and "Read / Write"
// (2) mode every position change writes the mapped value, converted to the symbol's type, except
// in mode 2 while the "Read if" formula holds; "Read only" (1) never writes. Run entry writes
// the current position unless read only. On each Run-mode refresh, in mode 1 and in mode 2
// while the formula holds, the position follows the symbol's latest sample.
//
// A drag produces a stream of changes; at most one write is outstanding and the newest
// position is written when it finished.
#pragma once

#include <cstdint>
#include <optional>

#include "modules/control_write_sink.h"

constexpr int32_t SLIDER_MAX_POSITION = 2147483647;
enum : int32_t { SLIDER_WRITE_ONLY = 0, SLIDER_READ_ONLY = 1, SLIDER_READ_WRITE = 2 };

struct SLIDER_VALUES {
  SYMBOL_ID symbol;
  double min = 0.0;
  double max = 1.0;
  int32_t mode = SLIDER_WRITE_ONLY;
};

// min + (max - min) * position / SLIDER_MAX_POSITION.
double SLIDER_ValueAt(double min, double max, int32_t position);
// The position showing `value`, truncated and kept inside the slider; 0 when min = max;
// none for NaN.
std::optional<int32_t> SLIDER_PositionFor(double value, double min, double max);

class SliderWrites {
 public:
  // `reading` tells whether the "Read if" formula holds (only used in mode 2).
  void Moved(ControlWriteSink& sink, const SLIDER_VALUES& v, int32_t position, bool formula_true);
  void EnterRun(ControlWriteSink& sink, const SLIDER_VALUES& v, int32_t position, bool formula_true);
  void LeaveRun() { write_.Drop(); }
  // Run-mode refresh: sends a waiting write; the position to show when the slider follows the
  // target, else none.
  std::optional<int32_t> Refresh(ControlWriteSink& sink, const SLIDER_VALUES& v, bool formula_true);

 private:
  CoalescedWrite write_;
};
