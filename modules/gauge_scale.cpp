#include "modules/gauge_scale.h"

#include <algorithm>
#include <cmath>

#include "logic/logic_value.h"

GAUGE_TICK_PLAN GAUGE_TickPlan(int32_t min, int32_t max) {
  GAUGE_TICK_PLAN plan;
  const int64_t range = GAUGE_RangeWidth(min, max);
  if (range == 0) return plan;
  int64_t n = range;
  while (n > 25) n /= 10;
  double s = static_cast<double>(range) / static_cast<double>(n);
  if (std::trunc(5.0 * s) != 5.0 * std::trunc(s)) {
    s = std::trunc(s);  // s >= 1 because n <= range
    n = static_cast<int64_t>(std::trunc(static_cast<double>(range) / s));
  }
  plan.count = n;
  plan.step = s;
  return plan;
}

double GAUGE_Fraction(int64_t value, int32_t min, int32_t max) {
  if (!GAUGE_RangeValid(min, max)) return 0.0;
  const int64_t v = std::clamp<int64_t>(value, min, max);
  return static_cast<double>(v - min) / static_cast<double>(GAUGE_RangeWidth(min, max));
}

bool GAUGE_ResultToInteger(const VALUE_SLOT& value, uint32_t type, bool bool_as_flag, int64_t* out) {
  if (out == nullptr) return false;
  if (type == TYPEID_FLOAT || type == TYPEID_DOUBLE) {
    const double d = type == TYPEID_FLOAT ? static_cast<double>(value.f32) : value.f64;
    if (std::isnan(d)) return false;
    constexpr double kLimit = 9223372036854775808.0;  // 2^63
    if (d >= kLimit) *out = INT64_MAX;
    else if (d < -kLimit) *out = INT64_MIN;
    else *out = static_cast<int64_t>(d);
    return true;
  }
  if (type == TYPEID_BOOL) {
    *out = bool_as_flag ? (value.u8 != 0 ? 1 : 0) : value.u8;
    return true;
  }
  if (!LOGIC_IsIntegerType(type)) return false;
  *out = LOGIC_ReadInteger(value, type);
  return true;
}

namespace {

GAUGE_RGBA Mix(const GAUGE_RGBA& a, const GAUGE_RGBA& b, double t) {
  auto ch = [t](uint8_t x, uint8_t y) {
    return static_cast<uint8_t>(std::lround(x + (static_cast<double>(y) - x) * t));
  };
  return {ch(a.r, b.r), ch(a.g, b.g), ch(a.b, b.b), ch(a.a, b.a)};
}

}  // namespace

GAUGE_RGBA GAUGE_ZoneColor(const GAUGE_ZONES& zones, double fraction) {
  double b0 = std::clamp(zones.borders[0], 0.0, 1.0);
  double b1 = std::clamp(zones.borders[1], 0.0, 1.0);
  if (b1 < b0) std::swap(b0, b1);
  const double f = std::clamp(fraction, 0.0, 1.0);
  if (!zones.blur) {
    if (f < b0) return zones.colors[0];
    if (f < b1) return zones.colors[1];
    return zones.colors[2];
  }
  // Blend between the zone middles; outside the outer middles the zone colour holds.
  const double m[3] = {b0 / 2.0, (b0 + b1) / 2.0, (b1 + 1.0) / 2.0};
  if (f <= m[0]) return zones.colors[0];
  if (f >= m[2]) return zones.colors[2];
  const int i = f < m[1] ? 0 : 1;
  const double span = m[i + 1] - m[i];
  return span <= 0.0 ? zones.colors[i + 1] : Mix(zones.colors[i], zones.colors[i + 1], (f - m[i]) / span);
}
