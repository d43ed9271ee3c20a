// The two time bases, both relative to their own first use.
#pragma once

#include <cstdint>

// Milliseconds since the first call (wraps after 49 days; compare with signed differences).
uint32_t SYS_GetTickMs();
// High-resolution counter ticks since the first call.
uint64_t SYS_GetHighResTicks();
// Microseconds elapsed since `start_ticks` (a value of SYS_GetHighResTicks).
uint64_t SYS_GetElapsedUs(uint64_t start_ticks);
