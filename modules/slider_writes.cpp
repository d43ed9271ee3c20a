#include "modules/slider_writes.h"

#include <cmath>

#include "core/app_mode.h"
#include "logic/logic_value.h"

namespace {

bool Writes(const SLIDER_VALUES& v, bool formula_true) {
  return v.mode == SLIDER_WRITE_ONLY || (v.mode == SLIDER_READ_WRITE && !formula_true);
}

bool Follows(const SLIDER_VALUES& v, bool formula_true) {
  return v.mode == SLIDER_READ_ONLY || (v.mode == SLIDER_READ_WRITE && formula_true);
}

double SampleAsDouble(const VALUE_SLOT& s, uint32_t type) {
  if (type == TYPEID_FLOAT) return s.f32;
  if (type == TYPEID_DOUBLE) return s.f64;
  return static_cast<double>(LOGIC_ReadInteger(s, type));
}

}  // namespace

double SLIDER_ValueAt(double min, double max, int32_t position) {
  return min + (max - min) * static_cast<double>(position) / 2147483647.0;
}

std::optional<int32_t> SLIDER_PositionFor(double value, double min, double max) {
  if (std::isnan(value)) return std::nullopt;
  if (!(max != min)) return 0;  // also NaN limits
  const double p = std::trunc((value - min) / (max - min) * 2147483647.0);
  if (std::isnan(p) || p <= 0.0) return 0;
  if (p >= 2147483647.0) return SLIDER_MAX_POSITION;
  return static_cast<int32_t>(p);
}

void SliderWrites::Moved(ControlWriteSink& sink, const SLIDER_VALUES& v, int32_t position, bool formula_true) {
  if (!APP_IsRunMode() || !Writes(v, formula_true)) return;
  const CONTROL_READING r = CONTROL_Read(v.symbol);
  VALUE_SLOT value{};
  if (!r.active || !CONTROL_ConvertDouble(SLIDER_ValueAt(v.min, v.max, position), r.type, &value)) return;
  write_.Submit(sink, v.symbol, value);
}

void SliderWrites::EnterRun(ControlWriteSink& sink, const SLIDER_VALUES& v, int32_t position, bool formula_true) {
  write_.Drop();
  if (v.mode != SLIDER_READ_ONLY) Moved(sink, v, position, formula_true);
}

std::optional<int32_t> SliderWrites::Refresh(ControlWriteSink& sink, const SLIDER_VALUES& v, bool formula_true) {
  if (!APP_IsRunMode()) return std::nullopt;
  write_.Flush(sink);
  if (!Follows(v, formula_true)) return std::nullopt;
  const CONTROL_READING r = CONTROL_Read(v.symbol);
  if (!r.active || !r.sample) return std::nullopt;
  return SLIDER_PositionFor(SampleAsDouble(*r.sample, r.type), v.min, v.max);
}
