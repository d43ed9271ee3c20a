// Where the control modules' writes go, and the pieces the controls share: converting a
// control's double value into a symbol's type, reading a symbol's latest sample, writing a
// calculation's result once, and keeping at most one write of a control outstanding.
//
// The controls decide what to write (push_button_writes.h, toggle_button_writes.h, ...); a
// ControlWriteSink carries it out. The engine's sink queues the write engine's jobs and
// periodic tasks; tests install a recording sink instead. GUI thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "core/app_write.h"
#include "core/job_engine.h"
#include "logic/logic_tree.h"

class ControlWriteSink {
 public:
  virtual ~ControlWriteSink() = default;
  // A single write that sets the symbol to `value` (in the symbol's value type). `busy` (may
  // be null) stays set while the write is outstanding. True when the write was queued.
  virtual bool WriteValue(const SYMBOL_ID& symbol, const VALUE_SLOT& value, JOB_BUSY* busy) = 0;
  // A periodic write of the calculation's result every `period_ms`; 0 when none started.
  virtual APP_WriteTask StartCalculation(const SYMBOL_ID& symbol, const CALCULATION_NODE& calc,
                                         uint32_t period_ms) = 0;
  virtual void StopCalculation(APP_WriteTask task) = 0;
};

// The sink the controls use: the write engine unless a test installed another (null
// restores the engine). The engine's sink refuses to write or start anything outside Run mode.
ControlWriteSink& CONTROL_GetWriteSink();
void CONTROL_SetWriteSink(ControlWriteSink* sink);

// Intervals below 1 ms are taken as 1 ms (a period of 0 would make the worker spin).
inline uint32_t CONTROL_ClampInterval(uint32_t interval_ms) { return interval_ms < 1 ? 1 : interval_ms; }

// The value of a control (a double) in the symbol type `type`: float rounded to single
// precision (saturating at the float range), double as is, bool 1 unless 0.0, integers
// truncated toward zero and saturated at the type's range. Nothing (false) for NaN and for
// types the engine does not compute with.
bool CONTROL_ConvertDouble(double value, uint32_t type, VALUE_SLOT* out);

// The symbol as the controls see it: its value type, and its latest sample unless a write to
// it is still pending (then the sample is older than what was written).
struct CONTROL_READING {
  bool active = false;       // in the active symbol list
  uint32_t type = 0;         // value type
  bool pending = false;      // a write has not yet been confirmed by a newer sample
  std::optional<VALUE_SLOT> sample;  // latest sample, none before the first
};
CONTROL_READING CONTROL_Read(const SYMBOL_ID& symbol);

// Equality of two values of `type` at the type's width (floats: NaN never equal).
bool CONTROL_SameInType(const VALUE_SLOT& a, const VALUE_SLOT& b, uint32_t type);

// A write operation of a push button or a timer: symbol, calculation, enabled flag.
struct CONTROL_WRITE_OP {
  const SYMBOL_ID* symbol = nullptr;
  CALCULATION_NODE* calc = nullptr;
  bool enabled = true;
};
constexpr int CONTROL_MAX_WRITE_OPS = 16;

// Evaluates the operation's calculation and writes its result, converted to the symbol's type,
// once. Skipped (false) when disabled, when the symbol is not active or the evaluation reports
// check flags.
bool CONTROL_WriteCalculationOnce(ControlWriteSink& sink, const CONTROL_WRITE_OP& op);

// The periodic calculation writes of a push button or a timer, one per operation slot.
class PeriodicWrites {
 public:
  // Starts a periodic write for each enabled operation that has none running.
  void Start(ControlWriteSink& sink, std::span<const CONTROL_WRITE_OP> ops, uint32_t interval_ms);
  // Stops and forgets every running one.
  void StopAll(ControlWriteSink& sink);
  int RunningCount() const;

 private:
  APP_WriteTask tasks_[CONTROL_MAX_WRITE_OPS] = {};
};

// At most one write outstanding for a control that changes continuously (slider drags,
// forced values): a value submitted while the previous write is still queued waits, newer
// values replace it, and Flush writes it once the previous one finished. This keeps the
// job ring from filling, so the GUI thread never waits for a free slot.
//
// The busy flag lives on the heap and outlives this object while a job still refers to it.
class CoalescedWrite {
 public:
  CoalescedWrite();
  ~CoalescedWrite();
  CoalescedWrite(const CoalescedWrite&) = delete;
  CoalescedWrite& operator=(const CoalescedWrite&) = delete;

  void Submit(ControlWriteSink& sink, const SYMBOL_ID& symbol, const VALUE_SLOT& value);
  void Flush(ControlWriteSink& sink);
  // A write queued and not finished, or a value waiting.
  bool IsBusy() const { return busy_->load() != 0 || waiting_; }
  void Drop() { waiting_ = false; }  // forget a waiting value (mode change)

 private:
  JOB_BUSY* busy_;
  bool waiting_ = false;
  SYMBOL_ID symbol_;
  VALUE_SLOT value_{};
};
