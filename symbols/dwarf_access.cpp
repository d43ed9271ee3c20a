// Small helpers around the DWARF library: owned entries and attributes, forms, references,
// unit and entry look-ups, the name index key.
#include <algorithm>

#include "symbols/dwarf_internal.h"

DWARF_STATE::~DWARF_STATE() {
  if (dbg) {
    if (cies || fdes) dwarf_fde_cie_list_dealloc(dbg, cies, cie_count, fdes, fde_count);
    Dwarf_Error err = nullptr;
    dwarf_object_finish(dbg, &err);
  }
}

void DWARF_STATE_DELETER::operator()(DWARF_STATE* state) const { delete state; }

void DWARF_DropError(DWARF_STATE& st, Dwarf_Error& err) {
  if (err) dwarf_dealloc_error(st.dbg, err);
  err = nullptr;
}

DWARF_STATE* DWARF_StateOf(SYM_HANDLE symbol) {
  if (!SYM_IsHandle(symbol) || SYM_IsElfSymbol(symbol)) return nullptr;
  ELF_FILE* elf = ELF_ReadyFileInSlot(SYM_Slot(symbol));
  return elf && elf->dwarf && elf->dwarf->dbg ? elf->dwarf.get() : nullptr;
}

DWARF_STATE* DWARF_StateOfFile(const ELF_FILE* elf) {
  if (!ELF_IsOpen(elf) || ELF_IsBusy()) return nullptr;
  return elf->dwarf && elf->dwarf->dbg ? elf->dwarf.get() : nullptr;
}

DWARF_Die DWARF_Fetch(DWARF_STATE& st, SYM_KEY key) {
  if (key == 0) return {};
  Dwarf_Die die = nullptr;
  Dwarf_Error err = nullptr;
  const int rc = dwarf_offdie_b(st.dbg, SYM_KeyOffset(key), SYM_KeyIsInfo(key), &die, &err);
  if (rc != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return {};
  }
  return DWARF_Die(die);
}

SYM_KEY DWARF_KeyOf(Dwarf_Die die) {
  Dwarf_Off off = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_dieoffset(die, &off, &err) != DW_DLV_OK) return 0;
  return SYM_MakeKey(dwarf_get_die_infotypes_flag(die) != 0, off);
}

uint32_t DWARF_TagOf(Dwarf_Die die) {
  Dwarf_Half tag = 0;
  Dwarf_Error err = nullptr;
  if (!die || dwarf_tag(die, &tag, &err) != DW_DLV_OK) return 0;
  return tag;
}

DWARF_Attr DWARF_AttrOf(DWARF_STATE& st, Dwarf_Die die, Dwarf_Half attr) {
  if (!die) return {};
  Dwarf_Attribute a = nullptr;
  Dwarf_Error err = nullptr;
  const int rc = dwarf_attr(die, attr, &a, &err);
  if (rc != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return {};
  }
  return DWARF_Attr(a);
}

SYM_KEY DWARF_RefOf(DWARF_STATE& st, Dwarf_Die die, Dwarf_Attribute attr) {
  if (!attr) return 0;
  Dwarf_Half form = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_whatform(attr, &form, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return 0;
  }
  if (form == DW_FORM_ref_sig8) {
    Dwarf_Sig8 sig;
    if (dwarf_formsig8(attr, &sig, &err) != DW_DLV_OK) {
      DWARF_DropError(st, err);
      return 0;
    }
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 8) | uint8_t(sig.signature[i]);
    auto it = st.signatures.find(v);
    return it == st.signatures.end() ? 0 : it->second;
  }
  Dwarf_Off off = 0;
  if (dwarf_global_formref(attr, &off, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return 0;
  }
  // DW_FORM_ref_addr always points into .debug_info; unit-relative references stay in the
  // section of the referring entry.
  const bool is_info = form == DW_FORM_ref_addr || dwarf_get_die_infotypes_flag(die) != 0;
  return SYM_MakeKey(is_info, off);
}

bool DWARF_ConstOf(DWARF_STATE& st, Dwarf_Attribute attr, int64_t& value) {
  if (!attr) return false;
  Dwarf_Half form = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_whatform(attr, &form, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return false;
  }
  if (form == DW_FORM_sdata || form == DW_FORM_implicit_const) {
    Dwarf_Signed s = 0;
    if (dwarf_formsdata(attr, &s, &err) != DW_DLV_OK) {
      DWARF_DropError(st, err);
      return false;
    }
    value = s;
    return true;
  }
  Dwarf_Unsigned u = 0;
  if (dwarf_formudata(attr, &u, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return false;
  }
  value = int64_t(u);
  return true;
}

bool DWARF_FlagOf(DWARF_STATE& st, Dwarf_Attribute attr) {
  if (!attr) return false;
  Dwarf_Bool b = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_formflag(attr, &b, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return false;
  }
  return b != 0;
}

const char* DWARF_StringOf(DWARF_STATE& st, Dwarf_Attribute attr) {
  if (!attr) return nullptr;
  char* s = nullptr;
  Dwarf_Error err = nullptr;
  if (dwarf_formstring(attr, &s, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return nullptr;
  }
  return s;
}

const char* DWARF_DirectName(DWARF_STATE& st, Dwarf_Die die) {
  DWARF_Attr a = DWARF_AttrOf(st, die, DW_AT_name);
  return DWARF_StringOf(st, a.get());
}

bool DWARF_HasTrueFlag(DWARF_STATE& st, Dwarf_Die die, Dwarf_Half attr) {
  DWARF_Attr a = DWARF_AttrOf(st, die, attr);
  return DWARF_FlagOf(st, a.get());
}

const DWARF_UNIT* DWARF_UnitOf(const DWARF_STATE& st, SYM_KEY key) {
  auto it = std::upper_bound(st.units.begin(), st.units.end(), key,
                             [](SYM_KEY k, const DWARF_UNIT& u) { return k < u.start; });
  if (it == st.units.begin()) return nullptr;
  --it;
  return key < it->end ? &*it : nullptr;
}

DWARF_UNIT* DWARF_UnitOf(DWARF_STATE& st, SYM_KEY key) {
  return const_cast<DWARF_UNIT*>(DWARF_UnitOf(static_cast<const DWARF_STATE&>(st), key));
}

const DWARF_ENTRY* DWARF_FindEntry(const DWARF_STATE& st, SYM_KEY key) {
  auto it = std::lower_bound(st.entries.begin(), st.entries.end(), key,
                             [](const DWARF_ENTRY& e, SYM_KEY k) { return e.key < k; });
  return it != st.entries.end() && it->key == key ? &*it : nullptr;
}

DWARF_INFO& DWARF_InfoFor(DWARF_STATE& st, SYM_KEY key) { return st.infos[key]; }

const DWARF_INFO* DWARF_FindInfo(const DWARF_STATE& st, SYM_KEY key) {
  auto it = st.infos.find(key);
  return it == st.infos.end() ? nullptr : &it->second;
}

uint64_t DWARF_NameKey(uint32_t tag, const char* name, bool declaration) {
  uint32_t h = 5381;
  for (const char* p = name; p && *p; ++p) h = h * 33 + uint8_t(*p);
  return (uint64_t(tag) + (uint64_t(h) + 713) * 31) * 31 + (declaration ? 1 : 0);
}

SYM_KEY DWARF_LookupName(const DWARF_STATE& st, uint32_t tag, const char* name,
                         bool declaration) {
  if (!name || !*name) return 0;
  auto it = st.name_index.find(DWARF_NameKey(tag, name, declaration));
  return it == st.name_index.end() ? 0 : it->second;
}
