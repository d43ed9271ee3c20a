// The settings file: application preferences in VistroSettings.ini in the app-data folder.
//
// A process-wide store that keeps the whole file (at most SETTINGS_MAX_BYTES) in memory,
// reads keys from that copy and rewrites the whole file after every change (through a
// temporary file, so the file on disk is always either the old or the new one). Any thread
// may call it; calls are serialised. Failures are shown in error boxes after the store's
// lock is released, and reported as -1.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t SETTINGS_MAX_BYTES = 30000;
constexpr const char* SETTINGS_FILE_NAME = "VistroSettings.ini";

// Loads `file_name` from the app-data folder (a missing file gives an empty store). 0, or
// -1 (empty name, unreadable or over-size file: the store stays unusable and every later
// call returns -1 until the next successful SETTINGS_Init).
int SETTINGS_Init(const char* file_name);

// 0 and the value, or -1 (missing key silently; a malformed value after an error box).
int SETTINGS_ReadInt(const char* section, const char* key, int32_t* value);
// 0 and the text (cut to capacity - 1), or -1; the text is emptied first.
int SETTINGS_ReadString(const char* section, const char* key, char* text, size_t capacity);
// Change the store and save the file. 0, or -1: not initialised, a value with a double
// quote or a line break, a store that would exceed SETTINGS_MAX_BYTES (nothing changes),
// or a failed save (after an error box; the store keeps the change).
int SETTINGS_WriteInt(const char* section, const char* key, int32_t value);
int SETTINGS_WriteString(const char* section, const char* key, const char* text);

// Typed accessors of the known keys; the readers apply the defaults and always succeed.
// Folder last used for data files (PATH/DataFiles); default: the program's folder.
void SETTINGS_GetDataFilesFolder(char* text, size_t capacity);
// Folder last used for ELF files (PATH/ELFFiles); default: empty.
void SETTINGS_GetELFFilesFolder(char* text, size_t capacity);
// Last project file (PATH/ProjectFiles); default: empty.
void SETTINGS_GetProjectFile(char* text, size_t capacity);
// VALUES/IntDefaultHex: 1 hexadecimal, 0 decimal (default).
int32_t SETTINGS_GetIntDefaultHex();
// LAUNCH/LaunchOptions: 0 "Start blank" (default), 1 "Start with latest project".
int32_t SETTINGS_GetLaunchOptions();
// The folder setters store only the folder of `file_path` (with its trailing "/"); the
// project setter stores the path as given. A null or empty argument is refused with -1.
int SETTINGS_SetDataFilesFolder(const char* file_path);
int SETTINGS_SetELFFilesFolder(const char* file_path);
int SETTINGS_SetProjectFile(const char* path);
int SETTINGS_SetIntDefaultHex(int32_t value);
int SETTINGS_SetLaunchOptions(int32_t value);

// The full path of the loaded file ("" before SETTINGS_Init). For messages and tests.
void SETTINGS_GetFilePath(char* text, size_t capacity);
