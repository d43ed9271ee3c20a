// Vistro: creates the application and the main window, queues the Init job and runs until
// the window closes through the Exit / stop-job hand-shake.
//
// --quit-after-init closes the window as soon as the Init job has finished (smoke tests).
// "-openprj" naming a project shipped with an installed Vistro opens the user's copy of it.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/job_engine.h"
#include "gui/main_window.h"
#include "persist/shipped_project.h"

// Leak checks of sanitizer builds: the font library keeps a few blocks for the whole process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  bool quit_after_init = false;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--quit-after-init") == 0) quit_after_init = true;
  }
  // Arguments as the window sees them; kept alive for the whole run.
  std::vector<std::string> args(argv, argv + argc);
  constexpr std::string_view kOpenOption = "-openprj";
  for (std::string& arg : args) {
    if (arg.compare(0, kOpenOption.size(), kOpenOption) != 0) continue;
    std::string path;
    std::string error;
    if (APP_ProjectPathToOpen(std::string_view(arg).substr(kOpenOption.size()),
                              APP_ShippedProjectFolder(), APP_ProjectCopyFolder(), path, error)) {
      arg = std::string(kOpenOption) + path;
    } else {
      std::fprintf(stderr, "vistro: %s\n", error.c_str());  // the shipped file opens instead
    }
  }
  std::vector<char*> arg_pointers;
  for (std::string& arg : args) arg_pointers.push_back(arg.data());
  arg_pointers.push_back(nullptr);
  MainWindow window(argc, arg_pointers.data());
  if (quit_after_init) {
    QObject::connect(&window, &MainWindow::SignalInitFinished, &window,
                     [&window] { QTimer::singleShot(0, &window, [&window] { window.close(); }); });
  }
  window.show();
  if (window.Start() != 0) return 1;
  const int code = QApplication::exec();
  // Normally the close hand-shake has ended the worker; if the loop ended another way, end
  // it while the window (the core's bridge) still exists.
  if (!JOB_IsStopped()) JOB_StopWorker(5000);
  return code;
}
