// The application jobs: the handler table of the job engine and the jobs of the
// application shell (start-up and exit). Creating functions run on the GUI thread.
#pragma once

#include <cstdint>

#include "core/job_engine.h"

// Job ids (indexes into the handler table).
enum APP_JobId : uint32_t {
  APP_JOB_INIT = 0,
  APP_JOB_EXIT = 1,
  APP_JOB_CREATE_PROJECT = 2,
  APP_JOB_INIT_PROJ_SETTINGS = 3,
  APP_JOB_PARSE_ELF_FILE = 4,
  APP_JOB_READ_START = 5,
  APP_JOB_READ_PAUSE = 6,
  APP_JOB_READ_STOP = 7,
  APP_JOB_SAVE_PROJECT = 8,
  APP_JOB_OPEN_PROJECT = 9,
  APP_JOB_CHECK_ELF_MODIFICATIONS = 10,
  APP_JOB_UPDATE_PROJ_SETTINGS = 11,
  APP_JOB_WRITE_SYMBOL_DATA = 12,
  APP_JOB_WRITE_SYMBOL_DATA_STOP = 13,
  APP_JOB_WRITE_SYMBOL_CALC_STOP = 14,
  APP_JOB_PREPARE_SET_RUN_MODE = 15,
  APP_JOB_STOP = JOB_ID_STOP,
};

// Sets the handler of one job kind in the application's table (the descriptions are
// fixed). Engines call this before APP_Init; a later call re-registers the table.
void APP_SetJobHandler(uint32_t job_id, JOB_Handler handler);
// Registers the application's handler table with the job engine (APP_Init does this).
void APP_RegisterJobHandlers();

// Called on the worker at the end of the Init job with the owner given to APP_Init (the
// main window hands over a routine that emits its FinAsyncAppInit signal).
using APP_InitDone = void (*)(void* owner);

struct APP_INIT_PARAMS {
  JOB_PARAMS_HEAD head;
  int argc = 0;
  char** argv = nullptr;  // kept by the caller until the job has finished
  APP_InitDone pfDone = nullptr;
};

// Registers the handler table and queues the Init job: read the settings file, then (with
// the launch option "Start blank") ask the GUI for the start dialog, then call `done`.
// The queueing result (0 queued).
int32_t APP_Init(int argc, char** argv, APP_InitDone done, void* owner, JOB_BUSY* busy);

// Queues the Exit job (no busy flag). Its completion sets the exit state to 0 (the user kept
// the project open) or 2 (go on with the shutdown). The queueing result.
int32_t APP_Exit();

// Shutdown hand-shake with the main window: 1 while the Exit job is pending, then 0 or 2.
constexpr int32_t APP_EXIT_NONE = 0;
constexpr int32_t APP_EXIT_PENDING = 1;
constexpr int32_t APP_EXIT_GO = 2;
int32_t APP_GetExitState();
void APP_SetExitState(int32_t state);

// The launch option read by the last Init job (0 "Start blank", 1 "Start with latest project").
int32_t APP_GetLaunchOption();
// The integer display default read by the last Init job (1 hexadecimal, 0 decimal).
int32_t APP_GetIntDefaultHex();
// Makes hexadecimal (1) or decimal (0) the default base of integers and gives every active
// symbol that base at once (the list is walked under the GUI lock); then UpdateTable.
void APP_SetIntDefaultHex(int32_t hex);
// Records the launch option an Init handler read (the lifecycle's own Init).
void APP_SetLaunchOption(int32_t option);
