// vistro-soak: the main window in Run mode on the simulated target (in process) for a long
// time at the highest HSS rate, with 100 sampled symbols and a busy board, reporting records
// lost on the way into the history, the memory of the process at the start and the end, and
// the GUI's refresh and repaint rates.
//
//   build/bin/vistro-soak [--duration-s N] [--report-s N] [--period-us N]
//
// Defaults: 600 s, a line every 60 s, a sampling period of 1 us (the shortest a project can
// ask for, and the simulated probe's highest rate).
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise; settings and the simulator's flash
// image go to a temporary folder. Message boxes are answered "No" (or "OK") and listed.
#include <QApplication>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/soak/soak_meters.h"
#include "bench/soak/soak_setup.h"
#include "core/app_mode.h"
#include "core/app_project.h"
#include "core/app_sampling.h"
#include "core/job_engine.h"
#include "core/lifecycle/app_lifecycle.h"
#include "gui/cust_msgbox.h"
#include "gui/main_window.h"
#include "modules/tool_module_board.h"

namespace fs = std::filesystem;

namespace {

struct Options {
  int duration_s = 600;
  int report_s = 60;
  int period_us = 1;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    int* target = nullptr;
    if (std::strcmp(argv[i], "--duration-s") == 0) target = &options.duration_s;
    if (std::strcmp(argv[i], "--report-s") == 0) target = &options.report_s;
    if (std::strcmp(argv[i], "--period-us") == 0) target = &options.period_us;
    if (target == nullptr || i + 1 >= argc || (*target = std::atoi(argv[++i])) <= 0) {
      std::fprintf(stderr, "usage: vistro-soak [--duration-s N] [--report-s N] [--period-us N]\n");
      return false;
    }
  }
  return true;
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// Answers every message box as a careful user would and keeps its text.
void AnswerBoxes(QStringList& seen) {
  auto* box = qobject_cast<DIALOG_CustMsgBox*>(QApplication::activeModalWidget());
  if (box == nullptr) return;
  seen << box->CopyText().simplified();
  QPushButton* pick = nullptr;
  for (QPushButton* b : box->findChildren<QPushButton*>()) {
    if (b->isVisible() && (b->text() == "No" || pick == nullptr)) pick = b;
  }
  if (pick != nullptr) pick->click();
  else box->reject();
}

double MiB(uint64_t kib) { return double(kib) / 1024.0; }

int Run(const Options& options, const fs::path& folder) {
  const std::string project = SOAK_WriteProject(folder, uint32_t(options.period_us));
  if (project.empty()) return 1;
  std::string open_arg = "-openprj" + project;
  char name[] = "vistro-soak";
  char* window_argv[] = {name, open_arg.data(), nullptr};
  MainWindow window(2, window_argv);
  window.resize(2560, 1600);
  window.show();
  QStringList boxes;
  QTimer answerer;
  QObject::connect(&answerer, &QTimer::timeout, [&boxes] { AnswerBoxes(boxes); });
  answerer.start(20);
  APP_RegisterProjectJobs();
  if (window.Start() != 0 || !WaitUntil([&] { return window.IsInitDone() && APP_IsProjectOpen(); }, 60000)) {
    std::fprintf(stderr, "vistro-soak: the demo project did not open (%s)\n", qPrintable(boxes.join(" | ")));
    return 1;
  }
  auto* board = window.findChild<ToolModuleBoard*>();
  const int symbols = SOAK_SelectSymbols();
  const size_t modules = SOAK_FillBoard(*board);
  std::printf("vistro-soak: %d s at a sampling period of %u us, %d sampled symbols, %zu modules\n",
              options.duration_s, options.period_us, symbols, modules);
  WaitUntil([] { return false; }, 500);
  const uint64_t rss_edit = SOAK_RssKiB();

  RecordGapMeter gaps(uint32_t(options.period_us));
  window._SlotOnDownloadAct();  // "Download && Reset Program": Run mode
  if (!WaitUntil([] { return APP_IsReading() && APP_GetSampleCount() > 0; }, 20000)) {
    std::fprintf(stderr, "vistro-soak: Run mode did not start (%s)\n", qPrintable(boxes.join(" | ")));
    return 1;
  }
  gaps.Start();
  GuiMeter gui(window, *board->Canvas());
  QElapsedTimer clock;
  clock.start();
  // The histories are allocated and cleared as sampling starts; the start figure is taken once
  // the first refreshes have run.
  WaitUntil([] { return false; }, 1000);
  const uint64_t rss_start = SOAK_RssKiB();
  std::printf("RSS: %.1f MiB in Edit mode, %.1f MiB 1 s into Run mode\n", MiB(rss_edit), MiB(rss_start));
  std::printf("%8s %12s %10s %10s %10s %10s %9s %9s %9s\n", "time_s", "records", "rec/s", "dropped",
              "unchecked", "RSS_MiB", "refresh/s", "paint/s", "pause_ms");
  uint64_t records_before = 0;
  GuiMeter::Counts total{};
  bool stopped = false;
  QTimer reporter;
  QObject::connect(&reporter, &QTimer::timeout, [&] {
    const GuiMeter::Counts c = gui.Take();
    const uint64_t records = gaps.Records();
    total.refreshes += c.refreshes;
    total.frames += c.frames;
    total.seconds += c.seconds;
    total.longest_pause_ms = std::max(total.longest_pause_ms, c.longest_pause_ms);
    std::printf("%8.0f %12llu %10.0f %10llu %10llu %10.1f %9.1f %9.1f %9lld\n", double(clock.elapsed()) / 1000.0,
                (unsigned long long)records, double(records - records_before) / c.seconds,
                (unsigned long long)gaps.Dropped(), (unsigned long long)gaps.Unchecked(), MiB(SOAK_RssKiB()),
                double(c.refreshes) / c.seconds, double(c.frames) / c.seconds, (long long)c.longest_pause_ms);
    std::fflush(stdout);
    records_before = records;
    if (!APP_IsReading()) stopped = true;
  });
  reporter.start(options.report_s * 1000);
  WaitUntil([&] { return stopped || clock.elapsed() >= qint64(options.duration_s) * 1000; },
            options.duration_s * 1000 + 1000);
  reporter.stop();
  const double seconds = double(clock.elapsed()) / 1000.0;
  const uint64_t rss_end = SOAK_RssKiB();
  gaps.Stop();

  std::printf("\nsummary after %.0f s%s\n", seconds, stopped ? " (sampling stopped by itself)" : "");
  std::printf("  records checked     %llu (%.0f per second of wall time; target time %.1f s)\n",
              (unsigned long long)gaps.Records(), double(gaps.Records()) / seconds, double(gaps.SpanUs()) / 1e6);
  std::printf("  dropped records     %llu (%.4f %%), irregular stamps %llu, unchecked %llu\n",
              (unsigned long long)gaps.Dropped(),
              100.0 * double(gaps.Dropped()) / double(std::max<uint64_t>(1, gaps.Records() + gaps.Dropped())),
              (unsigned long long)gaps.Irregular(), (unsigned long long)gaps.Unchecked());
  std::printf("  RSS                 start %.1f MiB, end %.1f MiB (%+.1f MiB), peak %.1f MiB\n", MiB(rss_start),
              MiB(rss_end), MiB(rss_end) - MiB(rss_start), MiB(SOAK_PeakRssKiB()));
  if (total.seconds > 0) {
    std::printf("  GUI                 %.1f refreshes/s, %.1f board paints/s, longest event-loop pause %lld ms\n",
                double(total.refreshes) / total.seconds, double(total.frames) / total.seconds,
                (long long)total.longest_pause_ms);
  }
  std::printf("  message boxes       %s\n", boxes.isEmpty() ? "none" : qPrintable(boxes.join(" | ")));

  window._SlotOnAppModeSwitch();  // back to Edit
  window.close();                 // asks to save the changed project: "No"
  WaitUntil([] { return JOB_IsStopped(); }, 20000);
  return stopped ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  std::error_code error;
  const fs::path folder = fs::temp_directory_path() / ("vistro-soak-" + std::to_string(getpid()));
  fs::create_directories(folder / "config", error);
  setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
  int code = 1;
  {
    QApplication app(argc, argv);
    code = Run(options, folder);
    if (!JOB_IsStopped()) JOB_StopWorker(5000);
  }
  fs::remove_all(folder, error);
  return code;
}
