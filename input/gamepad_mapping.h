// Game-pad mappings: per pad slot, which symbol each button press, release and axis writes.
// Plain values (no widgets, no controller access); the project file fills them, the pad
// polling and the mapping dialog use them.
#pragma once

#include <cstdint>

#include "symbols/active_symbol.h"

struct SYMBOL_ID;

constexpr uint32_t GAMEPAD_SLOTS = 4;
constexpr uint32_t GAMEPAD_BUTTONS = 14;
constexpr uint32_t GAMEPAD_AXES = 6;
constexpr uint32_t GAMEPAD_INPUTS = GAMEPAD_BUTTONS + GAMEPAD_AXES;

// Write operations of a button (the write engine's constant operations).
enum : uint32_t {
  GAMEPAD_OP_SET = 0,
  GAMEPAD_OP_INVERT = 1,
  GAMEPAD_OP_ADD = 2,
  GAMEPAD_OP_SUB = 3,
  GAMEPAD_OP_MUL = 4,
  GAMEPAD_OP_DIV = 5,
  GAMEPAD_OP_MOD = 6,
  GAMEPAD_OP_AND = 7,
  GAMEPAD_OP_OR = 8,
  GAMEPAD_OP_XOR = 9,
  GAMEPAD_OP_SHL = 10,
  GAMEPAD_OP_SHR = 11,
  GAMEPAD_OP_COUNT = 12,
};

struct GAMEPAD_INPUT {
  uint32_t PressOperation = GAMEPAD_OP_SET;
  double PressValue = 0.0;
  uint8_t HoldRepeat = 0;
  int32_t IntervalMs = 0;
  uint32_t ReleaseOperation = GAMEPAD_OP_SET;
  double ReleaseValue = 0.0;
  SYMBOL_ID* pPressSymbol = nullptr;    // owned; axes write only this one
  SYMBOL_ID* pReleaseSymbol = nullptr;  // owned
  uint8_t OnlyOnChange = 0;             // axes: write only when the position changed
};

struct GAMEPAD_MAPPING {
  uint8_t Configured = 0;
  uint32_t NumButtons = GAMEPAD_BUTTONS;
  uint32_t NumAxes = GAMEPAD_AXES;
  GAMEPAD_INPUT Inputs[GAMEPAD_INPUTS];  // buttons first, then axes
};

// The input names in index order ("Up" ... "Stick right Y"); null beyond the table.
const char* GAMEPAD_InputName(uint32_t index);
// The operation names in code order ("Set" ... "Bitshift right"); null beyond the table.
const char* GAMEPAD_OperationName(uint32_t op);

// Frees the owned identities and resets the mapping to an unconfigured one.
void GAMEPAD_Clear(GAMEPAD_MAPPING& mapping);
// Deep copy into `out` (cleared first). False after "Insufficient memory!" (`out` cleared).
bool GAMEPAD_Copy(const GAMEPAD_MAPPING& from, GAMEPAD_MAPPING& out);
bool GAMEPAD_Equals(const GAMEPAD_MAPPING& a, const GAMEPAD_MAPPING& b);
// Calls `visit` for every owned symbol identity.
void GAMEPAD_ForEachSymbolId(GAMEPAD_MAPPING& mapping, void (*visit)(SYMBOL_ID& id, void* user),
                             void* user);

// Inputs of the configured pads that write the symbol; an input counts once, whether its
// press, its release or both name it. `needs_value` (optional) is set when one of them is a
// button operation that starts from the current value (anything but "Set"; axes only set).
uint32_t GAMEPAD_CountInputsUsing(const GAMEPAD_MAPPING (&pads)[GAMEPAD_SLOTS],
                                  const ACTIVE_SYMBOL& symbol, bool* needs_value);

// Clears every press and release symbol of the mapping that names the symbol. True when one
// was cleared.
bool GAMEPAD_UnlinkSymbol(GAMEPAD_MAPPING& mapping, const ACTIVE_SYMBOL& symbol);

// The value a button writes, converted to the symbol's type as the write does it (U8, U16
// and U32 keep the low bits of the integer part, I8 and I16 sign-extend them, bool is 0 or
// 1, reals are kept).
double GAMEPAD_ConvertValue(double value, uint32_t type_id);
// Checks one operation with its value for a symbol of `type_id`. Null when valid, else the
// text to show ("Invalid operation for symbol of type float (32 bit)", ...,
// "Invalid Operation: devision by zero").
const char* GAMEPAD_CheckOperation(uint32_t op, double value, uint32_t type_id);

// Checks a mapping read from a file: unknown operation codes, negative repeat intervals and
// operations that the symbol's type refuses (looked up among the active symbols; inputs whose
// symbol is not active are kept) leave that input unmapped. Returns the number of inputs
// unmapped.
uint32_t GAMEPAD_Sanitize(GAMEPAD_MAPPING& mapping);
