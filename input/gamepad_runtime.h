// Game pads in Run mode: reading the four pad slots through SDL2's game-controller interface
// and turning buttons and axes into symbol writes through the write engine. GUI thread only
// (polled from the main window's refresh); the writes run on the worker.
//
// Slots: a controller keeps the slot it was given while it stays plugged in; a newly plugged
// controller takes the lowest free slot; unplugging frees the slot (its held buttons count as
// released, so their release writes happen and repeats stop).
//
// Values as the mapping sees them: triggers 0 to 255, sticks -32768 to 32767 with up and
// right positive.
#pragma once

#include <cstdint>

#include "core/app_write.h"
#include "input/gamepad_mapping.h"

// Where the pads' writes go: the write engine unless a test installed another.
class GamepadWriteSink {
 public:
  virtual ~GamepadWriteSink() = default;
  // A one-off write; `busy` (may be null) stays set while it is outstanding. 0 when queued.
  virtual int32_t Write(const APP_WRITE_REQUEST& request, JOB_BUSY* busy) = 0;
  virtual APP_WriteTask StartRepeat(const APP_WRITE_REQUEST& request, uint32_t period_ms) = 0;
  virtual void StopRepeat(APP_WriteTask task) = 0;
};
// Null restores the write engine.
void GAMEPAD_SetWriteSink(GamepadWriteSink* sink);

// Starts SDL's game-controller subsystem. False (nothing polls then) when it cannot start.
bool GAMEPAD_Init();
void GAMEPAD_Shutdown();

// Installs copies of the mappings; writes of the old mappings (hold repeats) stop first and
// the run-time state starts cleared. False after "Insufficient memory!" (old ones kept).
bool GAMEPAD_SetMappings(const GAMEPAD_MAPPING (&mappings)[GAMEPAD_SLOTS]);
void GAMEPAD_GetMappings(GAMEPAD_MAPPING (&out)[GAMEPAD_SLOTS]);  // deep copies
void GAMEPAD_ClearMappings();

// Reads every pad slot. True when a state word changed, an input is held, or an axis is
// mapped without "Only on change".
bool GAMEPAD_Poll();
// Turns the pad's state into writes.
void GAMEPAD_Process(uint32_t pad);
// The main window's refresh in Run mode: poll, then process every pad when asked to.
void GAMEPAD_Refresh();
// Leaving Run mode: stops every repeat and clears pressed flags, times and axis values.
void GAMEPAD_StopRunMode();

// The last state word of a slot (bit per input, buttons first) and an input's value
// (buttons 0/1, triggers 0..255, sticks -32768..32767); for the dialog's highlighting.
uint32_t GAMEPAD_StateWord(uint32_t pad);
int32_t GAMEPAD_InputValue(uint32_t pad, uint32_t input);
bool GAMEPAD_IsConnected(uint32_t pad);

// The controller's raw values converted to the mapping's sense.
uint8_t GAMEPAD_TriggerFromController(int16_t raw);  // 0..32767 -> 0..255
int16_t GAMEPAD_StickYFromController(int16_t raw);   // down-positive -> up-positive
// An axis position scaled into [min, max] (trigger 0..255, stick -32768..32767).
double GAMEPAD_ScaleAxis(uint32_t input, int32_t raw, double min, double max);
