// The sample history as comma-separated text: a header `time_us,NAME,...`, then one row per
// record from the oldest on, the time in microseconds since sampling start (unwrapped to 64
// bits) and each value formatted like the Symbol Watch's current value in decimal. The one
// formatter of vistro-cli's sample output and the grapher's export.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "symbols/active_symbol.h"

struct APP_CSV_COLUMN {
  std::string_view name;
  const ACTIVE_SYMBOL* symbol = nullptr;
};

// Receives the text in pieces; false stops the export (a write failure).
using APP_CsvSink = std::function<bool(std::string_view text)>;
// Told the rows written so far and the total now and then; false cancels the export.
using APP_CsvProgress = std::function<bool(uint64_t done, uint64_t total)>;

enum : int32_t { APP_CSV_OK = 0, APP_CSV_WRITE_FAILED = -1, APP_CSV_CANCELLED = -2 };

// Writes the header and the rows of history positions first .. first + count - 1 (positions
// counted from the oldest sample; the range is cut to the samples stored). Returns APP_CSV_*.
int32_t APP_WriteHistoryCsv(std::span<const APP_CSV_COLUMN> columns, uint32_t first,
                            uint32_t count, const APP_CsvSink& sink,
                            const APP_CsvProgress& progress = {});
