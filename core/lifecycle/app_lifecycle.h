// The project lifecycle jobs: start-up with the command line, exit with the save question,
// new, open, save (as), close, taking over project settings, parsing the ELF file and noticing
// that it changed, and preparing the probe before Run mode.
//
// How the main window uses them (GUI thread):
//  - call APP_RegisterProjectJobs() once before APP_Init, so that Init and Exit are the full
//    handlers of this file (Init then opens "-openprj FILE" / "-openprjFILE" or the latest
//    project, and parses that project's ELF file when it exists);
//  - queue a job with its creating function and wait for the busy flag as usual; the result
//    of a job that can fail is left in the optional `result` (0 success, negative failure);
//  - before SaveProject, Exit, New, Open and CheckELFModifications hand the board's records,
//    scripts and pad mappings back with PROJECT_SetModules / PROJECT_SetScripts /
//    PROJECT_SetPads (persist/project/project_content.h), because closing saves from them;
//  - UpdateGUILoadModules (after an open, and after a reparse that moved symbols) tells the
//    window to rebuild its board, script view and pads from PROJECT_GetModules / ...;
//    Reset after a close or new settings; UpdateGUIMenuBar after an open; the title arrives
//    through the bridge's StoreTitle + UpdateGUI.
//  - "Save as" is SaveProject after APP_SetProjectPath("") (the job then asks for a name).
#pragma once

#include <cstdint>

#include "core/app_project_settings.h"
#include "core/job_engine.h"

// Registers the handlers of jobs 0 to 4, 8 to 11 and 15 with the application's table.
void APP_RegisterProjectJobs();

// ---- creating functions (GUI thread) ---------------------------------------------------------

int32_t APP_CreateProject(JOB_BUSY* busy, void* owner, int32_t* result = nullptr);
int32_t APP_InitProjSettings(const PROJECT_SETTINGS& settings, JOB_BUSY* busy, void* owner);
// `match`: keep the active symbols that are found again (and the virtual ones).
int32_t APP_ParseELFFile(const char* elf_path, bool match, JOB_BUSY* busy);
int32_t APP_SaveProject(JOB_BUSY* busy, int32_t* result = nullptr);
int32_t APP_OpenProject(const char* path, JOB_BUSY* busy, int32_t* result = nullptr);
int32_t APP_CheckELFModifications(JOB_BUSY* busy);
int32_t APP_UpdateProjSettings(const PROJECT_SETTINGS& settings, JOB_BUSY* busy);
// `allowed` is cleared now and set by the job when Run mode may be entered.
int32_t APP_PrepareSetRunMode(bool force_download, uint8_t* allowed, JOB_BUSY* busy);

// ---- project store operations (worker, or a headless driver without a worker) -------------

// Closes the open project: stops sampling and disconnects, asks "Ther are unsaved changes..."
// while modified (cancel: -1, nothing closed; "Yes" saves first and a failed save cancels
// the close), then frees symbols, database, modules, scripts and pads and clears the
// settings. 0 when closed (or nothing was open).
int32_t APP_CloseProject();
// Closes the current project, then starts an empty, modified project without a path.
int32_t APP_NewProject();
// Closes the current project, then reads `path`. 0, or -1 after "Failed to load project" (or
// a cancelled close); a failed load leaves no project open.
int32_t APP_LoadProject(const char* path);
// Saves (asking for a name when there is no path). 0, or -1 when cancelled or failed (shown;
// modified stays set).
int32_t APP_StoreProject();
// Builds the symbol tree of `elf_path` (see APP_ParseELFFile). 0, or -1 after "Could not
// open ELF file!" (the old tree and list stay).
int32_t APP_ParseElf(const char* elf_path, bool match);
// The modification check of job 10 (asks, then reparses). Worker.
void APP_CheckElfNow();
