// The sample history as comma-separated text: a header `time_us,NAME,...`, then one row per
// record from the oldest on, the time in microseconds since sampling start (unwrapped to 64
// bits) and each value formatted like the Symbol Watch's current value in decimal. The one
// formatter of vistro-cli's sample output and the grapher's export.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "symbols/active_symbol.h"

#include "core/app_sampling.h"

// One value column: its header name, the ring (or a copy laid out like the view) and the
// type its slots hold. A column without a ring writes zeros.
struct APP_CSV_COLUMN {
  std::string_view name;
  const VALUE_SLOT* ring = nullptr;
  uint32_t type = 0;
};
// The column of an active symbol's history.
APP_CSV_COLUMN APP_CsvColumn(std::string_view name, const ACTIVE_SYMBOL* symbol);

// Receives the text in pieces; false stops the export (a write failure).
using APP_CsvSink = std::function<bool(std::string_view text)>;
// Told the rows written so far and the total now and then; false cancels the export.
using APP_CsvProgress = std::function<bool(uint64_t done, uint64_t total)>;

enum : int32_t { APP_CSV_OK = 0, APP_CSV_WRITE_FAILED = -1, APP_CSV_CANCELLED = -2 };

// Writes the header and the rows of positions first .. first + count - 1 of `view`
// (positions counted from the oldest sample; the range is cut to the samples in the view).
// Returns APP_CSV_*.
int32_t APP_WriteHistoryCsv(const APP_HISTORY_VIEW& view, std::span<const APP_CSV_COLUMN> columns,
                            uint32_t first, uint32_t count, const APP_CsvSink& sink,
                            const APP_CsvProgress& progress = {});

// A copy of part of the history (positions first .. first + count - 1 of `view`) for an
// export that must not see the worker overwrite the oldest samples while it writes. Its
// view and rings stand in for the live ones. False after "Insufficient memory!".
struct APP_HISTORY_COPY {
  std::vector<uint64_t> stamps;
  std::vector<std::vector<VALUE_SLOT>> rings;
  APP_HISTORY_VIEW View() const { return {stamps.data(), static_cast<uint32_t>(stamps.size()), 0}; }
};
bool APP_CopyHistory(const APP_HISTORY_VIEW& view, std::span<const VALUE_SLOT* const> rings,
                     uint32_t first, uint32_t count, APP_HISTORY_COPY& out);
