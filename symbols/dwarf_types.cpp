// Types of the debug information database: array shapes, bitfields, printable type names,
// leaf classification and the fixed properties of the value type ids.
#include <cfloat>
#include <cstdio>
#include <cstring>

#include "platform/sys_text.h"
#include "symbols/active_symbol.h"
#include "symbols/dwarf_internal.h"

uint64_t DWARF_ByteSizeOf(DWARF_STATE& st, SYM_KEY key);  // dwarf_query.cpp

namespace {

constexpr int kMaxTypeNameSteps = 25;
constexpr size_t kTypeNameLimit = 511;
constexpr int kMaxParamNameDepth = 4;

// Calls `fn(child_die)` for each child of `die` (owned by the caller of fn for the call).
template <typename Fn>
void ForEachChild(DWARF_STATE& st, Dwarf_Die die, Fn fn) {
  Dwarf_Die child = nullptr;
  Dwarf_Error err = nullptr;
  int rc = dwarf_child(die, &child, &err);
  if (rc == DW_DLV_ERROR) DWARF_DropError(st, err);
  const Dwarf_Bool is_info = dwarf_get_die_infotypes_flag(die);
  for (int guard = 0; rc == DW_DLV_OK && guard < 100000; ++guard) {
    DWARF_Die owned(child);
    if (!fn(owned.get())) return;
    Dwarf_Die next = nullptr;
    rc = dwarf_siblingof_b(st.dbg, owned.get(), is_info, &next, &err);
    if (rc == DW_DLV_ERROR) DWARF_DropError(st, err);
    child = next;
  }
}

// Dimensions of an array type, in order (generic subranges repeat their count rank times).
int ReadDimensions(DWARF_STATE& st, Dwarf_Die array, uint64_t* dims, int max_dims) {
  int n = 0;
  ForEachChild(st, array, [&](Dwarf_Die child) {
    const uint32_t tag = DWARF_TagOf(child);
    if (tag != DW_TAG_subrange_type && tag != DW_TAG_generic_subrange) return true;
    uint64_t count = 0;
    int64_t v = 0;
    DWARF_Attr c = DWARF_AttrOf(st, child, DW_AT_count);
    if (c && DWARF_ConstOf(st, c.get(), v)) {
      count = v > 0 ? uint64_t(v) : 0;
    } else {
      DWARF_Attr upper = DWARF_AttrOf(st, child, DW_AT_upper_bound);
      int64_t up = 0, low = 0;
      // Without an upper bound (an incomplete array) the dimension is 0.
      if (upper && DWARF_ConstOf(st, upper.get(), up)) {
        DWARF_Attr lower = DWARF_AttrOf(st, child, DW_AT_lower_bound);
        if (lower) DWARF_ConstOf(st, lower.get(), low);
        count = up >= low ? uint64_t(up - low) + 1 : 0;
      }
    }
    int64_t rank = 1;
    if (tag == DW_TAG_generic_subrange) {
      DWARF_Attr r = DWARF_AttrOf(st, child, DW_AT_rank);
      if (!r || !DWARF_ConstOf(st, r.get(), rank) || rank < 1) rank = 1;
    }
    for (int64_t i = 0; i < rank && n < max_dims; ++i) dims[n++] = count;
    return n < max_dims;
  });
  return n;
}

bool ShapeOf(DWARF_STATE& st, SYM_KEY key, DWARF_ARRAY_SHAPE& shape) {
  DWARF_Die die = DWARF_Fetch(st, key);
  if (!die || DWARF_TagOf(die.get()) != DW_TAG_array_type) return false;
  shape = DWARF_ARRAY_SHAPE{};
  shape.dim_count = uint64_t(ReadDimensions(st, die.get(), shape.dims, DWARF_MAX_DIMENSIONS));
  DWARF_Attr t = DWARF_AttrOf(st, die.get(), DW_AT_type);
  const SYM_KEY element = t ? DWARF_RefOf(st, die.get(), t.get()) : 0;
  shape.element_size = element && element != key ? DWARF_ByteSizeOf(st, element) : 0;
  uint64_t count = shape.dim_count ? 1 : 0;
  for (uint64_t i = 0; i < shape.dim_count; ++i) {
    const uint64_t d = shape.dims[i];
    count = d != 0 && count > UINT64_MAX / d ? UINT64_MAX : count * d;
  }
  shape.element_count = count;
  shape.total_size = shape.element_size != 0 && count > UINT64_MAX / shape.element_size
                         ? UINT64_MAX
                         : count * shape.element_size;
  return true;
}

std::string NameOfType(DWARF_STATE& st, SYM_KEY key, int depth);

std::string Params(DWARF_STATE& st, Dwarf_Die die, int depth) {
  std::string text = "(";
  bool first = true;
  ForEachChild(st, die, [&](Dwarf_Die child) {
    if (DWARF_TagOf(child) != DW_TAG_formal_parameter) return true;
    if (DWARF_HasTrueFlag(st, child, DW_AT_artificial)) return true;
    if (!first) text += ", ";
    first = false;
    text += depth < kMaxParamNameDepth ? NameOfType(st, DWARF_KeyOf(child), depth + 1) : "";
    return text.size() < kTypeNameLimit;
  });
  return text + ")";
}

std::string NameOfType(DWARF_STATE& st, SYM_KEY key, int depth) {
  std::string text, qualifier, suffix;
  const char* last_typedef = nullptr;
  std::string typedef_name;
  SYM_KEY cur = key;
  bool first_step = true;
  for (int step = 0; step <= kMaxTypeNameSteps && cur; ++step) {
    DWARF_Die die = DWARF_Fetch(st, cur);
    if (!die) break;
    const uint32_t tag = DWARF_TagOf(die.get());
    bool stop = false;
    switch (tag) {
      case DW_TAG_array_type: {
        uint64_t dims[DWARF_MAX_DIMENSIONS];
        const int n = ReadDimensions(st, die.get(), dims, DWARF_MAX_DIMENSIONS);
        std::string part;
        for (int i = 0; i < n; ++i) {
          char buf[32];
          std::snprintf(buf, sizeof buf, "[%u]", unsigned(dims[i]));
          part += buf;
        }
        text = part + text;
        break;
      }
      case DW_TAG_class_type:
      case DW_TAG_enumeration_type:
      case DW_TAG_structure_type:
      case DW_TAG_union_type: {
        const char* name = DWARF_DirectName(st, die.get());
        std::string part = name ? name : (last_typedef ? typedef_name : std::string());
        if (!part.empty()) {
          const char* keyword = tag == DW_TAG_class_type         ? "class "
                                : tag == DW_TAG_enumeration_type ? "enum "
                                : tag == DW_TAG_structure_type   ? "struct "
                                                                 : "union ";
          part = keyword + part;
        }
        text = part + text;
        stop = tag == DW_TAG_enumeration_type;
        break;
      }
      case DW_TAG_pointer_type:
      case DW_TAG_reference_type:
      case DW_TAG_rvalue_reference_type:
        text = "*" + text;
        break;
      case DW_TAG_subroutine_type:
      case DW_TAG_inlined_subroutine:
      case DW_TAG_subprogram: {
        DWARF_Attr ret = DWARF_AttrOf(st, die.get(), DW_AT_type);
        text = (ret ? "" : "void") + Params(st, die.get(), depth) + text;
        break;
      }
      case DW_TAG_typedef: {
        const char* name = DWARF_DirectName(st, die.get());
        last_typedef = name;
        typedef_name = name ? name : "";
        break;
      }
      case DW_TAG_base_type:
      case DW_TAG_unspecified_type: {
        const char* name = DWARF_DirectName(st, die.get());
        text = std::string(name ? name : "") + text;
        break;
      }
      case DW_TAG_const_type: qualifier = "const "; break;
      case DW_TAG_volatile_type: qualifier = "volatile "; break;
      case DW_TAG_restrict_type: suffix = "restrict"; break;
      default: break;
    }
    if (stop || text.size() > kTypeNameLimit) break;
    (void)first_step;
    first_step = false;
    DWARF_Die holder;
    DWARF_Attr t = DWARF_FindAttr(st, cur, DW_AT_type, holder);
    const SYM_KEY next = t ? DWARF_RefOf(st, holder.get(), t.get()) : 0;
    if (next == cur) break;
    cur = next;
  }
  if (!text.empty() && text[0] == '*') qualifier += "void";
  text = qualifier + text;
  // "static" for function-local statics, static data members and functions without an
  // object pointer; "virtual" for virtual functions.
  DWARF_Die self = DWARF_Fetch(st, key);
  const uint32_t self_tag = DWARF_TagOf(self.get());
  bool is_static = false;
  if (self_tag == DW_TAG_variable || self_tag == DW_TAG_member) {
    const DWARF_ENTRY* e = DWARF_FindEntry(st, key);
    is_static = (e && (e->flags & DWARF_ENTRY_IN_FUNCTION) && self_tag == DW_TAG_variable) ||
                DWARF_IsStaticMember(SYM_MakeEntryHandle(st.elf->slot, key));
  } else if (self_tag == DW_TAG_subprogram) {
    DWARF_Attr op = DWARF_AttrOf(st, self.get(), DW_AT_object_pointer);
    is_static = !op;
  }
  if (is_static) text = "static " + text;
  if (self_tag == DW_TAG_subprogram) {
    DWARF_Attr v = DWARF_AttrOf(st, self.get(), DW_AT_virtuality);
    int64_t virt = 0;
    if (v && DWARF_ConstOf(st, v.get(), virt) && virt != 0) text = "virtual " + text;
  }
  if (!suffix.empty()) text += " " + suffix;
  if (text.size() > kTypeNameLimit) text.resize(kTypeNameLimit);
  return text;
}


}  // namespace

uint64_t DWARF_ArrayTotalSize(DWARF_STATE& st, SYM_KEY array) {
  DWARF_ARRAY_SHAPE shape;
  return ShapeOf(st, array, shape) ? shape.total_size : 0;
}

bool DWARF_GetArrayShape(SYM_HANDLE type, DWARF_ARRAY_SHAPE& shape) {
  DWARF_STATE* st = DWARF_StateOf(type);
  return st && ShapeOf(*st, SYM_Key(type), shape);
}

std::string DWARF_GetTypeName(SYM_HANDLE symbol) {
  DWARF_STATE* st = DWARF_StateOf(symbol);
  if (!st) return {};
  const SYM_KEY key = SYM_Key(symbol);
  if (const DWARF_INFO* info = DWARF_FindInfo(*st, key); info && info->has_type_name) {
    return info->type_name;
  }
  std::string name = NameOfType(*st, key, 0);
  if (DWARF_FindEntry(*st, key)) {  // cache for kept entries only
    DWARF_INFO& info = DWARF_InfoFor(*st, key);
    info.type_name = name;
    info.has_type_name = true;
  }
  return name;
}

uint32_t DWARF_GetBitSize(SYM_HANDLE member) {
  DWARF_STATE* st = DWARF_StateOf(member);
  if (!st) return 0;
  DWARF_Die holder;
  DWARF_Attr a = DWARF_FindAttr(*st, SYM_Key(member), DW_AT_bit_size, holder);
  int64_t v = 0;
  return a && DWARF_ConstOf(*st, a.get(), v) && v > 0 ? uint32_t(v) : 0;
}

uint32_t DWARF_GetBitOffset(SYM_HANDLE member) {
  DWARF_STATE* st = DWARF_StateOf(member);
  if (!st) return 0;
  const SYM_KEY key = SYM_Key(member);
  DWARF_Die die = DWARF_Fetch(*st, key);
  if (!die) return 0;
  const bool little = !st->elf->big_endian;
  int64_t data_bit_offset = 0, bit_offset = 0;
  DWARF_Attr dbo = DWARF_AttrOf(*st, die.get(), DW_AT_data_bit_offset);
  const bool has_dbo = dbo && DWARF_ConstOf(*st, dbo.get(), data_bit_offset);
  if (has_dbo && little) return uint32_t(data_bit_offset);
  DWARF_Attr bo = DWARF_AttrOf(*st, die.get(), DW_AT_bit_offset);
  const bool has_bo = bo && DWARF_ConstOf(*st, bo.get(), bit_offset);
  int64_t b = has_bo ? bit_offset : has_dbo ? data_bit_offset : 0;
  const int64_t w = DWARF_GetBitSize(member);
  if (w == 0) return uint32_t(b);
  DWARF_Attr own_size = DWARF_AttrOf(*st, die.get(), DW_AT_byte_size);
  int64_t bytes = 0;
  if (!own_size || !DWARF_ConstOf(*st, own_size.get(), bytes) || bytes <= 0) {
    bytes = int64_t(DWARF_ByteSizeOf(*st, key));
  }
  const int64_t s = bytes * 8;
  const int64_t r = s < w + b ? 32 - w - b : s - w - b;
  return r < 0 ? 0 : uint32_t(r);
}

uint32_t DWARF_ClassifyLeaf(uint64_t size, const char* type_name, bool is_signed) {
  const char* name = type_name ? type_name : "";
  const char* blank = std::strrchr(name, ' ');
  const char* word = blank ? blank + 1 : name;
  if (size == 1 && (SYS_EqualNoCase(word, "bool") || SYS_EqualNoCase(word, "_Bool"))) {
    return TYPEID_BOOL;
  }
  if (size == 4 && SYS_EqualNoCase(word, "float")) return TYPEID_FLOAT;
  if (size == 8 && SYS_EqualNoCase(word, "double")) return TYPEID_DOUBLE;
  switch (size) {
    case 1: return is_signed ? TYPEID_I8 : TYPEID_U8;
    case 2: return is_signed ? TYPEID_I16 : TYPEID_U16;
    case 4: return is_signed ? TYPEID_I32 : TYPEID_U32;
    case 8: return is_signed ? TYPEID_I64 : TYPEID_U64;
    default: return TYPEID_UNSUPPORTED;
  }
}

const DWARF_TYPEID_INFO& DWARF_GetTypeIdInfo(uint32_t type_id) {
  static const DWARF_TYPEID_INFO kUnsupported{};
  static const DWARF_TYPEID_INFO kBitfield{"bitfield", 0, false, 0, 0, false, false, 0, 0};
  static const DWARF_TYPEID_INFO kTable[] = {
      {"float", 4, true, -3.4028234663852886e38, 3.4028234663852886e38, false, false, 0, 0},
      {"double", 8, true, -DBL_MAX, DBL_MAX, false, false, 0, 0},
      {"bool", 1, false, 0, 1, false, false, 0, 0},
      {"U8", 1, false, 0, 255, true, false, 4, 4},
      {"U16", 2, false, 0, 65535, true, false, 8, 8},
      {"U32", 4, false, 0, 4294967295.0, true, false, 16, 16},
      {"U64", 8, false, 0, 18446744073709551616.0, true, false, 32, 32},
      {"I8", 1, true, -128, 127, true, true, 4, 3},
      {"I16", 2, true, -32768, 32767, true, true, 8, 7},
      {"I32", 4, true, -2147483648.0, 2147483647.0, true, true, 16, 15},
      {"I64", 8, true, -9223372036854775808.0, 9223372036854775808.0, true, true, 32, 31},
  };
  switch (type_id) {
    case TYPEID_FLOAT: return kTable[0];
    case TYPEID_DOUBLE: return kTable[1];
    case TYPEID_BOOL: return kTable[2];
    case TYPEID_U8: return kTable[3];
    case TYPEID_U16: return kTable[4];
    case TYPEID_U32: return kTable[5];
    case TYPEID_U64: return kTable[6];
    case TYPEID_I8: return kTable[7];
    case TYPEID_I16: return kTable[8];
    case TYPEID_I32: return kTable[9];
    case TYPEID_I64: return kTable[10];
    case TYPEID_BITFIELD: return kBitfield;
    default: return kUnsupported;
  }
}
