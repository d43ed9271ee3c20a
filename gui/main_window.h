// The main window: menus, tool bar, the module collection and the docks around the central
// board, the status bar, and the switch between Edit, Run and Preview mode. It is also the
// GUI end of the core: it owns the bridge through which the core reaches the GUI (queued
// signals, requests with completion events, message boxes), queues the Init job and ends the
// program through the Exit / stop-job hand-shake.
#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <atomic>
#include <map>
#include <mutex>

#include "core/app_bridge.h"
#include "core/job_engine.h"
#include "platform/sys_msgbox.h"

class ModuleCollection;
class ToolModuleBoard;
class QAction;
class QDockWidget;
class QLabel;
class QMenu;
class QProgressDialog;
class QScrollArea;
class QToolButton;
class TableWidget;
struct ACTIVE_SYMBOL;
struct WATCH_USAGE;

class MainWindow : public QMainWindow, public APP_GuiBridge {
  Q_OBJECT

 public:
  // Builds the window disabled, installs itself as the core's GUI bridge and message sink.
  MainWindow(int argc, char** argv, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Queues the Init job; the window is enabled when it has finished. The queueing result.
  int32_t Start();
  // True once the Init job has finished (the window is enabled then).
  bool IsInitDone() const { return is_init_done_; }

  // The one main window, or null.
  static MainWindow* Instance();

  // Menu and tool actions, one per menu table row.
  enum ActionId : int {
    kActNewProject,
    kActOpenProject,
    kActSaveProject,
    kActSaveProjectAs,
    kActExportHistory,
    kActExit,
    kActCopyModule,
    kActPasteModule,
    kActUndo,
    kActRedo,
    kActWatchWindow,
    kActScriptingWidget,
    kActWallpaper,
    kActScaleType,
    kActProjectSettings,
    kActAppSettings,
    kActCheatSheet,
    kActUserGuide,
    kActAbout,
    kActionCount
  };
  QAction* Action(ActionId id) const { return actions_[size_t(id)]; }
  QToolButton* ModeButton() const { return mode_button_; }
  QDockWidget* CollectionDock() const { return collection_dock_; }
  QDockWidget* WatchDock() const { return watch_dock_; }
  QDockWidget* ScriptingDock() const { return scripting_dock_; }
  ModuleCollection* Collection() const { return collection_; }
  TableWidget* WatchTable() const { return watch_table_; }
  QLabel* ProjectLabel() const { return project_label_; }
  // The docks' contents come from their own parts of the program.
  void SetWatchWidget(QWidget* widget);
  void SetScriptingWidget(QWidget* widget);

  // Where the user guide lives; shown when no browser opens it.
  static constexpr const char* kUserGuideUrl =
      "https://github.com/tarvik/vistro#readme";

  // Shows the program's message box for `request`, from any thread. Off the GUI thread the
  // caller waits until the GUI thread has closed the box.
  void ShowMsgBox(SYS_MsgBoxRequest& request);

  // APP_GuiBridge.
  SYS_Mutex* GetLock() override { return lock_; }
  void EmitSignal(APP_Signal signal) override;
  void StoreTitle(const char* title) override;
  void SetScreenUpdates(bool enabled) override;
  void PostProgressRequest(APP_PROGRESS_REQUEST* request, SYS_Handle done) override;
  void PostSaveFileRequest(APP_SAVE_FILE_REQUEST* request, SYS_Handle done) override;
  bool IsGuiThread() override;
  void AnswerProgressRequest(APP_PROGRESS_REQUEST* request) override;
  void AnswerSaveFileRequest(APP_SAVE_FILE_REQUEST* request) override;

 signals:
  void _SignalFinAsyncAppInit();
  void _SignalUpdateGUI();
  void _SignalUpdateGUIMenuBar();
  void _SignalUpdateGUIWallpaper();
  void _SignalUpdateGUILoadModules();
  void _SignalUpdateTable();
  void _SignalStartDialog();
  void _SignalNewProjectDialog();
  void _SignalProjectSettingsDialog();
  void _SignalAppSettingsDialog();
  void _SignalShowSymbolSelection();
  void _SignalVirtualSymbolCreation();
  void _SignalShowCustMsgBox();
  void _SignalUpdateProgBar();
  void _SignalGetSaveFileName();
  void _SignalAssignColors();
  void _SignalReset();
  void _SignalScreenUpdates();
  // Emitted on the GUI thread when the Init job has finished.
  void SignalInitFinished();

 public slots:
  // Mode switch (F5): Edit to Run, Run or Preview back to Edit.
  void _SlotOnAppModeSwitch();
  void _SlotOnPreviewToggle();
  void _SlotOnAttachAct();
  void _SlotOnDownloadAct();
  void _SlotOnRunOptions();
  void _SlotOnHID();
  void _SlotOnIncreaseCellSizeAction();
  void _SlotOnDecreaseCellSizeAction();
  void _SlotOnClearBoard();
  void _SlotOnBtnLayerUpClicked();
  void _SlotOnBtnLayerDownClicked();
  // The collection: a click adds a module of the type with its settings dialog.
  void _SlotOnAddModuleClicked(uint32_t type);

  void _OnActionNewProjectDialog();
  void _OnActionOpenProjectDialog();
  void _OnActionSaveProject();
  void _OnActionSaveProjectAs();
  // The sampled history of the active symbols to a CSV file (the grapher's format).
  void _OnActionExportHistory();
  void _OnActionExit();
  void _OnActionCopyModule();
  void _OnActionPasteModule();
  void _OnActionUndo();
  void _OnActionRedo();
  void _OnActionWatchWindow();
  void _OnActionScriptingWidget();
  void _OnActionWallpaper();
  void _OnActionScaleType();
  void _OnActionProjectSettings();
  void _OnActionAppSettings();
  void _OnActionCheatSheet();
  void _OnActionUserGuide();
  void _OnActionAbout();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private slots:
  void _SlotOnFinAsyncAppInit();
  void _SlotOnUpdateGUI();
  void _SlotOnUpdateGUIMenuBar();
  void _SlotOnUpdateGUIWallpaper();
  void _SlotOnUpdateGUILoadModules();
  void _SlotOnUpdateTable();
  void _SlotOnStartDialog();
  void _SlotOnNewProjectDialog();
  void _SlotProjectSettingsDialog();
  void _SlotAppSettingsDialog();
  void _SlotOnShowSymbolSelection();
  void _SlotOnVirtualSymbolCreation();
  void _SlotOnAssignColors();
  void _SlotOnReset();
  void _SlotOnShowCustMsgBox();
  void _SlotOnUpdateProgBar();
  void _SlotOnGetSaveFileName();
  void _SlotOnScreenUpdates();
  void _SlotOnTimeout();

 private:
  static void OnInitDone(void* owner);  // worker: end of the Init job

  // Building the window (main_window_build.cpp).
  void BuildMenus();
  void BuildToolBar();
  void BuildDocks();
  QWidget* BuildWatch();  // the Symbol Watch with its "Advanced View" box
  // What uses a symbol: modules on the board, game-pad inputs, scripts.
  WATCH_USAGE SymbolUsage(const ACTIVE_SYMBOL* symbol) const;
  // Disconnects the symbol from the board's modules, the scripts and the game-pad mappings.
  void UnlinkSymbol(const ACTIVE_SYMBOL* symbol);
  void ConnectScriptsAndPads();  // project scripts and pad mappings in and out
  void BuildStatusBar();
  void BuildBoard();
  void ShowAddModuleMenu(const QPoint& global_pos);
  // Menu and tool actions as the mode, the project and the board allow.
  void UpdateActions();
  void UpdateBoardActions();  // copy, paste, undo, redo, zoom and layer controls
  static bool IsProjectOpen();
  // Run mode: the prepare-run job (connect, offer to program the target); true when allowed.
  bool PrepareRunMode();
  void StartRunMode();  // reading and the script task
  void StopRunMode();   // reading, the script task and every periodic write
  // Board glue (main_window_board.cpp).
  uint32_t BoardLayer() const;
  void EnterBoardMode(int32_t mode);
  void RefreshContents();  // one GUI refresh: menus, watch, board modules, status
  // Mode switching (main_window_modes.cpp). True when `mode` is the mode afterwards.
  bool SwitchMode(int32_t mode);
  void ApplyModeLook(int32_t mode);
  // Sampling ended without the user (a failed start, a probe that stopped delivering data, a
  // target that went away): the window leaves Run mode as well and says so in the status bar.
  void FollowCoreMode();
  // Runs the event loop until `busy` drops. Input that would queue another job is refused
  // meanwhile (IsWaitingForJob).
  void WaitForJob(const JOB_BUSY& busy);
  bool IsWaitingForJob() const { return waiting_for_job_ > 0; }
  // True while input that would queue a job must wait: a job the GUI waits for, a pending
  // ELF check, or a mode other than Edit.
  bool IsInputBlocked() const;
  // Waits for a queued project job (queueing result `queued`); false when nothing was queued.
  bool RunJob(int32_t queued);
  // After a project flow: menus, status label, a symbol selection that waited for the tree.
  void FinishProjectFlow();
  void UpdateProjectLabel();
  // Enters Run mode when the open project asks to start in it.
  void OpenInStartupMode();
  void ShowSymbolSelection();
  // The board's records go back to the project (before saving, closing, reparsing).
  void HandBackContent();
  void ClearBoard();
  // The new-project and open-project flows (main_window_project.cpp).
  void RunNewProjectFlow();
  void RunOpenProjectFlow(const QString& path);
  // Save As: the chosen name with ".vistro" appended when missing; empty (after a warning)
  // when it does not fit a project path.
  QString AskSaveFileName(const QString& caption, const QString& filter);

  int argc_;
  char** argv_;
  SYS_Mutex* lock_ = nullptr;  // serialises the core's requests; guards the fields below
  QString title_;
  bool are_screen_updates_enabled_ = true;
  // Takes the pending request of one kind and its completion event under the lock, leaving
  // the slot empty for the next one.
  template <class Request>
  Request* TakeRequest(Request*& slot, SYS_Handle& done_slot, SYS_Handle* done) {
    SYS_Lock(lock_, SYS_INFINITE);
    Request* request = slot;
    *done = done_slot;
    slot = nullptr;
    done_slot = nullptr;
    SYS_Unlock(lock_);
    return request;
  }

  // Pending requests (one of each kind at a time) and their completion events.
  SYS_MsgBoxRequest* msgbox_request_ = nullptr;
  SYS_Handle msgbox_done_ = nullptr;
  std::atomic<uint8_t> is_msgbox_open_{0};
  APP_PROGRESS_REQUEST* progress_request_ = nullptr;
  SYS_Handle progress_done_ = nullptr;
  APP_SAVE_FILE_REQUEST* save_request_ = nullptr;
  SYS_Handle save_done_ = nullptr;
  std::mutex msgbox_serial_;  // one message box request from another thread at a time
  // GUI thread only.
  std::map<int32_t, QProgressDialog*> progress_dialogs_;
  int32_t next_progress_handle_ = 1;
  std::atomic<uint8_t> init_busy_{0};
  bool is_init_done_ = false;
  bool is_closing_ = false;
  // At most one GUI refresh is pending: the worker emits UpdateGUI only when this was clear.
  std::atomic<uint8_t> is_refresh_pending_{0};

  // Widgets (GUI thread).
  std::array<QAction*, kActionCount> actions_{};
  ToolModuleBoard* board_ = nullptr;  // the central widget
  ModuleCollection* collection_ = nullptr;
  QDockWidget* collection_dock_ = nullptr;
  QDockWidget* watch_dock_ = nullptr;
  TableWidget* watch_table_ = nullptr;
  QDockWidget* scripting_dock_ = nullptr;
  class ScriptingWidget* scripting_widget_ = nullptr;  // in the scripting dock
  QToolButton* mode_button_ = nullptr;
  QToolButton* run_options_button_ = nullptr;
  QToolButton* preview_button_ = nullptr;
  QToolButton* zoom_in_button_ = nullptr;
  QToolButton* zoom_out_button_ = nullptr;
  QToolButton* clear_button_ = nullptr;
  QToolButton* layer_up_button_ = nullptr;
  QToolButton* layer_down_button_ = nullptr;
  QToolButton* input_button_ = nullptr;
  QLabel* layer_label_ = nullptr;
  QLabel* project_label_ = nullptr;
  std::array<QLabel*, 3> status_labels_{};
  QMenu* run_options_menu_ = nullptr;
  QAction* attach_action_ = nullptr;
  QAction* download_action_ = nullptr;
  QAction* mode_action_ = nullptr;   // F5
  QAction* input_action_ = nullptr;  // Ctrl+I
  bool is_download_chosen_ = false;  // run option: program the target before running
  uint32_t edit_layer_ = 0;          // the board's layer before Run mode
  // The mode the window shows. The core leaves Run mode by itself when sampling ends, so the
  // mode global alone cannot tell which switch the window still has to make.
  int32_t shown_mode_ = 0;
  int waiting_for_job_ = 0;
  JOB_BUSY prepare_busy_{0};
  JOB_BUSY read_busy_{0};
  JOB_BUSY check_busy_{0};  // the ELF modification check
  JOB_BUSY project_busy_{0};
  uint8_t run_allowed_ = 0;
  bool is_selection_pending_ = false;
  bool is_loading_modules_ = false;
};
