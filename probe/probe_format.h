// Texts shown for the probe library's device information: core names, memory sizes and the
// flash size of a device (the target device selection table).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "probe/veltra_api.h"

// Core name of a device: family (bits 24..31), variant (16..23), sub-variant (8..15),
// revision (4..7) and patch (0..3) of `core_id`, e.g. "Cortex-M7 r1p2". A revision or patch
// field of 15 means "not given" and writes nothing.
void PROBE_FormatCoreName(uint32_t core_id, char* buffer, size_t size);

// "0 Bytes", "2 GB", "1.5 GB", "512 MB", "64 KB", "1.5 KB", "1 Byte", "1000 Bytes".
void PROBE_FormatSize(uint64_t bytes, char* buffer, size_t size);

// The size of every flash bank that has a region list, joined with " + " ("-" with no bank).
// A bank's size is the sum of sector count times sector size over its regions (ended by a
// region whose count is 0). Returns the total of all banks.
uint64_t PROBE_FormatFlashSize(std::span<const VELTRA_FLASH_BANK> banks, char* buffer,
                               size_t size);
