// Building the symbol tree from the queries of the debug information database.
#include <algorithm>
#include <cmath>
#include <new>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/sys_memory.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "symbols/dwarf_db.h"
#include "symbols/elf_reader.h"
#include "symbols/locations.h"
#include "symbols/bitfield_member.h"
#include "symbols/symbol_tree.h"

namespace {

struct BUILD_CONTEXT {
  const SYMTREE_OPTIONS* options = nullptr;
  uint64_t node_count = 0;
  bool truncated = false;
  // Nodes of static data members: their address is their own, not an offset in the object,
  // so copies of an element keep it.
  std::unordered_set<const ACTIVE_SYMBOL*> fixed_address;
};

// What one node is built from.
struct NODE_INPUT {
  SYM_HANDLE symbol = SYM_NONE;
  ACTIVE_SYMBOL* parent = nullptr;  // null for a variable
  uint32_t depth = 0;               // restarts inside arrays
  uint32_t nesting = 0;             // true nesting below the variable
  bool is_element = false;          // name and address were set by the array expansion
  bool is_base = false;             // a base class (inheritance entry)
  bool is_static_member = false;    // address is static_address, not an offset
  uint64_t static_address = 0;
};

bool IsComposite(uint32_t tag) {
  return tag == DWARF_TAG_CLASS || tag == DWARF_TAG_STRUCTURE || tag == DWARF_TAG_UNION;
}

uint32_t TagOf(SYM_HANDLE symbol) {
  uint32_t tag = DWARF_GetTag(symbol);
  return tag == DWARF_TAG_FAILED ? 0 : tag;
}

uint32_t ClampU32(uint64_t value) { return value > UINT32_MAX ? UINT32_MAX : uint32_t(value); }

uint64_t SaturatingMul(uint64_t a, uint64_t b) {
  if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
  return a * b;
}

void SetText(char* field, size_t size, const std::string& text) {
  SYS_CopyText(field, size, text.c_str());
}

ACTIVE_SYMBOL* NewNode(BUILD_CONTEXT& ctx) {
  if (ctx.node_count >= ctx.options->max_nodes) {
    if (!ctx.truncated) {
      ctx.truncated = true;
      SYS_WarningBoxF("The symbol tree reached %llu nodes; the remaining symbols are left out.",
                      static_cast<unsigned long long>(ctx.options->max_nodes));
    }
    return nullptr;
  }
  ACTIVE_SYMBOL* node = ACTSYM_New("Symbol Node", ctx.options->int_default_hex);
  if (node != nullptr) ++ctx.node_count;
  return node;
}

// A bitfield member: the word it is read through holds its bits in at most 8 bytes (a wider
// storage unit is narrowed to the bytes around them), and its type is the smallest integer
// type of its signedness that holds them; wider members stay unsupported (U64 / I64). Its
// write limits and largest value are those of its bits.
void ClassifyBitfield(ACTIVE_SYMBOL& node) {
  node.Leaf = 1;
  if (node.Size > 8 || uint64_t{node.BitOffset} + node.BitSize > uint64_t{node.Size} * 8) {
    node.Address += node.BitOffset / 8;
    node.BitOffset %= 8;
    const uint32_t need = (node.BitOffset + node.BitSize + 7) / 8;
    node.Size = need <= 1 ? 1 : need <= 2 ? 2 : need <= 4 ? 4 : 8;
  }
  const bool is_signed = node.Signed != 0;
  uint32_t type = is_signed ? TYPEID_I64 : TYPEID_U64;
  if (node.BitSize <= 8) {
    type = is_signed ? TYPEID_I8 : TYPEID_U8;
  } else if (node.BitSize <= 16) {
    type = is_signed ? TYPEID_I16 : TYPEID_U16;
  } else if (node.BitSize <= 32) {
    type = is_signed ? TYPEID_I32 : TYPEID_U32;
  }
  ACTSYM_ApplyTypeDefaults(node, type);
  if (!ACTSYM_IsReadableBitfield(node)) return;
  const double span = std::ldexp(1.0, int(node.BitSize) - (is_signed ? 1 : 0));
  node.MinWrite = is_signed ? -span : 0.0;
  node.MaxWrite = span - 1.0;
  node.MaxValue = span - 1.0;
}

// A node without children gets the type id of its size, type name and signedness with that
// type's defaults; a node with children is not a value (type id 0).
void Classify(ACTIVE_SYMBOL& node) {
  if (node.pFirstChild == nullptr && node.BitSize != 0) {
    ClassifyBitfield(node);
  } else if (node.pFirstChild == nullptr) {
    node.Leaf = 1;
    ACTSYM_ApplyTypeDefaults(node, DWARF_ClassifyLeaf(node.Size, node.TypeName, node.Signed));
  } else {
    node.Leaf = 0;
    node.ValueType = TYPEID_UNSUPPORTED;
    node.RawType = TYPEID_UNSUPPORTED;
  }
}

// "int[2][3]" -> "int[3]": the type of one element of the outermost dimension.
std::string StripFirstDimension(const char* type_name) {
  std::string text(type_name);
  size_t open = text.find('[');
  if (open == std::string::npos) return text;
  size_t close = text.find(']', open);
  if (close == std::string::npos) return text;
  text.erase(open, close - open + 1);
  return text;
}

void BuildDimensionList(ACTIVE_SYMBOL& node, const DWARF_ARRAY_SHAPE& shape) {
  SYMBOL_DIMENSION* last = nullptr;
  for (uint64_t k = 0; k < shape.dim_count && k < DWARF_MAX_DIMENSIONS; ++k) {
    void* area = SYS_Alloc(sizeof(SYMBOL_DIMENSION),
                           last == nullptr ? "Node dimension size" : "Dimension size sibling");
    if (area == nullptr) return;
    SYMBOL_DIMENSION* dim = new (area) SYMBOL_DIMENSION();
    dim->Size = ClampU32(shape.dims[k]);
    if (last == nullptr) {
      node.pDimensions = dim;
    } else {
      last->pNext = dim;
    }
    last = dim;
  }
}

void BuildNode(BUILD_CONTEXT& ctx, const NODE_INPUT& in, ACTIVE_SYMBOL& node);

// Decides whether a member or base class gets a node at `depth`, and where a static data
// member lives. Member functions get none; a static data member is not part of the object:
// a scalar one is shown with its own address (from its definition), one without a static
// address (declared only, or a constant) and one of a composite or array type (listed and
// expanded as a global variable of its own) are left out.
bool ChildGetsNode(SYM_HANDLE member, uint32_t depth, uint32_t nesting, NODE_INPUT& in) {
  if (member == SYM_NONE || depth >= SYMTREE_MAX_DEPTH || nesting >= SYMTREE_MAX_NESTING) {
    return false;
  }
  if (DWARF_GetTag(member) == DWARF_TAG_SUBPROGRAM) return false;
  uint32_t type_tag = TagOf(DWARF_GetType(member, true));
  if (type_tag == DWARF_TAG_SUBPROGRAM) return false;
  if (DWARF_GetTag(member) == DWARF_TAG_VARIABLE || DWARF_IsStaticMember(member)) {
    if (IsComposite(type_tag) || type_tag == DWARF_TAG_ARRAY) return false;
    in.static_address = LOC_GetTargetAddress(member);
    if (in.static_address == 0) return false;
    in.is_static_member = true;
  }
  return true;
}

// Appends one child per member (then per base class) of `type` to `node`. A child that
// cannot be created ends the list.
void BuildCompositeChildren(BUILD_CONTEXT& ctx, const NODE_INPUT& in, SYM_HANDLE type,
                            ACTIVE_SYMBOL& node) {
  ACTIVE_SYMBOL* last = nullptr;
  const uint32_t member_count = DWARF_GetMemberCount(type);
  const uint32_t base_count = DWARF_GetBaseClassCount(type);
  for (uint32_t i = 0; i < member_count + base_count; ++i) {
    const bool is_base = i >= member_count;
    SYM_HANDLE member = is_base ? DWARF_GetBaseClass(type, i - member_count)
                                : DWARF_GetMember(type, i);
    NODE_INPUT child;
    child.symbol = member;
    child.parent = &node;
    child.depth = in.depth + 1;
    child.nesting = in.nesting + 1;
    child.is_base = is_base;
    if (!ChildGetsNode(member, child.depth, child.nesting, child)) continue;
    ACTIVE_SYMBOL* c = NewNode(ctx);
    if (c == nullptr) return;
    last = SYMTREE_AppendChild(node, last, c);
    BuildNode(ctx, child, *c);
  }
}

struct ELEMENT_TYPE {
  SYM_HANDLE symbol = SYM_NONE;
  uint64_t size = 0;
};

// Copies one node for CloneSubtree: same fields, own links and dimension list, shifted
// address.
void CopyNode(BUILD_CONTEXT& ctx, const ACTIVE_SYMBOL& src, ACTIVE_SYMBOL& dst,
              ACTIVE_SYMBOL* parent, int64_t delta) {
  dst = src;
  dst.pFirstChild = nullptr;
  dst.pNextSibling = nullptr;
  dst.pParent = parent;
  dst.pDimensions = nullptr;
  if (ctx.fixed_address.count(&src) != 0) {
    ctx.fixed_address.insert(&dst);
  } else {
    dst.Address = uint32_t(int64_t(src.Address) + delta);
  }
  SYMBOL_DIMENSION* last = nullptr;
  for (const SYMBOL_DIMENSION* d = src.pDimensions; d != nullptr; d = d->pNext) {
    void* area = SYS_Alloc(sizeof(SYMBOL_DIMENSION),
                           last == nullptr ? "Node dimension size" : "Dimension size sibling");
    if (area == nullptr) break;
    SYMBOL_DIMENSION* copy = new (area) SYMBOL_DIMENSION{d->Size, nullptr};
    if (last == nullptr) {
      dst.pDimensions = copy;
    } else {
      last->pNext = copy;
    }
    last = copy;
  }
}

// A copy of the subtree at `src` under `parent`, every address moved by `delta`. Without
// recursion; a node that cannot be created ends the copy (the part made stays linked).
ACTIVE_SYMBOL* CloneSubtree(BUILD_CONTEXT& ctx, const ACTIVE_SYMBOL& src, ACTIVE_SYMBOL* parent,
                            int64_t delta) {
  ACTIVE_SYMBOL* root = NewNode(ctx);
  if (root == nullptr) return nullptr;
  CopyNode(ctx, src, *root, parent, delta);
  std::vector<std::pair<const ACTIVE_SYMBOL*, ACTIVE_SYMBOL*>> pending{{&src, root}};
  while (!pending.empty()) {
    auto [from, to] = pending.back();
    pending.pop_back();
    ACTIVE_SYMBOL* last = nullptr;
    for (const ACTIVE_SYMBOL* c = from->pFirstChild; c != nullptr; c = c->pNextSibling) {
      ACTIVE_SYMBOL* copy = NewNode(ctx);
      if (copy == nullptr) return root;
      CopyNode(ctx, *c, *copy, to, delta);
      last = SYMTREE_AppendChild(*to, last, copy);
      pending.emplace_back(c, copy);
    }
  }
  return root;
}

// Creates the elements of dimension `k` under `array`: intermediate nodes for all but the
// last dimension, element nodes built from the element type for the last.
void ExpandArray(BUILD_CONTEXT& ctx, ACTIVE_SYMBOL& array, const DWARF_ARRAY_SHAPE& shape,
                 uint64_t k, const ELEMENT_TYPE& element, uint32_t nesting) {
  if (k >= shape.dim_count || k >= SYMTREE_MAX_DEPTH || nesting >= SYMTREE_MAX_NESTING) return;
  const bool is_last = k + 1 >= shape.dim_count;
  uint64_t stride = element.size;
  for (uint64_t j = k + 1; j < shape.dim_count; ++j) stride = SaturatingMul(stride, shape.dims[j]);
  const std::string inner_type = is_last ? std::string() : StripFirstDimension(array.TypeName);
  const std::string base_name(array.Name);
  ACTIVE_SYMBOL* last = nullptr;
  const ACTIVE_SYMBOL* first_element = nullptr;  // model for the elements after it
  for (uint64_t i = 0; i < shape.dims[k]; ++i) {
    const uint32_t address = uint32_t(array.Address + SaturatingMul(i, stride));
    ACTIVE_SYMBOL* e = nullptr;
    if (first_element != nullptr) {
      // Every element of the last dimension has the first element's subtree at another
      // address; copying it spares the debug information queries per element.
      e = CloneSubtree(ctx, *first_element, &array, int64_t(address) - first_element->Address);
      if (e == nullptr) return;
      last = SYMTREE_AppendChild(array, last, e);
      SetText(e->Name, sizeof e->Name, base_name + "[" + std::to_string(i) + "]");
      if (ctx.truncated) return;
      continue;
    }
    e = NewNode(ctx);
    if (e == nullptr) return;
    last = SYMTREE_AppendChild(array, last, e);
    SetText(e->Name, sizeof e->Name, base_name + "[" + std::to_string(i) + "]");
    e->pParent = &array;
    e->Address = address;
    if (!is_last) {
      e->Array = 1;
      e->Tag = DWARF_TAG_ARRAY;
      e->Size = ClampU32(stride);
      e->Signed = array.Signed;
      SetText(e->TypeName, sizeof e->TypeName, inner_type);
      SYS_CopyText(e->SourceFile, sizeof e->SourceFile, array.SourceFile);
      ExpandArray(ctx, *e, shape, k + 1, element, nesting + 1);
      Classify(*e);
    } else {
      NODE_INPUT in;
      in.symbol = element.symbol;
      in.parent = &array;
      in.depth = uint32_t(k + 1);
      in.nesting = nesting + 1;
      in.is_element = true;
      BuildNode(ctx, in, *e);
      // The names inside an element that is itself an array derive from the element's
      // name, so such elements are built one by one.
      if (ctx.options->copy_elements && e->Tag != DWARF_TAG_ARRAY && !ctx.truncated) {
        first_element = e;
      }
    }
  }
}

void BuildNode(BUILD_CONTEXT& ctx, const NODE_INPUT& in, ACTIVE_SYMBOL& node) {
  node.pParent = in.parent;
  if (in.parent != nullptr) {
    SYS_CopyText(node.SourceFile, sizeof node.SourceFile, in.parent->SourceFile);
  }
  if (in.symbol == SYM_NONE || in.depth >= SYMTREE_MAX_DEPTH) {
    Classify(node);
    return;
  }
  const SYM_HANDLE s = in.symbol;
  const SYM_HANDLE type = DWARF_GetType(s, true);
  if (!in.is_element) {
    SetText(node.Name, sizeof node.Name, DWARF_GetName(s));
    node.Address = uint32_t(in.is_static_member ? in.static_address : LOC_GetTargetAddress(s));
    if (in.is_static_member) ctx.fixed_address.insert(&node);
  }
  SetText(node.TypeName, sizeof node.TypeName, DWARF_GetTypeName(s));
  if (in.parent == nullptr) SetText(node.SourceFile, sizeof node.SourceFile, DWARF_GetSourceFile(s));
  node.Size = ClampU32(DWARF_GetByteSize(s));
  node.Tag = TagOf(type);
  node.Signed = DWARF_IsSigned(s) ? 1 : 0;

  if (in.parent != nullptr && IsComposite(in.parent->Tag) && !in.is_static_member) {
    node.Address = uint32_t(in.parent->Address + LOC_GetMemberOffset(s));
    const uint32_t bit_size = DWARF_GetBitSize(s);
    if (bit_size != 0) {
      // The member is read through the word that holds it (its storage unit, narrowed by
      // Classify when needed); its value is its bits alone.
      node.Size = in.parent->Size;
      node.BitSize = bit_size;
      node.BitOffset = DWARF_GetBitOffset(s);
      node.ValueType = TYPEID_BITFIELD;
      node.RawType = TYPEID_BITFIELD;
    }
  }

  if (in.is_base) {
    SYS_CopyText(node.Name, sizeof node.Name, "<Inherited>");
  } else if (node.Name[0] == 0 && IsComposite(node.Tag)) {
    SYS_CopyText(node.Name, sizeof node.Name, "<Anonymous>");
  }

  if (IsComposite(node.Tag)) {
    BuildCompositeChildren(ctx, in, type, node);
  } else if (node.Tag == DWARF_TAG_ARRAY) {
    node.Array = 1;
    DWARF_ARRAY_SHAPE shape;
    if (DWARF_GetArrayShape(type, shape)) {
      shape.dim_count = std::min<uint64_t>(shape.dim_count, DWARF_MAX_DIMENSIONS);
      node.DimensionCount = uint32_t(shape.dim_count);
      BuildDimensionList(node, shape);
      ELEMENT_TYPE element;
      element.symbol = DWARF_GetType(type, false);
      element.size = element.symbol != SYM_NONE ? DWARF_GetByteSize(element.symbol)
                                                : shape.element_size;
      ExpandArray(ctx, node, shape, 0, element, in.nesting);
    }
  }
  Classify(node);
}


}  // namespace

ACTIVE_SYMBOL* SYMTREE_AppendChild(ACTIVE_SYMBOL& parent, ACTIVE_SYMBOL* last_child,
                                   ACTIVE_SYMBOL* child) {
  if (parent.pFirstChild == nullptr) {
    parent.pFirstChild = child;
    return child;
  }
  if (last_child == nullptr) last_child = parent.pFirstChild;
  return SYMTREE_AppendSibling(*last_child, child);
}

ACTIVE_SYMBOL* SYMTREE_AppendSibling(ACTIVE_SYMBOL& node, ACTIVE_SYMBOL* sibling) {
  ACTIVE_SYMBOL* last = &node;
  while (last->pNextSibling != nullptr) last = last->pNextSibling;
  last->pNextSibling = sibling;
  return sibling;
}

void SYMTREE_Free(ACTIVE_SYMBOL* root) {
  // Rotating each first child into the sibling chain turns the tree into one list that is
  // freed front to back: constant stack, each link visited a bounded number of times.
  ACTIVE_SYMBOL* node = root;
  while (node != nullptr) {
    ACTIVE_SYMBOL* child = node->pFirstChild;
    if (child != nullptr) {
      node->pFirstChild = child->pNextSibling;
      child->pNextSibling = node;
      node = child;
      continue;
    }
    ACTIVE_SYMBOL* next = node->pNextSibling;
    ACTSYM_Free(node);
    node = next;
  }
}

int64_t SYMTREE_Build(ELF_FILE* elf, const SYMTREE_OPTIONS& options,
                      const ACTIVE_SYMBOL_CELL* previous, SYMTREE_TREE& tree) {
  tree = SYMTREE_TREE{};
  if (!ELF_IsOpen(elf)) return -1;
  BUILD_CONTEXT ctx;
  ctx.options = &options;

  ACTIVE_SYMBOL* last_file = nullptr;  // last file node of the root chain
  ACTIVE_SYMBOL* file_node = nullptr;  // file node the current variables hang under
  ACTIVE_SYMBOL* last_variable = nullptr;
  std::string file_name;
  const uint64_t count = DWARF_GetCategoryCount(elf, DWARF_CAT_VARIABLES);
  for (uint64_t i = 0; i < count; ++i) {
    const SYM_HANDLE v = DWARF_GetCategoryEntry(elf, DWARF_CAT_VARIABLES, i);
    if (v == SYM_NONE || LOC_GetTargetAddress(v) == 0) continue;
    std::string source = DWARF_GetSourceFile(v);
    // A variable starts a new file node when its file differs from the one before, and also
    // when there is no file node yet (the first variable, even one with an empty file name,
    // or after a file node could not be created).
    if (file_node == nullptr || !SYS_EqualNoCase(source, file_name)) {
      file_node = NewNode(ctx);
      if (file_node == nullptr) continue;
      SetText(file_node->SourceFile, sizeof file_node->SourceFile, source);
      if (last_file == nullptr) {
        tree.pRoot = file_node;
      } else {
        last_file->pNextSibling = file_node;
      }
      last_file = file_node;
      last_variable = nullptr;
      file_name = std::move(source);
    }
    ACTIVE_SYMBOL* node = NewNode(ctx);
    if (node == nullptr) continue;
    last_variable = SYMTREE_AppendChild(*file_node, last_variable, node);
    NODE_INPUT in;
    in.symbol = v;
    BuildNode(ctx, in, *node);
  }
  // File nodes hold variables, they are no values.
  for (ACTIVE_SYMBOL* f = tree.pRoot; f != nullptr; f = f->pNextSibling) Classify(*f);

  tree.node_count = ctx.node_count;
  tree.truncated = ctx.truncated;
  if (previous != nullptr) SYMTREE_Rematch(tree.pRoot, previous, tree.rematch);
  return int64_t(ctx.node_count);
}
