#include "core/app_jobs.h"

#include <atomic>
#include <mutex>

#include "core/app_bridge.h"
#include "persist/settings_file.h"
#include "symbols/active_symbol.h"

namespace {

std::mutex g_table_lock;
bool g_is_registered = false;
JOB_HANDLER g_handlers[JOB_HANDLER_COUNT] = {
    {nullptr, "Initialize application"},
    {nullptr, "Exit application"},
    {nullptr, "Create project"},
    {nullptr, "Initialize Project Settings"},
    {nullptr, "Parse ELF File"},
    {nullptr, "Start reading data"},
    {nullptr, "Pause reading data"},
    {nullptr, "Stop reading data"},
    {nullptr, "Save project"},
    {nullptr, "Open Project"},
    {nullptr, "Check modified ELF"},
    {nullptr, "Update project settings"},
    {nullptr, "Write symbol data"},
    {nullptr, "Stop periodic writing symbol"},
    {nullptr, "Stop periodic writing symbol"},
    {nullptr, "Prepare hardware to set GUI to Run"},
    {nullptr, nullptr},  // the stop job
};

std::atomic<int32_t> g_exit_state{APP_EXIT_NONE};
std::atomic<int32_t> g_launch_option{0};
std::atomic<int32_t> g_int_default_hex{0};

void InitHandler(JOB_RECORD* job) {
  auto* params = static_cast<APP_INIT_PARAMS*>(job->pParams);
  job->Result = 0;
  if (SETTINGS_Init(SETTINGS_FILE_NAME) == 0) {
    g_int_default_hex.store(SETTINGS_GetIntDefaultHex() != 0 ? 1 : 0);
    g_launch_option.store(SETTINGS_GetLaunchOptions());
  } else {
    // An unreadable settings file has been reported; go on with the defaults.
    g_int_default_hex.store(0);
    g_launch_option.store(0);
  }
  // "Start blank": no project is open yet, so the GUI offers the start dialog.
  if (g_launch_option.load() == 0) APP_Notify(APP_Signal::StartDialog);
  if (params->pfDone != nullptr) params->pfDone(job->pOwner);
}

void ExitHandler(JOB_RECORD* job) {
  // Nothing to close yet: go on with the shutdown.
  job->Result = APP_EXIT_GO;
}

void ExitCompletion(JOB_RECORD* job) {
  if (job->Result == 0) g_exit_state.store(APP_EXIT_NONE);
  if (job->Result == APP_EXIT_GO) g_exit_state.store(APP_EXIT_GO);
  JOB_StandardCompletion(job);
}

void SetDefaultHandlers() {
  JOB_HANDLER& init = g_handlers[APP_JOB_INIT];
  JOB_HANDLER& exit_entry = g_handlers[APP_JOB_EXIT];
  if (init.pfHandler == nullptr) init.pfHandler = InitHandler;
  if (exit_entry.pfHandler == nullptr) exit_entry.pfHandler = ExitHandler;
}

}  // namespace

void APP_SetJobHandler(uint32_t job_id, JOB_Handler handler) {
  if (job_id >= JOB_ID_STOP) return;
  std::lock_guard<std::mutex> g(g_table_lock);
  g_handlers[job_id].pfHandler = handler;
  if (g_is_registered) JOB_SetHandlerTable(g_handlers, JOB_HANDLER_COUNT);
}

void APP_RegisterJobHandlers() {
  std::lock_guard<std::mutex> g(g_table_lock);
  SetDefaultHandlers();
  JOB_SetHandlerTable(g_handlers, JOB_HANDLER_COUNT);
  g_is_registered = true;
}

int32_t APP_Init(int argc, char** argv, APP_InitDone done, void* owner, JOB_BUSY* busy) {
  APP_RegisterJobHandlers();
  JOB_RECORD* job = JOB_CreateJob(APP_JOB_INIT, sizeof(APP_INIT_PARAMS),
                                  "APP: <Init> Job context", "APP: <Init> Job params", busy,
                                  owner, JOB_StandardCompletion);
  if (job == nullptr) return -1;
  auto* params = static_cast<APP_INIT_PARAMS*>(job->pParams);
  params->argc = argc;
  params->argv = argv;
  params->pfDone = done;
  return JOB_Submit(job);
}

int32_t APP_Exit() {
  {
    std::lock_guard<std::mutex> g(g_table_lock);
    if (!g_is_registered) {
      SetDefaultHandlers();
      JOB_SetHandlerTable(g_handlers, JOB_HANDLER_COUNT);
      g_is_registered = true;
    }
  }
  JOB_RECORD* job = JOB_CreateJob(APP_JOB_EXIT, sizeof(JOB_PARAMS_HEAD),
                                  "APP: <Exit> Job context", "APP: <Exit> Job params", nullptr,
                                  nullptr, ExitCompletion);
  if (job == nullptr) return -1;
  return JOB_Submit(job);
}

int32_t APP_GetExitState() { return g_exit_state.load(); }
void APP_SetExitState(int32_t state) { g_exit_state.store(state); }
int32_t APP_GetLaunchOption() { return g_launch_option.load(); }
int32_t APP_GetIntDefaultHex() { return g_int_default_hex.load(); }

void APP_SetIntDefaultHex(int32_t hex) {
  g_int_default_hex.store(hex != 0 ? 1 : 0);
  APP_LockGui();
  for (ACTIVE_SYMBOL_CELL* cell = MAIN_pActiveSymbols; cell != nullptr; cell = cell->pNext) {
    if (cell->pSymbol != nullptr) cell->pSymbol->HexDisplay = hex != 0 ? 0xFF : 0;
  }
  APP_UnlockGui();
  APP_Notify(APP_Signal::UpdateTable);
}

void APP_SetLaunchOption(int32_t option) { g_launch_option.store(option); }
