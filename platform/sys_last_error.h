// Internal: the calling thread's last error, shared by the files and folders functions.
#pragma once

#include <cstdint>

// Records `err` (an errno value) for SYS_GetLastError. `path` (may be null) lets "not found"
// tell a missing file (its folder exists) from a missing folder.
void SYS_SetLastErrorFromErrno(int err, const char* path);
void SYS_SetLastErrorCode(uint32_t code);
