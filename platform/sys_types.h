// Basic types shared by the platform layer and its callers.
#pragma once

#include <cstdint>

// Thread and event handles are opaque; "none" is null.
using SYS_Handle = void*;

// Wait results (the values callers compare against).
constexpr uint32_t SYS_WAIT_OBJECT_0 = 0;
constexpr uint32_t SYS_WAIT_ABANDONED = 128;
constexpr uint32_t SYS_WAIT_TIMEOUT = 258;
constexpr uint32_t SYS_WAIT_FAILED = 0xFFFFFFFFu;
constexpr uint32_t SYS_INFINITE = 0xFFFFFFFFu;

// Calendar date and time, local time.
struct SYS_DateTime {
  uint16_t year = 0;
  uint16_t month = 0;
  uint16_t day = 0;
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t millisecond = 0;
};
