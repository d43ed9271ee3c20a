#include "symbols/active_symbol.h"

#include <new>
#include <type_traits>

#include "platform/sys_memory.h"
#include "symbols/dwarf_db.h"

ACTIVE_SYMBOL_CELL* MAIN_pActiveSymbols = nullptr;

void ACTSYM_Init(ACTIVE_SYMBOL& symbol, bool int_default_hex) {
  symbol = ACTIVE_SYMBOL{};
  symbol.HexDisplay = int_default_hex ? 0xFF : 0x00;
}

ACTIVE_SYMBOL* ACTSYM_New(const char* label, bool int_default_hex) {
  void* area = SYS_Alloc(sizeof(ACTIVE_SYMBOL), label);
  if (area == nullptr) return nullptr;
  // Value-initialisation zero-fills the padding too, then applies the member defaults.
  ACTIVE_SYMBOL* symbol = new (area) ACTIVE_SYMBOL();
  symbol->HexDisplay = int_default_hex ? 0xFF : 0x00;
  return symbol;
}

void ACTSYM_FreeDimensions(ACTIVE_SYMBOL& symbol) {
  SYMBOL_DIMENSION* dim = symbol.pDimensions;
  while (dim != nullptr) {
    SYMBOL_DIMENSION* next = dim->pNext;
    SYS_Free(dim);
    dim = next;
  }
  symbol.pDimensions = nullptr;
  symbol.DimensionCount = 0;
}

void ACTSYM_Free(ACTIVE_SYMBOL* symbol) {
  if (symbol == nullptr) return;
  ACTSYM_FreeDimensions(*symbol);
  SYS_Free(symbol->pHistory);  // the sampling engine's ring (a memory block), kept until now
  static_assert(std::is_trivially_destructible_v<ACTIVE_SYMBOL>);
  SYS_Free(symbol);
}

void ACTSYM_ApplyTypeDefaults(ACTIVE_SYMBOL& symbol, uint32_t type_id) {
  symbol.ValueType = type_id;
  symbol.RawType = type_id;
  const DWARF_TYPEID_INFO& info = DWARF_GetTypeIdInfo(type_id);
  if (info.size == 0) return;  // unsupported or bitfield: no limits of its own
  symbol.MaxValue = info.maximum;
  symbol.MinWrite = info.minimum;
  symbol.MaxWrite = info.maximum;
  if (info.has_qformat) {
    symbol.QFormatSigned = info.q_signed ? 1 : 0;
    symbol.QFormatIntBits = info.q_int_bits;
    symbol.QFormatFracBits = info.q_frac_bits;
  }
  if (type_id == TYPEID_FLOAT || type_id == TYPEID_DOUBLE) symbol.Signed = 1;
}
