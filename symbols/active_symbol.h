// The active symbol record: the one record type that describes a target variable (or a
// virtual symbol) everywhere in the program. The symbol tree is made of these records, the
// selected ones form the active symbol list, the sampling engine stores samples in them, the
// write and logic engines read and write their values.
#pragma once

#include <cfloat>
#include <cstdint>

// Type identifiers of the symbol database. The engines compute only with float, double,
// bool, U8, U16, U32, I8, I16 and I32.
enum : uint32_t {
  TYPEID_UNSUPPORTED = 0,
  TYPEID_FLOAT = 1,
  TYPEID_DOUBLE = 2,
  TYPEID_BOOL = 5,
  TYPEID_U8 = 6,
  TYPEID_U16 = 7,
  TYPEID_U32 = 8,
  TYPEID_U64 = 9,
  TYPEID_I8 = 10,
  TYPEID_I16 = 11,
  TYPEID_I32 = 12,
  TYPEID_I64 = 13,
  TYPEID_BITFIELD = 14,
};

// An 8-byte value slot; which member is valid follows from a type identifier.
union VALUE_SLOT {
  uint8_t bytes[8];
  uint64_t raw;
  bool b;
  uint8_t u8;
  uint16_t u16;
  uint32_t u32;
  uint64_t u64;
  int8_t i8;
  int16_t i16;
  int32_t i32;
  int64_t i64;
  float f32;
  double f64;
};
static_assert(sizeof(VALUE_SLOT) == 8);

struct SAMPLE_HISTORY;  // sample ring of the sampling engine
struct SYMBOL_DIMENSION;
class QWidget;          // row widgets of the symbol watch (GUI only; opaque to the core)

// Bits of ACTIVE_SYMBOL::HexDisplay: which value columns show in hexadecimal.
enum : uint8_t {
  HEX_CURRENT = 0x01,
  HEX_SAMPLED_MIN = 0x02,
  HEX_SAMPLED_MAX = 0x04,
  HEX_MIN_WRITE = 0x08,
  HEX_MAX_WRITE = 0x10,
};

constexpr int ACTIVE_SYMBOL_NAME_SIZE = 256;
constexpr int ACTIVE_SYMBOL_TYPE_SIZE = 256;
constexpr int ACTIVE_SYMBOL_FILE_SIZE = 260;
constexpr int ACTIVE_SYMBOL_ROW_WIDGETS = 6;

struct ACTIVE_SYMBOL {
  uint32_t Tag = 0;                          // DWARF tag of the resolved type
  char Name[ACTIVE_SYMBOL_NAME_SIZE] = {};   // symbol name (virtual: the user's name)
  char TypeName[ACTIVE_SYMBOL_TYPE_SIZE] = {};
  char SourceFile[ACTIVE_SYMBOL_FILE_SIZE] = {};
  uint32_t ValueType = 0;  // type id values are held in: RawType, or float while Q-format is on
  uint32_t RawType = 0;    // type id as stored in the target
  uint8_t UseQFormat = 0;
  uint8_t QFormatSigned = 0;
  uint8_t QFormatIntBits = 0;
  uint8_t QFormatFracBits = 0;
  uint8_t Virtual = 0;        // exists only in the project
  uint8_t CatchOverflow = 1;  // arithmetic on this symbol saturates
  uint32_t Address = 0;
  const void* pLatestSample = nullptr;  // newest sample in the history; none before the first
  VALUE_SLOT CurrentValue = {};         // value last written by the program (virtual: its value)
  uint8_t ValuePending = 0;             // written, not yet confirmed by a newer sample
  uint32_t Row = 0;                     // row in the symbol watch
  int32_t HighlightMs = 0;              // remaining highlight time of the current value
  SAMPLE_HISTORY* pHistory = nullptr;
  SYMBOL_DIMENSION* pDimensions = nullptr;  // array nodes: dimension list, owned by the node
  uint32_t RecordOffset = 0;        // byte offset of the value in one HSS record
  uint8_t Leaf = 0;
  uint32_t Size = 0;  // bytes
  uint8_t HasData = 0;
  VALUE_SLOT SamplingScratch = {};
  uint32_t DimensionCount = 0;
  uint8_t Signed = 0;
  uint8_t AcCoupling = 0;
  ACTIVE_SYMBOL* pFirstChild = nullptr;
  ACTIVE_SYMBOL* pNextSibling = nullptr;
  ACTIVE_SYMBOL* pParent = nullptr;
  void* pSelectionItem = nullptr;  // item in the symbol selection dialog
  double SampledMax = -DBL_MAX;
  double SampledMin = DBL_MAX;
  double MaxValue = 0.0;  // largest value of the type, for scaling
  double MinWrite = 0.0;
  double MaxWrite = 1.0;
  uint8_t Read = 1;   // sampled in Run mode
  uint8_t Array = 0;  // array or intermediate dimension node
  uint32_t BitSize = 0;
  uint32_t BitOffset = 0;
  uint8_t HexDisplay = 0;  // HEX_* bits
  QWidget* pRowWidgets[ACTIVE_SYMBOL_ROW_WIDGETS] = {};
};

// One dimension of an array node, in declaration order ("int v[2][3]": 2, then 3). The first
// record is labelled "Node dimension size", the others "Dimension size sibling".
struct SYMBOL_DIMENSION {
  uint32_t Size = 0;
  SYMBOL_DIMENSION* pNext = nullptr;
};

// Resets `symbol` to a fresh record: zero-filled, then the defaults (sampled, catch overflow,
// maximum write 1.0, sampled extremes at the opposite ends of the double range) and every
// value column in hexadecimal when `int_default_hex` (the IntDefaultHex setting) is on.
// Does not free anything the record pointed to.
void ACTSYM_Init(ACTIVE_SYMBOL& symbol, bool int_default_hex);
// A new record with the defaults of ACTSYM_Init, allocated as a labelled block ("Symbol
// Node" for tree nodes). Null after the allocation failure was shown. Free with ACTSYM_Free.
ACTIVE_SYMBOL* ACTSYM_New(const char* label, bool int_default_hex);
// Frees the record's dimension list, its sample history (when sampling gave it one) and the
// record (not its children). Null is ignored.
void ACTSYM_Free(ACTIVE_SYMBOL* symbol);
// Frees the dimension list of `symbol` and clears the pointer and count.
void ACTSYM_FreeDimensions(ACTIVE_SYMBOL& symbol);
// Gives `symbol` the defaults of its type id: value and raw type, maximum value, write limits
// and the default Q-format (use stays off). Type id 0 only sets the ids.
void ACTSYM_ApplyTypeDefaults(ACTIVE_SYMBOL& symbol, uint32_t type_id);

// One cell of the active symbol list. A cell does not own its record: an ELF symbol's record
// belongs to the symbol tree, a virtual symbol's record to the list.
struct ACTIVE_SYMBOL_CELL {
  ACTIVE_SYMBOL* pSymbol = nullptr;
  ACTIVE_SYMBOL_CELL* pNext = nullptr;
};

// The active symbol list, in the order the symbols were added.
extern ACTIVE_SYMBOL_CELL* MAIN_pActiveSymbols;
