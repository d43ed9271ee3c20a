// The text that tells the user why a formula or calculation was not accepted, composed from
// its check flags. The editor shows it in a warning box (title "Warning", button "O.K."), or,
// when only a division by a symbol remains, asks it as a question with "OK" and "Cancel"
// ("OK" accepts the tree).
#pragma once

#include <cstdint>
#include <string>

struct LOGIC_CheckReport {
  std::string text;          // empty when the flags are 0 (nothing to report)
  bool is_question = false;  // the division question rather than a warning
};

// `is_formula` chooses the first line ("Formula is invalid." or "Calculation is invalid.").
LOGIC_CheckReport LOGIC_ComposeCheckReport(uint32_t flags, bool is_formula);
