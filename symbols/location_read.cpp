// Reading location attributes: the attribute per tag, the special cases of member
// locations, the choice of the list entry, nested entry-value blocks and the canonical frame
// address rule. Expressions and lists are decoded by our own bounds-checked code; the DWARF
// library only finds the attributes and their bytes in .debug_info.
#include <cstring>
#include <vector>

#include "symbols/dwarf_internal.h"
#include "symbols/elf_reader.h"

namespace {

struct EvalUser {
  DWARF_STATE* st;
  const DWARF_UNIT* unit;
  LOC_Purpose purpose;
  Dwarf_Die holder;  // the entry whose attribute is evaluated (resolves .debug_addr indices)
};

LOC_RECORD EvaluateExpression(DWARF_STATE& st, std::span<const uint8_t> bytes, uint64_t pc,
                              const DWARF_UNIT* unit, LOC_Purpose purpose, Dwarf_Die holder);

bool EvalBlock(void* user, std::span<const uint8_t> block, LOC_RECORD& out) {
  EvalUser& u = *static_cast<EvalUser*>(user);
  out = EvaluateExpression(*u.st, block, 0, u.unit, u.purpose, u.holder);
  return out.part_count > 0;
}

bool LoadFrames(DWARF_STATE& st) {
  if (st.frames_loaded) return st.fdes != nullptr;
  st.frames_loaded = true;
  Dwarf_Error err = nullptr;
  int rc = dwarf_get_fde_list(st.dbg, &st.cies, &st.cie_count, &st.fdes, &st.fde_count, &err);
  if (rc == DW_DLV_ERROR) DWARF_DropError(st, err);
  if (rc != DW_DLV_OK) {
    rc = dwarf_get_fde_list_eh(st.dbg, &st.cies, &st.cie_count, &st.fdes, &st.fde_count, &err);
    if (rc == DW_DLV_ERROR) DWARF_DropError(st, err);
  }
  return rc == DW_DLV_OK;
}

bool CfaRule(void* user, uint64_t pc, LOC_PART& out) {
  DWARF_STATE& st = *static_cast<EvalUser*>(user)->st;
  if (st.cfa_cached && st.cfa_pc == pc) {
    out = st.cfa_part;
    return st.cfa_found;
  }
  st.cfa_cached = true;
  st.cfa_pc = pc;
  st.cfa_found = false;
  st.cfa_part = LOC_PART{};
  if (!LoadFrames(st)) return false;
  Dwarf_Fde fde = nullptr;
  Dwarf_Addr low = 0, high = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_get_fde_at_pc(st.fdes, pc, &fde, &low, &high, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return false;
  }
  Dwarf_Small value_type = 0;
  Dwarf_Signed offset_relevant = 0, reg = 0, offset = 0;
  Dwarf_Ptr block = nullptr;
  Dwarf_Addr row_pc = 0, next_pc = 0;
  Dwarf_Bool has_more = 0;
  if (dwarf_get_fde_info_for_cfa_reg3_b(fde, pc, &value_type, &offset_relevant, &reg, &offset,
                                        &block, &row_pc, &has_more, &next_pc,
                                        &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return false;
  }
  LOC_PART p;
  switch (value_type) {
    case DW_EXPR_OFFSET:
      p.kind = offset_relevant ? LOC_REGISTER_OFFSET : LOC_REGISTER;
      p.reg = uint32_t(reg);
      p.offset = offset;
      break;
    case DW_EXPR_VAL_OFFSET:
      p.kind = LOC_CFA_VALUE_OFFSET;
      p.reg = uint32_t(reg);
      p.offset = offset;
      break;
    case DW_EXPR_EXPRESSION:
      ELF_Report(ELF_ERR_CFA_EXPRESSION);
      return false;
    case DW_EXPR_VAL_EXPRESSION:
      ELF_Report(ELF_ERR_CFA_VAL_EXPRESSION);
      return false;
    default:
      ELF_Report(ELF_ERR_CFA_RULE);
      return false;
  }
  st.cfa_found = true;
  st.cfa_part = p;
  out = p;
  return true;
}

// Evaluates decoded operations; indices into .debug_addr are resolved first.
LOC_RECORD EvaluateOps(DWARF_STATE& st, std::vector<LOC_OP>& ops, uint64_t pc,
                       const DWARF_UNIT* unit, LOC_Purpose purpose, Dwarf_Die holder) {
  for (LOC_OP& op : ops) {
    if (op.atom == DW_OP_addrx || op.atom == DW_OP_constx ||
        op.atom == DW_OP_GNU_addr_index || op.atom == DW_OP_GNU_const_index) {
      Dwarf_Addr resolved = 0;
      Dwarf_Error err = nullptr;
      if (dwarf_debug_addr_index_to_addr(holder, op.op1, &resolved, &err) == DW_DLV_OK) {
        op.op1 = resolved;
      } else {
        DWARF_DropError(st, err);
      }
    }
  }
  EvalUser user{&st, unit, purpose, holder};
  LOC_CONTEXT ctx;
  ctx.purpose = purpose;
  ctx.pc = pc;
  ctx.eval_block = EvalBlock;
  ctx.cfa_rule = CfaRule;
  ctx.user = &user;
  return LOC_Evaluate(ops, ctx);
}

// Evaluates one location expression (a plain block of operations).
LOC_RECORD EvaluateExpression(DWARF_STATE& st, std::span<const uint8_t> bytes, uint64_t pc,
                              const DWARF_UNIT* unit, LOC_Purpose purpose, Dwarf_Die holder) {
  std::vector<LOC_OP> ops;
  if (bytes.empty() || !unit ||
      !LOC_DecodeExpression(bytes, unit->address_size, unit->offset_size, st.elf->big_endian,
                            ops)) {
    return {};
  }
  return EvaluateOps(st, ops, pc, unit, purpose, holder);
}

LOC_RECORD Offset(int64_t offset) {
  LOC_RECORD r;
  r.part_count = 1;
  r.parts[0].kind = LOC_OFFSET;
  r.parts[0].offset = offset;
  return r;
}

// The entry of a location list that applies at `pc` (any counter: the first entry with a
// location), evaluated.
LOC_RECORD ReadList(DWARF_STATE& st, Dwarf_Die holder, Dwarf_Attribute attr,
                    const DWARF_UNIT& unit, uint64_t pc, LOC_Purpose purpose) {
  std::vector<DWARF_LOCLIST_ENTRY> entries;
  if (!DWARF_ReadLocList(st, holder, attr, unit, entries)) return {};
  const bool any_pc = pc == 0 || pc == ~0ull;
  const DWARF_LOCLIST_ENTRY* chosen = nullptr;
  const DWARF_LOCLIST_ENTRY* fallback = nullptr;
  for (const DWARF_LOCLIST_ENTRY& e : entries) {
    if (e.expression.empty()) continue;
    if (any_pc) {
      chosen = &e;
      break;
    }
    if (e.is_default) {
      if (!fallback) fallback = &e;
    } else if (e.low == e.high ? pc == e.low : pc >= e.low && pc < e.high) {
      chosen = &e;
      break;
    }
  }
  if (!chosen) chosen = fallback;
  return chosen ? EvaluateExpression(st, chosen->expression, pc, &unit, purpose, holder)
                : LOC_RECORD{};
}

// Reads one location-valued attribute found on `holder`: a list, or one expression.
LOC_RECORD ReadAttr(DWARF_STATE& st, Dwarf_Die holder, Dwarf_Attribute attr, uint64_t pc,
                    LOC_Purpose purpose) {
  const DWARF_UNIT* unit = DWARF_UnitOf(st, DWARF_KeyOf(holder));
  if (!unit) return {};
  if (DWARF_IsLocList(st, attr, unit)) return ReadList(st, holder, attr, *unit, pc, purpose);
  Dwarf_Half form = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_whatform(attr, &form, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return {};
  }
  if (form == DW_FORM_exprloc) {
    Dwarf_Unsigned length = 0;
    Dwarf_Ptr bytes = nullptr;
    if (dwarf_formexprloc(attr, &length, &bytes, &err) != DW_DLV_OK) {
      DWARF_DropError(st, err);
      return {};
    }
    return EvaluateExpression(st, {static_cast<const uint8_t*>(bytes), size_t(length)}, pc,
                              unit, purpose, holder);
  }
  if (form == DW_FORM_block1 || form == DW_FORM_block2 || form == DW_FORM_block4 ||
      form == DW_FORM_block) {
    Dwarf_Block* block = nullptr;
    if (dwarf_formblock(attr, &block, &err) != DW_DLV_OK) {
      DWARF_DropError(st, err);
      return {};
    }
    const LOC_RECORD r = EvaluateExpression(
        st, {static_cast<const uint8_t*>(block->bl_data), size_t(block->bl_len)}, pc, unit,
        purpose, holder);
    dwarf_dealloc(st.dbg, block, DW_DLA_BLOCK);
    return r;
  }
  return {};
}

bool IsConstantForm(DWARF_STATE& st, Dwarf_Die die, Dwarf_Attribute attr) {
  Dwarf_Half form = 0, version = 0, offset_size = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_whatform(attr, &form, &err) != DW_DLV_OK ||
      dwarf_get_version_of_die(die, &version, &offset_size) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return false;
  }
  const Dwarf_Form_Class cls =
      dwarf_get_form_class(version, DW_AT_data_member_location, offset_size, form);
  return cls == DW_FORM_CLASS_CONSTANT;
}

LOC_RECORD MemberLocation(DWARF_STATE& st, SYM_KEY key, Dwarf_Die die, uint32_t tag,
                          uint64_t pc) {
  DWARF_Die holder;
  DWARF_Attr attr = DWARF_FindAttr(st, key, DW_AT_data_member_location, holder);
  if (!attr) {
    // A union member has offset 0; others have no location (DW_AT_data_bit_offset members
    // count their bit offset from the start of the record).
    (void)tag;
    const DWARF_ENTRY* e = DWARF_FindEntry(st, key);
    if (e) {
      DWARF_Die parent = DWARF_Fetch(st, e->parent);
      if (DWARF_TagOf(parent.get()) == DW_TAG_union_type) return Offset(0);
    }
    return {};
  }
  if (IsConstantForm(st, holder.get(), attr.get())) {
    int64_t v = 0;
    return DWARF_ConstOf(st, attr.get(), v) ? Offset(v) : LOC_RECORD{};
  }
  LOC_RECORD r = ReadAttr(st, holder.get(), attr.get(), pc, LOC_Purpose::Location);
  if (r.part_count > 0) return r;
  if (DWARF_AttrOf(st, die, DW_AT_data_bit_offset)) return Offset(0);
  return {};
}

}  // namespace

LOC_RECORD LOC_ReadLocation(DWARF_STATE& st, SYM_KEY key, Dwarf_Die die, uint64_t pc) {
  const uint32_t tag = DWARF_TagOf(die);
  if (tag == DW_TAG_member || tag == DW_TAG_inheritance) {
    LOC_RECORD r = MemberLocation(st, key, die, tag, pc);
    if (r.part_count > 0 || tag == DW_TAG_inheritance) return r;
    DWARF_Die holder;
    DWARF_Attr attr = DWARF_FindAttr(st, key, DW_AT_location, holder);
    return attr ? ReadAttr(st, holder.get(), attr.get(), pc, LOC_Purpose::Location) : r;
  }
  const bool frame = tag == DW_TAG_inlined_subroutine || tag == DW_TAG_subprogram;
  const Dwarf_Half which = frame ? DW_AT_frame_base : DW_AT_location;
  DWARF_Attr attr = DWARF_AttrOf(st, die, which);
  if (attr) {
    return ReadAttr(st, die, attr.get(), pc,
                    frame ? LOC_Purpose::FrameBase : LOC_Purpose::Location);
  }
  DWARF_Die holder;
  attr = DWARF_FindAttr(st, key, which, holder);
  if (!attr) return {};
  return ReadAttr(st, holder.get(), attr.get(), pc,
                  frame ? LOC_Purpose::FrameBase : LOC_Purpose::Location);
}

LOC_RECORD LOC_GetLocation(SYM_HANDLE symbol, uint64_t pc) {
  if (SYM_IsHandle(symbol) && SYM_IsElfSymbol(symbol)) {
    ELF_FILE* elf = ELF_ReadyFileInSlot(SYM_Slot(symbol));
    const uint32_t index = uint32_t(SYM_KeyOffset(symbol));
    LOC_RECORD r;
    if (!elf || ELF_IsBusy() || index >= ELF_GetSymbolCount(elf)) return r;
    const uint32_t type = ELF_GetSymbolType(elf, index);
    const uint64_t address = ELF_GetSymbolAddress(elf, index);
    if (type == 1) {
      r.part_count = 1;
      r.parts[0].kind = LOC_STATIC;
      r.parts[0].address = address;
    } else if (type == 0) {
      r.part_count = 1;
      r.parts[0].kind = LOC_CONSTANT;
      std::memcpy(r.parts[0].value, &address, sizeof address);
    }
    return r;
  }
  DWARF_STATE* st = DWARF_StateOf(symbol);
  if (!st) return {};
  DWARF_Die die = DWARF_Fetch(*st, SYM_Key(symbol));
  if (!die) return {};
  return LOC_ReadLocation(*st, SYM_Key(symbol), die.get(), pc);
}

uint64_t LOC_GetMemberOffset(SYM_HANDLE member) {
  const LOC_RECORD r = LOC_GetLocation(member, 0);
  if (r.part_count == 1 && r.parts[0].kind == LOC_OFFSET && r.parts[0].offset > 0) {
    return uint64_t(r.parts[0].offset);
  }
  return 0;
}

uint64_t LOC_GetTargetAddress(SYM_HANDLE variable) {
  const LOC_RECORD r = LOC_GetLocation(variable, ~0ull);
  return r.part_count > 0 ? r.parts[0].address : 0;
}

bool LOC_IsStatic(SYM_HANDLE variable) {
  const LOC_RECORD r = LOC_GetLocation(variable, 0);
  return r.part_count > 0 && r.parts[0].kind == LOC_STATIC &&
         (r.part_count < 2 || r.parts[1].kind == LOC_CONSTANT || r.parts[1].kind == LOC_STATIC);
}
