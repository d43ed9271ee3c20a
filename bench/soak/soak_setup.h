// What the soak run works on: a copy of the demo project sampled at the highest HSS rate, 100
// sampled symbols, and a board full of modules showing them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

class ToolModuleBoard;

constexpr int SOAK_SYMBOLS = 100;

// Copies the demo project and its ELF file into `folder`, sampling every `period_us` and
// opening in Edit mode. The project's path, or "" after a message on stderr.
std::string SOAK_WriteProject(const std::filesystem::path& folder, uint32_t period_us);

// Adds symbols of the open project's symbol tree to the active list until SOAK_SYMBOLS are
// sampled (plain variables first, then array elements and members). The number sampled.
int SOAK_SelectSymbols();

// Below the demo's panels: one display (digital display, linear or angular gauge) per symbol
// the demo board does not show, and beside them two graphers of 8 channels each. The number
// of modules on the board afterwards.
size_t SOAK_FillBoard(ToolModuleBoard& board);
