// The main window's dialogs and help: start, project and application settings, cheat sheet,
// user guide and about.
#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

#include "core/app_mode.h"
#include "gui/about_dialog.h"
#include "gui/app_settings_dialog.h"
#include "gui/cheat_sheet.h"
#include "gui/main_window.h"
#include "gui/start_dialog.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "probe/probe_config.h"

void MainWindow::_SlotOnStartDialog() {
  StartDialog dialog(this);
  switch (dialog.exec()) {
    case StartDialog::kNewProject: RunNewProjectFlow(); break;
    case StartDialog::kOpenProject: _OnActionOpenProjectDialog(); break;
    default: break;
  }
}

void MainWindow::_SlotOnNewProjectDialog() { RunNewProjectFlow(); }

void MainWindow::_SlotAppSettingsDialog() {
  AppSettingsDialog dialog(this);
  dialog.exec();
}

void MainWindow::_OnActionAppSettings() {
  if (APP_GetAppMode() != APP_MODE_EDIT) return;
  _SlotAppSettingsDialog();
}

void MainWindow::_OnActionCheatSheet() {
  CheatSheet dialog(this);
  dialog.exec();
}

void MainWindow::_OnActionUserGuide() {
  const QUrl url(QString::fromUtf8(kUserGuideUrl));
  if (QDesktopServices::openUrl(url)) return;
  char text[512];
  snprintf(text, sizeof text, "Failed to open Vistro User Guide at:\n\"%s\"", kUserGuideUrl);
  SYS_WarningBox(text);
}

void MainWindow::_OnActionAbout() {
  AboutDialog dialog(this);
  dialog.exec();
}

QString MainWindow::AskSaveFileName(const QString& caption, const QString& filter) {
  QString name = QFileDialog::getSaveFileName(this, caption, QString(), filter);
  if (name.isEmpty()) return name;
  if (!name.endsWith(QStringLiteral(".vistro"), Qt::CaseInsensitive)) {
    name += QStringLiteral(".vistro");
  }
  if (name.toUtf8().size() >= PROJECT_PATH_SIZE) {
    SYS_WarningBoxF("The project file name is too long (at most %d bytes):\n%s",
                    PROJECT_PATH_SIZE - 1, name.toUtf8().constData());
    return QString();
  }
  return name;
}
