// Binding to the probe library libVeltra_x64.so. The library is found and loaded at run time
// (once, and kept for the life of the program); each function is resolved by name on its
// first use. Nothing else in the program loads the library or calls it directly.
//
// Every wrapper PROBE_<export> has the arguments and result of the export of that name. When
// the library cannot be loaded or lacks the export, the wrapper shows a system message box
// titled "Veltra Error", calls nothing and returns 0 (a wrapper without result just returns).
// Wrappers may be called from any thread; the library serialises its own state.
#pragma once

#include <cstddef>
#include <cstdint>

#include "probe/veltra_api.h"

constexpr const char* PROBE_LIBRARY_FILE = "libVeltra_x64.so";
constexpr const char* PROBE_ERROR_TITLE = "Veltra Error";
// Flags of the binding's system message boxes: top-most, task-modal, exclamation icon.
constexpr uint32_t PROBE_ERROR_BOX_FLAGS = 0x42030;

constexpr int PROBE_SEARCH_PATH_SIZE = 4096;

// Where the library is looked for, in this order: the folder of the module that holds the
// binding, the program's folder, then the install path read from the user's and the machine's
// registry files (INI files; key "InstallPath" in section "Software\Tarvik\Veltra", or in
// "Software\Tarvik\Burnix" when the first section does not exist). In each folder the file is
// tried directly and, for registry folders, in "bin_x64/" below it. Empty fields are skipped.
struct PROBE_LibrarySearch {
  char module_folder[PROBE_SEARCH_PATH_SIZE] = {};
  char program_folder[PROBE_SEARCH_PATH_SIZE] = {};
  char user_registry[PROBE_SEARCH_PATH_SIZE] = {};     // $XDG_CONFIG_HOME/Tarvik/registry.ini
  char machine_registry[PROBE_SEARCH_PATH_SIZE] = {};  // /etc/Tarvik/registry.ini
};

// The search of this process (folders and registry files as described above).
PROBE_LibrarySearch PROBE_DefaultLibrarySearch();

// Replaces the search used by PROBE_LoadLibrary (null restores the default). Has no effect
// once the library is loaded. Meant for tests and for tools that bring their own library.
void PROBE_SetLibrarySearch(const PROBE_LibrarySearch* search);

// The install folder from a registry file: everything up to and including the last '/' or
// '\' of the "InstallPath" value. False when the file, the section or the value is missing,
// the value is empty or longer than 259 bytes, or it holds no folder part.
bool PROBE_ReadInstallFolder(const char* ini_path, char* folder, size_t size);

// Loads the library unless it is loaded already; true when it is (now) loaded. With `report`
// a failed search shows "Target DLL <first path tried> not found !".
bool PROBE_LoadLibrary(bool report);
bool PROBE_IsLibraryLoaded();
// Full path of the loaded library ("" before loading).
const char* PROBE_GetLibraryPath();

// Wrappers, one per export (see probe/veltra_api.h for the meaning of arguments and results).
const char* PROBE_VELTRAARM_OpenEx(VELTRA_LOG_FUNC* log, VELTRA_LOG_FUNC* error);
void PROBE_VELTRAARM_Close();
int PROBE_VELTRAARM_IsOpen();
int PROBE_VELTRAARM_EMU_SelectByUSBSN(uint32_t serial_no);
int PROBE_VELTRAARM_SelectIP(const char* host, int port);
int PROBE_VELTRAARM_ExecCommand(const char* cmd, char* err, int err_size);
int PROBE_VELTRAARM_DEVICE_SelectDialog(void* owner, uint32_t flags, VELTRA_DEVICE_INFO* info);
int PROBE_VELTRAARM_DEVICE_GetInfo(int index, VELTRA_DEVICE_INFO* info);
void PROBE_VELTRAARM_TIF_Select(int tif);
void PROBE_VELTRAARM_SetSpeed(uint32_t speed_khz);
void PROBE_VELTRAARM_ConfigJTAG(int ir_pre, int dr_pre);
int PROBE_VELTRAARM_Connect();
int PROBE_VELTRAARM_EMU_HasCapEx(int cap);
int PROBE_VELTRAARM_GetDLLVersion();
int PROBE_VELTRAARM_GetSN();
int PROBE_VELTRAARM_IsHalted();
int PROBE_VELTRAARM_ReadMem(uint32_t addr, uint32_t num_bytes, void* buf);
int PROBE_VELTRA_WriteMem(uint32_t addr, uint32_t num_bytes, const void* data);
int PROBE_VELTRA_DownloadFile(const char* path, uint32_t addr);
int PROBE_VELTRA_IsHalted();
void PROBE_VELTRA_Go();
int PROBE_VELTRA_HSS_GetCaps(VELTRA_HSS_CAPS* caps);
int PROBE_VELTRA_HSS_Start(VELTRA_HSS_BLOCK* blocks, int num_blocks, int period_us, int flags);
int PROBE_VELTRA_HSS_Read(void* buf, uint32_t buf_size);
int PROBE_VELTRA_HSS_Stop();
