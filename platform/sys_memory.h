// Labelled memory blocks. Every block of the core carries a short constant label; the
// guard configuration (VISTRO_MEMORY_GUARD) adds a header, a trailer and a live list.
#pragma once

#include <cstdint>

// The caller's area (not cleared), or null after showing the allocation failure.
void* SYS_Alloc(uint32_t size, const char* label);
void* SYS_AllocAnon(uint32_t size);
// Null is ignored.
void SYS_Free(void* area);

// Live blocks (every configuration) and their total size (guard configuration only; 0
// otherwise).
uint32_t SYS_GetLiveBlockCount();
uint64_t SYS_GetLiveBlockBytes();
