// Text scanning with a sticky error buffer: once error[0] != 0 every call does nothing.
#pragma once

#include <cstddef>
#include <string_view>

void SYS_SkipBlanks(const char** cursor, char* error, size_t error_size);
void SYS_SkipLine(const char** cursor, char* error, size_t error_size);
void SYS_ExpectChar(const char** cursor, char expected, char* error, size_t error_size);
void SYS_ParseInt(const char** cursor, long* value, long minimum, long maximum, char* error,
                  size_t error_size);
void SYS_ParseQuoted(const char** cursor, char* out, size_t out_size, char* error,
                     size_t error_size);

// Copies at most size-1 bytes of `src` and always terminates (size 0 writes nothing).
void SYS_CopyText(char* dst, size_t size, const char* src);

// True when both texts are equal ignoring the case of ASCII letters (names of symbols, types
// and files compare this way).
bool SYS_EqualNoCase(std::string_view a, std::string_view b);
