#include "tools/headless/headless_session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <vector>

#include "core/app_mode.h"
#include "core/app_project.h"
#include "core/app_sampling.h"
#include "core/app_write.h"
#include "core/job_engine.h"
#include "core/lifecycle/app_lifecycle.h"
#include "input/gamepad_runtime.h"
#include "modules/board_geometry.h"
#include "modules/tool_module_board.h"
#include "persist/project/project_content.h"
#include "persist/project/project_file.h"
#include "persist/project/project_modules.h"
#include "platform/sys_file.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_thread.h"
#include "probe/probe_session.h"
#include "scripting/project_runtime.h"
#include "scripting/script_runner.h"

namespace {

// The board's refresh period in Run mode (the sampling engine's read period).
constexpr uint32_t kRefreshMs = APP_READ_PERIOD_MS;

void WaitForJob(const JOB_BUSY& busy) {
  while (busy.load() != 0) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    SYS_Sleep(1);
  }
}

std::atomic<bool> g_stop_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

}  // namespace

void HeadlessSession::RequestStop() { g_stop_requested.store(true, std::memory_order_relaxed); }

bool HeadlessSession::StopRequested() { return g_stop_requested.load(std::memory_order_relaxed); }

HeadlessSession::HeadlessSession() : board_(std::make_unique<ToolModuleBoard>()) {
  // The lifecycle's jobs (prepare-run) and the probe session reading the project's settings.
  APP_RegisterProjectJobs();
  APP_SetAppMode(APP_MODE_EDIT);
  // A small viewport: the board's extent is then the modules' extent (plus its margin cell).
  board_->resize(64, 48);
  board_->show();  // a platform without a screen (offscreen) shows nothing
}

HeadlessSession::~HeadlessSession() {
  if (is_run_mode_) LeaveRunMode();
  if (worker_used_) JOB_StopWorker(10000);
  board_->ClearBoard(false);
  board_.reset();
  SCRIPT_ClearPublished();
  GAMEPAD_ClearMappings();
  GAMEPAD_Shutdown();
  if (is_open_) {
    APP_SetModified(0);  // settings changed for this session only: nothing to save
    APP_CloseProject();
  }
  APP_SetAppMode(APP_MODE_EDIT);
}

bool HeadlessSession::Open(const char* path) {
  if (path == nullptr || !SYS_FileExists(path)) {
    SYS_ErrorBoxF("The project file '%.400s' does not exist.", path != nullptr ? path : "");
    SYS_ErrorBox("Failed to load project");
    return false;
  }
  if (PROJECT_Load(path) == 0) {
    APP_ClearProjectStore();
    PROJECT_ClearContent();
    SYS_ErrorBox("Failed to load project");
    return false;
  }
  APP_SetProjectPath(path);
  APP_SetProjectOpen(true);
  APP_SetModified(0);
  PROBE_RefreshConfiguration();
  is_open_ = true;
  const std::vector<MODULE_SETTINGS> records = PROJECT_GetModules();
  board_->LoadModules(records);
  // Edited on its topmost layer, as the main window shows a loaded board.
  uint32_t top_layer = 0;
  for (const MODULE_SETTINGS& record : records) top_layer = std::max(top_layer, record.Layer);
  board_->SetCurrentLayer(top_layer);
  PROJECT_VIEW view;
  APP_GetViewSettings(view);
  board_->SetWallpaperScaleType(view.WallpaperScaleType);
  board_->SetWallpaper(QString::fromUtf8(view.Wallpaper));
  SCRIPT_InstallProjectContent();
  return true;
}

PROJECT_CONFIG HeadlessSession::Configuration() const {
  PROJECT_CONFIG config;
  APP_GetConfiguration(config);
  return config;
}

void HeadlessSession::SetConfiguration(const PROJECT_CONFIG& config) {
  APP_SetConfiguration(config);
  PROBE_RefreshConfiguration();
}

bool HeadlessSession::EnterRunMode(bool download) {
  if (is_run_mode_) return true;
  if (MAIN_pActiveSymbols == nullptr) {
    SYS_WarningBox("Empty Symbol Table! Add Symbol to enter Run mode!");
    return false;
  }
  // As after opening in the main window: the symbol tree of the project's ELF file.
  const PROJECT_CONFIG config = Configuration();
  if (APP_ParseElf(config.ElfFile, false) < 0) return false;
  // Attach unless told to program: nobody is there to answer the download offer.
  APP_SetOfferDownload(false);
  uint8_t allowed = 0;
  JOB_BUSY busy{0};
  worker_used_ = true;
  if (APP_PrepareSetRunMode(download, &allowed, &busy) != 0) return false;
  WaitForJob(busy);
  if (allowed == 0) return false;

  board_->EnterRunMode();
  APP_ReadStart(&busy);
  WaitForJob(busy);
  if (!APP_IsReading()) {
    board_->EnterEditMode();
    return false;
  }
  SCRIPT_StartTask();
  GAMEPAD_Init();
  is_run_mode_ = true;
  return true;
}

bool HeadlessSession::RunFor(uint32_t ms) {
  QElapsedTimer clock;
  clock.start();
  qint64 next_refresh = 0;
  while (clock.elapsed() < ms && !StopRequested()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    if (!APP_IsReading()) return false;
    if (clock.elapsed() >= next_refresh) {
      GAMEPAD_Refresh();
      board_->UpdateModules();
      next_refresh += kRefreshMs;
    }
    SYS_Sleep(1);
  }
  GAMEPAD_Refresh();
  board_->UpdateModules();
  return APP_IsReading();
}

void HeadlessSession::LeaveRunMode() {
  if (!is_run_mode_) return;
  JOB_BUSY busy{0};
  APP_ReadStop(&busy);
  WaitForJob(busy);
  SCRIPT_StopTask();
  GAMEPAD_StopRunMode();
  APP_StopAllPeriodicWrites();
  board_->EnterEditMode();
  is_run_mode_ = false;
}

void HeadlessSession::EnterPreviewMode() {
  if (is_run_mode_) LeaveRunMode();
  board_->EnterPreviewMode();
}

QImage HeadlessSession::RenderBoard() {
  QCoreApplication::processEvents();
  QWidget* canvas = board_->Canvas();
  const QSize cells = board_->ExtentCells();
  const QRect area(0, 0, cells.width() * BOARD_CELL_PX, cells.height() * BOARD_CELL_PX);
  return canvas->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
}

size_t HeadlessSession::ModuleCount() const { return board_->ModuleCount(); }
