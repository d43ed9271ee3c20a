// The project file: one XML document (extension .vistro) holding the connection settings,
// the names of the ELF, probe script and wallpaper files, the active symbols with their
// options, the game-pad mappings, the board's modules and the scripts.
//
// Both functions run on the worker inside the Open and Save jobs (or in a headless tool),
// while sampling is stopped.
#pragma once

#include <cstdint>

constexpr int32_t PROJECT_FILE_MAJOR = 1;
constexpr int32_t PROJECT_FILE_MINOR = 1;

// Reads the file and installs its content as a whole: the active symbol list (the caller has
// emptied it), the settings, modules, scripts and pad mappings. On failure nothing of the
// file stays installed (the active list is empty again) and 0 is returned; the caller shows
// "Failed to load project". Non-zero on success.
int32_t PROJECT_Load(const char* path);

// Writes the current project to the store's path, gathering the ELF file, the wallpaper and
// the images into the project folder (a sub-folder named like the project unless the
// path's folder already has that name). The file is written beside the old one and then
// renamed over it, so a failed save leaves the old file untouched. On success the store's
// path becomes the written file. 0, or -1 (nothing is shown; the caller reports it).
int32_t PROJECT_Save();
// PROJECT_Save with another path.
int32_t PROJECT_SaveTo(const char* path);
