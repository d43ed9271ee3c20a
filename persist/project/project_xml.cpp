#include "persist/project/project_xml.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/sys_text.h"

namespace {

// Leading blanks, then a base-10 integer; 0 when there is none. Saturates at int64.
int64_t ParseInt64(const char* text) {
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text, &end, 10);
  if (end == text) return 0;
  return v;
}

bool ParseAddress(const char* text, uint32_t* out) {
  while (*text == ' ' || *text == '\t') ++text;
  char* end = nullptr;
  errno = 0;
  if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const unsigned long long v = std::strtoull(text + 2, &end, 16);
    if (end == text + 2 || errno != 0 || v > 0xFFFFFFFFull) return false;
    *out = static_cast<uint32_t>(v);
    return true;
  }
  const long long v = std::strtoll(text, &end, 10);
  if (end == text) {
    *out = 0;  // text that is no number reads as 0, as ints do
    return true;
  }
  if (errno != 0 || v < INT32_MIN || v > static_cast<long long>(UINT32_MAX)) return false;
  *out = static_cast<uint32_t>(v);
  return true;
}

template <typename T>
void WriteShortest(XMLElement* e, const char* name, T value) {
  char buf[64];
  if (!std::isfinite(value)) {
    // Not a number or infinite: the nearest finite value keeps the file readable.
    value = std::isnan(value) ? T(0)
                              : (value > 0 ? std::numeric_limits<T>::max()
                                           : std::numeric_limits<T>::lowest());
  }
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf - 1, value);
  if (ec != std::errc()) end = buf;
  *end = '\0';
  e->SetAttribute(name, buf);
}

}  // namespace

bool PROJECT_ReadInt(const XMLElement* e, const char* name, int32_t* out) {
  const char* text = e != nullptr ? e->Attribute(name) : nullptr;
  if (text == nullptr) return false;
  int64_t v = ParseInt64(text);
  if (v < INT32_MIN) v = INT32_MIN;
  if (v > INT32_MAX) v = INT32_MAX;
  *out = static_cast<int32_t>(v);
  return true;
}

bool PROJECT_ReadIntIn(const XMLElement* e, const char* name, int32_t lo, int32_t hi,
                       int32_t fallback, int32_t* out) {
  int32_t v = 0;
  if (!PROJECT_ReadInt(e, name, &v)) return false;
  *out = (v < lo || v > hi) ? fallback : v;
  return true;
}

bool PROJECT_ReadFlag(const XMLElement* e, const char* name, uint8_t* out) {
  int32_t v = 0;
  if (!PROJECT_ReadInt(e, name, &v)) return false;
  *out = v != 0 ? 1 : 0;
  return true;
}

bool PROJECT_ReadReal(const XMLElement* e, const char* name, double* out) {
  const char* text = e != nullptr ? e->Attribute(name) : nullptr;
  if (text == nullptr) return false;
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  *out = (end == text || std::isnan(v)) ? 0.0 : v;
  return true;
}

bool PROJECT_ReadHexAddress(const XMLElement* e, const char* name, uint32_t* out) {
  const char* text = e != nullptr ? e->Attribute(name) : nullptr;
  return text != nullptr && ParseAddress(text, out);
}

bool PROJECT_ReadDecAddress(const XMLElement* e, const char* name, uint32_t* out) {
  return PROJECT_ReadHexAddress(e, name, out);
}

bool PROJECT_ReadText(const XMLElement* e, const char* name, char* out, uint32_t size) {
  const char* text = e != nullptr ? e->Attribute(name) : nullptr;
  if (text == nullptr) return false;
  SYS_CopyText(out, size, text);
  return true;
}

void PROJECT_WriteInt(XMLElement* e, const char* name, int64_t value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(value));
  e->SetAttribute(name, buf);
}

void PROJECT_WriteFlag(XMLElement* e, const char* name, bool value) {
  e->SetAttribute(name, value ? "1" : "0");
}

void PROJECT_WriteReal(XMLElement* e, const char* name, double value) {
  WriteShortest(e, name, value);
}

void PROJECT_WriteFloat(XMLElement* e, const char* name, float value) {
  WriteShortest(e, name, value);
}

void PROJECT_WriteTruncated(XMLElement* e, const char* name, double value) {
  const double t = std::trunc(value);
  if (std::isfinite(t) && t >= -9.2e18 && t <= 9.2e18) {
    PROJECT_WriteInt(e, name, static_cast<int64_t>(t));
  } else {
    PROJECT_WriteReal(e, name, value);
  }
}

void PROJECT_WriteHexAddress(XMLElement* e, const char* name, uint32_t address) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", address);
  e->SetAttribute(name, buf);
}

void PROJECT_WriteDecAddress(XMLElement* e, const char* name, uint32_t address) {
  PROJECT_WriteInt(e, name, static_cast<int32_t>(address));
}

void PROJECT_WriteText(XMLElement* e, const char* name, const char* text) {
  e->SetAttribute(name, text != nullptr ? text : "");
}

XMLElement* PROJECT_AddChild(XMLElement* parent, const char* name) {
  XMLElement* child = parent->GetDocument()->NewElement(name);
  parent->InsertEndChild(child);
  return child;
}

std::string PROJECT_BaseName(const char* stored) {
  if (stored == nullptr) return {};
  const char* base = stored;
  for (const char* p = stored; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\') base = p + 1;
  }
  std::string name(base);
  if (name == "." || name == "..") name.clear();
  return name;
}
