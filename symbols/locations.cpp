// Classification and folding of one location expression into a location record.
#include <cstring>

#include "symbols/elf_internal.h"
#include "symbols/locations.h"

namespace {

enum : uint8_t {
  OP_ADDR = 0x03,
  OP_CONST1U = 0x08,
  OP_CONST1S = 0x09,
  OP_CONST2U = 0x0a,
  OP_CONST2S = 0x0b,
  OP_CONST4U = 0x0c,
  OP_CONST4S = 0x0d,
  OP_CONST8U = 0x0e,
  OP_CONST8S = 0x0f,
  OP_CONSTU = 0x10,
  OP_CONSTS = 0x11,
  OP_PLUS_UCONST = 0x23,
  OP_LIT0 = 0x30,
  OP_LIT31 = 0x4f,
  OP_REG0 = 0x50,
  OP_REG31 = 0x6f,
  OP_BREG0 = 0x70,
  OP_BREG31 = 0x8f,
  OP_REGX = 0x90,
  OP_FBREG = 0x91,
  OP_BREGX = 0x92,
  OP_PIECE = 0x93,
  OP_CALL_FRAME_CFA = 0x9c,
  OP_BIT_PIECE = 0x9d,
  OP_IMPLICIT_VALUE = 0x9e,
  OP_STACK_VALUE = 0x9f,
  OP_ADDRX = 0xa1,
  OP_CONSTX = 0xa2,
  OP_ENTRY_VALUE = 0xa3,
  OP_CONST_TYPE = 0xa4,
  OP_REGVAL_TYPE = 0xa5,
  OP_GNU_ENTRY_VALUE = 0xf3,
  OP_GNU_ADDR_INDEX = 0xfb,
  OP_GNU_CONST_INDEX = 0xfc,
};

void SetValue(LOC_PART& p, uint64_t v) { std::memcpy(p.value, &v, sizeof v); }

void CopyBytes(LOC_PART& p, std::span<const uint8_t> bytes) {
  if (bytes.size() > 8) ELF_Report(ELF_ERR_IMPLICIT_VALUE_SIZE);
  const size_t n = bytes.size() < 8 ? bytes.size() : 8;
  if (n) std::memcpy(p.value, bytes.data(), n);
  p.size = bytes.size();
}

void BaseRegister(LOC_PART& p, const LOC_CONTEXT& ctx, uint32_t reg, int64_t offset) {
  if (ctx.purpose == LOC_Purpose::FrameBase) {
    p.kind = LOC_REGISTER_OFFSET;
    p.reg = reg;
    p.offset = offset;
  } else {
    p.kind = LOC_MEMORY_AT_REGISTER;
    p.nested.kind = LOC_REGISTER_OFFSET;
    p.nested.reg = reg;
    p.nested.offset = offset;
  }
}

// Classifies one operation; false when it gives no part.
bool Classify(const LOC_OP& op, const LOC_CONTEXT& ctx, LOC_PART& p) {
  const uint8_t a = op.atom;
  if (a == OP_ADDR || a == OP_ADDRX || a == OP_GNU_ADDR_INDEX) {
    p.kind = LOC_STATIC;
    p.address = op.op1;
    return true;
  }
  if ((a >= OP_CONST1U && a <= OP_CONSTS) || a == OP_CONSTX || a == OP_GNU_CONST_INDEX) {
    p.kind = LOC_CONSTANT;
    SetValue(p, op.op1);
    return true;
  }
  if (a >= OP_LIT0 && a <= OP_LIT31) {  // small literal constants
    p.kind = LOC_CONSTANT;
    SetValue(p, uint64_t(a - OP_LIT0));
    return true;
  }
  if (a >= OP_REG0 && a <= OP_REG31) {
    p.kind = LOC_REGISTER;
    p.reg = uint32_t(a - OP_REG0);
    return true;
  }
  if (a == OP_REGX || a == OP_REGVAL_TYPE) {
    p.kind = LOC_REGISTER;
    p.reg = uint32_t(op.op1);
    return true;
  }
  if (a >= OP_BREG0 && a <= OP_BREG31) {
    BaseRegister(p, ctx, uint32_t(a - OP_BREG0), int64_t(op.op1));
    return true;
  }
  if (a == OP_BREGX) {
    BaseRegister(p, ctx, uint32_t(op.op1), int64_t(op.op2));
    return true;
  }
  if (a == OP_FBREG) {
    p.kind = LOC_FRAME_BASE_OFFSET;
    p.offset = int64_t(op.op1);
    return true;
  }
  if (a == OP_PLUS_UCONST) {
    p.kind = LOC_OFFSET;
    p.offset = int64_t(op.op1);
    return true;
  }
  if (a == OP_IMPLICIT_VALUE || a == OP_CONST_TYPE) {
    p.kind = LOC_CONSTANT;
    CopyBytes(p, op.block);
    return true;
  }
  if (a == OP_CALL_FRAME_CFA) {
    // The rule is empty for pc 0 and all ones (static data needs no frame information).
    if (ctx.pc == 0 || ctx.pc == ~0ull || !ctx.cfa_rule) return false;
    return ctx.cfa_rule(ctx.user, ctx.pc, p);
  }
  if (a == OP_ENTRY_VALUE || a == OP_GNU_ENTRY_VALUE) {
    LOC_RECORD inner;
    if (!ctx.eval_block || !ctx.eval_block(ctx.user, op.block, inner) || inner.part_count == 0) {
      ELF_Report(ELF_ERR_ENTRY_VALUE);
      return false;
    }
    p.kind = LOC_ENTRY_VALUE;
    p.nested.kind = inner.parts[0].kind;
    p.nested.reg = inner.parts[0].reg;
    p.nested.offset = inner.parts[0].offset;
    p.nested.address = inner.parts[0].address;
    return true;
  }
  return false;
}

}  // namespace

LOC_RECORD LOC_Evaluate(std::span<const LOC_OP> ops, const LOC_CONTEXT& ctx) {
  LOC_RECORD rec;
  bool reported_overflow = false;
  for (const LOC_OP& op : ops) {
    LOC_PART part;
    if (Classify(op, ctx, part)) {
      if (rec.part_count == 2) {
        if (!reported_overflow) ELF_Report(ELF_ERR_TOO_MANY_PARTS);
        reported_overflow = true;
        break;
      }
      rec.parts[rec.part_count++] = part;
      continue;
    }
    if (op.atom == OP_PIECE) {
      if (rec.part_count > 0) rec.parts[rec.part_count - 1].size = op.op1;
    } else if (op.atom == OP_BIT_PIECE) {
      ELF_Report(ELF_ERR_BIT_PIECE);
    } else if (op.atom == OP_STACK_VALUE || op.atom == OP_CALL_FRAME_CFA ||
               op.atom == OP_ENTRY_VALUE || op.atom == OP_GNU_ENTRY_VALUE) {
      // Handled below, or already reported.
    } else {
      ELF_Report(ELF_ERR_LOCATION_ELEMENT);
    }
  }
  if (rec.part_count == 2 && rec.parts[1].kind == LOC_OFFSET) {
    LOC_PART& p = rec.parts[0];
    const int64_t add = rec.parts[1].offset;
    if (p.kind == LOC_STATIC) {
      p.address += uint64_t(add);
    } else if (p.kind == LOC_REGISTER) {
      p.kind = LOC_REGISTER_OFFSET;
      p.offset = add;
    } else {
      p.offset += add;
    }
    rec.parts[1] = LOC_PART{};
    rec.part_count = 1;
  }
  // A value computed on the stack lives nowhere in target memory, also when the expression
  // used more than one part to compute it.
  if (!ops.empty() && ops.back().atom == OP_STACK_VALUE && rec.part_count >= 1) {
    rec.parts[1] = LOC_PART{};
    rec.part_count = 1;
    LOC_PART& p = rec.parts[0];
    p.nested.kind = p.kind;
    p.nested.reg = p.reg;
    p.nested.offset = p.offset;
    p.nested.address = p.address;
    p.kind = LOC_COMPUTED;
    p.address = 0;  // a computed value lives nowhere in target memory
  }
  return rec;
}
