// The file error texts shown when a file cannot be opened, read or saved.
#pragma once

#include <cstddef>

// Formats "Could not VERB file [PATH]!" plus, for the known errors of SYS_GetLastError(), a
// second line with the reason ("File not found!", "Path not found!", "Access is denied!",
// "File has read only attribute!", "Invalid drive!", "The filename syntax is incorrect!").
// Returns 1 when the reason is the read-only attribute, else 0.
int APP_FormatFileError(const char* path, const char* verb, char* buffer, size_t size);
