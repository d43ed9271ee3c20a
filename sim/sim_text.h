// Small text helpers shared by the simulator's sources (the simulator links nothing of the
// application, so it keeps its own).
#pragma once

#include <string_view>

// Equal ignoring the case of ASCII letters (device names and commands compare this way).
inline bool SIM_EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}
