// Edits of a script list as the scripting view makes them, each on the view's private copy.
// An index beyond the list shows its error text and changes nothing (result false).
#pragma once

#include <cstdint>

#include "scripting/script_record.h"

// The script at `index`, or null (no message).
SCRIPT_RECORD* SCRIPT_At(SCRIPT_RECORD* list, uint32_t index);
// Appends a new enabled script that owns `formula`. False after "Insuffient memory!" (the
// formula is freed then).
bool SCRIPT_Append(SCRIPT_RECORD** list, FORMULA_NODE* formula);
bool SCRIPT_Remove(SCRIPT_RECORD** list, uint32_t index);
// Moves the script at `from` so that it ends up at index `to`.
bool SCRIPT_Move(SCRIPT_RECORD** list, uint32_t from, uint32_t to);
// Appends an enabled write to `target` (may be null) without calculation. False when the
// script has 16 writes already or memory ran out.
bool SCRIPT_AddWrite(SCRIPT_RECORD* list, uint32_t index, const ACTIVE_SYMBOL* target);
// Frees the write and closes the gap.
bool SCRIPT_RemoveWrite(SCRIPT_RECORD* list, uint32_t index, uint32_t write);
