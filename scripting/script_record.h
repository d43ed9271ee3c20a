// Script records: standing rules "if FORMULA then write these calculations into these
// symbols". Plain values (no widgets); the project file fills them, the script runner and the
// scripting view use them.
//
// Ownership: a record owns its formula and its write entries; a write entry owns its symbol
// identity and its calculation. A list is a singly linked chain of records.
#pragma once

#include <cstdint>

struct FORMULA_NODE;
struct CALCULATION_NODE;
struct SYMBOL_ID;
struct ACTIVE_SYMBOL;

constexpr uint32_t SCRIPT_MAX_WRITES = 16;

struct SCRIPT_WRITE {
  SYMBOL_ID* pSymbol = nullptr;           // target; may be null (incomplete entry)
  CALCULATION_NODE* pCalculation = nullptr;  // may be null (incomplete entry)
};

struct SCRIPT_RECORD {
  FORMULA_NODE* pFormula = nullptr;
  uint32_t WriteCount = 0;  // 0 to SCRIPT_MAX_WRITES
  SCRIPT_WRITE* pWrites[SCRIPT_MAX_WRITES] = {};
  uint8_t Enabled = 1;
  uint8_t WriteEnabled[SCRIPT_MAX_WRITES] = {};
  SCRIPT_RECORD* pNext = nullptr;
};

// A new record (enabled, no formula, no writes), or null after "Insufficient memory!".
SCRIPT_RECORD* SCRIPT_NewRecord();
// A new, empty write entry, or null after "Insufficient memory!".
SCRIPT_WRITE* SCRIPT_NewWrite();
void SCRIPT_FreeWrite(SCRIPT_WRITE* write);
// Frees the record and everything it owns (not the records after it).
void SCRIPT_FreeRecord(SCRIPT_RECORD* script);
// Frees the whole chain. Null is ignored.
void SCRIPT_FreeList(SCRIPT_RECORD* list);
// A deep copy of the chain; null for an empty list or after "Insufficient memory!" (`ok`,
// when given, tells the two apart).
SCRIPT_RECORD* SCRIPT_CloneList(const SCRIPT_RECORD* list, bool* ok = nullptr);
// Deep, structural equality of two chains.
bool SCRIPT_ListEquals(const SCRIPT_RECORD* a, const SCRIPT_RECORD* b);
uint32_t SCRIPT_CountList(const SCRIPT_RECORD* list);
// Takes the symbol out of the chain: a write aimed at it loses its target, a calculation
// that reads it is dropped, and a formula that reads it becomes the default one that never
// holds. Such scripts show as incomplete until edited again. True when anything changed.
bool SCRIPT_UnlinkSymbol(SCRIPT_RECORD* list, const ACTIVE_SYMBOL& symbol);
// Calls `visit` for every symbol identity of the chain (formula, calculations, targets).
void SCRIPT_ForEachSymbolId(SCRIPT_RECORD* list, void (*visit)(SYMBOL_ID& id, void* user),
                            void* user);
