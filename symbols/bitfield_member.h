// Bitfield members (BitSize != 0) are values of their own: Address and Size give the word
// that holds them (at most 8 bytes), BitOffset the position of their lowest bit in that word
// read little-endian, and ValueType the smallest integer type that holds BitSize bits.
// Their value is their bits alone, taken from the sampled word once, where samples are
// decoded; every reader of values sees the member's value.
#pragma once

#include <cstdint>

#include "symbols/active_symbol.h"

// True when the member's bits lie within its word and its type is one the engines compute with.
bool ACTSYM_IsReadableBitfield(const ACTIVE_SYMBOL& symbol);
// The member's bits of `word`, sign-extended when `type_id` is signed (I8, I16, I32), as the
// raw slot of that type (the low bytes of the result, the rest cleared).
uint64_t ACTSYM_ExtractBits(uint64_t word, uint32_t bit_offset, uint32_t bit_size, uint32_t type_id);

// Why writes to bitfield members are refused: a write would rewrite the whole word that holds
// the member and could undo the firmware's own changes to the other bits in between.
constexpr const char* ACTSYM_BITFIELD_WRITE_REFUSED =
    "Bitfield members cannot be written: writing one would rewrite the whole word that holds it "
    "and could undo the firmware's own changes to the other bits of that word.";
