// Decoding of a location expression's bytes into operations, with every operand checked
// against the expression's end. Operands take the values the evaluator expects: signed
// operands sign-extended, blocks (DW_OP_implicit_value, DW_OP_entry_value, DW_OP_const_type)
// as views of the expression.
#include "symbols/dwarf_cursor.h"
#include "symbols/dwarf_internal.h"

namespace {

uint64_t Sleb(DWARF_Cursor& c, std::span<const uint8_t> bytes) {
  const uint64_t start = c.at();
  const uint64_t v = c.Uleb();
  if (!c.ok()) return 0;
  const uint64_t n = c.at() - start;
  const uint64_t bits = 7 * n;
  if (bits < 64 && (bytes[size_t(c.at() - 1)] & 0x40) != 0) return v | (~0ull << bits);
  return v;
}

uint64_t SignExtend(uint64_t v, int bytes) {
  const int bits = 8 * bytes;
  return bits < 64 && (v >> (bits - 1)) != 0 ? v | (~0ull << bits) : v;
}

// Far more operations than a location expression needs (only two parts are kept); a longer
// one is taken as malformed.
constexpr size_t kMaxOps = 4096;

}  // namespace

bool LOC_DecodeExpression(std::span<const uint8_t> bytes, int address_size, int offset_size,
                          bool big_endian, std::vector<LOC_OP>& ops) {
  ops.clear();
  DWARF_Cursor c(bytes, 0, big_endian);
  while (!c.AtEnd()) {
    if (ops.size() == kMaxOps) return false;
    LOC_OP op;
    op.atom = c.Byte();
    const uint8_t a = op.atom;
    auto block = [&](uint64_t length) {
      op.block = c.Bytes(length);
      op.op1 = length;
    };
    if ((a >= DW_OP_lit0 && a <= DW_OP_reg31) || a == DW_OP_deref ||
        (a >= DW_OP_dup && a <= DW_OP_over) || (a >= DW_OP_swap && a <= DW_OP_xderef) ||
        (a >= DW_OP_abs && a <= DW_OP_plus) || (a >= DW_OP_shl && a <= DW_OP_xor) ||
        (a >= DW_OP_eq && a <= DW_OP_ne) || a == DW_OP_nop || a == DW_OP_push_object_address ||
        a == DW_OP_form_tls_address || a == DW_OP_call_frame_cfa || a == DW_OP_stack_value ||
        a == DW_OP_GNU_push_tls_address || a == DW_OP_GNU_uninit) {
      // no operands
    } else if (a >= DW_OP_breg0 && a <= DW_OP_breg31) {
      op.op1 = Sleb(c, bytes);
    } else {
      switch (a) {
        case DW_OP_addr: op.op1 = c.Fixed(address_size); break;
        case DW_OP_const1u: case DW_OP_pick: case DW_OP_deref_size: case DW_OP_xderef_size:
          op.op1 = c.Fixed(1);
          break;
        case DW_OP_const1s: op.op1 = SignExtend(c.Fixed(1), 1); break;
        case DW_OP_const2u: case DW_OP_call2: op.op1 = c.Fixed(2); break;
        case DW_OP_const2s: case DW_OP_skip: case DW_OP_bra:
          op.op1 = SignExtend(c.Fixed(2), 2);
          break;
        case DW_OP_const4u: case DW_OP_call4: case DW_OP_GNU_parameter_ref:
          op.op1 = c.Fixed(4);
          break;
        case DW_OP_const4s: op.op1 = SignExtend(c.Fixed(4), 4); break;
        case DW_OP_const8u: case DW_OP_const8s: op.op1 = c.Fixed(8); break;
        case DW_OP_constu: case DW_OP_plus_uconst: case DW_OP_regx: case DW_OP_piece:
        case DW_OP_addrx: case DW_OP_constx: case DW_OP_convert: case DW_OP_reinterpret:
        case DW_OP_GNU_addr_index: case DW_OP_GNU_const_index: case DW_OP_GNU_convert:
        case DW_OP_GNU_reinterpret:
          op.op1 = c.Uleb();
          break;
        case DW_OP_consts: case DW_OP_fbreg: op.op1 = Sleb(c, bytes); break;
        case DW_OP_bregx:
          op.op1 = c.Uleb();
          op.op2 = Sleb(c, bytes);
          break;
        case DW_OP_bit_piece: case DW_OP_regval_type: case DW_OP_GNU_regval_type:
          op.op1 = c.Uleb();
          op.op2 = c.Uleb();
          break;
        case DW_OP_call_ref: case DW_OP_GNU_variable_value: op.op1 = c.Fixed(offset_size); break;
        case DW_OP_implicit_pointer: case DW_OP_GNU_implicit_pointer:
          op.op1 = c.Fixed(offset_size);
          op.op2 = Sleb(c, bytes);
          break;
        case DW_OP_deref_type: case DW_OP_xderef_type: case DW_OP_GNU_deref_type:
          op.op1 = c.Fixed(1);
          op.op2 = c.Uleb();
          break;
        case DW_OP_implicit_value: case DW_OP_entry_value: case DW_OP_GNU_entry_value:
          block(c.Uleb());
          break;
        case DW_OP_const_type: case DW_OP_GNU_const_type: {
          const uint64_t type = c.Uleb();
          block(c.Fixed(1));
          op.op2 = op.op1;
          op.op1 = type;
          break;
        }
        default:
          return false;  // an unknown operation: where the next one starts cannot be told
      }
    }
    if (!c.ok()) return false;
    ops.push_back(op);
  }
  return c.ok();
}
