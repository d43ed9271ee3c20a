// Whether the LED is lit: the decision its painting takes on each refresh, kept apart from the
// widget so that a test can drive it with its own clock.
//
// Outside Run mode, or while the formula is false, the LED is dark and its blink clock restarts.
// While the formula holds it is lit, or, when blinking, it starts dark, lights once more than
// `off_ms` have passed since the last switch and goes dark again once more than `on_ms` have
// passed since it lit. Times are whole milliseconds; the switches happen at the granularity of
// the refreshes that call Step.
#pragma once

#include <cstdint>

struct LED_BLINK_SETTINGS {
  bool blinking = false;
  uint32_t on_ms = 1000;
  uint32_t off_ms = 1000;
};

class LedBlink {
 public:
  bool Step(bool run_mode, bool formula_true, const LED_BLINK_SETTINGS& settings, uint64_t now_ms) {
    if (!run_mode || !formula_true || !holding_) {
      // Dark, and the blink clock starts again; the first step that sees the formula hold
      // starts the dark phase there.
      lit_ = false;
      switched_ms_ = now_ms;
      holding_ = run_mode && formula_true;
      if (!holding_ || settings.blinking) return false;
    }
    if (!settings.blinking) {
      lit_ = true;
      return true;
    }
    const uint64_t since = now_ms - switched_ms_;
    if (lit_ ? since > settings.on_ms : since > settings.off_ms) {
      lit_ = !lit_;
      switched_ms_ = now_ms;
    }
    return lit_;
  }
  bool IsLit() const { return lit_; }

 private:
  bool lit_ = false;
  bool holding_ = false;  // the formula held at the previous step
  uint64_t switched_ms_ = 0;
};
