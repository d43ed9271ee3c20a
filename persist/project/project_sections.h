// The sections of the project file, read and written one by one by project_load.cpp and
// project_save.cpp.
#pragma once

#include <vector>

#include "core/app_project_settings.h"
#include "input/gamepad_mapping.h"
#include "persist/project/project_trees.h"

struct SCRIPT_RECORD;

// "JTAG", "SWD" or "FINE" for a target interface id (SWD for unknown ids).
const char* PROJECT_InterfaceName(uint32_t tif);

// Connection attributes (`Options` under `Veltra`). False when a required one is missing or
// the interface is unknown.
bool PROJECT_ReadConnection(const XMLElement* options, PROJECT_CONFIG& config);
void PROJECT_WriteConnection(XMLElement* options, const PROJECT_CONFIG& config);

// One `Symbol` of `SelectedSymbols`: a new record (the caller owns it) or null when a
// required attribute is missing or a value is out of range.
ACTIVE_SYMBOL* PROJECT_ReadSymbol(const XMLElement* symbol);
void PROJECT_WriteSymbol(XMLElement* selected, const ACTIVE_SYMBOL& symbol);

// The four `Device` elements of `InputDevices` (the slots are cleared first).
void PROJECT_ReadPads(const XMLElement* devices, GAMEPAD_MAPPING (&pads)[GAMEPAD_SLOTS],
                      PROJECT_TREE_READ& ctx);
void PROJECT_WritePads(XMLElement* devices, const GAMEPAD_MAPPING (&pads)[GAMEPAD_SLOTS]);

// `CreatedScripts` (null: none). False when a script's formula does not check or its write
// list is missing; `out` then holds what was read (the caller frees it).
bool PROJECT_ReadScripts(const XMLElement* created, SCRIPT_RECORD** out, PROJECT_TREE_READ& ctx);
void PROJECT_WriteScripts(XMLElement* created, const SCRIPT_RECORD* list);
bool PROJECT_ScriptsFit(const SCRIPT_RECORD* list);
