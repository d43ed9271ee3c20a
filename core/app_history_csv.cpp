#include "core/app_history_csv.h"

#include <cinttypes>
#include <cstdio>
#include <new>
#include <string>

#include "core/app_sampling.h"
#include "core/app_symbol_access.h"
#include "logic/logic_format.h"
#include "platform/sys_msgbox.h"

namespace {

constexpr size_t kFlushBytes = 1 << 16;
constexpr uint32_t kProgressRows = 4096;

}  // namespace

APP_CSV_COLUMN APP_CsvColumn(std::string_view name, const ACTIVE_SYMBOL* symbol) {
  APP_CSV_COLUMN c;
  c.name = name;
  if (symbol != nullptr) {
    c.ring = symbol->pHistory != nullptr ? symbol->pHistory->Slots : nullptr;
    c.type = symbol->ValueType;
  }
  return c;
}

int32_t APP_WriteHistoryCsv(const APP_HISTORY_VIEW& view, std::span<const APP_CSV_COLUMN> columns,
                            uint32_t first, uint32_t count, const APP_CsvSink& sink,
                            const APP_CsvProgress& progress) {
  std::string text = "time_us";
  for (const APP_CSV_COLUMN& c : columns) {
    text += ',';
    text += c.name;
  }
  text += '\n';

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
      if (c.ring != nullptr) v = APP_LoadSlot(c.ring[slot]);
      text += ',';
      text += LOGIC_FormatWatchValue(v, c.type, false);
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

bool APP_CopyHistory(const APP_HISTORY_VIEW& view, std::span<const VALUE_SLOT* const> rings,
                     uint32_t first, uint32_t count, APP_HISTORY_COPY& out) {
  const uint32_t stored = view.stamps != nullptr ? view.count : 0;
  const uint32_t begin = first < stored ? first : stored;
  const uint32_t n = count < stored - begin ? count : stored - begin;
  try {
    out.stamps.resize(n);
    out.rings.assign(rings.size(), {});
    for (auto& r : out.rings) r.resize(n);
  } catch (const std::bad_alloc&) {
    out = APP_HISTORY_COPY{};
    SYS_ErrorBox("Insufficient memory!");
    return false;
  }
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t slot = static_cast<uint32_t>((uint64_t{view.oldest_slot} + begin + i) % APP_HISTORY_SLOTS);
    out.stamps[i] = std::atomic_ref<uint64_t>(const_cast<uint64_t&>(view.stamps[slot])).load(std::memory_order_relaxed);
    for (size_t c = 0; c < rings.size(); ++c) {
      out.rings[c][i] = rings[c] != nullptr ? APP_LoadSlot(rings[c][slot]) : VALUE_SLOT{};
    }
  }
  return true;
}
