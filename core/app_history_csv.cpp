#include "core/app_history_csv.h"

#include <cinttypes>
#include <cstdio>
#include <string>

#include "core/app_sampling.h"
#include "core/app_symbol_access.h"
#include "logic/logic_format.h"

namespace {

constexpr size_t kFlushBytes = 1 << 16;
constexpr uint32_t kProgressRows = 4096;

}  // namespace

int32_t APP_WriteHistoryCsv(std::span<const APP_CSV_COLUMN> columns, uint32_t first,
                            uint32_t count, const APP_CsvSink& sink,
                            const APP_CsvProgress& progress) {
  std::string text = "time_us";
  for (const APP_CSV_COLUMN& c : columns) {
    text += ',';
    text += c.name;
  }
  text += '\n';

  // One view for the whole export, so that every row reads the same slots for time and
  // values even while the worker keeps sampling.
  const APP_HISTORY_VIEW view = APP_GetHistoryView();
  const uint32_t stored = view.stamps != nullptr ? view.count : 0;
  const uint32_t begin = first < stored ? first : stored;
  const uint32_t end = begin + (count < stored - begin ? count : stored - begin);
  const uint64_t total = end - begin;
  for (uint32_t i = begin; i < end; ++i) {
    const uint32_t slot = static_cast<uint32_t>((uint64_t{view.oldest_slot} + i) % APP_HISTORY_SLOTS);
    const uint64_t stamp = std::atomic_ref<uint64_t>(const_cast<uint64_t&>(view.stamps[slot]))
                               .load(std::memory_order_relaxed);
    char number[24];
    std::snprintf(number, sizeof number, "%" PRIu64, stamp);
    text += number;
    for (const APP_CSV_COLUMN& c : columns) {
      VALUE_SLOT v{};
      if (c.symbol != nullptr && c.symbol->pHistory != nullptr) v = APP_LoadSlot(c.symbol->pHistory->Slots[slot]);
      text += ',';
      text += LOGIC_FormatWatchValue(v, c.symbol != nullptr ? c.symbol->ValueType : 0, false);
    }
    text += '\n';
    if (text.size() >= kFlushBytes) {
      if (!sink(text)) return APP_CSV_WRITE_FAILED;
      text.clear();
    }
    const uint64_t done = i - begin + 1;
    if (progress && done % kProgressRows == 0 && !progress(done, total)) return APP_CSV_CANCELLED;
  }
  if (!text.empty() && !sink(text)) return APP_CSV_WRITE_FAILED;
  if (progress && !progress(total, total)) return APP_CSV_CANCELLED;
  return APP_CSV_OK;
}
