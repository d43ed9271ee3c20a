// Location lists (.debug_loc of DWARF 2 to 4, .debug_loclists of DWARF 5), read by our own
// code instead of the DWARF library: the library (20210528) trusts the offset table of a list
// table and reads far outside the section when an offset is wrong, which took every program
// that opened such a file down. Here every index, offset and length is checked against the
// section; a list that does not fit gives no location. Both sections are withheld from the
// library altogether (elf_object_access.cpp), so nothing else in it reads these bytes.
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

// Far more entries than any compiler writes for one variable; a longer list is taken as
// malformed rather than walked (an inflated section may hold a gigabyte of them).
constexpr size_t kMaxListEntries = 65536;

std::span<const uint8_t> SectionBytes(DWARF_STATE& st, const char* name) {
  ELF_FILE& elf = *st.elf;
  uint32_t found = 0, index = 0;
  for (uint32_t i = 0; i < elf.dwarf_sections.size(); ++i) {
    if (elf.dwarf_sections[i].name == name) {
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
  if (form == DW_FORM_loclistx || form == DW_FORM_sec_offset || form == DW_FORM_data4 ||
      form == DW_FORM_data8) {
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

bool DWARF_IsLocList(DWARF_STATE& st, Dwarf_Attribute attr, const DWARF_UNIT* unit) {
  Dwarf_Half form = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_whatform(attr, &form, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return false;
  }
  if (form == DW_FORM_loclistx || form == DW_FORM_sec_offset) return true;
  // DWARF 2 and 3 give a list's offset in a 4- or 8-byte constant.
  return (form == DW_FORM_data4 || form == DW_FORM_data8) && unit != nullptr &&
         unit->version < 4;
}

namespace {

// DWARF 2 to 4: pairs of addresses relative to the base address, a pair of zeros ending the
// list and a first address of all ones choosing a new base; each range has a 2-byte length
// and its expression.
bool ReadLoc(DWARF_STATE& st, uint64_t offset, const DWARF_UNIT& unit,
             std::vector<DWARF_LOCLIST_ENTRY>& out) {
  const std::span<const uint8_t> section = SectionBytes(st, ".debug_loc");
  const int address_size = unit.address_size;
  if (section.empty() || address_size < 1 || address_size > 8 || offset >= section.size()) {
    return false;
  }
  const uint64_t all_ones = address_size == 8 ? ~0ull : (1ull << (8 * address_size)) - 1;
  DWARF_Cursor c(section, offset, st.elf->big_endian);
  uint64_t base = unit.low_pc;
  for (size_t walked = 0; walked < kMaxListEntries; ++walked) {
    const uint64_t begin = c.Fixed(address_size);
    const uint64_t end = c.Fixed(address_size);
    if (!c.ok()) break;
    if (begin == 0 && end == 0) return true;
    if (begin == all_ones) {
      base = end;
      continue;
    }
    DWARF_LOCLIST_ENTRY e;
    e.low = base + begin;
    e.high = base + end;
    e.expression = c.Bytes(c.Fixed(2));
    if (!c.ok()) break;
    out.push_back(e);
  }
  out.clear();
  return false;
}

// DWARF 5: typed entries; addresses may be indices into .debug_addr, and a list may be
// named by its index in the offset table of the unit's list table.
bool ReadLocLists(DWARF_STATE& st, Dwarf_Die holder, Dwarf_Half form, uint64_t reference,
                  const DWARF_UNIT& unit, std::vector<DWARF_LOCLIST_ENTRY>& out) {
  const std::span<const uint8_t> section = SectionBytes(st, ".debug_loclists");
  const bool big = st.elf->big_endian;
  const int address_size = unit.address_size;
  const int offset_size = unit.offset_size;
  if (section.empty() || address_size < 1 || address_size > 8 ||
      (offset_size != 4 && offset_size != 8)) {
    return false;
  }
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
  for (size_t walked = 0; walked < kMaxListEntries; ++walked) {
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
        out.clear();
        return false;
    }
    if (located) e.expression = c.Bytes(c.Uleb());
    if (!c.ok() || !indices_ok) break;
    if (located) out.push_back(e);
  }
  out.clear();
  return false;
}

}  // namespace

bool DWARF_ReadLocList(DWARF_STATE& st, Dwarf_Die holder, Dwarf_Attribute attr,
                       const DWARF_UNIT& unit, std::vector<DWARF_LOCLIST_ENTRY>& out) {
  out.clear();
  Dwarf_Half form = 0;
  Dwarf_Error err = nullptr;
  uint64_t reference = 0;
  if (dwarf_whatform(attr, &form, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return false;
  }
  if (!ListReference(st, attr, form, reference)) return false;
  return unit.version >= 5 ? ReadLocLists(st, holder, form, reference, unit, out)
                           : ReadLoc(st, reference, unit, out);
}
