// Switching between Edit, Run and Preview mode.
#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include "core/app_mode.h"
#include "core/app_sampling.h"
#include "gui/main_window.h"
#include "gui/table_widget.h"
#include "gui/shell_icons.h"
#include "gui/shortcuts.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_time.h"
#include "symbols/active_symbol.h"

void MainWindow::WaitForJob(const JOB_BUSY& busy) {
  ++waiting_for_job_;
  while (busy.load() != 0) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    SYS_Sleep(1);
  }
  --waiting_for_job_;
}

void MainWindow::_SlotOnAppModeSwitch() {
  if (IsWaitingForJob()) return;
  SwitchMode(shown_mode_ == APP_MODE_EDIT ? APP_MODE_RUN : APP_MODE_EDIT);
}

void MainWindow::_SlotOnPreviewToggle() {
  if (IsWaitingForJob()) return;
  SwitchMode(shown_mode_ == APP_MODE_PREVIEW ? APP_MODE_EDIT : APP_MODE_PREVIEW);
  preview_button_->setChecked(shown_mode_ == APP_MODE_PREVIEW);
}

void MainWindow::_SlotOnRunOptions() {
  run_options_menu_->exec(run_options_button_->mapToGlobal(QPoint(0, run_options_button_->height())));
}

void MainWindow::_SlotOnAttachAct() {
  is_download_chosen_ = false;
  mode_button_->setIcon(attach_action_->icon());
  if (shown_mode_ != APP_MODE_RUN) _SlotOnAppModeSwitch();
}

void MainWindow::_SlotOnDownloadAct() {
  is_download_chosen_ = true;
  mode_button_->setIcon(download_action_->icon());
  if (shown_mode_ != APP_MODE_RUN) _SlotOnAppModeSwitch();
}

bool MainWindow::SwitchMode(int32_t mode) {
  const int32_t from = shown_mode_;
  if (mode == from) return true;
  if (mode == APP_MODE_RUN) {
    if (MAIN_pActiveSymbols == nullptr) {
      SYS_ShowMsgBox(SYS_ShortAppName(), "Empty Symbol Table! Add Symbol to enter Run mode!", "OK",
                     nullptr, nullptr, 0, nullptr, SYS_MB_ICON_WARNING, 0, 0, 0);
      return false;
    }
    if (!PrepareRunMode()) return false;
  }
  if (from == APP_MODE_RUN) StopRunMode();
  if (mode != APP_MODE_EDIT && from == APP_MODE_EDIT) edit_layer_ = BoardLayer();
  APP_SetAppMode(mode);
  shown_mode_ = mode;
  ApplyModeLook(mode);
  watch_table_->UpdateTable(true);
  EnterBoardMode(mode);
  if (mode == APP_MODE_RUN) StartRunMode();
  UpdateActions();
  return true;
}

void MainWindow::FollowCoreMode() {
  if (shown_mode_ != APP_MODE_RUN || APP_IsRunMode() || is_closing_) return;
  // A switch in progress waits for its job; follow once it is through.
  if (IsWaitingForJob()) {
    QTimer::singleShot(10, this, &MainWindow::FollowCoreMode);
    return;
  }
  SwitchMode(APP_MODE_EDIT);
  statusBar()->showMessage(QStringLiteral("Data sampling stopped."));
}

void MainWindow::ApplyModeLook(int32_t mode) {
  const bool is_edit = mode == APP_MODE_EDIT;
  const QString f5 = SHORTCUT_Text(SHORTCUT::kModeSwitch);
  collection_dock_->setVisible(is_edit);
  preview_button_->setEnabled(is_edit || mode == APP_MODE_PREVIEW);
  run_options_button_->setEnabled(is_edit);
  for (QToolButton* b : {zoom_in_button_, zoom_out_button_, clear_button_, layer_up_button_,
                         layer_down_button_, input_button_}) {
    b->setEnabled(is_edit);
  }
  if (!is_edit) {
    for (QLabel* label : status_labels_) label->clear();
    statusBar()->clearMessage();
  }
  for (QLabel* label : status_labels_) label->setVisible(is_edit);
  switch (mode) {
    case APP_MODE_RUN:
      mode_button_->setIcon(SHELL_Icon(ShellIcon::kEdit));
      mode_button_->setToolTip(QStringLiteral("Switch to Edit ( %1)").arg(f5));
      break;
    case APP_MODE_PREVIEW:
      mode_button_->setIcon(SHELL_Icon(ShellIcon::kEdit));
      mode_button_->setToolTip(QStringLiteral("Switch to Edit"));
      break;
    default:
      mode_button_->setIcon(SHELL_Icon(is_download_chosen_ ? ShellIcon::kDownload : ShellIcon::kRun));
      mode_button_->setToolTip(QStringLiteral("Switch to Run ( %1)").arg(f5));
      break;
  }
}
