#include <cstring>
#include <new>
#include <string>

#include "core/app_active_list.h"
#include "core/app_bridge.h"
#include "core/app_jobs.h"
#include "core/app_probe_ops.h"
#include "core/app_project.h"
#include "core/app_sampling.h"
#include "core/app_write.h"
#include "core/lifecycle/app_lifecycle.h"
#include "core/lifecycle/app_lifecycle_internal.h"
#include "persist/file_error.h"
#include "persist/project/project_content.h"
#include "persist/project/project_file.h"
#include "persist/settings_file.h"
#include "persist/shipped_project.h"
#include "platform/sys_file.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "probe/probe_library.h"
#include "probe/probe_session.h"

namespace {

constexpr const char* kOpenOption = "-openprj";

struct PATH_PARAMS {
  JOB_PARAMS_HEAD head;
  int32_t* pResult = nullptr;
  char Path[PROJECT_PATH_SIZE] = {};
};

struct SETTINGS_PARAMS {
  JOB_PARAMS_HEAD head;
  PROJECT_SETTINGS Settings;
};

void StopTarget() {
  APP_StopAllPeriodicWrites();  // writes of buttons, timers and pads end with the project
  const APP_PROBE_OPS& ops = APP_GetProbeOps();
  if (APP_IsReading() || APP_HasReadTask()) APP_ReadStopNow();
  if (ops.IsConnected()) ops.Disconnect();
}

// The probe session takes its configuration from the project store.
void LoadConfig(PROJECT_CONFIG& out) { APP_GetConfiguration(out); }
void StoreConfig(const PROJECT_CONFIG& config) { APP_SetConfiguration(config); }

// Opens a project named at start-up and builds its symbol tree when its ELF file is there.
int32_t OpenAtStart(const char* path) {
  if (APP_LoadProject(path) < 0) return -1;
  PROJECT_CONFIG config;
  APP_GetConfiguration(config);
  if (config.ElfFile[0] != '\0' && SYS_FileExists(config.ElfFile)) {
    APP_ParseElf(config.ElfFile, false);
    // The parse switched the window's screen updates off; no job completion turns them on here.
    APP_SetScreenUpdates(true);
  }
  return 0;
}

// "-openprjFILE" or "-openprj FILE"; other arguments are ignored. A failed open ends it.
void ProcessCommandLine(int argc, char** argv) {
  if (PROBE_LoadLibrary(false)) PROBE_VELTRAARM_ExecCommand("SetMSGBoxTimeout = 0", nullptr, 0);
  const size_t n = std::strlen(kOpenOption);
  for (int i = 1; i < argc && argv != nullptr; ++i) {
    const char* arg = argv[i];
    if (arg == nullptr || std::strncmp(arg, kOpenOption, n) != 0) continue;
    const char* file = arg + n;
    if (*file == '\0' && i + 1 < argc) file = argv[++i];
    if (*file == '\0') continue;
    if (OpenAtStart(file) < 0) return;
  }
}

void InitHandler(JOB_RECORD* job) {
  auto* params = static_cast<APP_INIT_PARAMS*>(job->pParams);
  job->Result = 0;
  int32_t launch = 0;
  bool hex = false;
  if (SETTINGS_Init(SETTINGS_FILE_NAME) == 0) {
    hex = SETTINGS_GetIntDefaultHex() != 0;
    launch = SETTINGS_GetLaunchOptions();
  }
  APP_SetLaunchOption(launch);
  APP_SetIntDefaultHex(hex ? 1 : 0);
  if (launch == 0) {
    ProcessCommandLine(params->argc, params->argv);
    if (!APP_IsProjectOpen()) APP_Notify(APP_Signal::StartDialog);
  } else if (launch == 1) {
    char latest[PROJECT_PATH_SIZE] = {};
    SETTINGS_GetProjectFile(latest, sizeof latest);
    if (latest[0] != '\0') OpenAtStart(latest);
  }
  if (params->pfDone != nullptr) params->pfDone(job->pOwner);
}

void ExitHandler(JOB_RECORD* job) {
  if (APP_IsProjectOpen() && APP_CloseProject() < 0) {
    job->Result = 0;  // the user kept the project: the program goes on
    return;
  }
  job->Result = APP_EXIT_GO;
  StopTarget();
}

void CreateHandler(JOB_RECORD* job) { job->Result = APP_NewProject(); }

void InitSettingsHandler(JOB_RECORD* job) {
  const auto* params = static_cast<SETTINGS_PARAMS*>(job->pParams);
  APP_SetConfiguration(params->Settings.Config);
  APP_SetViewSettings(APP_DefaultViewSettings());
  PROBE_RefreshConfiguration();
  APP_Notify(APP_Signal::Reset);
  APP_Notify(APP_Signal::ShowSymbolSelection);
}

void UpdateSettingsHandler(JOB_RECORD* job) {
  APP_SetSettings(static_cast<SETTINGS_PARAMS*>(job->pParams)->Settings);
}

void SaveHandler(JOB_RECORD* job) { job->Result = APP_StoreProject(); }

void OpenHandler(JOB_RECORD* job) {
  job->Result = APP_LoadProject(static_cast<PATH_PARAMS*>(job->pParams)->Path);
}

void PathResultCompletion(JOB_RECORD* job) {
  auto* params = static_cast<PATH_PARAMS*>(job->pParams);
  if (params->pResult != nullptr) *params->pResult = job->Result;
  JOB_StandardCompletion(job);
}

}  // namespace

void APP_ResultCompletion(JOB_RECORD* job) {
  auto* params = static_cast<APP_RESULT_PARAMS*>(job->pParams);
  if (params->pResult != nullptr) *params->pResult = job->Result;
  JOB_StandardCompletion(job);
}

void APP_RegisterProjectJobs() {
  PROBE_SetConfigurationSource(LoadConfig, StoreConfig);
  APP_SetJobHandler(APP_JOB_INIT, InitHandler);
  APP_SetJobHandler(APP_JOB_EXIT, ExitHandler);
  APP_SetJobHandler(APP_JOB_CREATE_PROJECT, CreateHandler);
  APP_SetJobHandler(APP_JOB_INIT_PROJ_SETTINGS, InitSettingsHandler);
  APP_SetJobHandler(APP_JOB_PARSE_ELF_FILE, APP_ParseElfHandler);
  APP_SetJobHandler(APP_JOB_SAVE_PROJECT, SaveHandler);
  APP_SetJobHandler(APP_JOB_OPEN_PROJECT, OpenHandler);
  APP_SetJobHandler(APP_JOB_CHECK_ELF_MODIFICATIONS, APP_CheckElfHandler);
  APP_SetJobHandler(APP_JOB_UPDATE_PROJ_SETTINGS, UpdateSettingsHandler);
  APP_SetJobHandler(APP_JOB_PREPARE_SET_RUN_MODE, APP_PrepareRunHandler);
  APP_RegisterJobHandlers();
}

int32_t APP_CreateProject(JOB_BUSY* busy, void* owner, int32_t* result) {
  return APP_QueueJob<APP_RESULT_PARAMS>(
      APP_JOB_CREATE_PROJECT, "APP: <CreateProject> Job context",
      "APP: <CreateProject> Job params", busy, owner, APP_ResultCompletion,
      [&](APP_RESULT_PARAMS& p) { p.pResult = result; });
}

int32_t APP_InitProjSettings(const PROJECT_SETTINGS& settings, JOB_BUSY* busy, void* owner) {
  return APP_QueueJob<SETTINGS_PARAMS>(
      APP_JOB_INIT_PROJ_SETTINGS, "APP: <InitProjSettings> Job context",
      "APP: <InitProjSettings> Job params", busy, owner, JOB_StandardCompletion,
      [&](SETTINGS_PARAMS& p) { p.Settings = settings; });
}

int32_t APP_UpdateProjSettings(const PROJECT_SETTINGS& settings, JOB_BUSY* busy) {
  return APP_QueueJob<SETTINGS_PARAMS>(
      APP_JOB_UPDATE_PROJ_SETTINGS, "APP: <UpdateProjSettings> Job context",
      "APP: <UpdateProjSettings> Job params", busy, nullptr, JOB_StandardCompletion,
      [&](SETTINGS_PARAMS& p) { p.Settings = settings; });
}

int32_t APP_SaveProject(JOB_BUSY* busy, int32_t* result) {
  return APP_QueueJob<APP_RESULT_PARAMS>(
      APP_JOB_SAVE_PROJECT, "APP: <SaveProject> Job context", "APP: <SaveProject> Job params",
      busy, nullptr, APP_ResultCompletion, [&](APP_RESULT_PARAMS& p) { p.pResult = result; });
}

int32_t APP_OpenProject(const char* path, JOB_BUSY* busy, int32_t* result) {
  return APP_QueueJob<PATH_PARAMS>(
      APP_JOB_OPEN_PROJECT, "APP: <OpenProject> Job context", "APP: <OpenProject> Job params",
      busy, nullptr, [](JOB_RECORD* job) {
        APP_Notify(APP_Signal::UpdateGUIMenuBar);
        PathResultCompletion(job);
      },
      [&](PATH_PARAMS& p) {
        p.pResult = result;
        SYS_CopyText(p.Path, sizeof p.Path, path != nullptr ? path : "");
      });
}

int32_t APP_CloseProject() {
  StopTarget();
  if (!APP_IsProjectOpen()) return 0;
  if (APP_GetModified() > 0) {
    const uint32_t answer = SYS_QuestionBox(
        "Ther are unsaved changes that will be gone.\nDo you want to save?", "Yes", "No", 1,
        SYS_MB_ICON_QUESTION, static_cast<uint32_t>(-1));
    if (answer == static_cast<uint32_t>(-1)) return -1;
    // A save that fails or is cancelled must not lose the changes: the close is cancelled.
    if (answer == 0 && APP_StoreProject() < 0) return -1;
  }
  APP_ClearProjectStore();
  APP_FreeRetiredTrees();
  PROJECT_ClearContent();
  APP_ResetSamplingProject();
  APP_SetModified(0);
  APP_Notify(APP_Signal::Reset);
  APP_UpdateTitle();
  return 0;
}

int32_t APP_NewProject() {
  if (APP_IsProjectOpen() && APP_CloseProject() < 0) return -1;
  APP_ClearProjectStore();
  PROJECT_ClearContent();
  APP_SetProjectPath("");
  APP_SetProjectOpen(true);
  APP_SetModified(1);
  return 0;
}

int32_t APP_LoadProject(const char* path) {
  if (APP_IsProjectOpen() && APP_CloseProject() < 0) return -1;
  // A project shipped with the installation (the demo) is read-only: the user's copy opens.
  std::string own_path;
  std::string copy_error;
  if (!APP_ProjectPathToOpen(path != nullptr ? path : "", APP_ShippedProjectFolder(),
                             APP_ProjectCopyFolder(), own_path, copy_error)) {
    SYS_ErrorBox(copy_error.c_str());  // the shipped file opens; saving it will say why not
  }
  path = own_path.c_str();
  APP_ClearProjectStore();
  PROJECT_ClearContent();
  APP_SetProjectPath(path);
  if (path == nullptr || path[0] == '\0' || PROJECT_Load(path) == 0) {
    // Nothing of the file stays: no path, no symbols, no settings.
    APP_ClearProjectStore();
    PROJECT_ClearContent();
    APP_UpdateTitle();
    SYS_ErrorBox("Failed to load project");
    return -1;
  }
  APP_SetProjectOpen(true);
  APP_SetModified(0);
  PROBE_RefreshConfiguration();
  SETTINGS_SetProjectFile(path);
  return 0;
}

int32_t APP_StoreProject() {
  char path[PROJECT_PATH_SIZE] = {};
  APP_GetProjectPath(path, sizeof path);
  if (path[0] == '\0') {
    if (APP_RequestSaveFileName(path, sizeof path, "Save project as",
                                "Vistro project files (*.vistro)", 0) < 0 ||
        path[0] == '\0') {
      return -1;
    }
  }
  if (PROJECT_SaveTo(path) < 0) {
    char text[1024];
    APP_FormatFileError(path, "save", text, sizeof text);
    SYS_ErrorBox(text);
    return -1;
  }
  APP_SetModified(0);
  APP_GetProjectPath(path, sizeof path);
  SETTINGS_SetProjectFile(path);
  return 0;
}
