#include "symbols/bitfield_member.h"

bool ACTSYM_IsReadableBitfield(const ACTIVE_SYMBOL& s) {
  switch (s.ValueType) {
    case TYPEID_U8: case TYPEID_U16: case TYPEID_U32:
    case TYPEID_I8: case TYPEID_I16: case TYPEID_I32: break;
    default: return false;
  }
  return s.BitSize >= 1 && s.BitSize <= 32 && s.Size >= 1 && s.Size <= 8 &&
         uint64_t{s.BitOffset} + s.BitSize <= uint64_t{s.Size} * 8;
}

uint64_t ACTSYM_ExtractBits(uint64_t word, uint32_t bit_offset, uint32_t bit_size, uint32_t type_id) {
  if (bit_size == 0 || bit_size > 64 || bit_offset >= 64) return 0;
  uint64_t bits = word >> bit_offset;
  if (bit_size < 64) bits &= (uint64_t{1} << bit_size) - 1;
  uint32_t width = 0;
  bool is_signed = false;
  switch (type_id) {
    case TYPEID_U8: width = 8; break;
    case TYPEID_U16: width = 16; break;
    case TYPEID_U32: width = 32; break;
    case TYPEID_I8: width = 8; is_signed = true; break;
    case TYPEID_I16: width = 16; is_signed = true; break;
    case TYPEID_I32: width = 32; is_signed = true; break;
    default: return bits;
  }
  if (is_signed && bit_size < 64 && (bits >> (bit_size - 1)) != 0) bits |= ~uint64_t{0} << bit_size;
  return width < 64 ? bits & ((uint64_t{1} << width) - 1) : bits;
}
