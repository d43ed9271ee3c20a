#include "modules/radio_button_writes.h"

#include "core/app_mode.h"

namespace {

void WriteOne(ControlWriteSink& sink, const RADIO_ENTRY& e, double value) {
  if (e.symbol == nullptr) return;
  const CONTROL_READING r = CONTROL_Read(*e.symbol);
  VALUE_SLOT slot{};
  if (r.active && CONTROL_ConvertDouble(value, r.type, &slot)) sink.WriteValue(*e.symbol, slot, nullptr);
}

bool InRange(std::span<const RADIO_ENTRY> entries, int i) {
  return i >= 0 && static_cast<size_t>(i) < entries.size();
}

}  // namespace

void RadioButtonWrites::EnterRun(ControlWriteSink& sink, std::span<const RADIO_ENTRY> entries, int default_index) {
  selected_ = InRange(entries, default_index) ? default_index : -1;
  if (selected_ >= 0 && APP_IsRunMode()) WriteOne(sink, entries[selected_], entries[selected_].checked);
}

void RadioButtonWrites::Select(ControlWriteSink& sink, std::span<const RADIO_ENTRY> entries, int index) {
  if (!InRange(entries, index) || index == selected_) return;
  const int previous = selected_;
  selected_ = index;
  if (!APP_IsRunMode()) return;
  if (InRange(entries, previous)) WriteOne(sink, entries[previous], entries[previous].unchecked);
  WriteOne(sink, entries[index], entries[index].checked);
}
