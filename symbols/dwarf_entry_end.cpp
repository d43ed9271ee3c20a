// Where a childless entry ends in its section, read from the section bytes. The walk uses it
// to step from the last entry of a child list to the parent's next sibling directly: asking
// the library for the parent's sibling would skip over all of the parent's children again,
// once for every level of nesting.
#include <cstring>

#include "symbols/dwarf_cursor.h"
#include "symbols/dwarf_internal.h"

namespace {

// Size of the value of `form` at `at`, or 0 when unknown (zero-sized forms are handled by the
// caller).
uint64_t ValueSize(const DWARF_RAW_SECTION& sec, const DWARF_UNIT& unit, Dwarf_Half form,
                   uint64_t at, uint64_t end) {
  const uint8_t* d = sec.data;
  const uint64_t room = at < end ? end - at : 0;
  uint64_t n = 0;
  switch (form) {
    case DW_FORM_addr: return unit.address_size;
    case DW_FORM_data1: case DW_FORM_ref1: case DW_FORM_flag: case DW_FORM_strx1:
    case DW_FORM_addrx1:
      return 1;
    case DW_FORM_data2: case DW_FORM_ref2: case DW_FORM_strx2: case DW_FORM_addrx2:
      return 2;
    case DW_FORM_strx3: case DW_FORM_addrx3: return 3;
    case DW_FORM_data4: case DW_FORM_ref4: case DW_FORM_strx4: case DW_FORM_addrx4:
    case DW_FORM_ref_sup4:
      return 4;
    case DW_FORM_data8: case DW_FORM_ref8: case DW_FORM_ref_sig8: case DW_FORM_ref_sup8:
      return 8;
    case DW_FORM_data16: return 16;
    case DW_FORM_strp: case DW_FORM_line_strp: case DW_FORM_sec_offset: case DW_FORM_strp_sup:
    case DW_FORM_GNU_ref_alt: case DW_FORM_GNU_strp_alt:
      return unit.offset_size;
    case DW_FORM_ref_addr: return unit.version <= 2 ? unit.address_size : unit.offset_size;
    case DW_FORM_udata: case DW_FORM_sdata: case DW_FORM_ref_udata: case DW_FORM_strx:
    case DW_FORM_addrx: case DW_FORM_loclistx: case DW_FORM_rnglistx:
    case DW_FORM_GNU_addr_index: case DW_FORM_GNU_str_index:
      return DWARF_LebLength(d, at, end, nullptr);
    case DW_FORM_string: {
      const void* nul = room ? std::memchr(d + at, 0, room) : nullptr;
      return nul ? uint64_t(static_cast<const uint8_t*>(nul) - (d + at)) + 1 : 0;
    }
    case DW_FORM_exprloc: case DW_FORM_block: {
      uint64_t length = 0;
      n = DWARF_LebLength(d, at, end, &length);
      return n && length <= room - n ? n + length : 0;
    }
    case DW_FORM_block1: case DW_FORM_block2: case DW_FORM_block4: {
      const int width = form == DW_FORM_block1 ? 1 : form == DW_FORM_block2 ? 2 : 4;
      if (room < uint64_t(width)) return 0;
      const uint64_t length = DWARF_ReadUnsigned(d + at, width, sec.big_endian);
      return length <= room - width ? width + length : 0;
    }
    default: return 0;
  }
}

}  // namespace

DWARF_RAW_SECTION DWARF_RawSection(DWARF_STATE& st, const char* name) {
  DWARF_RAW_SECTION sec;
  uint32_t found = 0;
  uint32_t index = 0;
  for (uint32_t i = 0; i < st.elf->dwarf_sections.size(); ++i) {
    if (st.elf->dwarf_sections[i].name == name) {
      ++found;
      index = i;
    }
  }
  if (found != 1) return sec;  // several candidates: which one the library reads is unclear
  Dwarf_Addr addr = 0;
  Dwarf_Unsigned size = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_get_section_info_by_name(st.dbg, name, &addr, &size, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return sec;
  }
  const uint8_t* data = ELF_LoadDwarfSection(*st.elf, index);
  if (!data || size != st.elf->dwarf_sections[index].size) return sec;
  sec.data = data;
  sec.size = size;
  sec.big_endian = st.elf->big_endian;
  return sec;
}

// The entry's bytes are skipped with its abbreviation, read from ".debug_abbrev"; the
// abbreviation code (in both sections) and the attribute count must match the library's.
uint64_t DWARF_ChildlessEnd(DWARF_STATE& st, const DWARF_RAW_SECTION& sec,
                            const DWARF_RAW_SECTION& abbrevs, const DWARF_UNIT& unit,
                            uint64_t unit_end, Dwarf_Die die) {
  if (!sec.data || !abbrevs.data || unit_end > sec.size) return 0;
  Dwarf_Half has_children = 1;
  if (dwarf_die_abbrev_children_flag(die, &has_children) != DW_DLV_OK || has_children) return 0;
  Dwarf_Off offset = 0;
  Dwarf_Off abbrev_at = 0;
  Dwarf_Unsigned attr_count = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_dieoffset(die, &offset, &err) != DW_DLV_OK ||
      dwarf_die_abbrev_global_offset(die, &abbrev_at, &attr_count, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return 0;
  }
  const uint64_t code = uint64_t(dwarf_die_abbrev_code(die));
  if (offset >= unit_end || abbrev_at >= abbrevs.size || code == 0) return 0;
  const uint8_t* a = abbrevs.data;
  const uint64_t a_end = abbrevs.size;
  uint64_t value = 0;
  uint64_t n = DWARF_LebLength(sec.data, offset, unit_end, &value);
  if (n == 0 || value != code) return 0;
  uint64_t at = offset + n;
  uint64_t ap = abbrev_at;
  n = DWARF_LebLength(a, ap, a_end, &value);  // code
  if (n == 0 || value != code) return 0;
  ap += n;
  n = DWARF_LebLength(a, ap, a_end, nullptr);  // tag
  if (n == 0 || ap + n >= a_end || a[ap + n] != DW_CHILDREN_no) return 0;
  ap += n + 1;
  uint64_t count = 0;
  for (;;) {
    uint64_t attr = 0, form = 0;
    n = DWARF_LebLength(a, ap, a_end, &attr);
    if (n == 0) return 0;
    ap += n;
    n = DWARF_LebLength(a, ap, a_end, &form);
    if (n == 0) return 0;
    ap += n;
    if (attr == 0 && form == 0) break;
    if (attr == DW_AT_sibling || ++count > attr_count) return 0;
    if (form == DW_FORM_implicit_const) {
      n = DWARF_LebLength(a, ap, a_end, nullptr);
      if (n == 0) return 0;
      ap += n;
      continue;
    }
    if (form == DW_FORM_indirect) {
      n = DWARF_LebLength(sec.data, at, unit_end, &form);
      if (n == 0 || form == DW_FORM_indirect || form == DW_FORM_implicit_const) return 0;
      at += n;
    }
    if (form == DW_FORM_flag_present) continue;
    if (form > 0xFFFF || at >= unit_end) return 0;
    const uint64_t size = ValueSize(sec, unit, Dwarf_Half(form), at, unit_end);
    if (size == 0 || size > unit_end - at) return 0;
    at += size;
  }
  return count == attr_count ? at : 0;
}

int DWARF_AbbrevHasAttr(DWARF_STATE& st, const DWARF_RAW_SECTION& abbrevs, Dwarf_Die die,
                        Dwarf_Half first, Dwarf_Half second, bool& has_first,
                        bool& has_second) {
  has_first = has_second = false;
  if (!abbrevs.data) return -1;
  Dwarf_Off abbrev_at = 0;
  Dwarf_Unsigned attr_count = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_die_abbrev_global_offset(die, &abbrev_at, &attr_count, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return -1;
  }
  const uint64_t code = uint64_t(dwarf_die_abbrev_code(die));
  const uint8_t* a = abbrevs.data;
  const uint64_t a_end = abbrevs.size;
  if (abbrev_at >= a_end || code == 0) return -1;
  uint64_t value = 0;
  uint64_t ap = abbrev_at;
  uint64_t n = DWARF_LebLength(a, ap, a_end, &value);  // code
  if (n == 0 || value != code) return -1;
  ap += n;
  n = DWARF_LebLength(a, ap, a_end, nullptr);  // tag
  if (n == 0 || ap + n >= a_end) return -1;
  ap += n + 1;  // and the children byte
  uint64_t count = 0;
  for (;;) {
    uint64_t attr = 0, form = 0;
    n = DWARF_LebLength(a, ap, a_end, &attr);
    if (n == 0) return -1;
    ap += n;
    n = DWARF_LebLength(a, ap, a_end, &form);
    if (n == 0) return -1;
    ap += n;
    if (attr == 0 && form == 0) break;
    if (++count > attr_count) return -1;
    if (form == DW_FORM_implicit_const) {
      n = DWARF_LebLength(a, ap, a_end, nullptr);
      if (n == 0) return -1;
      ap += n;
    }
    if (attr == first) has_first = true;
    if (attr == second) has_second = true;
  }
  if (count != attr_count) {
    has_first = has_second = false;
    return -1;
  }
  return 0;
}
