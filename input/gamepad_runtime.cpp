#include "input/gamepad_runtime.h"

#include <SDL2/SDL.h>

#include <atomic>

#include "core/app_write.h"
#include "logic/logic_value.h"
#include "platform/sys_text.h"
#include "platform/sys_time.h"

namespace {

// The controller's button for each button input, in input order.
constexpr SDL_GameControllerButton kButtons[GAMEPAD_BUTTONS] = {
    SDL_CONTROLLER_BUTTON_DPAD_UP,      SDL_CONTROLLER_BUTTON_DPAD_DOWN,
    SDL_CONTROLLER_BUTTON_DPAD_LEFT,    SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
    SDL_CONTROLLER_BUTTON_START,        SDL_CONTROLLER_BUTTON_BACK,
    SDL_CONTROLLER_BUTTON_LEFTSTICK,    SDL_CONTROLLER_BUTTON_RIGHTSTICK,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_A,            SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_X,            SDL_CONTROLLER_BUTTON_Y};
constexpr uint32_t kFirstAxis = GAMEPAD_BUTTONS;
constexpr uint32_t kFirstStick = GAMEPAD_BUTTONS + 2;

struct InputRun {
  bool pressed = false;
  uint32_t press_ms = 0;
  bool has_last = false;
  int32_t last_axis = 0;
  APP_WriteTask repeat = 0;
  JOB_BUSY busy{0};  // an axis write still queued: the next waits for it
};

struct Slot {
  SDL_GameController* controller = nullptr;
  SDL_JoystickID id = -1;
  uint32_t word = 0;
  uint32_t previous_word = 0;
  int32_t values[GAMEPAD_INPUTS] = {};
  InputRun run[GAMEPAD_INPUTS];
};

class EngineSink : public GamepadWriteSink {
 public:
  int32_t Write(const APP_WRITE_REQUEST& request, JOB_BUSY* busy) override {
    return APP_WriteSymbolData(busy, &request);
  }
  APP_WriteTask StartRepeat(const APP_WRITE_REQUEST& request, uint32_t period_ms) override {
    return APP_PeriodicWriteOperation(&request, period_ms);
  }
  void StopRepeat(APP_WriteTask task) override { APP_WriteSymbolDataStop(nullptr, task); }
};

EngineSink g_engine_sink;
GamepadWriteSink* g_sink = &g_engine_sink;
bool g_sdl = false;
Slot g_slots[GAMEPAD_SLOTS];
GAMEPAD_MAPPING g_mappings[GAMEPAD_SLOTS];

void ResetRun(Slot& slot) {
  for (InputRun& r : slot.run) {
    if (r.repeat != 0) g_sink->StopRepeat(r.repeat);
    r.repeat = 0;
    r.pressed = false;
    r.press_ms = 0;
    r.has_last = false;
    r.last_axis = 0;
  }
  slot.word = 0;
  slot.previous_word = 0;
  for (int32_t& v : slot.values) v = 0;
}

void CloseSlot(Slot& slot) {
  if (slot.controller != nullptr) SDL_GameControllerClose(slot.controller);
  slot.controller = nullptr;
  slot.id = -1;
}

// Unplugged controllers give up their slots; new ones take the lowest free slot.
void SyncControllers() {
  for (Slot& s : g_slots) {
    if (s.controller != nullptr && !SDL_GameControllerGetAttached(s.controller)) CloseSlot(s);
  }
  const int count = SDL_NumJoysticks();
  for (int i = 0; i < count; ++i) {
    if (!SDL_IsGameController(i)) continue;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(i);
    bool known = false;
    for (const Slot& s : g_slots) known = known || (s.controller != nullptr && s.id == id);
    if (known) continue;
    Slot* free_slot = nullptr;
    for (Slot& s : g_slots) {
      if (s.controller == nullptr) {
        free_slot = &s;
        break;
      }
    }
    if (free_slot == nullptr) break;
    free_slot->controller = SDL_GameControllerOpen(i);
    if (free_slot->controller != nullptr) free_slot->id = id;
  }
}

void ReadSlot(Slot& s) {
  s.previous_word = s.word;
  s.word = 0;
  for (int32_t& v : s.values) v = 0;
  if (s.controller == nullptr) return;  // an empty slot reads as all released
  for (uint32_t i = 0; i < GAMEPAD_BUTTONS; ++i) {
    s.values[i] = SDL_GameControllerGetButton(s.controller, kButtons[i]) != 0 ? 1 : 0;
  }
  auto axis = [&s](SDL_GameControllerAxis a) { return SDL_GameControllerGetAxis(s.controller, a); };
  s.values[kFirstAxis] = GAMEPAD_TriggerFromController(axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT));
  s.values[kFirstAxis + 1] = GAMEPAD_TriggerFromController(axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT));
  s.values[kFirstStick] = axis(SDL_CONTROLLER_AXIS_LEFTX);
  s.values[kFirstStick + 1] = GAMEPAD_StickYFromController(axis(SDL_CONTROLLER_AXIS_LEFTY));
  s.values[kFirstStick + 2] = axis(SDL_CONTROLLER_AXIS_RIGHTX);
  s.values[kFirstStick + 3] = GAMEPAD_StickYFromController(axis(SDL_CONTROLLER_AXIS_RIGHTY));
  for (uint32_t i = 0; i < GAMEPAD_INPUTS; ++i) {
    if (s.values[i] != 0) s.word |= 1u << i;
  }
}

// A write request for the symbol with `value` brought to its type; null when the symbol is
// not active.
const ACTIVE_SYMBOL* MakeRequest(const SYMBOL_ID* id, uint32_t operation, double value,
                                 APP_WRITE_REQUEST& request) {
  const ACTIVE_SYMBOL* symbol = LOGIC_FindActiveSymbol(id);
  if (symbol == nullptr) return nullptr;
  VALUE_SLOT slot{};
  slot.f64 = value;
  LOGIC_ConvertValue(&slot, TYPEID_DOUBLE, symbol->ValueType);
  SYS_CopyText(request.Symbol.Name, sizeof(request.Symbol.Name), symbol->Name);
  request.Symbol.Address = symbol->Address;
  request.Operation = operation;
  request.Operand = slot.raw;
  return symbol;
}

void ProcessAxis(const GAMEPAD_INPUT& in, InputRun& r, uint32_t input, int32_t raw) {
  if (in.OnlyOnChange != 0 && r.has_last && raw == r.last_axis) return;
  // One write per input at a time: a refresh while the last one is queued adds none.
  if (r.busy.load() != 0) return;
  const ACTIVE_SYMBOL* symbol = LOGIC_FindActiveSymbol(in.pPressSymbol);
  if (symbol == nullptr) return;
  double value = GAMEPAD_ScaleAxis(input, raw, symbol->MinWrite, symbol->MaxWrite);
  if (symbol->ValueType == TYPEID_BOOL) value = value != 0.0 ? 1.0 : 0.0;
  APP_WRITE_REQUEST request;
  if (MakeRequest(in.pPressSymbol, APP_WRITE_SET, value, request) == nullptr) return;
  if (g_sink->Write(request, &r.busy) >= 0) {
    r.last_axis = raw;
    r.has_last = true;
  }
}

void WriteButton(const SYMBOL_ID* id, uint32_t operation, double value) {
  const ACTIVE_SYMBOL* symbol = LOGIC_FindActiveSymbol(id);
  if (symbol == nullptr) return;
  APP_WRITE_REQUEST request;
  if (MakeRequest(id, operation, GAMEPAD_ConvertValue(value, symbol->ValueType), request) != nullptr) {
    g_sink->Write(request, nullptr);
  }
}

void ProcessButton(const GAMEPAD_INPUT& in, InputRun& r, bool down, uint32_t now) {
  if (down && !r.pressed) {
    r.pressed = true;
    r.press_ms = now;
    WriteButton(in.pPressSymbol, in.PressOperation, in.PressValue);
  } else if (down) {
    if (in.HoldRepeat == 0 || r.repeat != 0 || in.IntervalMs <= 0) return;
    if (now - r.press_ms <= static_cast<uint32_t>(in.IntervalMs)) return;
    const ACTIVE_SYMBOL* symbol = LOGIC_FindActiveSymbol(in.pPressSymbol);
    APP_WRITE_REQUEST request;
    if (symbol != nullptr &&
        MakeRequest(in.pPressSymbol, in.PressOperation,
                    GAMEPAD_ConvertValue(in.PressValue, symbol->ValueType), request) != nullptr) {
      r.repeat = g_sink->StartRepeat(request, static_cast<uint32_t>(in.IntervalMs));
    }
  } else if (r.pressed) {
    r.pressed = false;
    r.press_ms = 0;
    if (r.repeat != 0) g_sink->StopRepeat(r.repeat);
    r.repeat = 0;
    WriteButton(in.pReleaseSymbol, in.ReleaseOperation, in.ReleaseValue);
  }
}

}  // namespace

void GAMEPAD_SetWriteSink(GamepadWriteSink* sink) { g_sink = sink != nullptr ? sink : &g_engine_sink; }

uint8_t GAMEPAD_TriggerFromController(int16_t raw) {
  if (raw <= 0) return 0;
  return static_cast<uint8_t>((static_cast<int32_t>(raw) * 255 + 16383) / 32767);
}

int16_t GAMEPAD_StickYFromController(int16_t raw) {
  // Negation keeps the rest position at 0; only the one value without a positive twin clips.
  return raw == INT16_MIN ? INT16_MAX : static_cast<int16_t>(-raw);
}

double GAMEPAD_ScaleAxis(uint32_t input, int32_t raw, double min, double max) {
  if (input < kFirstStick) return min + (max - min) / 255.0 * raw;
  return min + (max - min) / 65535.0 * (raw + 32768.0);
}

bool GAMEPAD_Init() {
  if (g_sdl) return true;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  g_sdl = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
  return g_sdl;
}

void GAMEPAD_Shutdown() {
  if (!g_sdl) return;
  for (Slot& s : g_slots) {
    ResetRun(s);
    CloseSlot(s);
  }
  SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  g_sdl = false;
}

bool GAMEPAD_SetMappings(const GAMEPAD_MAPPING (&mappings)[GAMEPAD_SLOTS]) {
  GAMEPAD_MAPPING copies[GAMEPAD_SLOTS];
  for (uint32_t i = 0; i < GAMEPAD_SLOTS; ++i) {
    if (!GAMEPAD_Copy(mappings[i], copies[i])) {
      for (GAMEPAD_MAPPING& c : copies) GAMEPAD_Clear(c);
      return false;
    }
  }
  // The old mappings' repeats end before the new ones can start any.
  for (Slot& s : g_slots) ResetRun(s);
  for (uint32_t i = 0; i < GAMEPAD_SLOTS; ++i) {
    GAMEPAD_Clear(g_mappings[i]);
    g_mappings[i] = copies[i];  // the identities move over
  }
  return true;
}

void GAMEPAD_GetMappings(GAMEPAD_MAPPING (&out)[GAMEPAD_SLOTS]) {
  for (uint32_t i = 0; i < GAMEPAD_SLOTS; ++i) GAMEPAD_Copy(g_mappings[i], out[i]);
}

void GAMEPAD_ClearMappings() {
  for (Slot& s : g_slots) ResetRun(s);
  for (GAMEPAD_MAPPING& m : g_mappings) GAMEPAD_Clear(m);
}

bool GAMEPAD_Poll() {
  if (!g_sdl) return false;
  SyncControllers();
  SDL_GameControllerUpdate();
  // Nothing here reads the event queue; keep it from filling up.
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  bool any = false;
  for (uint32_t p = 0; p < GAMEPAD_SLOTS; ++p) {
    Slot& s = g_slots[p];
    ReadSlot(s);  // every slot, so that the mapping dialog can show any pad
    if (g_mappings[p].Configured == 0) continue;
    any = any || s.word != s.previous_word || s.word != 0;
    for (uint32_t i = kFirstAxis; i < GAMEPAD_INPUTS; ++i) {
      const GAMEPAD_INPUT& in = g_mappings[p].Inputs[i];
      any = any || (in.pPressSymbol != nullptr && in.OnlyOnChange == 0);
    }
  }
  return any;
}

void GAMEPAD_Process(uint32_t pad) {
  if (pad >= GAMEPAD_SLOTS || g_mappings[pad].Configured == 0) return;
  Slot& s = g_slots[pad];
  const uint32_t now = SYS_GetTickMs();
  for (uint32_t i = 0; i < GAMEPAD_INPUTS; ++i) {
    const GAMEPAD_INPUT& in = g_mappings[pad].Inputs[i];
    if (i >= kFirstAxis) {
      if (in.pPressSymbol != nullptr) ProcessAxis(in, s.run[i], i, s.values[i]);
    } else {
      ProcessButton(in, s.run[i], (s.word & (1u << i)) != 0, now);
    }
  }
}

void GAMEPAD_Refresh() {
  if (!GAMEPAD_Poll()) return;
  for (uint32_t p = 0; p < GAMEPAD_SLOTS; ++p) GAMEPAD_Process(p);
}

void GAMEPAD_StopRunMode() {
  for (Slot& s : g_slots) ResetRun(s);
}

uint32_t GAMEPAD_StateWord(uint32_t pad) { return pad < GAMEPAD_SLOTS ? g_slots[pad].word : 0; }

int32_t GAMEPAD_InputValue(uint32_t pad, uint32_t input) {
  return pad < GAMEPAD_SLOTS && input < GAMEPAD_INPUTS ? g_slots[pad].values[input] : 0;
}

bool GAMEPAD_IsConnected(uint32_t pad) {
  return pad < GAMEPAD_SLOTS && g_slots[pad].controller != nullptr;
}
