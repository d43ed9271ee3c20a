// Debug information database: an index of the DWARF information of an open ELF file.
//
// Built by ELF_Open(path, true): one walk over every type unit and compilation unit collects
// global variables, functions, types, namespaces and compilation units, the members and base
// classes of every composite type, and a name index that leads from declarations to their
// definitions. Queries then answer by symbol handle (symbol_handle.h). A symbol tree is built
// entirely from these queries, for example:
//
//   for (uint64_t i = 0; i < DWARF_GetCategoryCount(elf, DWARF_CAT_VARIABLES); ++i) {
//     SYM_HANDLE v = DWARF_GetCategoryEntry(elf, DWARF_CAT_VARIABLES, i);
//     uint64_t addr = LOC_GetTargetAddress(v);          // 0: no static address (skip)
//     SYM_HANDLE t = DWARF_GetType(v, true);            // resolved type (typedefs passed)
//     uint32_t tag = DWARF_GetTag(t);                   // DW_TAG_structure_type, ...
//     for (uint32_t m = 0; m < DWARF_GetMemberCount(t); ++m) {
//       SYM_HANDLE mem = DWARF_GetMember(t, m);         // member offset: LOC_GetMemberOffset
//     }
//   }
//
// Every handle stays valid until ELF_Close; after that every query with it fails. Queries fail
// with 0, "", SYM_NONE or (for DWARF_GetTag) 0xFFFF. Not thread-safe (one caller thread).
// ELF-symbol handles (ELF_GetSymbolHandle) are accepted where stated.
#pragma once

#include <cstdint>
#include <string>

#include "symbols/elf_reader.h"
#include "symbols/symbol_handle.h"

// Categories, named by the DWARF tag they are asked for with.
enum : uint32_t {
  DWARF_CAT_TYPES = 16,               // typedefs, enumerators, defined composite types
  DWARF_CAT_UNITS = 17,               // compilation unit entries
  DWARF_CAT_INLINED = 29,             // inlined subroutines
  DWARF_CAT_NAMESPACE_EXTENSIONS = 30,
  DWARF_CAT_FUNCTIONS = 46,
  DWARF_CAT_VARIABLES = 52,           // global variables and function-local statics
  DWARF_CAT_NAMESPACES = 57,
};

// DWARF tags the queries return and callers compare with.
enum : uint32_t {
  DWARF_TAG_ARRAY = 0x01,
  DWARF_TAG_CLASS = 0x02,
  DWARF_TAG_ENUMERATION = 0x04,
  DWARF_TAG_MEMBER = 0x0d,
  DWARF_TAG_POINTER = 0x0f,
  DWARF_TAG_REFERENCE = 0x10,
  DWARF_TAG_STRUCTURE = 0x13,
  DWARF_TAG_SUBROUTINE_TYPE = 0x15,
  DWARF_TAG_TYPEDEF = 0x16,
  DWARF_TAG_UNION = 0x17,
  DWARF_TAG_INHERITANCE = 0x1c,
  DWARF_TAG_BASE_TYPE = 0x24,
  DWARF_TAG_ENUMERATOR = 0x28,
  DWARF_TAG_SUBPROGRAM = 0x2e,
  DWARF_TAG_VARIABLE = 0x34,
  DWARF_TAG_NAMESPACE = 0x39,
  DWARF_TAG_FAILED = 0xFFFF,
};

// Number of entries of a category (0 for an unknown category or a file without DWARF), and
// the i-th entry in collection order (section order of the walk).
uint64_t DWARF_GetCategoryCount(const ELF_FILE* elf, uint32_t category);
SYM_HANDLE DWARF_GetCategoryEntry(const ELF_FILE* elf, uint32_t category, uint64_t index);

// The entry's name: DW_AT_name, else that of its abstract origin, declaration (DW_AT_specification) or definition
// (up to 5 levels). For an ELF-symbol handle the symbol's name.
std::string DWARF_GetName(SYM_HANDLE symbol);
// The entry's DWARF tag; for an ELF-symbol handle the ELF symbol type; 0xFFFF on failure.
uint32_t DWARF_GetTag(SYM_HANDLE symbol);
// The entry's type. With `self`, an entry that is itself a type is its own type; otherwise
// DW_AT_type is followed at least once. Typedefs and qualifiers are passed over until an
// array, class, enumeration, pointer, reference, structure, subroutine type, union, pointer
// to member, base type, subprogram or unspecified type is reached; a declared-only type is
// replaced by its definition when the file has one.
SYM_HANDLE DWARF_GetType(SYM_HANDLE symbol, bool self);
// Size in bytes: the first non-zero size along the type chain (pointers: the unit's address
// size; arrays: their total size), else the entry's address range. ELF symbols: their size.
uint64_t DWARF_GetByteSize(SYM_HANDLE symbol);
// True when the type chain reaches a signed base type before any pointer.
bool DWARF_IsSigned(SYM_HANDLE symbol);
// Printable type like a C declaration without the name: "const unsigned int", "short[3][4]",
// "struct T*", "static int" (function-local static). Cached per entry.
std::string DWARF_GetTypeName(SYM_HANDLE symbol);
// The source file: the DW_AT_call_file entry of the unit's file table when the entry has one,
// else the unit's name, joined to its compilation folder when that name is relative.
std::string DWARF_GetSourceFile(SYM_HANDLE symbol);
// True for a variable inside a function (a function-local static when it is collected) and
// for a static data member declared in a class (it has no data member location).
bool DWARF_IsFunctionLocal(SYM_HANDLE symbol);
bool DWARF_IsStaticMember(SYM_HANDLE symbol);

// Members of a class, structure, union or enumeration (data members, enumerators, member
// functions; tag DW_TAG_subprogram marks a function), and base classes (inheritance entries)
// of a class or structure, in declaration order. Pass the resolved type (DWARF_GetType).
uint32_t DWARF_GetMemberCount(SYM_HANDLE type);
SYM_HANDLE DWARF_GetMember(SYM_HANDLE type, uint32_t index);
uint32_t DWARF_GetBaseClassCount(SYM_HANDLE type);
SYM_HANDLE DWARF_GetBaseClass(SYM_HANDLE type, uint32_t index);

// Bitfields: DW_AT_bit_size (0: no bitfield) and the bit offset counted from the least
// significant bit of the member's storage unit (DW_AT_data_bit_offset, or DW_AT_bit_offset
// converted). The member's byte offset is LOC_GetMemberOffset. With DW_AT_data_bit_offset
// (and no byte offset) the bit offset counts from the start of the record.
uint32_t DWARF_GetBitSize(SYM_HANDLE member);
uint32_t DWARF_GetBitOffset(SYM_HANDLE member);

// The shape of an array type (pass DWARF_GetType(v, true) of an array variable).
constexpr int DWARF_MAX_DIMENSIONS = 10;
struct DWARF_ARRAY_SHAPE {
  uint64_t total_size = 0;     // bytes
  uint64_t element_size = 0;   // bytes of one element
  uint64_t element_count = 0;  // product of the dimensions
  uint64_t dim_count = 0;      // at most DWARF_MAX_DIMENSIONS
  uint64_t dims[DWARF_MAX_DIMENSIONS] = {};
};
// False when `type` is no array.
bool DWARF_GetArrayShape(SYM_HANDLE type, DWARF_ARRAY_SHAPE& shape);

// The value type id (TYPEID_* of active_symbol.h) of a leaf: size 1 + last word "bool" or
// "_Bool" is bool, size 4 + "float" float, size 8 + "double" double, otherwise the signedness
// and size 1/2/4/8 decide; anything else is TYPEID_UNSUPPORTED. The last word is the text
// after the type name's last blank; words compare without regard to ASCII case.
uint32_t DWARF_ClassifyLeaf(uint64_t size, const char* type_name, bool is_signed);

// The fixed properties of a type id.
struct DWARF_TYPEID_INFO {
  const char* name = "unsupported";
  uint32_t size = 0;
  bool is_signed = false;
  double minimum = 0.0;
  double maximum = 0.0;
  bool has_qformat = false;  // default Q-format below is valid
  bool q_signed = false;
  uint8_t q_int_bits = 0;
  uint8_t q_frac_bits = 0;
};
const DWARF_TYPEID_INFO& DWARF_GetTypeIdInfo(uint32_t type_id);

// The program's entry function (DW_AT_main_subprogram, else "main"), or SYM_NONE.
SYM_HANDLE DWARF_GetEntryFunction(const ELF_FILE* elf);

// Counters and timings of the parse. Source lines, macros, FDEs and CIEs are only read (and
// counted) while a debug log hook is installed (ELF_SetDebugLogHook): they feed nothing else.
struct DWARF_STATS {
  uint32_t elf_symbols = 0;
  uint32_t dwarf_symbols = 0;  // entries kept by at least one collector
  uint32_t members = 0;
  uint32_t local_variables = 0;
  uint32_t fdes = 0;
  uint32_t cies = 0;
  uint64_t file_size = 0;
  uint64_t debug_info_size = 0;
  uint64_t debug_types_size = 0;
  int dwarf_version = 0;  // highest unit version
  uint32_t data_encoding = 0;
  uint32_t language = 1;  // 1 C, 2 C++
  int64_t functions = 0, inlined = 0, variables = 0, types = 0, units = 0;
  int64_t source_lines = 0, namespaces = 0, namespace_extensions = 0, macros = 0;
  long ms_types = 0, ms_info = 0, ms_lines = 0, ms_macros = 0, ms_frames = 0;
};
// Null when the file is not open or has no database.
const DWARF_STATS* DWARF_GetStats(const ELF_FILE* elf);
