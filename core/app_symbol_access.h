// Lock-free access to the fields of an active symbol that the worker thread changes while
// the GUI thread reads them: the latest-sample pointer, the current value, the pending and
// has-data flags and the sampled extremes, and the history slots themselves.
//
// The worker stores these with relaxed atomics (the latest-sample pointer with release, so
// that a reader that loads it with acquire also sees the slot it points to). Readers on any
// other thread must use the loads below rather than plain reads; a reader may see one value
// one refresh late, never a torn or undefined one.
#pragma once

#include <atomic>
#include <cstdint>

#include "symbols/active_symbol.h"

// ---- history slots ----------------------------------------------------------------------

inline VALUE_SLOT APP_LoadSlot(const VALUE_SLOT& slot) {
  VALUE_SLOT out;
  out.raw = std::atomic_ref<uint64_t>(const_cast<uint64_t&>(slot.raw)).load(std::memory_order_relaxed);
  return out;
}

inline void APP_StoreSlot(VALUE_SLOT& slot, uint64_t raw) {
  std::atomic_ref<uint64_t>(slot.raw).store(raw, std::memory_order_relaxed);
}

// ---- latest sample ----------------------------------------------------------------------

inline const VALUE_SLOT* APP_LoadLatestSample(const ACTIVE_SYMBOL& s) {
  const void* p = std::atomic_ref<const void*>(const_cast<const void*&>(s.pLatestSample))
                      .load(std::memory_order_acquire);
  return static_cast<const VALUE_SLOT*>(p);
}

inline void APP_StoreLatestSample(ACTIVE_SYMBOL& s, const VALUE_SLOT* slot) {
  std::atomic_ref<const void*>(s.pLatestSample).store(slot, std::memory_order_release);
}

// ---- current value and flags ------------------------------------------------------------

inline VALUE_SLOT APP_LoadCurrentValue(const ACTIVE_SYMBOL& s) { return APP_LoadSlot(s.CurrentValue); }

inline void APP_StoreCurrentValue(ACTIVE_SYMBOL& s, const VALUE_SLOT& v) {
  APP_StoreSlot(s.CurrentValue, v.raw);
}

inline bool APP_LoadValuePending(const ACTIVE_SYMBOL& s) {
  return std::atomic_ref<uint8_t>(const_cast<uint8_t&>(s.ValuePending)).load(std::memory_order_relaxed) != 0;
}

inline void APP_StoreValuePending(ACTIVE_SYMBOL& s, bool pending) {
  std::atomic_ref<uint8_t>(s.ValuePending).store(pending ? 1 : 0, std::memory_order_relaxed);
}

inline bool APP_LoadHasData(const ACTIVE_SYMBOL& s) {
  return std::atomic_ref<uint8_t>(const_cast<uint8_t&>(s.HasData)).load(std::memory_order_relaxed) != 0;
}

inline void APP_StoreHasData(ACTIVE_SYMBOL& s, bool has_data) {
  std::atomic_ref<uint8_t>(s.HasData).store(has_data ? 1 : 0, std::memory_order_relaxed);
}

// ---- sampled extremes -------------------------------------------------------------------

inline double APP_LoadSampledMax(const ACTIVE_SYMBOL& s) {
  return std::atomic_ref<double>(const_cast<double&>(s.SampledMax)).load(std::memory_order_relaxed);
}

inline double APP_LoadSampledMin(const ACTIVE_SYMBOL& s) {
  return std::atomic_ref<double>(const_cast<double&>(s.SampledMin)).load(std::memory_order_relaxed);
}

inline void APP_StoreSampledExtremes(ACTIVE_SYMBOL& s, double min, double max) {
  std::atomic_ref<double>(s.SampledMin).store(min, std::memory_order_relaxed);
  std::atomic_ref<double>(s.SampledMax).store(max, std::memory_order_relaxed);
}
