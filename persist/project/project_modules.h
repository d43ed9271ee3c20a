// The board's modules as plain settings records, and their elements in the project file.
// See project_content.h for how the GUI hands records in and out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "persist/project/project_trees.h"

struct MODULE_SETTINGS;
struct SYMBOL_ID;

// The records of the board, in board order (deep copies).
std::vector<MODULE_SETTINGS> PROJECT_GetModules();
// Installs deep copies of the board's records; counts a modification when they differ.
void PROJECT_SetModules(const std::vector<MODULE_SETTINGS>& modules);
// Takes over the records (the loader).
void PROJECT_AdoptModules(std::vector<MODULE_SETTINGS>&& modules);
uint32_t PROJECT_GetModuleCount();
void PROJECT_ClearModules();
void PROJECT_ForEachModuleSymbolId(void (*visit)(SYMBOL_ID& id, void* user), void* user);

// Reads every `Module` of `CreatedToolModules` (null: none). False when a module lacks a
// required attribute or element, has an unknown type, or a tree failed; `out` then holds what
// was read so far.
bool PROJECT_ReadModules(const XMLElement* created, std::vector<MODULE_SETTINGS>& out,
                         PROJECT_TREE_READ& ctx);
// Writes one `Module` element per record. Image files are copied into `project_folder` and
// stored by their relative names.
void PROJECT_WriteModules(XMLElement* created, const std::vector<MODULE_SETTINGS>& modules,
                          const std::string& project_folder);
// True when every tree of the records nests no deeper than the file may hold.
bool PROJECT_ModulesFit(const std::vector<MODULE_SETTINGS>& modules);
