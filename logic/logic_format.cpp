#include "logic/logic_format.h"

#include <charconv>

#include "logic/logic_value.h"

std::string LOGIC_FormatWatchValue(const VALUE_SLOT& v, uint32_t type, bool hex) {
  char buf[400];  // the largest double has 309 integer digits
  std::to_chars_result r{buf, std::errc()};
  switch (type) {
    case TYPEID_FLOAT:
      r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(v.f32), std::chars_format::fixed,
                        6);
      break;
    case TYPEID_DOUBLE:
      r = std::to_chars(buf, buf + sizeof buf, v.f64, std::chars_format::fixed, 6);
      break;
    case TYPEID_BOOL:
      if (hex) return v.u8 != 0 ? "0x1" : "0x0";
      return v.u8 != 0 ? "true" : "false";
    default: {
      if (!LOGIC_IsIntegerType(type)) return std::string();
      const int64_t n = LOGIC_ReadInteger(v, type);
      if (hex) {
        const auto u = static_cast<uint32_t>(n);  // sign-extended value's 32-bit pattern
        r = std::to_chars(buf, buf + sizeof buf, u, 16);
        std::string out = "0x";
        for (const char* p = buf; p < r.ptr; ++p) {
          out += (*p >= 'a' && *p <= 'f') ? static_cast<char>(*p - 'a' + 'A') : *p;
        }
        return out;
      }
      r = std::to_chars(buf, buf + sizeof buf, n);
      break;
    }
  }
  if (r.ec != std::errc()) return std::string();
  return std::string(buf, r.ptr);
}
