// Reduction of the sample history to what one pixel column can show: for every column of the
// plot and every channel, the first, smallest, largest and last value of the samples that fall
// into it. Drawing these (first, extremes, last, then on to the next column) gives the same
// picture as drawing every sample, without losing a peak, at a cost bounded by the plot
// width instead of the history length.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "core/app_sampling.h"
#include "modules/grapher_view.h"

struct GRAPHER_COLUMN {
  double first = 0.0;
  double min = 0.0;
  double max = 0.0;
  double last = 0.0;
  bool empty = true;  // no (finite) sample in the column
};

// The time stamp at history position `pos` of the view (64-bit, microseconds).
uint64_t GRAPHER_StampAt(const APP_HISTORY_VIEW& history, uint32_t pos);
// The value at history position `pos` of a channel's ring, as a double (NaN for types the
// grapher does not draw).
double GRAPHER_ValueAt(const APP_HISTORY_VIEW& history, const VALUE_SLOT* ring, uint32_t type,
                       uint32_t pos);
// First position whose time is not before `t` (history.count when none).
uint32_t GRAPHER_FirstAtOrAfter(const APP_HISTORY_VIEW& history, double t);
// The newest position whose time is not after `t`; false when every sample is later or the
// view is empty.
bool GRAPHER_SampleAtOrBefore(const APP_HISTORY_VIEW& history, double t, uint32_t* pos);
// Positions [begin, end) of the samples between the left and the right edge of the view.
std::pair<uint32_t, uint32_t> GRAPHER_VisibleRange(const APP_HISTORY_VIEW& history,
                                                   const GRAPHER_VIEW& view,
                                                   const GRAPHER_GEOMETRY& g);
// For columns 0 .. plot_width: starts[c] .. starts[c + 1] - 1 are the positions drawn in
// column c (plot_width + 2 entries).
void GRAPHER_ColumnStarts(const APP_HISTORY_VIEW& history, const GRAPHER_VIEW& view,
                          const GRAPHER_GEOMETRY& g, std::vector<uint32_t>& starts);
// One walk over the channel's ring: the columns of `starts`. NaN and infinite values are
// left out.
void GRAPHER_ReduceColumns(const APP_HISTORY_VIEW& history, const VALUE_SLOT* ring,
                           uint32_t type, std::span<const uint32_t> starts,
                           std::vector<GRAPHER_COLUMN>& out);
// Whether the grapher draws values of this type.
bool GRAPHER_IsDrawableType(uint32_t type);
