// A project without a window: the same board, modules, scripts, timers, pad mappings and
// engines as the main window, driven by a program instead of a person (vistro-cli render and
// run, vistro-board-run). Needs a QApplication (the offscreen platform will do) and runs on
// its thread, which plays the GUI thread's part.
//
// The project file is only read: nothing here saves it, and the connection settings that the
// caller overrides live in memory only.
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>

#include "probe/probe_config.h"

class ToolModuleBoard;

class HeadlessSession {
 public:
  HeadlessSession();
  // Leaves Run mode, closes the project and ends the worker.
  ~HeadlessSession();
  HeadlessSession(const HeadlessSession&) = delete;
  HeadlessSession& operator=(const HeadlessSession&) = delete;

  // Reads the project file with the project loader and builds its board (Edit mode), scripts
  // and pad mappings. False after "Failed to load project".
  bool Open(const char* path);
  // The project's connection settings; a changed record replaces them for this session.
  PROJECT_CONFIG Configuration() const;
  void SetConfiguration(const PROJECT_CONFIG& config);

  // Run mode as the mode switch enters it: parses the project's ELF file, runs the
  // prepare-run job (connect; program the target first when `download`), then enters Run
  // mode on the board and starts sampling, the script task and the pads. False (the
  // system's messages shown) when Run mode could not be entered.
  bool EnterRunMode(bool download);
  // Lets Run mode go on for `ms` milliseconds, refreshing the board and polling the pads
  // every 10 ms as the main window does. False when sampling stopped early (then it returns
  // at once). Returns early, true, after RequestStop.
  bool RunFor(uint32_t ms);
  // Ends the current (or next) RunFor soon; safe from a signal handler.
  static void RequestStop();
  static bool StopRequested();
  // Stops sampling, the script task, the pads and every periodic write; the board goes back
  // to Edit mode. The history stays.
  void LeaveRunMode();
  void EnterPreviewMode();
  bool IsRunMode() const { return is_run_mode_; }

  // The whole board as it looks now, one cell to BOARD_CELL_PX pixels.
  QImage RenderBoard();
  ToolModuleBoard& Board() { return *board_; }
  size_t ModuleCount() const;

 private:
  std::unique_ptr<ToolModuleBoard> board_;
  bool is_open_ = false;
  bool is_run_mode_ = false;
  bool worker_used_ = false;
};
