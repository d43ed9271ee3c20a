// The project store: the one open project's state (open flag, path, modified counter,
// settings, ELF time stamp, download offer), the symbol database built from its ELF file and
// the active symbol records the project owns (virtual symbols and the records read from the
// project file before the ELF is parsed).
//
// Threads: the worker changes the store inside the jobs; getters may be called from any
// thread (a mutex guards the records, the counters are atomic). The window title is sent to
// the GUI through the bridge.
#pragma once

#include <cstdint>

#include "core/app_project_settings.h"
#include "platform/sys_types.h"
#include "symbols/active_symbol.h"

bool APP_IsProjectOpen();
void APP_SetProjectOpen(bool open);

// The project file ("" for a new project not yet saved).
void APP_GetProjectPath(char* buffer, uint32_t size);
void APP_SetProjectPath(const char* path);

// Copies of the settings (any thread).
void APP_GetConfiguration(PROJECT_CONFIG& out);
void APP_GetSettings(PROJECT_SETTINGS& out);
void APP_GetViewSettings(PROJECT_VIEW& out);
// Each takes over the record only when it differs from the current one (the configuration
// and view setters only while a project is open): copy, refresh the probe session's copy,
// emit Reset, count one modification. True when something changed.
bool APP_SetConfiguration(const PROJECT_CONFIG& config);
bool APP_SetSettings(const PROJECT_SETTINGS& settings);
bool APP_SetViewSettings(const PROJECT_VIEW& view);
// Installs settings read from a project file as they stand (no modification counted).
void APP_InstallSettings(const PROJECT_SETTINGS& settings);
// The view settings of a new project (graph and watch shown, time scale 1 s).
PROJECT_VIEW APP_DefaultViewSettings();
// The graphers' time scale in microseconds per division: the project file keeps it. Setting
// a different one (while a project is open) counts one modification and touches nothing else
// of the settings, so a zoom in Run mode leaves the probe session alone.
int32_t APP_GetTimeResolutionUs();
void APP_SetTimeResolutionUs(int32_t us);

// Modified counter: > 0 means unsaved changes. Both update the window title.
void APP_MarkModified();
void APP_SetModified(int32_t count);
int32_t APP_GetModified();
// Title: the full application name, then for an open project with a path " - [PATH *]"
// (the star while modified). Sent to the main window (at most 360 bytes).
void APP_UpdateTitle();
// The text APP_UpdateTitle sends (tests, vistro-cli).
void APP_FormatTitle(char* buffer, uint32_t size);

// Last-write time of the ELF file when it was last parsed; `valid` false before.
void APP_SetElfTimeStamp(const SYS_DateTime& stamp);
bool APP_GetElfTimeStamp(SYS_DateTime* stamp);
void APP_ClearElfTimeStamp();
bool APP_DateTimesEqual(const SYS_DateTime& a, const SYS_DateTime& b);

// Set when a project was created or opened from the GUI: Run mode then offers to program
// the target once.
void APP_SetOfferDownload(bool offer);
bool APP_GetOfferDownload();

// ---- symbol database ------------------------------------------------------------------

// The root of the symbol tree, or null before an ELF file was parsed.
const ACTIVE_SYMBOL* APP_GetSymbolTree();
bool APP_HasSymbolDatabase();
// Installs a new tree (the store owns it) and returns the previous one, which the caller
// frees once nothing refers to it any more.
ACTIVE_SYMBOL* APP_ExchangeSymbolTree(ACTIVE_SYMBOL* root);

// ---- records owned by the project -----------------------------------------------------

// Takes ownership of a record that is no tree node (a virtual symbol, or a symbol read from
// the project file). 0, or -1 after "Insufficient memory!" (the caller keeps the record).
int32_t APP_AdoptSymbol(ACTIVE_SYMBOL* symbol);
bool APP_IsOwnedSymbol(const ACTIVE_SYMBOL* symbol);
// Frees the owned records that are not in the active symbol list.
void APP_FreeUnlistedOwnedSymbols();
// Frees every owned record (the caller has emptied the active list first).
void APP_FreeOwnedSymbols();

// ---- closing ---------------------------------------------------------------------------

// Frees the active symbol list, the owned records and the symbol database, clears the
// settings, the path, open, modified and the ELF time stamp. Worker (or a headless driver).
void APP_ClearProjectStore();
