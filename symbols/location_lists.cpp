// DWARF 5 location lists (.debug_loclists), read by our own code instead of the DWARF
// library: the library (20210528) trusts the offset table of a list table and reads far
// outside the section when an offset is wrong, which took every program that opened such a
// file down. Here every index, offset and length is checked against the section; a list that
// does not fit gives no location. The section is withheld from the library altogether
// (elf_object_access.cpp), so nothing else in it reads these bytes.
#include <cstring>

#include "symbols/dwarf_cursor.h"
#include "symbols/dwarf_internal.h"

namespace {

enum : uint8_t {
  kEndOfList = 0x00,
  kBaseAddressx = 0x01,
  kStartxEndx = 0x02,
  kStartxLength = 0x03,
  kOffsetPair = 0x04,
  kDefaultLocation = 0x05,
  kBaseAddress = 0x06,
  kStartEnd = 0x07,
  kStartLength = 0x08,
  kGnuViewPair = 0x09,
};

std::span<const uint8_t> LocListsSection(DWARF_STATE& st) {
  ELF_FILE& elf = *st.elf;
  uint32_t found = 0, index = 0;
  for (uint32_t i = 0; i < elf.dwarf_sections.size(); ++i) {
    if (elf.dwarf_sections[i].name == ".debug_loclists") {
      ++found;
      index = i;
    }
  }
  if (found != 1) return {};
  const uint8_t* data = ELF_LoadDwarfSection(elf, index);
  return data ? std::span<const uint8_t>(data, size_t(elf.dwarf_sections[index].size))
              : std::span<const uint8_t>();
}

// The value of a section offset or list index attribute.
bool ListReference(DWARF_STATE& st, Dwarf_Attribute attr, Dwarf_Half form, uint64_t& value) {
  Dwarf_Unsigned v = 0;
  Dwarf_Off off = 0;
  Dwarf_Error err = nullptr;
  if (form == DW_FORM_loclistx || form == DW_FORM_sec_offset) {
    if (dwarf_formudata(attr, &v, &err) == DW_DLV_OK) {
      value = v;
      return true;
    }
    DWARF_DropError(st, err);
  }
  if (form == DW_FORM_sec_offset && dwarf_global_formref(attr, &off, &err) == DW_DLV_OK) {
    value = off;
    return true;
  }
  DWARF_DropError(st, err);
  return false;
}

// Where the offset table of the unit's list table starts: DW_AT_loclists_base, else just
// after the first table's header.
uint64_t LocListsBase(DWARF_STATE& st, const DWARF_UNIT& unit) {
  DWARF_Die unit_die = DWARF_Fetch(st, unit.die);
  DWARF_Attr attr = unit_die ? DWARF_AttrOf(st, unit_die.get(), DW_AT_loclists_base)
                             : DWARF_Attr();
  Dwarf_Half form = 0;
  Dwarf_Error err = nullptr;
  uint64_t base = 0;
  if (attr && dwarf_whatform(attr.get(), &form, &err) == DW_DLV_OK &&
      ListReference(st, attr.get(), DW_FORM_sec_offset, base)) {
    return base;
  }
  DWARF_DropError(st, err);
  return unit.offset_size == 8 ? 20 : 12;
}

}  // namespace

bool DWARF_IsLocList5(DWARF_STATE& st, Dwarf_Attribute attr, const DWARF_UNIT* unit) {
  Dwarf_Half form = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_whatform(attr, &form, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return false;
  }
  return form == DW_FORM_loclistx ||
         (form == DW_FORM_sec_offset && unit != nullptr && unit->version >= 5);
}

bool DWARF_ReadLocList5(DWARF_STATE& st, Dwarf_Die holder, Dwarf_Attribute attr,
                        const DWARF_UNIT& unit, std::vector<DWARF_LOCLIST_ENTRY>& out) {
  out.clear();
  const std::span<const uint8_t> section = LocListsSection(st);
  const bool big = st.elf->big_endian;
  const int address_size = unit.address_size;
  const int offset_size = unit.offset_size;
  if (section.empty() || address_size < 1 || address_size > 8 ||
      (offset_size != 4 && offset_size != 8)) {
    return false;
  }
  Dwarf_Half form = 0;
  Dwarf_Error err = nullptr;
  uint64_t reference = 0;
  if (dwarf_whatform(attr, &form, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return false;
  }
  if (!ListReference(st, attr, form, reference)) return false;
  uint64_t offset = reference;
  if (form == DW_FORM_loclistx) {
    // The index selects an entry of the table's offset array, which is preceded by the
    // table's entry count; the offset it holds counts from the array's start.
    const uint64_t base = LocListsBase(st, unit);
    if (base < 4 || base > section.size()) return false;
    DWARF_Cursor count(section, base - 4, big);
    if (reference >= count.Fixed(4) || !count.ok()) return false;
    if (reference > (section.size() - base) / uint64_t(offset_size)) return false;
    DWARF_Cursor slot(section, base + reference * uint64_t(offset_size), big);
    const uint64_t relative = slot.Fixed(offset_size);
    if (!slot.ok() || relative > section.size() - base) return false;
    offset = base + relative;
  }
  if (offset >= section.size()) return false;

  bool indices_ok = true;
  auto indexed = [&](uint64_t index) {
    Dwarf_Addr address = 0;
    Dwarf_Error e = nullptr;
    if (dwarf_debug_addr_index_to_addr(holder, index, &address, &e) == DW_DLV_OK) {
      return uint64_t(address);
    }
    DWARF_DropError(st, e);
    indices_ok = false;
    return uint64_t(0);
  };
  DWARF_Cursor c(section, offset, big);
  uint64_t base = unit.low_pc;
  for (;;) {
    const uint8_t kind = c.Byte();
    DWARF_LOCLIST_ENTRY e;
    bool located = true;
    switch (kind) {
      case kEndOfList:
        return c.ok();
      case kBaseAddressx:
        base = indexed(c.Uleb());
        located = false;
        break;
      case kStartxEndx:
        e.low = indexed(c.Uleb());
        e.high = indexed(c.Uleb());
        break;
      case kStartxLength:
        e.low = indexed(c.Uleb());
        e.high = e.low + c.Uleb();
        break;
      case kOffsetPair:
        e.low = base + c.Uleb();
        e.high = base + c.Uleb();
        break;
      case kDefaultLocation:
        e.is_default = true;
        break;
      case kBaseAddress:
        base = c.Fixed(address_size);
        located = false;
        break;
      case kStartEnd:
        e.low = c.Fixed(address_size);
        e.high = c.Fixed(address_size);
        break;
      case kStartLength:
        e.low = c.Fixed(address_size);
        e.high = e.low + c.Uleb();
        break;
      case kGnuViewPair:
        (void)c.Uleb();
        (void)c.Uleb();
        located = false;
        break;
      default:
        return false;
    }
    if (located) e.expression = c.Bytes(c.Uleb());
    if (!c.ok() || !indices_ok) {
      out.clear();
      return false;
    }
    if (located) out.push_back(e);
  }
}
