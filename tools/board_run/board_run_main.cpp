// vistro-board-run PROJECT [--press TEXT]...
//
// Opens the project, programs the board with its ELF file, starts sampling and shows the
// project's modules in Run mode, refreshed every 10 ms as the main window does. Each --press
// clicks the push button with that text once the board runs (the demo: "1500 rpm").
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/app_mode.h"
#include "core/app_project.h"
#include "core/app_sampling.h"
#include "core/job_engine.h"
#include "modules/push_button_module.h"
#include "modules/tool_module_board.h"
#include "persist/project/project_file.h"
#include "persist/project/project_modules.h"
#include "platform/sys_thread.h"
#include "probe/probe_library.h"
#include "probe/probe_session.h"

namespace {

bool Program(const PROJECT_CONFIG& config) {
  PROBE_SetConfiguration(config);
  if (PROBE_Connect() < 0) return false;
  const bool ok = PROBE_VELTRA_DownloadFile(config.ElfFile, 0) >= 0;
  if (ok && PROBE_VELTRA_IsHalted() > 0) PROBE_VELTRA_Go();
  PROBE_Disconnect();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const char* project = nullptr;
  std::vector<QString> presses;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--press") && i + 1 < argc) {
      presses.push_back(QString::fromUtf8(argv[++i]));
    } else if (project == nullptr && argv[i][0] != '-') {
      project = argv[i];
    } else {
      project = nullptr;
      break;
    }
  }
  if (project == nullptr) {
    std::fprintf(stderr, "usage: vistro-board-run PROJECT [--press TEXT]...\n");
    return 2;
  }
  if (PROJECT_Load(project) == 0) {
    std::fprintf(stderr, "vistro-board-run: Failed to load project %s\n", project);
    return 1;
  }
  PROJECT_CONFIG config;
  APP_GetConfiguration(config);
  if (!Program(config)) {
    std::fprintf(stderr, "vistro-board-run: cannot program the target with %s\n", config.ElfFile);
    return 1;
  }
  JOB_BUSY busy{0};
  APP_ReadStart(&busy);
  while (busy.load() != 0) {
    QApplication::processEvents();
    SYS_Sleep(1);
  }
  if (!APP_IsReading()) {
    std::fprintf(stderr, "vistro-board-run: sampling did not start\n");
    return 1;
  }

  ToolModuleBoard board;
  board.setWindowTitle(QStringLiteral("Vistro board - Run"));
  board.LoadModules(PROJECT_GetModules());
  const QSize extent = board.ExtentCells();
  board.resize(std::max(640, extent.width() * 2 + 40), std::max(400, extent.height() * 2 + 40));
  APP_SetAppMode(APP_MODE_RUN);
  board.EnterRunMode();
  board.show();
  QTimer refresh;
  QObject::connect(&refresh, &QTimer::timeout, &board, [&board] { board.UpdateModules(); });
  refresh.start(10);
  QTimer::singleShot(300, &board, [&board, presses] {
    for (const QString& text : presses) {
      for (ToolModule* m : board.Modules()) {
        auto* button = dynamic_cast<PushButtonModule*>(m);
        if (button != nullptr && button->Button()->text() == text) button->Button()->click();
      }
    }
  });
  const int result = app.exec();
  APP_SetAppMode(APP_MODE_EDIT);
  board.EnterEditMode();
  JOB_BUSY stop{0};
  APP_ReadStop(&stop);
  while (stop.load() != 0) SYS_Sleep(1);
  JOB_StopWorker(10000);
  return result;
}
