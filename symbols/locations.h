// Location expressions: where a variable lives and where a member lies inside its record.
//
// Not a general DWARF expression interpreter: each operation is classified on its own into one
// part of a small fixed record, at most two parts are kept, and a second part that is a plain
// offset is folded into the first. That covers static data (DW_OP_addr, DW_OP_addr plus
// DW_OP_plus_uconst), constant member offsets and DW_OP_piece pairs without a stack.
#pragma once

#include <cstdint>
#include <span>

#include "symbols/symbol_handle.h"

enum : uint32_t {
  LOC_NONE = 0,
  LOC_CONSTANT = 1,           // value known: `value` (size = byte count of an implicit value)
  LOC_STATIC = 2,             // in target memory at `address`
  LOC_REGISTER = 4,           // in `reg`
  LOC_REGISTER_OFFSET = 5,    // the value reg + offset
  LOC_MEMORY_AT_REGISTER = 6, // in memory at nested (kind 5) reg + offset
  LOC_CFA_VALUE_OFFSET = 9,   // frame rule: value offset
  LOC_FRAME_BASE_OFFSET = 11, // at frame base + offset
  LOC_CFA_OFFSET = 12,        // frame rule: memory at register + offset
  LOC_OFFSET = 14,            // a plain offset (member offset, addend)
  LOC_ENTRY_VALUE = 15,       // nested: the value on entry to the function
  LOC_COMPUTED = 16,          // ended in DW_OP_stack_value; nested keeps the former part
};

struct LOC_NESTED {
  uint32_t kind = LOC_NONE;
  uint32_t reg = 0;
  int64_t offset = 0;
  uint64_t address = 0;  // LOC_COMPUTED: the former part's address
};

struct LOC_PART {
  uint32_t kind = LOC_NONE;
  uint64_t address = 0;
  uint64_t size = 0;  // bytes, from DW_OP_piece (or an implicit value's length)
  uint32_t reg = 0;
  int64_t offset = 0;
  uint8_t value[8] = {};  // constant value, target byte order for implicit values
  LOC_NESTED nested;
};

struct LOC_RECORD {
  uint32_t part_count = 0;  // 0 (no location), 1 or 2
  LOC_PART parts[2];
};

// One decoded expression operation, as the DWARF library delivers it.
struct LOC_OP {
  uint8_t atom = 0;
  uint64_t op1 = 0, op2 = 0, op3 = 0;
  // Operand bytes of DW_OP_implicit_value / DW_OP_const_type / DW_OP_entry_value blocks.
  std::span<const uint8_t> block;
};

// What an expression is evaluated for: DW_AT_frame_base turns DW_OP_bregN into kind 5.
enum class LOC_Purpose { Location, FrameBase };

// Hooks of the evaluation: the canonical frame address rule and nested expressions.
struct LOC_CONTEXT {
  LOC_Purpose purpose = LOC_Purpose::Location;
  uint64_t pc = ~0ull;
  // Evaluates a DW_OP_entry_value block as its own expression; false on failure.
  bool (*eval_block)(void* user, std::span<const uint8_t> block, LOC_RECORD& out) = nullptr;
  // The CFA rule at pc (a part), false when none.
  bool (*cfa_rule)(void* user, uint64_t pc, LOC_PART& out) = nullptr;
  void* user = nullptr;
};

// Classifies and folds one expression (reports 46 to 50 to the message sink).
LOC_RECORD LOC_Evaluate(std::span<const LOC_OP> ops, const LOC_CONTEXT& context);

// Location of an entry for program counter `pc` (0 or all ones: the first list entry with
// operations). Members and inheritance read DW_AT_data_member_location, functions
// DW_AT_frame_base, all others DW_AT_location. ELF symbols: a data object gives kind 2 at its
// address, a symbol without type kind 1 with the address as value.
LOC_RECORD LOC_GetLocation(SYM_HANDLE symbol, uint64_t pc);
// Byte offset of a member within its record (0 when unknown or not positive).
uint64_t LOC_GetMemberOffset(SYM_HANDLE member);
// Static target address of a variable (part 0's address for pc all ones); 0 = none.
uint64_t LOC_GetTargetAddress(SYM_HANDLE variable);
// The location for pc 0 is a static address (second part, if any, constant or static).
bool LOC_IsStatic(SYM_HANDLE variable);
