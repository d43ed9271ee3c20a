// Virtual symbols: symbols that exist only in the project, with a name and a value type but
// no target address. They are numbered 1, 2, 3, ... in their address field, always read, and
// owned by the project store while the active list holds them.
#pragma once

#include <cstdint>

#include "symbols/active_symbol.h"

enum class APP_VirtualNameCheck { kOk, kInvalid, kDuplicate };

// kInvalid unless the name is 1..255 characters matching [a-zA-Z_][a-zA-Z0-9_]*; kDuplicate
// when an active symbol (virtual or not) has the name with ASCII letter case ignored.
APP_VirtualNameCheck APP_CheckVirtualSymbolName(const char* name);
// One more than the highest address among the active virtual symbols (1 when there is none).
uint32_t APP_NextVirtualAddress();
// True for the value types a virtual symbol can have (float, double, bool, U8..U32, I8..I32).
bool APP_IsVirtualSymbolType(uint32_t type_id);
// Creates the record, hands it to the project store and appends it to the active list under
// the window's lock. Null after a message ("Invalid Symbol Name", "Symbol with this name
// already exists!", "Insufficient memory!"); nothing changes then.
ACTIVE_SYMBOL* APP_CreateVirtualSymbol(const char* name, uint32_t type_id);
