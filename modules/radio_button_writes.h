// What radio buttons write: selecting a button writes the previously selected button's
// unchecked value to its symbol, then the new button's checked value to its own. Run entry
// selects the default button and writes its checked value; Preview and Edit entry select the
// default without writing.
#pragma once

#include <span>

#include "modules/control_write_sink.h"

constexpr int RADIO_MAX_BUTTONS = 8;

struct RADIO_ENTRY {
  const SYMBOL_ID* symbol = nullptr;
  double checked = 1.0;
  double unchecked = 0.0;
};

class RadioButtonWrites {
 public:
  int Selected() const { return selected_; }  // -1: none

  void EnterEdit(int default_index) { selected_ = default_index; }
  void EnterPreview(int default_index) { selected_ = default_index; }
  void EnterRun(ControlWriteSink& sink, std::span<const RADIO_ENTRY> entries, int default_index);
  // The user selected button `index` (selecting the selected one again writes nothing).
  void Select(ControlWriteSink& sink, std::span<const RADIO_ENTRY> entries, int index);

 private:
  int selected_ = -1;
};
