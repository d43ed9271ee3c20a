// What a push button writes: the press operations once on press; with repeat on hold, once
// the repeat interval has passed while still held, a periodic write per press operation at
// that interval until release; on release the periodic writes stop and the release
// operations are written once. Writes happen only in Run mode.
//
// The widget arms a single-shot timer of the repeat interval when Press or HoldRepeat says so
// and calls HoldRepeat when it fires; Release follows the button's released signal, which
// also comes when the pointer leaves the pressed button or is let go outside it, so holding
// never outlives the press.
#pragma once

#include <cstdint>
#include <span>

#include "modules/control_write_sink.h"

class PushButtonWrites {
 public:
  // True when the repeat timer is to be armed.
  bool Press(ControlWriteSink& sink, std::span<const CONTROL_WRITE_OP> press, bool hold_repeat);
  // The repeat timer fired. True when it is to be armed again.
  bool HoldRepeat(ControlWriteSink& sink, std::span<const CONTROL_WRITE_OP> press, bool hold_repeat,
                  uint32_t interval_ms);
  void Release(ControlWriteSink& sink, std::span<const CONTROL_WRITE_OP> release);
  // Stops and forgets every periodic write (leaving Run mode).
  void StopAll(ControlWriteSink& sink);

  bool IsHeld() const { return held_; }
  int RunningCount() const { return periodic_.RunningCount(); }

 private:
  bool held_ = false;
  PeriodicWrites periodic_;
};
