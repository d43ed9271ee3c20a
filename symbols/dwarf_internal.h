// Internal state of the debug information database (not for use outside symbols/).
//
// Memory: the walk keeps no library entry objects. A kept entry costs one 24-byte record in a
// table sorted by key (the walk visits entries in key order), and entries that carry
// members, base classes, declaration/definition links or a cached type name get one info
// record in a hash map. Queries fetch entries from the library by offset when they need
// their attributes. So the tables grow with the number of kept entries, not with the size of
// .debug_info.
#pragma once

#include <libdwarf/dwarf.h>
#include <libdwarf/libdwarf.h>

#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "symbols/dwarf_db.h"
#include "symbols/elf_internal.h"
#include "symbols/locations.h"

// Flags of a kept entry.
enum : uint32_t {
  DWARF_ENTRY_IN_FUNCTION = 1u << 0,       // an ancestor is a function or subroutine type
  DWARF_ENTRY_PARENT_COMPOSITE = 1u << 1,  // the parent is a class/struct/union/enum
  DWARF_ENTRY_DECLARATION = 1u << 2,
};

struct DWARF_ENTRY {
  SYM_KEY key = 0;
  SYM_KEY parent = 0;
  uint32_t tag = 0;
  uint32_t flags = 0;
};

struct DWARF_INFO {
  std::vector<SYM_KEY> members;
  std::vector<SYM_KEY> bases;
  bool has_type_name = false;
  std::string type_name;
};

struct DWARF_UNIT {
  SYM_KEY start = 0;  // key of the unit header
  SYM_KEY end = 0;    // key just past the unit
  SYM_KEY die = 0;    // key of the unit entry
  uint16_t version = 0;
  uint16_t address_size = 4;
  uint16_t offset_size = 4;
  bool is_type_unit = false;
  uint64_t low_pc = 0;
  bool files_loaded = false;
  std::vector<std::string> files;  // file table (DW_AT_call_file)
};

struct DWARF_STATE {
  ELF_FILE* elf = nullptr;
  Dwarf_Obj_Access_Interface access{};
  Dwarf_Debug dbg = nullptr;
  std::vector<DWARF_ENTRY> entries;  // sorted by key
  std::unordered_map<SYM_KEY, DWARF_INFO> infos;
  // Links made by DW_AT_specification: definition -> declaration and back.
  std::unordered_map<SYM_KEY, SYM_KEY> declaration_of;
  std::unordered_map<SYM_KEY, SYM_KEY> definition_of;
  std::unordered_map<uint64_t, SYM_KEY> name_index;
  std::unordered_map<uint64_t, SYM_KEY> signatures;  // type signature -> type entry
  // Declarations whose definition came first in section order (rare): declaration ->
  // definition, so that the member collector can take the definition during the walk.
  std::unordered_map<SYM_KEY, SYM_KEY> forward_definitions;
  std::vector<SYM_KEY> types, units_cat, inlined, ns_extensions, functions, variables,
      namespaces;
  std::vector<DWARF_UNIT> units;  // sorted by start
  SYM_KEY entry_function = 0;
  DWARF_STATS stats;
  // Call frame information, read on first need by DW_OP_call_frame_cfa.
  bool frames_loaded = false;
  Dwarf_Cie* cies = nullptr;
  Dwarf_Fde* fdes = nullptr;
  Dwarf_Signed cie_count = 0, fde_count = 0;
  bool cfa_cached = false;
  uint64_t cfa_pc = 0;
  bool cfa_found = false;
  LOC_PART cfa_part;

  ~DWARF_STATE();
};

// An owned library entry.
class DWARF_Die {
 public:
  DWARF_Die() = default;
  explicit DWARF_Die(Dwarf_Die die) : die_(die) {}
  DWARF_Die(DWARF_Die&& o) noexcept : die_(o.die_) { o.die_ = nullptr; }
  DWARF_Die& operator=(DWARF_Die&& o) noexcept {
    if (this != &o) {
      reset();
      die_ = o.die_;
      o.die_ = nullptr;
    }
    return *this;
  }
  DWARF_Die(const DWARF_Die&) = delete;
  DWARF_Die& operator=(const DWARF_Die&) = delete;
  ~DWARF_Die() { reset(); }
  void reset() {
    if (die_) dwarf_dealloc_die(die_);
    die_ = nullptr;
  }
  Dwarf_Die get() const { return die_; }
  explicit operator bool() const { return die_ != nullptr; }

 private:
  Dwarf_Die die_ = nullptr;
};

// An owned attribute.
class DWARF_Attr {
 public:
  DWARF_Attr() = default;
  explicit DWARF_Attr(Dwarf_Attribute a) : attr_(a) {}
  DWARF_Attr(DWARF_Attr&& o) noexcept : attr_(o.attr_) { o.attr_ = nullptr; }
  DWARF_Attr& operator=(DWARF_Attr&& o) noexcept {
    if (this != &o) {
      reset();
      attr_ = o.attr_;
      o.attr_ = nullptr;
    }
    return *this;
  }
  DWARF_Attr(const DWARF_Attr&) = delete;
  DWARF_Attr& operator=(const DWARF_Attr&) = delete;
  ~DWARF_Attr() { reset(); }
  void reset() {
    if (attr_) dwarf_dealloc_attribute(attr_);
    attr_ = nullptr;
  }
  Dwarf_Attribute get() const { return attr_; }
  explicit operator bool() const { return attr_ != nullptr; }

 private:
  Dwarf_Attribute attr_ = nullptr;
};

// The state behind a handle when the handle is an entry of an open, parsed file.
DWARF_STATE* DWARF_StateOf(SYM_HANDLE symbol);
DWARF_STATE* DWARF_StateOfFile(const ELF_FILE* elf);

// Library helpers (dwarf_access.cpp). Errors are released and give the failure value.
void DWARF_DropError(DWARF_STATE& st, Dwarf_Error& err);
DWARF_Die DWARF_Fetch(DWARF_STATE& st, SYM_KEY key);
SYM_KEY DWARF_KeyOf(Dwarf_Die die);
uint32_t DWARF_TagOf(Dwarf_Die die);
DWARF_Attr DWARF_AttrOf(DWARF_STATE& st, Dwarf_Die die, Dwarf_Half attr);
// The referenced entry (all reference forms, type signatures included), or 0.
SYM_KEY DWARF_RefOf(DWARF_STATE& st, Dwarf_Die die, Dwarf_Attribute attr);
bool DWARF_ConstOf(DWARF_STATE& st, Dwarf_Attribute attr, int64_t& value);
bool DWARF_FlagOf(DWARF_STATE& st, Dwarf_Attribute attr);
// The string of a string attribute, or null.
const char* DWARF_StringOf(DWARF_STATE& st, Dwarf_Attribute attr);
const char* DWARF_DirectName(DWARF_STATE& st, Dwarf_Die die);
bool DWARF_HasTrueFlag(DWARF_STATE& st, Dwarf_Die die, Dwarf_Half attr);
// The unit that holds `key`, or null.
const DWARF_UNIT* DWARF_UnitOf(const DWARF_STATE& st, SYM_KEY key);
DWARF_UNIT* DWARF_UnitOf(DWARF_STATE& st, SYM_KEY key);
const DWARF_ENTRY* DWARF_FindEntry(const DWARF_STATE& st, SYM_KEY key);
DWARF_INFO& DWARF_InfoFor(DWARF_STATE& st, SYM_KEY key);
const DWARF_INFO* DWARF_FindInfo(const DWARF_STATE& st, SYM_KEY key);

// The name index key of an entry: ((tag + (H(name) + 713) * 31) * 31 + d).
uint64_t DWARF_NameKey(uint32_t tag, const char* name, bool declaration);
SYM_KEY DWARF_LookupName(const DWARF_STATE& st, uint32_t tag, const char* name, bool declaration);

// Declarations and definitions (dwarf_query.cpp).
SYM_KEY DWARF_DeclarationOf(DWARF_STATE& st, SYM_KEY key);
SYM_KEY DWARF_DefinitionOf(DWARF_STATE& st, SYM_KEY key);
// Attribute lookup with the fallbacks: declaration, abstract origin (recursively, 6 levels),
// definition. `holder` receives the entry the attribute was found on.
DWARF_Attr DWARF_FindAttr(DWARF_STATE& st, SYM_KEY key, Dwarf_Half attr, DWARF_Die& holder);

// The bytes of a debug section as the library reads them; no data when that cannot be told
// (dwarf_entry_end.cpp).
struct DWARF_RAW_SECTION {
  const uint8_t* data = nullptr;
  uint64_t size = 0;
  bool big_endian = false;
};
DWARF_RAW_SECTION DWARF_RawSection(DWARF_STATE& st, const char* name);
// The section offset just past a childless entry without DW_AT_sibling (of `unit`, which
// ends at section offset `unit_end`), or 0 when it cannot be told.
uint64_t DWARF_ChildlessEnd(DWARF_STATE& st, const DWARF_RAW_SECTION& sec,
                            const DWARF_RAW_SECTION& abbrevs, const DWARF_UNIT& unit,
                            uint64_t unit_end, Dwarf_Die die);

// Whether the abbreviation of `die` lists the attributes `first` and `second`; -1 (both
// false) when that cannot be told.
int DWARF_AbbrevHasAttr(DWARF_STATE& st, const DWARF_RAW_SECTION& abbrevs, Dwarf_Die die,
                        Dwarf_Half first, Dwarf_Half second, bool& has_first,
                        bool& has_second);

// One entry of a location list: the program counters it covers, [low, high), or (default,
// DWARF 5) any counter no other entry covers; its expression is a view of the section.
struct DWARF_LOCLIST_ENTRY {
  uint64_t low = 0;
  uint64_t high = 0;
  bool is_default = false;
  std::span<const uint8_t> expression;
};
// Whether location attribute `attr` refers to a location list (location_lists.cpp).
bool DWARF_IsLocList(DWARF_STATE& st, Dwarf_Attribute attr, const DWARF_UNIT* unit);
// The entries of that list (.debug_loc before DWARF 5, .debug_loclists from 5 on), in
// order; false (and no entries) when the reference, an address index or an entry does not
// lie within its section.
bool DWARF_ReadLocList(DWARF_STATE& st, Dwarf_Die holder, Dwarf_Attribute attr,
                       const DWARF_UNIT& unit, std::vector<DWARF_LOCLIST_ENTRY>& out);

// Decodes a location expression (location_ops.cpp); false when an operation is unknown or
// runs past the end.
bool LOC_DecodeExpression(std::span<const uint8_t> bytes, int address_size, int offset_size,
                          bool big_endian, std::vector<LOC_OP>& ops);

// Locations of an entry (location_read.cpp); `die` must be the entry of `key`.
LOC_RECORD LOC_ReadLocation(DWARF_STATE& st, SYM_KEY key, Dwarf_Die die, uint64_t pc);
