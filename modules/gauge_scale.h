// Scale arithmetic shared by the angular and the linear gauge: range checks, the tick plan,
// the position of a value on the scale, the conversion of a calculation's result into the
// gauge's integer value and the colour of the indicator zones.
//
// Pure functions without Qt; any thread.
#pragma once

#include <cstdint>

#include "symbols/active_symbol.h"

// A scale from `min` to `max` is drawable only when max > min. All arithmetic on max - min is
// done in 64 bits, so the full I32 range (4294967295 wide) neither overflows nor divides by 0.
inline bool GAUGE_RangeValid(int32_t min, int32_t max) { return max > min; }
inline int64_t GAUGE_RangeWidth(int32_t min, int32_t max) {
  const int64_t d = static_cast<int64_t>(max) - static_cast<int64_t>(min);
  return d < 0 ? -d : d;
}

// The labelled ticks: `count` steps of `step` from the minimum (marks at min + i * step for
// i = 0..count). The range is divided by 10 until at most 25 steps remain; a step whose fifth
// is not whole is cut back to its integer part, so the labels stay integers.
struct GAUGE_TICK_PLAN {
  int64_t count = 0;  // 0: range of 0, nothing to draw
  double step = 0.0;
};
GAUGE_TICK_PLAN GAUGE_TickPlan(int32_t min, int32_t max);

// The value clamped to [min, max] as a fraction 0..1 of the scale (0 for an invalid range).
double GAUGE_Fraction(int64_t value, int32_t min, int32_t max);

// The integer a gauge shows for a calculation result of `type`: reals truncated toward zero
// (saturating at the 64-bit range), bool and unsigned types zero-extended (a U32 above
// 2^31 - 1 stays positive), signed types sign-extended. With `bool_as_flag` a bool reads 1
// when its byte is not 0. False (nothing to show) for NaN and for types the engine does not
// compute with.
bool GAUGE_ResultToInteger(const VALUE_SLOT& value, uint32_t type, bool bool_as_flag, int64_t* out);

// RGBA colour as the settings keep it: red, green, blue, alpha.
struct GAUGE_RGBA {
  uint8_t r = 0, g = 0, b = 0, a = 255;
  bool operator==(const GAUGE_RGBA&) const = default;
};

// The indicator zones: colour 0 below border 0, colour 1 up to border 1, colour 2 above
// (borders are fractions of the range, taken in ascending order). With `blur` the colours
// blend linearly from one zone's middle to the next.
struct GAUGE_ZONES {
  GAUGE_RGBA colors[3] = {{0, 0, 255, 255}, {127, 127, 255, 255}, {255, 255, 255, 255}};
  double borders[2] = {1.0 / 3.0, 2.0 / 3.0};
  bool blur = false;
};
GAUGE_RGBA GAUGE_ZoneColor(const GAUGE_ZONES& zones, double fraction);
