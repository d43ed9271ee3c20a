// The parse of the debug information database: one walk over every type unit and every
// compilation unit, handing each entry to the collectors, then source lines, macros and call
// frame information (counted only), then the statistics lines.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>

#include "symbols/dwarf_internal.h"
#include "symbols/elf_object_access.h"

namespace {

using Clock = std::chrono::steady_clock;

long MsSince(Clock::time_point start) {
  return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start)
                  .count());
}

// Entries nested deeper than this are not walked (their unit is reported with 44).
constexpr size_t kMaxDepth = 4096;
constexpr size_t kAncestorLevels = 64;

bool IsComposite(uint32_t tag) {
  return tag == DW_TAG_class_type || tag == DW_TAG_enumeration_type ||
         tag == DW_TAG_structure_type || tag == DW_TAG_union_type;
}

bool IsFunctionLike(uint32_t tag) {
  return tag == DW_TAG_subroutine_type || tag == DW_TAG_inlined_subroutine ||
         tag == DW_TAG_subprogram;
}

// Tags whose entries any collector or the name index looks at.
bool IsInteresting(uint32_t tag) {
  switch (tag) {
    case DW_TAG_class_type:
    case DW_TAG_enumeration_type:
    case DW_TAG_structure_type:
    case DW_TAG_union_type:
    case DW_TAG_formal_parameter:
    case DW_TAG_member:
    case DW_TAG_typedef:
    case DW_TAG_inheritance:
    case DW_TAG_inlined_subroutine:
    case DW_TAG_enumerator:
    case DW_TAG_subprogram:
    case DW_TAG_variable:
    case DW_TAG_namespace:
      return true;
    default:
      return false;
  }
}

// What the collectors need to know of one entry, read with a single attribute list.
struct EntryFacts {
  const char* name = nullptr;
  bool declaration = false;
  bool artificial = false;
  bool has_byte_size = false;
  bool extension = false;
  bool main_subprogram = false;
  bool may_be_static = false;  // DW_AT_location may give a static address
  SYM_KEY declared_at = 0;  // DW_AT_specification: the declaration this entry defines
};

// False when the expression's first operation already gives a part that is no static address
// (the usual frame-based local): the full evaluation could then not find a static variable.
// A first operation that gives no part (DW_OP_nop, a piece, ...) is left to the evaluation.
bool MayHoldAddress(const uint8_t* bytes, Dwarf_Unsigned length) {
  if (length == 0) return false;
  const uint8_t op = bytes[0];
  if (op == DW_OP_addr || op == DW_OP_addrx || op == DW_OP_GNU_addr_index) return true;
  const bool other_part =
      (op >= DW_OP_const1u && op <= DW_OP_consts) || op == DW_OP_plus_uconst ||
      (op >= DW_OP_lit0 && op <= DW_OP_bregx) || op == DW_OP_implicit_value ||
      op == DW_OP_constx || op == DW_OP_const_type || op == DW_OP_regval_type ||
      op == DW_OP_GNU_const_index;
  return !other_part;
}

bool LocationMayBeStatic(DWARF_STATE& st, Dwarf_Attribute attr) {
  Dwarf_Half form = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_whatform(attr, &form, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return false;
  }
  if (form == DW_FORM_exprloc) {
    Dwarf_Unsigned length = 0;
    Dwarf_Ptr bytes = nullptr;
    if (dwarf_formexprloc(attr, &length, &bytes, &err) != DW_DLV_OK) {
      DWARF_DropError(st, err);
      return false;
    }
    return MayHoldAddress(static_cast<const uint8_t*>(bytes), length);
  }
  if (form == DW_FORM_block1 || form == DW_FORM_block2 || form == DW_FORM_block4 ||
      form == DW_FORM_block) {
    Dwarf_Block* block = nullptr;
    if (dwarf_formblock(attr, &block, &err) != DW_DLV_OK) {
      DWARF_DropError(st, err);
      return false;
    }
    const bool may = MayHoldAddress(static_cast<const uint8_t*>(block->bl_data), block->bl_len);
    dwarf_dealloc(st.dbg, block, DW_DLA_BLOCK);
    return may;
  }
  return true;  // a location list: evaluate
}

// The facts of entries whose collectors only ask for flags, without an attribute list.
// The entry's abbreviation tells which flags it carries at all; only those are looked up.
EntryFacts ReadFlags(DWARF_STATE& st, const DWARF_RAW_SECTION& abbrevs, Dwarf_Die die) {
  EntryFacts f;
  bool artificial = true, declaration = true;
  if (DWARF_AbbrevHasAttr(st, abbrevs, die, DW_AT_artificial, DW_AT_declaration, artificial,
                          declaration) != 0) {
    artificial = declaration = true;
  }
  if (artificial) f.artificial = DWARF_HasTrueFlag(st, die, DW_AT_artificial);
  if (declaration) f.declaration = DWARF_HasTrueFlag(st, die, DW_AT_declaration);
  return f;
}

EntryFacts ReadFacts(DWARF_STATE& st, Dwarf_Die die) {
  EntryFacts f;
  Dwarf_Attribute* list = nullptr;
  Dwarf_Signed count = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_attrlist(die, &list, &count, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return f;
  }
  for (Dwarf_Signed i = 0; i < count; ++i) {
    Dwarf_Half at = 0;
    if (dwarf_whatattr(list[i], &at, &err) != DW_DLV_OK) {
      DWARF_DropError(st, err);
    } else {
      switch (at) {
        case DW_AT_name: f.name = DWARF_StringOf(st, list[i]); break;
        case DW_AT_declaration: f.declaration = DWARF_FlagOf(st, list[i]); break;
        case DW_AT_artificial: f.artificial = DWARF_FlagOf(st, list[i]); break;
        case DW_AT_byte_size: f.has_byte_size = true; break;
        case DW_AT_extension: f.extension = true; break;
        case DW_AT_main_subprogram: f.main_subprogram = DWARF_FlagOf(st, list[i]); break;
        case DW_AT_specification: f.declared_at = DWARF_RefOf(st, die, list[i]); break;
        case DW_AT_location: f.may_be_static = LocationMayBeStatic(st, list[i]); break;
        default: break;
      }
    }
    dwarf_dealloc_attribute(list[i]);
  }
  dwarf_dealloc(st.dbg, list, DW_DLA_LIST);
  return f;
}

// False when the entry's abbreviation says it has no children. dwarf_child would skip the
// entry's attributes only to find that out; the sibling step skips them anyway.
bool MayHaveChildren(Dwarf_Die die) {
  Dwarf_Half has_children = 1;
  if (dwarf_die_abbrev_children_flag(die, &has_children) != DW_DLV_OK) return true;
  return has_children != 0;
}

struct Ancestor {
  SYM_KEY key = 0;
  uint32_t tag = 0;
  SYM_KEY function = 0;  // innermost function-like ancestor at or above this level
};

class UnitWalker {
 public:
  UnitWalker(DWARF_STATE& st, bool is_type_unit, const DWARF_RAW_SECTION& sec,
             const DWARF_RAW_SECTION& abbrevs, const DWARF_UNIT& unit, uint64_t unit_end)
      : st_(st), type_unit_(is_type_unit), sec_(sec), abbrevs_(abbrevs), unit_(unit),
        unit_end_(unit_end) {}

  // Walks the unit below `unit_die` (not owned). False when the walk failed or was cut.
  bool Walk(Dwarf_Die unit_die, bool is_info) {
    bool ok = true;
    Visit(unit_die, 0);
    Dwarf_Error err = nullptr;
    Dwarf_Die child = nullptr;
    int rc = dwarf_child(unit_die, &child, &err);
    if (rc == DW_DLV_ERROR) {
      DWARF_DropError(st_, err);
      return false;
    }
    if (rc != DW_DLV_OK) return true;
    std::vector<Dwarf_Die> path;  // owned entries above the current one (below the unit)
    Dwarf_Die cur = child;
    size_t depth = 1;
    // Entries come in section order; a sibling link that points back would make the walk go
    // round for ever, so the walk ends at the first entry that does not lie further on.
    SYM_KEY last = DWARF_KeyOf(unit_die);
    while (cur) {
      const SYM_KEY key = DWARF_KeyOf(cur);
      if (key <= last) {
        dwarf_dealloc_die(cur);
        ok = false;
        break;
      }
      last = key;
      Visit(cur, depth);
      Dwarf_Die next = nullptr;
      rc = depth < kMaxDepth && MayHaveChildren(cur) ? dwarf_child(cur, &next, &err)
                                                      : DW_DLV_NO_ENTRY;
      if (depth >= kMaxDepth) {
        if (!cut_) ELF_Report(ELF_ERR_RECURSION_LIMIT);
        cut_ = true;
        ok = false;
      }
      if (rc == DW_DLV_ERROR) {
        DWARF_DropError(st_, err);
        ok = false;
      }
      if (rc == DW_DLV_OK) {
        path.push_back(cur);
        cur = next;
        ++depth;
        continue;
      }
      // No child: the next sibling, else climb up. `ended_at` is the offset of the null entry
      // that closed the child list of `cur` (0: unknown), known when the list's last entry was
      // childless or was itself stepped over that way.
      uint64_t ended_at = 0;
      for (;;) {
        next = nullptr;
        uint64_t closed_at = 0;
        if (!StepOverChildren(cur, ended_at, is_info, rc, next, closed_at)) {
          rc = dwarf_siblingof_b(st_.dbg, cur, is_info, &next, &err);
          if (rc == DW_DLV_NO_ENTRY) {
            const uint64_t end = DWARF_ChildlessEnd(st_, sec_, abbrevs_, unit_, unit_end_, cur);
            if (end && end < unit_end_ && sec_.data[end] == 0) closed_at = end;
          }
        }
        dwarf_dealloc_die(cur);
        cur = nullptr;
        if (rc == DW_DLV_ERROR) {
          DWARF_DropError(st_, err);
          ok = false;
        }
        if (rc == DW_DLV_OK) {
          cur = next;
          break;
        }
        if (path.empty()) break;
        cur = path.back();
        path.pop_back();
        --depth;
        ended_at = closed_at;
      }
    }
    for (Dwarf_Die d : path) dwarf_dealloc_die(d);
    return ok;
  }

 private:
  // The sibling of `parent` whose child list was closed by the null entry at `ended_at`,
  // found right after that entry instead of by skipping the children once more. False when
  // the library must be asked: position unknown, a DW_AT_sibling to follow, the unit's end.
  // Otherwise `rc`/`next` are what dwarf_siblingof_b gives and `closed_at` is the offset of
  // the null entry that closes the list `parent` is in, when there is no sibling.
  bool StepOverChildren(Dwarf_Die parent, uint64_t ended_at, bool is_info, int& rc,
                        Dwarf_Die& next, uint64_t& closed_at) {
    if (ended_at == 0 || !sec_.data || unit_end_ > sec_.size) return false;
    const uint64_t at = ended_at + 1;
    if (at >= unit_end_) return false;
    bool has_sibling = true, unused = false;
    if (DWARF_AbbrevHasAttr(st_, abbrevs_, parent, DW_AT_sibling, DW_AT_sibling, has_sibling,
                            unused) != 0 ||
        has_sibling) {
      return false;
    }
    Dwarf_Error err = nullptr;
    if (sec_.data[at] == 0) {
      rc = DW_DLV_NO_ENTRY;
      closed_at = at;
      return true;
    }
    if (dwarf_offdie_b(st_.dbg, at, is_info, &next, &err) != DW_DLV_OK) {
      DWARF_DropError(st_, err);
      next = nullptr;
      return false;
    }
    rc = DW_DLV_OK;
    return true;
  }

  void Visit(Dwarf_Die die, size_t depth) {
    const uint32_t tag = DWARF_TagOf(die);
    const SYM_KEY key = DWARF_KeyOf(die);
    const size_t level = std::min(depth, kAncestorLevels - 1);
    const Ancestor parent = depth == 0 ? Ancestor{} : ancestors_[std::min(depth - 1, level)];
    if (depth < kAncestorLevels) {
      ancestors_[level].key = key;
      ancestors_[level].tag = tag;
      ancestors_[level].function = IsFunctionLike(tag) ? key : parent.function;
    }
    if (depth == 0) {
      Keep(key, 0, tag, 0);
      if (!type_unit_) st_.units_cat.push_back(key);
      return;
    }
    if (!IsInteresting(tag)) return;
    if (!st_.entries.empty() && key <= st_.entries.back().key) return;  // already visited
    const bool flags_only = tag == DW_TAG_member || tag == DW_TAG_inheritance ||
                            tag == DW_TAG_enumerator || tag == DW_TAG_formal_parameter;
    const EntryFacts f = flags_only ? ReadFlags(st_, abbrevs_, die) : ReadFacts(st_, die);
    const SYM_KEY function = parent.function;
    const bool parent_composite = IsComposite(parent.tag);
    bool kept = false;
    bool local = false;

    if (!type_unit_) {
      if (tag == DW_TAG_subprogram && !f.declaration && !f.artificial) {
        st_.functions.push_back(key);
        kept = true;
        if (!st_.entry_function || (f.main_subprogram && !main_by_flag_)) {
          if (f.main_subprogram) {
            st_.entry_function = key;
            main_by_flag_ = true;
          } else if (f.name && std::strcmp(f.name, "main") == 0) {
            st_.entry_function = key;
          }
        }
      }
      if (tag == DW_TAG_variable && !f.declaration && !f.artificial) {
        bool take = function == 0;
        if (!take && f.may_be_static) {
          ELF_MuteReports(true);
          const LOC_RECORD loc = LOC_ReadLocation(st_, key, die, 0);
          ELF_MuteReports(false);
          take = loc.part_count > 0 && loc.parts[0].kind == LOC_STATIC &&
                 (loc.part_count < 2 || loc.parts[1].kind == LOC_CONSTANT ||
                  loc.parts[1].kind == LOC_STATIC);
        }
        if (take) {
          st_.variables.push_back(key);
          kept = true;
        }
      }
      if (tag == DW_TAG_inlined_subroutine && !f.declaration && !f.artificial) {
        st_.inlined.push_back(key);
        kept = true;
      }
      if (tag == DW_TAG_namespace) {
        st_.namespaces.push_back(key);
        kept = true;
        if (f.extension) st_.ns_extensions.push_back(key);
      }
      if ((tag == DW_TAG_variable || tag == DW_TAG_formal_parameter) && function != 0 &&
          !f.declaration) {
        // Locals are counted (as DWARF symbols too) but not stored: nothing asks for them,
        // and they are the bulk of the entries of a large program.
        ++st_.stats.local_variables;
        local = true;
      }
    }
    if (tag == DW_TAG_typedef || tag == DW_TAG_enumerator ||
        (IsComposite(tag) && !f.declaration && !f.artificial && f.has_byte_size)) {
      st_.types.push_back(key);
      kept = true;
    }
    if ((tag == DW_TAG_member || tag == DW_TAG_enumerator || tag == DW_TAG_subprogram) &&
        parent_composite && !f.artificial) {
      SYM_KEY member = key;
      if (f.declaration) {
        // Only a definition seen before its declaration can be linked already.
        auto it = st_.forward_definitions.find(key);
        if (it != st_.forward_definitions.end()) member = it->second;
      }
      InfoOf(parent.key).members.push_back(member);
      ++st_.stats.members;
      kept = true;
    }
    if (tag == DW_TAG_variable && parent_composite) kept = true;  // a static data member
    if (tag == DW_TAG_inheritance && parent.key != 0 && !f.artificial) {
      InfoOf(parent.key).bases.push_back(key);
      kept = true;
    }
    if (!kept) {
      if (local) ++st_.stats.dwarf_symbols;
      return;
    }
    uint32_t flags = 0;
    if (function) flags |= DWARF_ENTRY_IN_FUNCTION;
    if (parent_composite) flags |= DWARF_ENTRY_PARENT_COMPOSITE;
    if (f.declaration) flags |= DWARF_ENTRY_DECLARATION;
    Keep(key, parent.key, tag, flags);
    if (f.declared_at && f.declared_at != key) {
      if (f.declared_at > key) st_.forward_definitions[f.declared_at] = key;
      st_.definition_of[f.declared_at] = key;
      st_.declaration_of[key] = f.declared_at;
    }
    const bool indexed_tag = IsComposite(tag) || tag == DW_TAG_typedef ||
                             tag == DW_TAG_variable || tag == DW_TAG_subprogram;
    // Function-local entries are never declared elsewhere: they stay out of the index.
    if (indexed_tag && function == 0 && f.name && *f.name &&
        !(IsComposite(tag) && !f.has_byte_size && !f.declaration)) {
      st_.name_index[DWARF_NameKey(tag, f.name, f.declaration)] = key;
    }
  }

  // The info record of a composite; consecutive members hit the same parent.
  DWARF_INFO& InfoOf(SYM_KEY key) {
    if (key != cached_key_ || !cached_info_) {
      cached_info_ = &DWARF_InfoFor(st_, key);  // element references survive rehashing
      cached_key_ = key;
    }
    return *cached_info_;
  }

  void Keep(SYM_KEY key, SYM_KEY parent, uint32_t tag, uint32_t flags) {
    if (!st_.entries.empty() && key <= st_.entries.back().key) return;
    st_.entries.push_back(DWARF_ENTRY{key, parent, tag, flags});
    ++st_.stats.dwarf_symbols;
  }

  DWARF_STATE& st_;
  bool type_unit_;
  const DWARF_RAW_SECTION& sec_;
  const DWARF_RAW_SECTION& abbrevs_;
  const DWARF_UNIT& unit_;
  uint64_t unit_end_;  // section offset just past the unit
  bool cut_ = false;
  bool main_by_flag_ = false;
  SYM_KEY cached_key_ = 0;
  DWARF_INFO* cached_info_ = nullptr;
  Ancestor ancestors_[kAncestorLevels];
};

uint32_t LanguageOf(DWARF_STATE& st, Dwarf_Die unit_die) {
  DWARF_Attr a = DWARF_AttrOf(st, unit_die, DW_AT_language);
  int64_t lang = 0;
  if (a && DWARF_ConstOf(st, a.get(), lang)) {
    switch (lang) {
      case 0x4: case 0x19: case 0x1a: case 0x21: return 2;
      default: return 1;
    }
  }
  const char* name = DWARF_DirectName(st, unit_die);
  if (name && std::strstr(name, ".cpp")) return 2;
  return 1;
}

void ReadUnitFacts(DWARF_STATE& st, Dwarf_Die unit_die, DWARF_UNIT& unit) {
  Dwarf_Addr low = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_lowpc(unit_die, &low, &err) == DW_DLV_OK) {
    unit.low_pc = low;
  } else {
    DWARF_DropError(st, err);
  }
}

void CountLines(DWARF_STATE& st, Dwarf_Die unit_die) {
  Dwarf_Bool has = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_hasattr(unit_die, DW_AT_stmt_list, &has, &err) != DW_DLV_OK) {
    DWARF_DropError(st, err);
    return;
  }
  if (!has) return;
  Dwarf_Unsigned version = 0;
  Dwarf_Small table_count = 0;
  Dwarf_Line_Context context = nullptr;
  if (dwarf_srclines_b(unit_die, &version, &table_count, &context, &err) != DW_DLV_OK) {
    if (err) ELF_ReportLibrary(int(dwarf_errno(err)), dwarf_errmsg(err));
    DWARF_DropError(st, err);
    ELF_Report(ELF_ERR_SOURCE_LINES);
    return;
  }
  Dwarf_Line* lines = nullptr;
  Dwarf_Signed count = 0;
  if (table_count > 0 &&
      dwarf_srclines_from_linecontext(context, &lines, &count, &err) == DW_DLV_OK) {
    st.stats.source_lines += count;
  } else {
    DWARF_DropError(st, err);
  }
  dwarf_srclines_dealloc_b(context);
}

// Walks the units of one section. Type units come from .debug_types (is_info false).
void WalkUnits(DWARF_STATE& st, bool is_info, long& walk_ms, long& line_ms) {
  const DWARF_RAW_SECTION sec = DWARF_RawSection(st, is_info ? ".debug_info" : ".debug_types");
  const DWARF_RAW_SECTION abbrevs = DWARF_RawSection(st, ".debug_abbrev");
  Dwarf_Unsigned offset = 0;
  for (int guard = 0; guard < 100000000; ++guard) {
    Dwarf_Unsigned header_length = 0, type_offset = 0, next = 0;
    Dwarf_Half version = 0, address_size = 0, length_size = 0, extension_size = 0, unit_type = 0;
    Dwarf_Off abbrev = 0;
    Dwarf_Sig8 signature;
    Dwarf_Error err = nullptr;
    const int rc = dwarf_next_cu_header_d(st.dbg, is_info, &header_length, &version, &abbrev,
                                          &address_size, &length_size, &extension_size,
                                          &signature, &type_offset, &next, &unit_type, &err);
    if (rc == DW_DLV_NO_ENTRY) break;
    if (rc == DW_DLV_ERROR) {
      if (err) ELF_ReportLibrary(int(dwarf_errno(err)), dwarf_errmsg(err));
      DWARF_DropError(st, err);
      ELF_Report(is_info ? ELF_ERR_COMPILATION_UNIT : ELF_ERR_TYPE_UNIT);
      break;  // the library cannot find the next unit header after a broken one
    }
    const Clock::time_point start = Clock::now();
    const bool is_type_unit = !is_info || unit_type == DW_UT_type ||
                              unit_type == DW_UT_split_type;
    if (is_info && version > st.stats.dwarf_version) st.stats.dwarf_version = version;
    DWARF_UNIT unit;
    unit.start = SYM_MakeKey(is_info, offset);
    unit.end = SYM_MakeKey(is_info, next > offset ? next : offset + 1);
    unit.version = version;
    unit.address_size = address_size ? address_size : 4;
    unit.offset_size = length_size ? length_size : 4;
    unit.is_type_unit = is_type_unit;
    Dwarf_Die unit_die = nullptr;
    if (dwarf_siblingof_b(st.dbg, nullptr, is_info, &unit_die, &err) != DW_DLV_OK) {
      DWARF_DropError(st, err);
      char where[32];
      std::snprintf(where, sizeof where, "0x%llX", static_cast<unsigned long long>(offset));
      ELF_Report(ELF_ERR_ENTRY_AT_OFFSET, where, is_info ? "debug.info" : "debug.types");
      ELF_Report(is_type_unit ? ELF_ERR_TYPE_UNIT : ELF_ERR_COMPILATION_UNIT, where);
      offset = next;
      continue;
    }
    DWARF_Die owned(unit_die);
    unit.die = DWARF_KeyOf(unit_die);
    ReadUnitFacts(st, unit_die, unit);
    if (is_type_unit) {
      uint64_t sig = 0;
      for (int i = 0; i < 8; ++i) sig = (sig << 8) | uint8_t(signature.signature[i]);
      st.signatures[sig] = SYM_MakeKey(is_info, offset + type_offset);
    }
    if (st.units.empty() || st.units.back().start < unit.start) st.units.push_back(unit);
    UnitWalker walker(st, is_type_unit, sec, abbrevs, unit, next > offset ? next : 0);
    if (!walker.Walk(unit_die, is_info)) {
      char where[32];
      std::snprintf(where, sizeof where, "0x%llX", static_cast<unsigned long long>(offset));
      ELF_Report(is_type_unit ? ELF_ERR_TYPE_UNIT : ELF_ERR_COMPILATION_UNIT, where);
    }
    walk_ms += MsSince(start);
    if (!is_type_unit) {
      const Clock::time_point line_start = Clock::now();
      if (ELF_DebugLogEnabled()) CountLines(st, unit_die);
      line_ms += MsSince(line_start);
      if (LanguageOf(st, unit_die) == 2) st.stats.language = 2;
    }
    if (next <= offset) break;
    offset = next;
  }
}

void CountMacros(DWARF_STATE& st) {
  Dwarf_Off offset = 0;
  for (int guard = 0; guard < 1000000; ++guard) {
    Dwarf_Signed count = 0;
    Dwarf_Macro_Details* details = nullptr;
    Dwarf_Error err = nullptr;
    const int rc = dwarf_get_macro_details(st.dbg, offset, 100000, &count, &details, &err);
    if (rc != DW_DLV_OK) {
      DWARF_DropError(st, err);
      return;
    }
    for (Dwarf_Signed i = 0; i < count; ++i) {
      const int type = details[i].dmd_type;
      if (type == 1 || type == 5 || type == 8 || type == 11) ++st.stats.macros;
    }
    const Dwarf_Off last = count > 0 ? details[count - 1].dmd_offset : offset;
    dwarf_dealloc(st.dbg, details, DW_DLA_STRING);
    if (count <= 0 || last + 1 <= offset) return;
    offset = last + 1;
  }
}

// Frame descriptions are only counted. ".debug_frame" is read; a file without it (hosts keep
// theirs in ".eh_frame") is not an error, a section the library cannot read is.
void CountFrames(DWARF_STATE& st) {
  Dwarf_Cie* cies = nullptr;
  Dwarf_Fde* fdes = nullptr;
  Dwarf_Signed cie_count = 0, fde_count = 0;
  Dwarf_Error err = nullptr;
  int rc = dwarf_get_fde_list(st.dbg, &cies, &cie_count, &fdes, &fde_count, &err);
  if (rc == DW_DLV_ERROR) {
    DWARF_DropError(st, err);
    ELF_Report(ELF_ERR_CALL_FRAME);
    return;
  }
  if (rc == DW_DLV_NO_ENTRY) {
    rc = dwarf_get_fde_list_eh(st.dbg, &cies, &cie_count, &fdes, &fde_count, &err);
    if (rc != DW_DLV_OK) {
      DWARF_DropError(st, err);
      return;
    }
  }
  st.stats.cies = uint32_t(cie_count);
  st.stats.fdes = uint32_t(fde_count);
  st.cies = cies;
  st.fdes = fdes;
  st.cie_count = cie_count;
  st.fde_count = fde_count;
  st.frames_loaded = true;
}

void LogStats(const DWARF_STATS& s) {
  ELF_DebugLog("parsed debug types section in ms: %ld", s.ms_types);
  ELF_DebugLog("parsed debug info section in ms: %ld", s.ms_info);
  ELF_DebugLog("parsed source line info in ms: %ld", s.ms_lines);
  ELF_DebugLog("parsed macro info in ms: %ld", s.ms_macros);
  ELF_DebugLog("parsed call frame info in ms: %ld", s.ms_frames);
  ELF_DebugLog("File Size: %llu", static_cast<unsigned long long>(s.file_size));
  ELF_DebugLog("debug_info size: %llu", static_cast<unsigned long long>(s.debug_info_size));
  ELF_DebugLog("debug_types size: %llu", static_cast<unsigned long long>(s.debug_types_size));
  ELF_DebugLog("DWARF Version: %d", s.dwarf_version);
  ELF_DebugLog("Data Encoding: %s", ELF_GetDataEncodingText(s.data_encoding));
  ELF_DebugLog("Source Language: %s", s.language == 2 ? "C++" : "C");
  ELF_DebugLog("%8u ELF symbols", s.elf_symbols);
  ELF_DebugLog("%8u DWARF symbols", s.dwarf_symbols);
  ELF_DebugLog("%8lld Funcs", static_cast<long long>(s.functions));
  ELF_DebugLog("%8lld InlineFuncs", static_cast<long long>(s.inlined));
  ELF_DebugLog("%8lld Global variables", static_cast<long long>(s.variables));
  ELF_DebugLog("%8lld Types", static_cast<long long>(s.types));
  ELF_DebugLog("%8u Members", s.members);
  ELF_DebugLog("%8u Local variables", s.local_variables);
  ELF_DebugLog("%8lld Compilation units", static_cast<long long>(s.units));
  ELF_DebugLog("%8lld SrcLines", static_cast<long long>(s.source_lines));
  ELF_DebugLog("%8lld Namespaces", static_cast<long long>(s.namespaces));
  ELF_DebugLog("%8lld Namespace extensions", static_cast<long long>(s.namespace_extensions));
  ELF_DebugLog("%8lld Macros", static_cast<long long>(s.macros));
  ELF_DebugLog("%8u FDEs", s.fdes);
  ELF_DebugLog("%8u CIEs", s.cies);
  ELF_DebugLog("Total init time: %ld ms",
               s.ms_types + s.ms_info + s.ms_lines + s.ms_macros + s.ms_frames);
}

void LibraryErrorHandler(Dwarf_Error err, Dwarf_Ptr) {
  // Only reached for calls made without an error pointer (none in this module).
  ELF_ReportLibrary(int(dwarf_errno(err)), dwarf_errmsg(err));
}

}  // namespace

int DWARF_Parse(ELF_FILE& elf) {
  DWARF_STATE* st = new (std::nothrow) DWARF_STATE;
  if (!st) {
    ELF_Report(ELF_ERR_OUT_OF_MEMORY);
    return -1;
  }
  elf.dwarf.reset(st);
  st->elf = &elf;
  st->stats.file_size = elf.file_size;
  st->stats.elf_symbols = uint32_t(elf.symbols.size());
  st->stats.data_encoding = ELF_GetDataEncoding(&elf);
  st->stats.debug_info_size = ELF_DwarfSectionSize(elf, ".debug_info");
  st->stats.debug_types_size = ELF_DwarfSectionSize(elf, ".debug_types");
  st->access.object = &elf;
  st->access.methods = ELF_GetDwarfAccessMethods();
  Dwarf_Error err = nullptr;
  const int rc = dwarf_object_init_b(&st->access, LibraryErrorHandler, nullptr,
                                     DW_GROUPNUMBER_ANY, &st->dbg, &err);
  if (rc != DW_DLV_OK) {
    if (rc == DW_DLV_ERROR && err) {
      ELF_ReportLibrary(int(dwarf_errno(err)), dwarf_errmsg(err));
      dwarf_dealloc_error(nullptr, err);
    }
    st->dbg = nullptr;
    // A file without any debug section is no error: it simply has no DWARF symbols.
    if (rc == DW_DLV_ERROR) ELF_Report(ELF_ERR_LIBDWARF_INIT);
    LogStats(st->stats);
    return rc == DW_DLV_NO_ENTRY ? 0 : -1;
  }
  try {
    // Room for the name index up front (about one indexed name per 100 bytes of entries)
    // saves its rehashing during the walk.
    const uint64_t sized = (st->stats.debug_info_size + st->stats.debug_types_size) / 100;
    st->name_index.reserve(size_t(std::min<uint64_t>(sized, 4000000)));
    WalkUnits(*st, false, st->stats.ms_types, st->stats.ms_lines);
    long lines = 0;
    WalkUnits(*st, true, st->stats.ms_info, lines);
    st->stats.ms_lines += lines;
  } catch (const std::bad_alloc&) {
    ELF_Report(ELF_ERR_OUT_OF_MEMORY);
  }
  // Source lines, macros and call frame information only feed the statistics: they are read
  // when a debug log listens.
  if (ELF_DebugLogEnabled()) {
    Clock::time_point start = Clock::now();
    CountMacros(*st);
    st->stats.ms_macros = MsSince(start);
    start = Clock::now();
    CountFrames(*st);
    st->stats.ms_frames = MsSince(start);
  }
  DWARF_STATS& s = st->stats;
  s.functions = int64_t(st->functions.size());
  s.inlined = int64_t(st->inlined.size());
  s.variables = int64_t(st->variables.size());
  s.types = int64_t(st->types.size());
  s.units = int64_t(st->units_cat.size());
  s.namespaces = int64_t(st->namespaces.size());
  s.namespace_extensions = int64_t(st->ns_extensions.size());
  LogStats(s);
  return 0;
}
