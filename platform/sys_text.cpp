#include "platform/sys_text.h"

#include <cstdio>
#include <cstring>

namespace {

bool HasError(const char* error) { return error != nullptr && error[0] != 0; }

void SetError(char* error, size_t error_size, const char* text) {
  if (error != nullptr && error_size != 0) SYS_CopyText(error, error_size, text);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

void SYS_CopyText(char* dst, size_t size, const char* src) {
  if (dst == nullptr || size == 0) return;
  size_t n = 0;
  if (src != nullptr) {
    while (n + 1 < size && src[n] != 0) {
      dst[n] = src[n];
      ++n;
    }
  }
  dst[n] = 0;
}

void SYS_SkipBlanks(const char** cursor, char* error, size_t /*error_size*/) {
  if (HasError(error) || cursor == nullptr || *cursor == nullptr) return;
  while (IsBlank(**cursor)) ++*cursor;
}

void SYS_SkipLine(const char** cursor, char* error, size_t /*error_size*/) {
  if (HasError(error) || cursor == nullptr || *cursor == nullptr) return;
  const char* p = *cursor;
  while (*p != 0 && *p != '\r' && *p != '\n') ++p;
  while (*p == '\r' || *p == '\n') ++p;
  *cursor = p;
}

void SYS_ExpectChar(const char** cursor, char expected, char* error, size_t error_size) {
  if (HasError(error) || cursor == nullptr || *cursor == nullptr) return;
  if (**cursor == expected) {
    ++*cursor;
    return;
  }
  char text[64];
  if (**cursor == 0) {
    snprintf(text, sizeof text, "Expected '%c', got end of text", expected);
  } else {
    snprintf(text, sizeof text, "Expected '%c', got '%c'", expected, **cursor);
  }
  SetError(error, error_size, text);
}

void SYS_ParseInt(const char** cursor, long* value, long minimum, long maximum, char* error,
                  size_t error_size) {
  if (HasError(error) || cursor == nullptr || *cursor == nullptr) return;
  const char* p = *cursor;
  while (IsBlank(*p)) ++p;
  long sign = 1;
  if (*p == '+' || *p == '-') {
    if (*p == '-') sign = -1;
    ++p;
  }
  if (*p < '0' || *p > '9') {
    SetError(error, error_size, "Expecting a number");
    return;
  }
  // Digits accumulate saturated: anything above the maximum becomes the maximum anyway.
  unsigned long long digits = 0;
  constexpr unsigned long long kCap = 1ull << 62;
  while (*p >= '0' && *p <= '9') {
    if (digits < kCap) digits = digits * 10 + static_cast<unsigned long long>(*p - '0');
    ++p;
  }
  if (minimum > 0 && digits < static_cast<unsigned long long>(minimum)) {
    char text[64];
    snprintf(text, sizeof text, "Expected a value >= %ld", minimum);
    SetError(error, error_size, text);
    return;
  }
  // The smaller of the digits and the maximum.
  const long magnitude = maximum < 0 || digits >= static_cast<unsigned long long>(maximum)
                             ? maximum
                             : static_cast<long>(digits);
  if (value != nullptr) *value = sign * magnitude;
  *cursor = p;
}

void SYS_ParseQuoted(const char** cursor, char* out, size_t out_size, char* error,
                     size_t error_size) {
  if (HasError(error) || cursor == nullptr || *cursor == nullptr) return;
  const char* p = *cursor;
  while (IsBlank(*p)) ++p;
  if (*p != '"') {
    SetError(error, error_size, "Expected a quoted text");
    return;
  }
  ++p;
  size_t n = 0;
  while (*p != 0 && *p != '"') {
    if (out != nullptr && n + 1 < out_size) out[n++] = *p;
    ++p;
  }
  if (out != nullptr && out_size != 0) out[n] = 0;
  if (*p != '"') {
    SetError(error, error_size, "Missing closing quote");
    return;
  }
  *cursor = p + 1;
}

bool SYS_EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}
