// The project flows of the main window: new, open, save, save as, settings; the prepare-run
// job; the ELF modification check.
#include <QFileDialog>

#include "core/app_jobs.h"
#include "core/app_mode.h"
#include "core/app_sampling.h"
#include "core/app_write.h"
#include "gui/main_window.h"
#include "gui/new_project_dialog.h"
#include "platform/sys_msgbox.h"

namespace {
constexpr const char* kProjectFilter = "Vistro project files (*.vistro *.VISTRO);;All files (*)";
}

bool MainWindow::IsProjectOpen() { return false; }

void MainWindow::RunNewProjectFlow() {
  PROJECT_CONFIG config;
  NewProjectDialog dialog(QStringLiteral("New Project Settings"), config, this);
  dialog.exec();
}

void MainWindow::RunOpenProjectFlow(const QString& path) { (void)path; }

void MainWindow::_OnActionNewProjectDialog() {
  if (IsWaitingForJob() || APP_GetAppMode() != APP_MODE_EDIT) return;
  RunNewProjectFlow();
}

void MainWindow::_OnActionOpenProjectDialog() {
  if (IsWaitingForJob() || APP_GetAppMode() != APP_MODE_EDIT) return;
  const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open project"),
                                                    QString(), QString::fromUtf8(kProjectFilter));
  if (!path.isEmpty()) RunOpenProjectFlow(path);
}

void MainWindow::_OnActionSaveProject() {
  if (IsWaitingForJob() || APP_GetAppMode() != APP_MODE_EDIT) return;
}

void MainWindow::_OnActionSaveProjectAs() {
  if (IsWaitingForJob() || APP_GetAppMode() != APP_MODE_EDIT) return;
  const QString path = AskSaveFileName(QStringLiteral("Save project as"),
                                       QString::fromUtf8(kProjectFilter));
  (void)path;
}

void MainWindow::_OnActionExit() { close(); }

void MainWindow::_OnActionProjectSettings() {
  if (IsWaitingForJob() || APP_GetAppMode() != APP_MODE_EDIT) return;
  _SlotProjectSettingsDialog();
}

void MainWindow::_SlotProjectSettingsDialog() {}
void MainWindow::_SlotOnShowSymbolSelection() {}
void MainWindow::_SlotOnVirtualSymbolCreation() {}
void MainWindow::_SlotOnReset() { UpdateActions(); }
void MainWindow::_SlotOnUpdateGUIMenuBar() { UpdateActions(); }

void MainWindow::_SlotOnTimeout() {}

bool MainWindow::PrepareRunMode() { return true; }

void MainWindow::StartRunMode() { APP_ReadStart(&read_busy_); }

void MainWindow::StopRunMode() {
  APP_ReadStop(&read_busy_);
  WaitForJob(read_busy_);
  APP_StopAllPeriodicWrites();
}
