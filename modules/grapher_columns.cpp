#include "modules/grapher_columns.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "core/app_symbol_access.h"
#include "symbols/active_symbol.h"

namespace {

uint32_t SlotOf(const APP_HISTORY_VIEW& history, uint32_t pos) {
  return static_cast<uint32_t>((uint64_t{history.oldest_slot} + pos) % APP_HISTORY_SLOTS);
}

template <typename T>
T Load(const VALUE_SLOT& slot) {
  const uint64_t raw = APP_LoadSlot(slot).raw;
  T v;
  std::memcpy(&v, &raw, sizeof v);  // the value sits in the low bytes
  return v;
}

// Folds slots [from, from + n) of one contiguous piece of the ring into `c`.
template <typename T>
void Fold(const VALUE_SLOT* slots, uint32_t n, GRAPHER_COLUMN& c) {
  uint32_t i = 0;
  if (c.empty) {
    for (; i < n; ++i) {
      const T v = Load<T>(slots[i]);
      if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(v)) continue;
      }
      c.first = c.min = c.max = c.last = static_cast<double>(v);
      c.empty = false;
      ++i;
      break;
    }
    if (c.empty) return;
  }
  if (i >= n) return;
  // Four independent minimum and maximum chains, so that the comparisons of one sample need
  // not wait for those of the previous one. A NaN never wins a comparison; an infinity or a
  // NaN at the end sends the piece through the careful walk below.
  T lo[4], hi[4];
  for (int k = 0; k < 4; ++k) {
    lo[k] = static_cast<T>(c.min);
    hi[k] = static_cast<T>(c.max);
  }
  const uint32_t from = i;
  for (; i + 4 <= n; i += 4) {
    for (int k = 0; k < 4; ++k) {
      const T v = Load<T>(slots[i + k]);
      lo[k] = v < lo[k] ? v : lo[k];
      hi[k] = v > hi[k] ? v : hi[k];
    }
  }
  for (; i < n; ++i) {
    const T v = Load<T>(slots[i]);
    lo[0] = v < lo[0] ? v : lo[0];
    hi[0] = v > hi[0] ? v : hi[0];
  }
  const T low = std::min(std::min(lo[0], lo[1]), std::min(lo[2], lo[3]));
  const T high = std::max(std::max(hi[0], hi[1]), std::max(hi[2], hi[3]));
  const T last = Load<T>(slots[n - 1]);
  if constexpr (std::is_floating_point_v<T>) {
    if (!std::isfinite(low) || !std::isfinite(high) || !std::isfinite(last)) {
      T careful_lo = static_cast<T>(c.min), careful_hi = static_cast<T>(c.max);
      for (uint32_t j = from; j < n; ++j) {
        const T v = Load<T>(slots[j]);
        if (!std::isfinite(v)) continue;
        careful_lo = v < careful_lo ? v : careful_lo;
        careful_hi = v > careful_hi ? v : careful_hi;
        c.last = v;
      }
      c.min = careful_lo;
      c.max = careful_hi;
      return;
    }
  }
  c.min = static_cast<double>(low);
  c.max = static_cast<double>(high);
  c.last = static_cast<double>(last);
}

template <typename T>
void ReduceTyped(const APP_HISTORY_VIEW& history, const VALUE_SLOT* ring,
                 std::span<const uint32_t> starts, std::vector<GRAPHER_COLUMN>& out) {
  for (size_t c = 0; c + 1 < starts.size(); ++c) {
    GRAPHER_COLUMN& col = out[c];
    uint32_t pos = starts[c];
    const uint32_t end = starts[c + 1];
    while (pos < end) {
      // A column's positions cross the end of the ring at most once.
      const uint32_t slot = SlotOf(history, pos);
      const uint32_t n = std::min(end - pos, APP_HISTORY_SLOTS - slot);
      Fold<T>(ring + slot, n, col);
      pos += n;
    }
  }
}

// First position in [lo, hi) whose time stamp satisfies `at_or_after` (monotonic in the
// stamp), hi when none does.
template <typename Predicate>
uint32_t FirstWhere(const APP_HISTORY_VIEW& history, uint32_t lo, uint32_t hi, Predicate at_or_after) {
  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    if (at_or_after(GRAPHER_StampAt(history, mid))) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

}  // namespace

bool GRAPHER_IsDrawableType(uint32_t type) {
  switch (type) {
    case TYPEID_FLOAT: case TYPEID_DOUBLE: case TYPEID_BOOL: case TYPEID_U8: case TYPEID_U16:
    case TYPEID_U32: case TYPEID_I8: case TYPEID_I16: case TYPEID_I32:
      return true;
    default:
      return false;
  }
}

uint64_t GRAPHER_StampAt(const APP_HISTORY_VIEW& history, uint32_t pos) {
  return std::atomic_ref<uint64_t>(const_cast<uint64_t&>(history.stamps[SlotOf(history, pos)]))
      .load(std::memory_order_relaxed);
}

double GRAPHER_ValueAt(const APP_HISTORY_VIEW& history, const VALUE_SLOT* ring, uint32_t type,
                       uint32_t pos) {
  const VALUE_SLOT& s = ring[SlotOf(history, pos)];
  switch (type) {
    case TYPEID_FLOAT: return Load<float>(s);
    case TYPEID_DOUBLE: return Load<double>(s);
    case TYPEID_BOOL: case TYPEID_U8: return Load<uint8_t>(s);
    case TYPEID_U16: return Load<uint16_t>(s);
    case TYPEID_U32: return Load<uint32_t>(s);
    case TYPEID_I8: return Load<int8_t>(s);
    case TYPEID_I16: return Load<int16_t>(s);
    case TYPEID_I32: return Load<int32_t>(s);
    default: return std::numeric_limits<double>::quiet_NaN();
  }
}

uint32_t GRAPHER_FirstAtOrAfter(const APP_HISTORY_VIEW& history, double t) {
  if (history.stamps == nullptr) return 0;
  return FirstWhere(history, 0, history.count, [t](uint64_t stamp) { return static_cast<double>(stamp) >= t; });
}

bool GRAPHER_SampleAtOrBefore(const APP_HISTORY_VIEW& history, double t, uint32_t* pos) {
  if (history.stamps == nullptr || history.count == 0) return false;
  const uint32_t after = FirstWhere(history, 0, history.count, [t](uint64_t stamp) { return static_cast<double>(stamp) > t; });
  if (after == 0) return false;
  *pos = after - 1;
  return true;
}

std::pair<uint32_t, uint32_t> GRAPHER_VisibleRange(const APP_HISTORY_VIEW& history,
                                                   const GRAPHER_VIEW& view,
                                                   const GRAPHER_GEOMETRY& g) {
  if (history.stamps == nullptr || history.count == 0) return {0, 0};
  const uint32_t begin = GRAPHER_FirstAtOrAfter(history, view.left_time);
  const double right = view.left_time + g.span;
  const uint32_t end = FirstWhere(history, begin, history.count, [right](uint64_t stamp) { return static_cast<double>(stamp) > right; });
  return {begin, end};
}

void GRAPHER_ColumnStarts(const APP_HISTORY_VIEW& history, const GRAPHER_VIEW& view,
                          const GRAPHER_GEOMETRY& g, std::vector<uint32_t>& starts) {
  const auto [begin, end] = GRAPHER_VisibleRange(history, view, g);
  starts.assign(static_cast<size_t>(g.plot_width) + 2, end);
  starts[0] = begin;
  uint32_t lo = begin;
  for (int c = 1; c <= g.plot_width; ++c) {
    // First position whose column is c or later, by the same expression a single sample uses.
    lo = FirstWhere(history, lo, end, [&](uint64_t stamp) { return GRAPHER_ColumnOf(view, g, stamp) >= c; });
    starts[static_cast<size_t>(c)] = lo;
  }
}

void GRAPHER_ReduceColumns(const APP_HISTORY_VIEW& history, const VALUE_SLOT* ring,
                           uint32_t type, std::span<const uint32_t> starts,
                           std::vector<GRAPHER_COLUMN>& out) {
  out.assign(starts.empty() ? 0 : starts.size() - 1, GRAPHER_COLUMN{});
  if (ring == nullptr || history.stamps == nullptr) return;
  switch (type) {
    case TYPEID_FLOAT: ReduceTyped<float>(history, ring, starts, out); break;
    case TYPEID_DOUBLE: ReduceTyped<double>(history, ring, starts, out); break;
    case TYPEID_BOOL: case TYPEID_U8: ReduceTyped<uint8_t>(history, ring, starts, out); break;
    case TYPEID_U16: ReduceTyped<uint16_t>(history, ring, starts, out); break;
    case TYPEID_U32: ReduceTyped<uint32_t>(history, ring, starts, out); break;
    case TYPEID_I8: ReduceTyped<int8_t>(history, ring, starts, out); break;
    case TYPEID_I16: ReduceTyped<int16_t>(history, ring, starts, out); break;
    case TYPEID_I32: ReduceTyped<int32_t>(history, ring, starts, out); break;
    default: break;
  }
}
