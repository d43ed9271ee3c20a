// Vistro: creates the application and the main window, queues the Init job and runs until
// the window closes through the Exit / stop-job hand-shake.
//
// --quit-after-init closes the window as soon as the Init job has finished (smoke tests).
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <cstring>

#include "core/job_engine.h"
#include "core/lifecycle/app_lifecycle.h"
#include "gui/main_window.h"

// Leak checks of sanitizer builds: the font library keeps a few blocks for the whole process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Lets desktops match the window to the installed desktop entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("vistro"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("vistro")));
  bool quit_after_init = false;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--quit-after-init") == 0) quit_after_init = true;
  }
  MainWindow window(argc, argv);
  if (quit_after_init) {
    QObject::connect(&window, &MainWindow::SignalInitFinished, &window,
                     [&window] { QTimer::singleShot(0, &window, [&window] { window.close(); }); });
  }
  window.show();
  // The full start-up, exit and project jobs, before the window queues Init.
  APP_RegisterProjectJobs();
  if (window.Start() != 0) return 1;
  const int code = QApplication::exec();
  // Normally the close hand-shake has ended the worker; if the loop ended another way, end
  // it while the window (the core's bridge) still exists.
  if (!JOB_IsStopped()) JOB_StopWorker(5000);
  return code;
}
