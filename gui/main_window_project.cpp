// The project flows of the main window: new, open, save, save as, settings, the history
// export; the prepare-run job; the ELF modification check.
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <cstring>

#include "core/app_active_list.h"
#include "core/app_jobs.h"
#include "core/app_mode.h"
#include "core/app_project.h"
#include "core/app_sampling.h"
#include "core/app_write.h"
#include "core/lifecycle/app_lifecycle.h"
#include "gui/main_window.h"
#include "gui/new_project_dialog.h"
#include "gui/scripting_widget.h"
#include "input/gamepad_runtime.h"
#include "modules/history_export.h"
#include "scripting/script_runner.h"
#include "platform/sys_msgbox.h"

namespace {
constexpr const char* kProjectFilter = "Vistro project files (*.vistro *.VISTRO);;All files (*)";
}

bool MainWindow::IsProjectOpen() { return APP_IsProjectOpen(); }

bool MainWindow::IsInputBlocked() const {
  return IsWaitingForJob() || check_busy_.load() != 0 || APP_GetAppMode() != APP_MODE_EDIT;
}

bool MainWindow::RunJob(int32_t queued) {
  if (queued != 0) return false;
  WaitForJob(project_busy_);
  return true;
}

void MainWindow::RunNewProjectFlow() {
  PROJECT_SETTINGS settings;
  settings.View = APP_DefaultViewSettings();
  NewProjectDialog dialog(QStringLiteral("New Project Settings"), settings.Config, this);
  if (dialog.exec() != QDialog::Accepted) return;
  HandBackContent();
  int32_t result = -1;
  if (!RunJob(APP_CreateProject(&project_busy_, this, &result)) || result < 0) return;
  ClearBoard();
  if (!RunJob(APP_InitProjSettings(settings, &project_busy_, this))) return;
  RunJob(APP_ParseELFFile(settings.Config.ElfFile, false, &project_busy_));
  APP_SetOfferDownload(true);
  FinishProjectFlow();
}

void MainWindow::RunOpenProjectFlow(const QString& path) {
  const QByteArray utf8 = path.toUtf8();
  if (utf8.size() >= PROJECT_PATH_SIZE) {
    SYS_WarningBoxF("The project file name is too long (at most %d bytes):\n%s",
                    PROJECT_PATH_SIZE - 1, utf8.constData());
    return;
  }
  HandBackContent();
  int32_t result = -1;
  if (!RunJob(APP_OpenProject(utf8.constData(), &project_busy_, &result)) || result < 0) {
    FinishProjectFlow();
    return;
  }
  if (!APP_HasSymbolDatabase()) {
    PROJECT_CONFIG config;
    APP_GetConfiguration(config);
    RunJob(APP_ParseELFFile(config.ElfFile, false, &project_busy_));
  }
  APP_SetOfferDownload(true);
  FinishProjectFlow();
  OpenInStartupMode();
}

void MainWindow::OpenInStartupMode() {
  if (!APP_IsProjectOpen()) return;
  PROJECT_CONFIG config;
  APP_GetConfiguration(config);
  if (config.OpenOptions == 1 && MAIN_pActiveSymbols != nullptr) SwitchMode(APP_MODE_RUN);
}

void MainWindow::FinishProjectFlow() {
  UpdateActions();
  UpdateProjectLabel();
  if (is_selection_pending_) {
    is_selection_pending_ = false;
    ShowSymbolSelection();
  }
}

void MainWindow::UpdateProjectLabel() {
  char path[PROJECT_PATH_SIZE];
  APP_GetProjectPath(path, sizeof path);
  QString text = QStringLiteral("Open Project: none");
  if (APP_IsProjectOpen()) {
    text = QStringLiteral("Open Project: ") +
           (path[0] != '\0' ? QString::fromUtf8(path) : QStringLiteral("(not saved yet)"));
  }
  project_label_->setText(text);
}

void MainWindow::_OnActionNewProjectDialog() {
  if (IsInputBlocked()) return;
  RunNewProjectFlow();
}

void MainWindow::_OnActionOpenProjectDialog() {
  if (IsInputBlocked()) return;
  const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open project"),
                                                    QString(), QString::fromUtf8(kProjectFilter));
  if (!path.isEmpty()) RunOpenProjectFlow(path);
}

void MainWindow::_OnActionSaveProject() {
  if (IsInputBlocked() || !APP_IsProjectOpen()) return;
  HandBackContent();
  int32_t result = -1;
  RunJob(APP_SaveProject(&project_busy_, &result));
  FinishProjectFlow();
}

void MainWindow::_OnActionSaveProjectAs() {
  if (IsInputBlocked() || !APP_IsProjectOpen()) return;
  char old_path[PROJECT_PATH_SIZE];
  APP_GetProjectPath(old_path, sizeof old_path);
  HandBackContent();
  // Without a path the save job asks for a name (AnswerSaveFileRequest).
  APP_SetProjectPath("");
  int32_t result = -1;
  if (!RunJob(APP_SaveProject(&project_busy_, &result)) || result < 0) {
    APP_SetProjectPath(old_path);
    APP_UpdateTitle();
  }
  FinishProjectFlow();
}

// The history of every active symbol, as the grapher exports its channels.
void MainWindow::_OnActionExportHistory() {
  if (IsInputBlocked() || !APP_IsProjectOpen()) return;
  HISTORY_ExportCsvInteractive(this, QStringLiteral("Export History as CSV"), APP_GetActiveSymbols(), 0,
                               APP_HISTORY_SLOTS);
}

void MainWindow::_OnActionExit() {
  if (IsInputBlocked()) return;
  close();
}

void MainWindow::_OnActionProjectSettings() {
  if (IsInputBlocked() || !APP_IsProjectOpen()) return;
  _SlotProjectSettingsDialog();
}

void MainWindow::_SlotProjectSettingsDialog() {
  if (IsWaitingForJob() || !APP_IsProjectOpen()) return;
  PROJECT_SETTINGS before;
  APP_GetSettings(before);
  PROJECT_SETTINGS edited = before;
  NewProjectDialog dialog(QStringLiteral("Project Settings"), edited.Config, this);
  if (dialog.exec() != QDialog::Accepted || APP_SettingsEqual(before, edited)) return;
  RunJob(APP_UpdateProjSettings(edited, &project_busy_));
  // Another firmware image: rebuild the symbol tree, keeping the symbols found again.
  if (strcmp(before.Config.ElfFile, edited.Config.ElfFile) != 0) {
    HandBackContent();
    RunJob(APP_ParseELFFile(edited.Config.ElfFile, true, &project_busy_));
  }
  FinishProjectFlow();
}

void MainWindow::_SlotOnShowSymbolSelection() {
  // The selection needs the symbol tree that the flow is still building.
  if (IsWaitingForJob()) {
    is_selection_pending_ = true;
    return;
  }
  ShowSymbolSelection();
}


void MainWindow::_SlotOnReset() {
  UpdateActions();
  UpdateProjectLabel();
}

void MainWindow::_SlotOnUpdateGUIMenuBar() {
  UpdateActions();
  UpdateProjectLabel();
}

// The ELF modification check: only in Edit mode, while no dialog is open (the selection
// dialog holds tree records a reparse would free), not while reading and not while a check
// or another job is pending.
void MainWindow::_SlotOnTimeout() {
  if (APP_GetAppMode() != APP_MODE_EDIT || QApplication::activeModalWidget() != nullptr ||
      APP_IsReading() || APP_HasReadTask() || check_busy_.load() != 0 || IsWaitingForJob() ||
      !APP_IsProjectOpen() || !APP_HasSymbolDatabase()) {
    return;
  }
  HandBackContent();
  APP_CheckELFModifications(&check_busy_);
}

bool MainWindow::PrepareRunMode() {
  run_allowed_ = 0;
  if (APP_PrepareSetRunMode(is_download_chosen_, &run_allowed_, &prepare_busy_) != 0) return false;
  WaitForJob(prepare_busy_);
  return run_allowed_ != 0;
}

// Waited for: a stop that came before the start had run would find no read task to end, and
// sampling would go on in Edit mode.
void MainWindow::StartRunMode() {
  APP_ReadStart(&read_busy_);
  WaitForJob(read_busy_);
  SCRIPT_StartTask();
  GAMEPAD_Init();  // the pads are read from the refresh while Run mode lasts
}

void MainWindow::StopRunMode() {
  WaitForJob(read_busy_);
  APP_ReadStop(&read_busy_);
  WaitForJob(read_busy_);
  SCRIPT_StopTask();
  // Held pad buttons stop repeating and start from released in the next Run mode.
  GAMEPAD_StopRunMode();
  APP_StopAllPeriodicWrites();
  if (scripting_widget_ != nullptr) scripting_widget_->RefreshStatus();
}
