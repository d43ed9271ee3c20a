// The active symbol list MAIN_pActiveSymbols: the selected symbols, in the order they were
// added. Cells are allocated here; records belong to the symbol tree (ELF symbols) or to
// the list's owner (virtual symbols) and are never freed here.
//
// Threads: the worker changes the list, or the GUI thread while sampling is stopped. The
// count and the list-changed flag may be read from any thread.
#pragma once

#include <cstdint>
#include <vector>

#include "symbols/active_symbol.h"

struct SYMBOL_ID;

// Appends the record; counts it when it is sampled and not virtual; sets list changed.
// 0, or -1 after "Insufficient memory!" (or for a null record).
int32_t APP_AddActiveSymbol(ACTIVE_SYMBOL* symbol);
// Unlinks and frees the record's cell (a record not in the list is ignored); uncounts it
// when sampled and not virtual; sets list changed.
void APP_RemoveActiveSymbol(ACTIVE_SYMBOL* symbol);
// The first record whose address equals the identity's and whose name equals it with ASCII
// case ignored, or null.
ACTIVE_SYMBOL* APP_FindActiveSymbol(const SYMBOL_ID* id);
// Frees every cell (not the records); count 0; sets list changed.
void APP_ClearActiveSymbols();
// Returns the list-changed flag and clears it.
bool APP_TakeListChanged();
// A new identity (LOGIC_FreeSymbolId frees it) holding the record's name and address; null
// after "Insufficient memory!".
SYMBOL_ID* APP_MakeSymbolId(const ACTIVE_SYMBOL* symbol);
// The listed records in list order (a snapshot; the thread that may change the list reads it).
std::vector<const ACTIVE_SYMBOL*> APP_GetActiveSymbols();
// Number of listed symbols that are sampled and not virtual.
uint32_t APP_GetHSSSymbolCount();
// Recounts after records changed their sampled or virtual flags, or after the list was
// replaced as a whole; sets list changed.
void APP_RecountActiveSymbols();
