// Queries of the debug information database: categories, names, declarations and
// definitions, attribute fallbacks, type resolution, sizes, signedness, members, source files.
#include <cstring>

#include "symbols/dwarf_internal.h"

namespace {

constexpr int kMaxNameLevels = 5;
constexpr int kMaxFallbackLevels = 6;
constexpr int kMaxTypeSteps = 64;
constexpr uint64_t kSizeSanityLimit = 10000000;

bool IsResolvedTypeTag(uint32_t tag) {
  switch (tag) {
    case DW_TAG_array_type:
    case DW_TAG_class_type:
    case DW_TAG_enumeration_type:
    case DW_TAG_pointer_type:
    case DW_TAG_reference_type:
    case DW_TAG_structure_type:
    case DW_TAG_subroutine_type:
    case DW_TAG_union_type:
    case DW_TAG_ptr_to_member_type:
    case DW_TAG_base_type:
    case DW_TAG_subprogram:
    case DW_TAG_unspecified_type:
    case DW_TAG_rvalue_reference_type:
      return true;
    default:
      return false;
  }
}

const std::vector<SYM_KEY>* Category(const DWARF_STATE& st, uint32_t category) {
  switch (category) {
    case DWARF_CAT_TYPES: return &st.types;
    case DWARF_CAT_UNITS: return &st.units_cat;
    case DWARF_CAT_INLINED: return &st.inlined;
    case DWARF_CAT_NAMESPACE_EXTENSIONS: return &st.ns_extensions;
    case DWARF_CAT_FUNCTIONS: return &st.functions;
    case DWARF_CAT_VARIABLES: return &st.variables;
    case DWARF_CAT_NAMESPACES: return &st.namespaces;
    default: return nullptr;
  }
}

ELF_FILE* ElfOf(SYM_HANDLE symbol) {
  if (!SYM_IsHandle(symbol) || !SYM_IsElfSymbol(symbol) || ELF_IsBusy()) return nullptr;
  return ELF_ReadyFileInSlot(SYM_Slot(symbol));
}

SYM_HANDLE Handle(const DWARF_STATE& st, SYM_KEY key) {
  return key ? SYM_MakeEntryHandle(st.elf->slot, key) : SYM_NONE;
}

// DW_AT_type of an entry (with fallbacks), or 0.
SYM_KEY TypeRef(DWARF_STATE& st, SYM_KEY key) {
  DWARF_Die holder;
  DWARF_Attr a = DWARF_FindAttr(st, key, DW_AT_type, holder);
  return a ? DWARF_RefOf(st, holder.get(), a.get()) : 0;
}

uint64_t ByteSizeAttr(DWARF_STATE& st, SYM_KEY key) {
  DWARF_Die holder;
  DWARF_Attr a = DWARF_FindAttr(st, key, DW_AT_byte_size, holder);
  int64_t v = 0;
  return a && DWARF_ConstOf(st, a.get(), v) && v > 0 ? uint64_t(v) : 0;
}

}  // namespace

uint64_t DWARF_GetCategoryCount(const ELF_FILE* elf, uint32_t category) {
  const DWARF_STATE* st = DWARF_StateOfFile(elf);
  const std::vector<SYM_KEY>* list = st ? Category(*st, category) : nullptr;
  return list ? list->size() : 0;
}

SYM_HANDLE DWARF_GetCategoryEntry(const ELF_FILE* elf, uint32_t category, uint64_t index) {
  const DWARF_STATE* st = DWARF_StateOfFile(elf);
  const std::vector<SYM_KEY>* list = st ? Category(*st, category) : nullptr;
  if (!list || index >= list->size()) return SYM_NONE;
  return Handle(*st, (*list)[size_t(index)]);
}

SYM_KEY DWARF_DeclarationOf(DWARF_STATE& st, SYM_KEY key) {
  if (auto it = st.declaration_of.find(key); it != st.declaration_of.end()) return it->second;
  DWARF_Die die = DWARF_Fetch(st, key);
  if (!die) return 0;
  const SYM_KEY found =
      DWARF_LookupName(st, DWARF_TagOf(die.get()), DWARF_DirectName(st, die.get()), true);
  return found == key ? 0 : found;
}

SYM_KEY DWARF_DefinitionOf(DWARF_STATE& st, SYM_KEY key) {
  if (auto it = st.definition_of.find(key); it != st.definition_of.end()) return it->second;
  DWARF_Die die = DWARF_Fetch(st, key);
  if (!die) return 0;
  // A type stub that names its type unit by signature (DW_AT_signature).
  DWARF_Attr signature = DWARF_AttrOf(st, die.get(), DW_AT_signature);
  if (signature) {
    const SYM_KEY target = DWARF_RefOf(st, die.get(), signature.get());
    if (target && target != key) return target;
  }
  if (!DWARF_HasTrueFlag(st, die.get(), DW_AT_declaration)) return 0;
  const SYM_KEY found =
      DWARF_LookupName(st, DWARF_TagOf(die.get()), DWARF_DirectName(st, die.get()), false);
  return found == key ? 0 : found;
}

namespace {

DWARF_Attr FindAttrLevel(DWARF_STATE& st, SYM_KEY key, Dwarf_Half attr, DWARF_Die& holder,
                         int level) {
  DWARF_Die die = DWARF_Fetch(st, key);
  if (!die) return {};
  DWARF_Attr a = DWARF_AttrOf(st, die.get(), attr);
  if (a) {
    holder = std::move(die);
    return a;
  }
  if (attr == DW_AT_abstract_origin || attr == DW_AT_declaration ||
      attr == DW_AT_specification || attr == DW_AT_extension || level >= kMaxFallbackLevels) {
    return {};
  }
  const SYM_KEY decl = DWARF_DeclarationOf(st, key);
  if (decl && decl != key) {
    DWARF_Die d = DWARF_Fetch(st, decl);
    a = DWARF_AttrOf(st, d.get(), attr);
    if (a) {
      holder = std::move(d);
      return a;
    }
  }
  DWARF_Attr origin = DWARF_AttrOf(st, die.get(), DW_AT_abstract_origin);
  const SYM_KEY origin_key = origin ? DWARF_RefOf(st, die.get(), origin.get()) : 0;
  if (origin_key && origin_key != key) {
    a = FindAttrLevel(st, origin_key, attr, holder, level + 1);
    if (a) return a;
  }
  const SYM_KEY def = DWARF_DefinitionOf(st, key);
  if (def && def != key) {
    DWARF_Die d = DWARF_Fetch(st, def);
    a = DWARF_AttrOf(st, d.get(), attr);
    if (a) {
      holder = std::move(d);
      return a;
    }
  }
  return {};
}

std::string NameOf(DWARF_STATE& st, SYM_KEY key, int level) {
  DWARF_Die die = DWARF_Fetch(st, key);
  if (!die) return {};
  if (const char* name = DWARF_DirectName(st, die.get())) return name;
  if (level >= kMaxNameLevels) return {};
  for (Dwarf_Half at : {Dwarf_Half(DW_AT_abstract_origin), Dwarf_Half(DW_AT_specification)}) {
    DWARF_Attr a = DWARF_AttrOf(st, die.get(), at);
    const SYM_KEY target = a ? DWARF_RefOf(st, die.get(), a.get()) : 0;
    if (target && target != key) {
      std::string n = NameOf(st, target, level + 1);
      if (!n.empty()) return n;
    }
  }
  const SYM_KEY def = DWARF_DefinitionOf(st, key);
  if (def && def != key) return NameOf(st, def, level + 1);
  return {};
}

}  // namespace

DWARF_Attr DWARF_FindAttr(DWARF_STATE& st, SYM_KEY key, Dwarf_Half attr, DWARF_Die& holder) {
  return FindAttrLevel(st, key, attr, holder, 0);
}

std::string DWARF_GetName(SYM_HANDLE symbol) {
  if (ELF_FILE* elf = ElfOf(symbol)) return ELF_GetSymbolName(elf, uint32_t(SYM_Key(symbol)));
  DWARF_STATE* st = DWARF_StateOf(symbol);
  return st ? NameOf(*st, SYM_Key(symbol), 0) : std::string();
}

uint32_t DWARF_GetTag(SYM_HANDLE symbol) {
  if (ELF_FILE* elf = ElfOf(symbol)) {
    const uint32_t index = uint32_t(SYM_KeyOffset(symbol));
    return index < ELF_GetSymbolCount(elf) ? ELF_GetSymbolType(elf, index) : DWARF_TAG_FAILED;
  }
  DWARF_STATE* st = DWARF_StateOf(symbol);
  if (!st) return DWARF_TAG_FAILED;
  DWARF_Die die = DWARF_Fetch(*st, SYM_Key(symbol));
  return die ? DWARF_TagOf(die.get()) : DWARF_TAG_FAILED;
}

SYM_HANDLE DWARF_GetType(SYM_HANDLE symbol, bool self) {
  DWARF_STATE* st = DWARF_StateOf(symbol);
  if (!st) return SYM_NONE;
  SYM_KEY cur = SYM_Key(symbol);
  SYM_KEY result = 0;
  DWARF_Die die = DWARF_Fetch(*st, cur);
  if (!die) return SYM_NONE;
  if (self && IsResolvedTypeTag(DWARF_TagOf(die.get()))) {
    result = cur;
  } else {
    for (int step = 0; step < kMaxTypeSteps && !result; ++step) {
      const SYM_KEY next = TypeRef(*st, cur);
      if (!next || next == cur) break;
      DWARF_Die d = DWARF_Fetch(*st, next);
      if (!d) break;
      if (IsResolvedTypeTag(DWARF_TagOf(d.get()))) result = next;
      cur = next;
    }
  }
  if (!result) return SYM_NONE;
  // A declaration (or a signature stub) is replaced by its definition.
  if (const SYM_KEY def = DWARF_DefinitionOf(*st, result)) result = def;
  DWARF_Die rd = DWARF_Fetch(*st, result);
  DWARF_Attr size = DWARF_AttrOf(*st, rd.get(), DW_AT_byte_size);
  const uint32_t tag = DWARF_TagOf(rd.get());
  if (!size && (tag == DW_TAG_class_type || tag == DW_TAG_structure_type ||
                tag == DW_TAG_union_type || tag == DW_TAG_enumeration_type)) {
    const SYM_KEY def = DWARF_LookupName(*st, tag, DWARF_DirectName(*st, rd.get()), false);
    if (def) result = def;
  }
  return Handle(*st, result);
}

uint64_t DWARF_ArrayTotalSize(DWARF_STATE& st, SYM_KEY array);  // dwarf_types.cpp

uint64_t DWARF_ByteSizeOf(DWARF_STATE& st, SYM_KEY key) {
  SYM_KEY cur = key;
  for (int step = 0; step < kMaxTypeSteps && cur; ++step) {
    DWARF_Die die = DWARF_Fetch(st, cur);
    if (!die) break;
    const uint32_t tag = DWARF_TagOf(die.get());
    uint64_t size = 0;
    if (tag == DW_TAG_pointer_type || tag == DW_TAG_reference_type ||
        tag == DW_TAG_rvalue_reference_type) {
      // A pointer's own DW_AT_byte_size wins (16-bit data pointers of 32-bit units).
      size = ByteSizeAttr(st, cur);
      if (size) return size;
      Dwarf_Half address_size = 0;
      Dwarf_Error err = nullptr;
      if (dwarf_get_die_address_size(die.get(), &address_size, &err) != DW_DLV_OK) {
        DWARF_DropError(st, err);
      }
      size = address_size ? address_size : 4;
    } else if (tag == DW_TAG_array_type) {
      return DWARF_ArrayTotalSize(st, cur);  // 0 for an incomplete array
    } else if (tag != DW_TAG_variable && tag != DW_TAG_formal_parameter &&
               tag != DW_TAG_typedef && tag != DW_TAG_const_type &&
               tag != DW_TAG_volatile_type && tag != DW_TAG_restrict_type &&
               tag != DW_TAG_atomic_type) {
      size = ByteSizeAttr(st, cur);  // the tags above carry no size of their own
    }
    if (size) return size;
    const SYM_KEY next = TypeRef(st, cur);
    if (next == cur) break;
    cur = next;
  }
  DWARF_Die die = DWARF_Fetch(st, key);
  if (!die) return 0;
  Dwarf_Addr low = 0, high = 0;
  Dwarf_Half form = 0;
  Dwarf_Form_Class cls = DW_FORM_CLASS_UNKNOWN;
  Dwarf_Error err = nullptr;
  if (dwarf_lowpc(die.get(), &low, &err) != DW_DLV_OK ||
      dwarf_highpc_b(die.get(), &high, &form, &cls, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return 0;
  }
  const uint64_t range = cls == DW_FORM_CLASS_CONSTANT ? high : (high > low ? high - low : 0);
  if (DWARF_TagOf(die.get()) != DW_TAG_compile_unit && range > kSizeSanityLimit) return 0;
  return range;
}

uint64_t DWARF_GetByteSize(SYM_HANDLE symbol) {
  if (ELF_FILE* elf = ElfOf(symbol)) return ELF_GetSymbolSize(elf, uint32_t(SYM_KeyOffset(symbol)));
  DWARF_STATE* st = DWARF_StateOf(symbol);
  return st ? DWARF_ByteSizeOf(*st, SYM_Key(symbol)) : 0;
}

bool DWARF_IsSigned(SYM_HANDLE symbol) {
  DWARF_STATE* st = DWARF_StateOf(symbol);
  if (!st) return false;
  SYM_KEY cur = SYM_Key(symbol);
  for (int step = 0; step < kMaxTypeSteps && cur; ++step) {
    DWARF_Die die = DWARF_Fetch(*st, cur);
    if (!die) return false;
    const uint32_t tag = DWARF_TagOf(die.get());
    if (tag == DW_TAG_pointer_type) return false;
    if (tag == DW_TAG_base_type) {
      DWARF_Attr a = DWARF_AttrOf(*st, die.get(), DW_AT_encoding);
      int64_t enc = 0;
      if (!a || !DWARF_ConstOf(*st, a.get(), enc)) return false;
      return enc == DW_ATE_signed || enc == DW_ATE_signed_char || enc == DW_ATE_signed_fixed;
    }
    const SYM_KEY next = TypeRef(*st, cur);
    if (next == cur) break;
    cur = next;
  }
  return false;
}

bool DWARF_IsFunctionLocal(SYM_HANDLE symbol) {
  DWARF_STATE* st = DWARF_StateOf(symbol);
  if (!st) return false;
  const DWARF_ENTRY* e = DWARF_FindEntry(*st, SYM_Key(symbol));
  return e && (e->flags & DWARF_ENTRY_IN_FUNCTION) != 0;
}

bool DWARF_IsStaticMember(SYM_HANDLE symbol) {
  DWARF_STATE* st = DWARF_StateOf(symbol);
  if (!st) return false;
  SYM_KEY key = SYM_Key(symbol);
  // A definition outside the class names its declaration inside it.
  if (auto it = st->declaration_of.find(key); it != st->declaration_of.end()) key = it->second;
  const DWARF_ENTRY* e = DWARF_FindEntry(*st, key);
  if (e && (e->flags & DWARF_ENTRY_PARENT_COMPOSITE) &&
      (e->tag == DW_TAG_variable ||
       (e->tag == DW_TAG_member && (e->flags & DWARF_ENTRY_DECLARATION)))) {
    return true;
  }
  DWARF_Die die = DWARF_Fetch(*st, key);
  return die && DWARF_TagOf(die.get()) == DW_TAG_member &&
         DWARF_HasTrueFlag(*st, die.get(), DW_AT_declaration);
}

uint32_t DWARF_GetMemberCount(SYM_HANDLE type) {
  DWARF_STATE* st = DWARF_StateOf(type);
  const DWARF_INFO* info = st ? DWARF_FindInfo(*st, SYM_Key(type)) : nullptr;
  return info ? uint32_t(info->members.size()) : 0;
}

SYM_HANDLE DWARF_GetMember(SYM_HANDLE type, uint32_t index) {
  DWARF_STATE* st = DWARF_StateOf(type);
  const DWARF_INFO* info = st ? DWARF_FindInfo(*st, SYM_Key(type)) : nullptr;
  return info && index < info->members.size() ? Handle(*st, info->members[index]) : SYM_NONE;
}

uint32_t DWARF_GetBaseClassCount(SYM_HANDLE type) {
  DWARF_STATE* st = DWARF_StateOf(type);
  const DWARF_INFO* info = st ? DWARF_FindInfo(*st, SYM_Key(type)) : nullptr;
  return info ? uint32_t(info->bases.size()) : 0;
}

SYM_HANDLE DWARF_GetBaseClass(SYM_HANDLE type, uint32_t index) {
  DWARF_STATE* st = DWARF_StateOf(type);
  const DWARF_INFO* info = st ? DWARF_FindInfo(*st, SYM_Key(type)) : nullptr;
  return info && index < info->bases.size() ? Handle(*st, info->bases[index]) : SYM_NONE;
}

SYM_HANDLE DWARF_GetEntryFunction(const ELF_FILE* elf) {
  const DWARF_STATE* st = DWARF_StateOfFile(elf);
  return st ? Handle(*st, st->entry_function) : SYM_NONE;
}

const DWARF_STATS* DWARF_GetStats(const ELF_FILE* elf) {
  if (!ELF_IsOpen(elf) || !elf->dwarf) return nullptr;
  return &elf->dwarf->stats;
}

namespace {

bool IsRelative(const std::string& path) {
  if (path.empty()) return false;
  if (path[0] == '.') return true;
  if (path[0] == '/' || path[0] == '\\') return false;
  const bool drive = path.size() >= 2 && path[1] == ':' &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return !drive;
}

void LoadFiles(DWARF_STATE& st, DWARF_UNIT& unit) {
  unit.files_loaded = true;
  DWARF_Die die = DWARF_Fetch(st, unit.die);
  if (!die) return;
  char** files = nullptr;
  Dwarf_Signed count = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_srcfiles(die.get(), &files, &count, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return;
  }
  for (Dwarf_Signed i = 0; i < count; ++i) {
    unit.files.emplace_back(files[i] ? files[i] : "");
    dwarf_dealloc(st.dbg, files[i], DW_DLA_STRING);
  }
  dwarf_dealloc(st.dbg, files, DW_DLA_LIST);
}

}  // namespace

std::string DWARF_GetSourceFile(SYM_HANDLE symbol) {
  DWARF_STATE* st = DWARF_StateOf(symbol);
  if (!st) return {};
  const SYM_KEY key = SYM_Key(symbol);
  DWARF_UNIT* unit = DWARF_UnitOf(*st, key);
  if (!unit) return {};
  std::string result;
  DWARF_Die die = DWARF_Fetch(*st, key);
  DWARF_Attr call_file = DWARF_AttrOf(*st, die.get(), DW_AT_call_file);
  int64_t index = 0;
  if (call_file && DWARF_ConstOf(*st, call_file.get(), index)) {
    if (!unit->files_loaded) LoadFiles(*st, *unit);
    // dwarf_srcfiles lists entry 1 first before DWARF 5, entry 0 first from DWARF 5 on.
    const int64_t pos = unit->version >= 5 ? index : index - 1;
    if (pos >= 0 && pos < int64_t(unit->files.size())) result = unit->files[size_t(pos)];
  }
  if (result.empty()) {
    DWARF_Die cu = DWARF_Fetch(*st, unit->die);
    const char* name = DWARF_DirectName(*st, cu.get());
    if (name) result = name;
    DWARF_Attr dir = DWARF_AttrOf(*st, cu.get(), DW_AT_comp_dir);
    const char* comp_dir = DWARF_StringOf(*st, dir.get());
    if (comp_dir && IsRelative(result) && !IsRelative(comp_dir) && *comp_dir) {
      result = std::string(comp_dir) + "/" + result;
    }
  }
  if (result.size() > 2047) result.resize(2047);
  return result;
}
