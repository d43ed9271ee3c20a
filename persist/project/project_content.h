// What a project holds besides its settings and active symbols: the scripts, the game-pad
// mappings and (as plain records) the modules of the board. The loader installs them here and
// the saver writes them from here.
//
// How the GUI works with it (all functions may be called from any thread; a mutex guards
// the content):
//  - after the OpenProject job the bridge signal UpdateGUILoadModules tells the window to
//    rebuild its board, script view and pad dialog from PROJECT_GetModules,
//    PROJECT_GetScripts and PROJECT_GetPads;
//  - whenever the board, the scripts or the mappings change (and at the latest before it
//    queues SaveProject, a reparse or an exit), the GUI hands its records back with
//    PROJECT_SetModules / PROJECT_SetScripts / PROJECT_SetPads (each counts a modification
//    when the content differs);
//  - closing a project clears the content (PROJECT_ClearContent) and emits Reset.
#pragma once

#include <cstdint>
#include <vector>

#include "input/gamepad_mapping.h"
#include "scripting/script_record.h"

// The file version of the project file read last (1.1 for a new project).
struct PROJECT_FILE_VERSION {
  int32_t major = 1;
  int32_t minor = 1;
};

// Scripts: a deep copy of the list (the caller frees it with SCRIPT_FreeList).
SCRIPT_RECORD* PROJECT_GetScripts();
// Installs a deep copy. False after "Insufficient memory!" (the old list stays).
bool PROJECT_SetScripts(const SCRIPT_RECORD* list);
// Takes over a list as it stands (the loader); frees the previous one.
void PROJECT_AdoptScripts(SCRIPT_RECORD* list);

// Game pads: deep copies of the four slots.
void PROJECT_GetPads(GAMEPAD_MAPPING (&out)[GAMEPAD_SLOTS]);
bool PROJECT_SetPads(const GAMEPAD_MAPPING (&pads)[GAMEPAD_SLOTS]);
// Takes over the four slots (the loader; `pads` is left cleared).
void PROJECT_AdoptPads(GAMEPAD_MAPPING (&pads)[GAMEPAD_SLOTS]);

PROJECT_FILE_VERSION PROJECT_GetFileVersion();
void PROJECT_SetFileVersion(PROJECT_FILE_VERSION version);

// Frees scripts, pads and modules.
void PROJECT_ClearContent();

// Calls `visit` for every symbol identity of the scripts, pads and modules (re-addressing
// after a reparse). Worker thread, while the GUI waits.
void PROJECT_ForEachSymbolId(void (*visit)(SYMBOL_ID& id, void* user), void* user);
