// Bounds-checked reading of raw debug section bytes (internal to symbols/). A read that would
// run past the end yields 0 and marks the cursor failed; later reads keep failing, so a
// caller checks `ok()` once after a group of reads.
#pragma once

#include <cstdint>
#include <span>

// Length of the LEB128 number at `at`, or 0 when it runs past `end`.
inline uint64_t DWARF_LebLength(const uint8_t* data, uint64_t at, uint64_t end,
                                uint64_t* value) {
  uint64_t v = 0;
  for (uint64_t i = at, shift = 0; i < end; ++i, shift += 7) {
    if (shift < 64) v |= uint64_t(data[i] & 0x7F) << shift;
    if ((data[i] & 0x80) == 0) {
      if (value) *value = v;
      return i - at + 1;
    }
  }
  return 0;
}

inline uint64_t DWARF_ReadUnsigned(const uint8_t* p, int n, bool big_endian) {
  uint64_t v = 0;
  for (int i = 0; i < n; ++i) {
    v = big_endian ? (v << 8) | p[i] : v | (uint64_t(p[i]) << (8 * i));
  }
  return v;
}

class DWARF_Cursor {
 public:
  DWARF_Cursor(std::span<const uint8_t> bytes, uint64_t at, bool big_endian)
      : bytes_(bytes), at_(at), big_endian_(big_endian), ok_(at <= bytes.size()) {}

  bool ok() const { return ok_; }
  uint64_t at() const { return at_; }
  bool AtEnd() const { return !ok_ || at_ >= bytes_.size(); }

  uint8_t Byte() { return uint8_t(Fixed(1)); }
  // An unsigned number of 1 to 8 bytes in the section's byte order.
  uint64_t Fixed(int n) {
    if (!Take(uint64_t(n))) return 0;
    return DWARF_ReadUnsigned(bytes_.data() + at_ - n, n, big_endian_);
  }
  uint64_t Uleb() {
    uint64_t v = 0;
    const uint64_t n = ok_ ? DWARF_LebLength(bytes_.data(), at_, bytes_.size(), &v) : 0;
    if (n == 0) ok_ = false;
    return Take(n) ? v : 0;
  }
  std::span<const uint8_t> Bytes(uint64_t n) {
    if (!Take(n)) return {};
    return bytes_.subspan(size_t(at_ - n), size_t(n));
  }

 private:
  bool Take(uint64_t n) {
    if (!ok_ || n > bytes_.size() - at_) {
      ok_ = false;
      return false;
    }
    at_ += n;
    return true;
  }

  std::span<const uint8_t> bytes_;
  uint64_t at_;
  bool big_endian_;
  bool ok_;
};
