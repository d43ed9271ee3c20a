#include "input/gamepad_mapping.h"

#include <cmath>
#include <initializer_list>

#include "logic/logic_tree.h"

namespace {

constexpr const char* kInputNames[GAMEPAD_INPUTS] = {
    "Up", "Down", "Left", "Right", "Start", "Back", "Thumb left / L3", "Thumb right / R3",
    "Shoulder left / L1", "Shoulder right / R1", "A", "B", "X", "Y", "Trigger left / L2",
    "Trigger right / R2", "Stick left X", "Stick left Y", "Stick right X", "Stick right Y"};

constexpr const char* kOperationNames[GAMEPAD_OP_COUNT] = {
    "Set", "Invert", "Addition", "Subtraction", "Multiplication", "Division", "Modulo",
    "Bitwise AND", "Bitwise OR", "Bitwise XOR", "Bitshift left", "Bitshift right"};

bool IdEquals(const SYMBOL_ID* a, const SYMBOL_ID* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return a->Address == b->Address && LOGIC_NamesEqual(a->Name, b->Name);
}

bool CopyId(const SYMBOL_ID* from, SYMBOL_ID** to) {
  if (from == nullptr) return true;
  *to = LOGIC_NewSymbolIdFrom(from->Name, from->Address);
  return *to != nullptr;
}

// Integer part wrapped into 64 bits (NaN and out-of-range values give 0).
uint64_t IntegerBits(double value) {
  if (!std::isfinite(value) || std::fabs(value) >= 9.2e18) return 0;
  return static_cast<uint64_t>(static_cast<int64_t>(value));
}

void UnmapInput(GAMEPAD_INPUT& in) {
  LOGIC_FreeSymbolId(in.pPressSymbol);
  LOGIC_FreeSymbolId(in.pReleaseSymbol);
  in = GAMEPAD_INPUT{};
}

// The type of the active symbol the identity names, or 0 when it is not active.
uint32_t ActiveType(const SYMBOL_ID* id) {
  const ACTIVE_SYMBOL* s = id != nullptr ? LOGIC_FindActiveSymbol(id) : nullptr;
  return s != nullptr ? s->ValueType : 0;
}

}  // namespace

const char* GAMEPAD_InputName(uint32_t index) {
  return index < GAMEPAD_INPUTS ? kInputNames[index] : nullptr;
}

const char* GAMEPAD_OperationName(uint32_t op) {
  return op < GAMEPAD_OP_COUNT ? kOperationNames[op] : nullptr;
}

void GAMEPAD_Clear(GAMEPAD_MAPPING& mapping) {
  for (GAMEPAD_INPUT& in : mapping.Inputs) UnmapInput(in);
  mapping = GAMEPAD_MAPPING{};
}

bool GAMEPAD_Copy(const GAMEPAD_MAPPING& from, GAMEPAD_MAPPING& out) {
  GAMEPAD_Clear(out);
  out.Configured = from.Configured;
  out.NumButtons = from.NumButtons;
  out.NumAxes = from.NumAxes;
  bool ok = true;
  for (uint32_t i = 0; i < GAMEPAD_INPUTS; ++i) {
    const GAMEPAD_INPUT& f = from.Inputs[i];
    GAMEPAD_INPUT& t = out.Inputs[i];
    t = f;
    t.pPressSymbol = nullptr;
    t.pReleaseSymbol = nullptr;
    ok = CopyId(f.pPressSymbol, &t.pPressSymbol) && ok;
    ok = CopyId(f.pReleaseSymbol, &t.pReleaseSymbol) && ok;
  }
  if (!ok) GAMEPAD_Clear(out);
  return ok;
}

bool GAMEPAD_Equals(const GAMEPAD_MAPPING& a, const GAMEPAD_MAPPING& b) {
  if (a.Configured != b.Configured || a.NumButtons != b.NumButtons || a.NumAxes != b.NumAxes) {
    return false;
  }
  for (uint32_t i = 0; i < GAMEPAD_INPUTS; ++i) {
    const GAMEPAD_INPUT& x = a.Inputs[i];
    const GAMEPAD_INPUT& y = b.Inputs[i];
    if (x.PressOperation != y.PressOperation || x.PressValue != y.PressValue ||
        x.HoldRepeat != y.HoldRepeat || x.IntervalMs != y.IntervalMs ||
        x.ReleaseOperation != y.ReleaseOperation || x.ReleaseValue != y.ReleaseValue ||
        x.OnlyOnChange != y.OnlyOnChange || !IdEquals(x.pPressSymbol, y.pPressSymbol) ||
        !IdEquals(x.pReleaseSymbol, y.pReleaseSymbol)) {
      return false;
    }
  }
  return true;
}

void GAMEPAD_ForEachSymbolId(GAMEPAD_MAPPING& mapping, void (*visit)(SYMBOL_ID& id, void* user),
                             void* user) {
  for (GAMEPAD_INPUT& in : mapping.Inputs) {
    if (in.pPressSymbol != nullptr) visit(*in.pPressSymbol, user);
    if (in.pReleaseSymbol != nullptr) visit(*in.pReleaseSymbol, user);
  }
}

double GAMEPAD_ConvertValue(double value, uint32_t type_id) {
  const uint64_t bits = IntegerBits(value);
  switch (type_id) {
    case TYPEID_BOOL: return value != 0.0 ? 1.0 : 0.0;
    case TYPEID_U8: return static_cast<uint8_t>(bits);
    case TYPEID_U16: return static_cast<uint16_t>(bits);
    case TYPEID_U32: return static_cast<uint32_t>(bits);
    case TYPEID_I8: return static_cast<int8_t>(bits);
    case TYPEID_I16: return static_cast<int16_t>(bits);
    case TYPEID_I32: return static_cast<int32_t>(bits);
    default: return value;
  }
}

const char* GAMEPAD_CheckOperation(uint32_t op, double value, uint32_t type_id) {
  const double v = GAMEPAD_ConvertValue(value, type_id);
  const bool real_ok = op == GAMEPAD_OP_SET || op == GAMEPAD_OP_ADD || op == GAMEPAD_OP_SUB ||
                       op == GAMEPAD_OP_MUL || op == GAMEPAD_OP_DIV;
  if (type_id == TYPEID_FLOAT && !real_ok) {
    return "Invalid operation for symbol of type float (32 bit)";
  }
  if (type_id == TYPEID_DOUBLE && !real_ok) {
    return "Invalid operation for symbol of type double (64 bit)";
  }
  if (type_id == TYPEID_BOOL && ((op >= GAMEPAD_OP_ADD && op <= GAMEPAD_OP_MOD) ||
                                 op == GAMEPAD_OP_SHL || op == GAMEPAD_OP_SHR)) {
    return "Invalid operation for symbol of type bool (1 bit)";
  }
  if ((op == GAMEPAD_OP_DIV || op == GAMEPAD_OP_MOD) && v == 0.0) {
    return "Invalid Operation: devision by zero";
  }
  return nullptr;
}

uint32_t GAMEPAD_Sanitize(GAMEPAD_MAPPING& mapping) {
  uint32_t unmapped = 0;
  for (uint32_t i = 0; i < GAMEPAD_INPUTS; ++i) {
    GAMEPAD_INPUT& in = mapping.Inputs[i];
    bool bad = in.PressOperation >= GAMEPAD_OP_COUNT || in.ReleaseOperation >= GAMEPAD_OP_COUNT ||
               in.IntervalMs < 0 || !std::isfinite(in.PressValue) ||
               !std::isfinite(in.ReleaseValue);
    if (!bad && i < GAMEPAD_BUTTONS) {
      const uint32_t press_type = ActiveType(in.pPressSymbol);
      const uint32_t release_type = ActiveType(in.pReleaseSymbol);
      bad = (press_type != 0 &&
             GAMEPAD_CheckOperation(in.PressOperation, in.PressValue, press_type) != nullptr) ||
            (release_type != 0 && GAMEPAD_CheckOperation(in.ReleaseOperation, in.ReleaseValue,
                                                         release_type) != nullptr);
    }
    if (!bad) continue;
    UnmapInput(in);
    ++unmapped;
  }
  return unmapped;
}

uint32_t GAMEPAD_CountInputsUsing(const GAMEPAD_MAPPING (&pads)[GAMEPAD_SLOTS],
                                  const ACTIVE_SYMBOL& symbol, bool* needs_value) {
  uint32_t count = 0;
  for (const GAMEPAD_MAPPING& pad : pads) {
    if (pad.Configured == 0) continue;
    for (uint32_t i = 0; i < GAMEPAD_INPUTS; ++i) {
      const GAMEPAD_INPUT& in = pad.Inputs[i];
      const bool axis = i >= GAMEPAD_BUTTONS;
      const bool press = in.pPressSymbol != nullptr && LOGIC_SymbolIdMatches(*in.pPressSymbol, symbol);
      const bool release = !axis && in.pReleaseSymbol != nullptr &&
                           LOGIC_SymbolIdMatches(*in.pReleaseSymbol, symbol);
      if (!press && !release) continue;
      ++count;
      if (needs_value != nullptr && !axis &&
          ((press && in.PressOperation != GAMEPAD_OP_SET) ||
           (release && in.ReleaseOperation != GAMEPAD_OP_SET))) {
        *needs_value = true;
      }
    }
  }
  return count;
}

bool GAMEPAD_UnlinkSymbol(GAMEPAD_MAPPING& mapping, const ACTIVE_SYMBOL& symbol) {
  bool changed = false;
  for (GAMEPAD_INPUT& in : mapping.Inputs) {
    for (SYMBOL_ID** id : {&in.pPressSymbol, &in.pReleaseSymbol}) {
      if (*id != nullptr && LOGIC_SymbolIdMatches(**id, symbol)) {
        LOGIC_FreeSymbolId(*id);
        *id = nullptr;
        changed = true;
      }
    }
  }
  return changed;
}
