// The whole program under faults: the main window with a copy of the demo project, on the
// simulated target in process (USB) or behind a vistro-simtarget server (TCP/IP). Message
// boxes are answered as a careful user would ("No" to saving or programming, else "OK") and
// their texts kept; the project folder is compared before and after; a 10 ms timer on the
// GUI thread measures how long the event loop was ever away.
#pragma once

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gui/main_window.h"
#include "symbols/active_symbol.h"
#include "tests/sim/sim_test_support.h"

class ToolModuleBoard;

// Every file of a folder with its bytes and last-write time.
class FolderSnapshot {
 public:
  explicit FolderSnapshot(const std::filesystem::path& folder);
  // Empty when nothing changed, else what did.
  std::string DifferenceTo(const FolderSnapshot& before) const;

 private:
  struct Entry {
    std::string bytes;
    std::filesystem::file_time_type written;
  };
  std::map<std::string, Entry> files_;
};

// The longest pause of the GUI thread's event loop while it runs.
class EventLoopWatch {
 public:
  EventLoopWatch();
  void Restart();
  qint64 LongestPauseMs() const { return longest_ms_; }

 private:
  QTimer timer_;
  QElapsedTimer since_tick_;
  qint64 longest_ms_ = 0;
};

class ReliabilityTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void TearDown() override;

  // Copies the demo project into a fresh folder (TCP/IP to `server` when given) and starts
  // the window on it ("-openprj"), in Edit mode.
  void OpenDemo(const SimServer* server = nullptr);
  // "Download && Reset Program": programs the target and enters Run mode; true when it did.
  bool RunWithDownload();
  // F5 as the user types it.
  void PressF5();
  // Runs the event loop until `done` holds; false after `ms`.
  static bool WaitUntil(const std::function<bool()>& done, int ms = 10000);
  // Runs the event loop for `ms`.
  static void Pump(int ms);

  ACTIVE_SYMBOL* Symbol(const char* name) const;
  ToolModuleBoard* Board() const;
  // The push button module of the board with this text.
  class QPushButton* BoardButton(const char* text) const;
  // The newest sample of `symbol` as a float / unsigned value (0 before the first).
  static float LatestFloat(const ACTIVE_SYMBOL* symbol);
  static uint32_t LatestU32(const ACTIVE_SYMBOL* symbol);
  // A simulator command through the program's own probe binding; "" or the error text.
  static std::string SimCommand(const std::string& command);

  // Message boxes seen so far (custom boxes and system boxes), joined for failure output.
  QString Boxes() const { return boxes_.join(" | "); }
  bool SawBox(const char* part) const;
  // The window looks like Edit mode and the core agrees: the collection is back, the mode
  // button offers Run, nothing is sampled.
  void ExpectEditModeShown() const;
  // The project folder is as it was when the window opened it.
  void ExpectProjectUntouched() const;

  std::filesystem::path folder_;
  std::filesystem::path project_;
  std::unique_ptr<FolderSnapshot> before_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<EventLoopWatch> watch_;

 private:
  void AnswerBoxes();

  std::vector<std::string> args_;
  std::vector<char*> argv_;
  QStringList boxes_;
  QTimer box_answerer_;
};
