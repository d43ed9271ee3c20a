#include "modules/control_write_sink.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

#include "core/app_active_list.h"
#include "core/app_mode.h"
#include "core/app_symbol_access.h"
#include "logic/logic_eval.h"
#include "logic/logic_value.h"

namespace {

class EngineWriteSink final : public ControlWriteSink {
 public:
  bool WriteValue(const SYMBOL_ID& symbol, const VALUE_SLOT& value, JOB_BUSY* busy) override {
    if (!APP_IsRunMode()) return false;
    APP_WRITE_REQUEST request;
    request.Symbol = symbol;
    request.Operation = APP_WRITE_SET;
    request.Operand = value.raw;
    return APP_WriteSymbolData(busy, &request) == 0;
  }
  APP_WriteTask StartCalculation(const SYMBOL_ID& symbol, const CALCULATION_NODE& calc,
                                 uint32_t period_ms) override {
    if (!APP_IsRunMode()) return 0;
    return APP_PeriodicWriteCalcStart(&symbol, &calc, CONTROL_ClampInterval(period_ms));
  }
  void StopCalculation(APP_WriteTask task) override { APP_WriteSymbolCalcStop(nullptr, task); }
};

ControlWriteSink* g_sink = nullptr;

// Busy flags of destroyed controls whose write was still queued; freed once it finished (at
// the latest when the program ends).
struct BusyGraveyard {
  std::vector<JOB_BUSY*> flags;
  ~BusyGraveyard() {
    for (JOB_BUSY* f : flags) {
      if (f->load() == 0) delete f;
    }
  }
};

std::vector<JOB_BUSY*>& Graveyard() {
  static BusyGraveyard graveyard;
  return graveyard.flags;
}

void SweepGraveyard() {
  auto& flags = Graveyard();
  std::erase_if(flags, [](JOB_BUSY* f) {
    if (f->load() != 0) return false;
    delete f;
    return true;
  });
}

}  // namespace

ControlWriteSink& CONTROL_GetWriteSink() {
  static EngineWriteSink engine;
  return g_sink != nullptr ? *g_sink : engine;
}

void CONTROL_SetWriteSink(ControlWriteSink* sink) { g_sink = sink; }

bool CONTROL_ConvertDouble(double v, uint32_t type, VALUE_SLOT* out) {
  if (out == nullptr || std::isnan(v) || !LOGIC_IsSupportedType(type)) return false;
  out->raw = 0;
  switch (type) {
    case TYPEID_FLOAT:
      out->f32 = std::isinf(v) ? static_cast<float>(v) : static_cast<float>(std::clamp(v, -double{FLT_MAX}, double{FLT_MAX}));
      return true;
    case TYPEID_DOUBLE:
      out->f64 = v;
      return true;
    case TYPEID_BOOL:
      out->u8 = v != 0.0 ? 1 : 0;
      return true;
    default: {
      int64_t lo = 0, hi = 0;
      LOGIC_IntegerRange(type, &lo, &hi);
      const double t = std::trunc(v);
      const int64_t i = t <= static_cast<double>(lo) ? lo : t >= static_cast<double>(hi) ? hi : static_cast<int64_t>(t);
      switch (type) {
        case TYPEID_U8: out->u8 = static_cast<uint8_t>(i); break;
        case TYPEID_U16: out->u16 = static_cast<uint16_t>(i); break;
        case TYPEID_U32: out->u32 = static_cast<uint32_t>(i); break;
        case TYPEID_I8: out->i8 = static_cast<int8_t>(i); break;
        case TYPEID_I16: out->i16 = static_cast<int16_t>(i); break;
        default: out->i32 = static_cast<int32_t>(i); break;
      }
      return true;
    }
  }
}

CONTROL_READING CONTROL_Read(const SYMBOL_ID& symbol) {
  CONTROL_READING r;
  const ACTIVE_SYMBOL* s = APP_FindActiveSymbol(&symbol);
  if (s == nullptr) return r;
  r.active = true;
  r.type = s->ValueType;
  r.pending = APP_LoadValuePending(*s);
  if (const VALUE_SLOT* latest = APP_LoadLatestSample(*s)) {
    r.sample = APP_LoadSlot(*latest);
    // A Q-format symbol is sampled as its raw number; its value is the float.
    if (s->UseQFormat != 0 && s->ValueType == TYPEID_FLOAT) {
      VALUE_SLOT value{};
      if (APP_StorageToValue(*s, *r.sample, &value)) r.sample = value;
      else r.sample.reset();
    }
  }
  return r;
}

bool CONTROL_SameInType(const VALUE_SLOT& a, const VALUE_SLOT& b, uint32_t type) {
  if (type == TYPEID_BOOL) return (a.u8 != 0) == (b.u8 != 0);
  return LOGIC_Compare(COND_EQ, &a, type, &b, type);
}

bool CONTROL_WriteCalculationOnce(ControlWriteSink& sink, const CONTROL_WRITE_OP& op) {
  if (!op.enabled || op.symbol == nullptr || op.calc == nullptr) return false;
  const ACTIVE_SYMBOL* s = APP_FindActiveSymbol(op.symbol);
  if (s == nullptr) return false;
  VALUE_SLOT value{};
  uint32_t type = 0;
  if (LOGIC_EvalCalculation(op.calc, &value, &type) != 0) return false;
  // A real NaN has no integer or bool counterpart: nothing sensible to write.
  if (LOGIC_IsRealType(type) && !LOGIC_IsRealType(s->ValueType) &&
      std::isnan(type == TYPEID_FLOAT ? static_cast<double>(value.f32) : value.f64)) {
    return false;
  }
  LOGIC_ConvertValue(&value, type, s->ValueType);
  return sink.WriteValue(*op.symbol, value, nullptr);
}

void PeriodicWrites::Start(ControlWriteSink& sink, std::span<const CONTROL_WRITE_OP> ops, uint32_t interval_ms) {
  const size_t n = std::min<size_t>(ops.size(), CONTROL_MAX_WRITE_OPS);
  for (size_t i = 0; i < n; ++i) {
    const CONTROL_WRITE_OP& op = ops[i];
    if (tasks_[i] != 0 || !op.enabled || op.symbol == nullptr || op.calc == nullptr) continue;
    tasks_[i] = sink.StartCalculation(*op.symbol, *op.calc, CONTROL_ClampInterval(interval_ms));
  }
}

void PeriodicWrites::StopAll(ControlWriteSink& sink) {
  for (APP_WriteTask& task : tasks_) {
    if (task != 0) sink.StopCalculation(task);
    task = 0;
  }
}

int PeriodicWrites::RunningCount() const {
  return static_cast<int>(std::count_if(std::begin(tasks_), std::end(tasks_), [](APP_WriteTask t) { return t != 0; }));
}

CoalescedWrite::CoalescedWrite() : busy_(new JOB_BUSY(0)) { SweepGraveyard(); }

CoalescedWrite::~CoalescedWrite() {
  if (busy_->load() == 0) delete busy_;
  else Graveyard().push_back(busy_);
}

void CoalescedWrite::Submit(ControlWriteSink& sink, const SYMBOL_ID& symbol, const VALUE_SLOT& value) {
  symbol_ = symbol;
  value_ = value;
  waiting_ = true;
  Flush(sink);
}

void CoalescedWrite::Flush(ControlWriteSink& sink) {
  if (!waiting_ || busy_->load() != 0) return;
  waiting_ = false;
  sink.WriteValue(symbol_, value_, busy_);
}
