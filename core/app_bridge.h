// The GUI bridge: how the core (mostly on the worker thread) reaches the main window.
//
// The core knows the window only through the abstract APP_GuiBridge, which the GUI
// implements with queued signals (delivery on the GUI thread, in emission order). Without
// a bridge (tests, vistro-cli) notifications are dropped and requests get their "no GUI"
// answers. Message boxes do not pass through here: they go through the platform's message
// sink (platform/sys_msgbox.h), whose handler the GUI installs.
#pragma once

#include <cstdint>

#include "platform/sys_thread.h"

// Notifications, one per main-window signal of the same name.
enum class APP_Signal : uint32_t {
  FinAsyncAppInit,
  UpdateGUI,
  UpdateGUIMenuBar,
  UpdateGUIWallpaper,
  UpdateGUILoadModules,
  UpdateTable,
  StartDialog,
  NewProjectDialog,
  ProjectSettingsDialog,
  AppSettingsDialog,
  ShowSymbolSelection,
  VirtualSymbolCreation,
  AssignColors,
  Reset,
};

// Progress display request. `handle` is in/out: 0 opens a new display; `current` -1 closes.
struct APP_PROGRESS_REQUEST {
  int32_t handle = 0;
  const char* text = nullptr;  // shown when not null
  int32_t total = 0;
  int32_t current = 0;
};

// Save-file-name request: the chosen path goes to `buffer` (`size` bytes, terminated);
// `result` < 0 when cancelled.
struct APP_SAVE_FILE_REQUEST {
  char* buffer = nullptr;
  uint32_t size = 0;
  const char* caption = nullptr;
  const char* filter = nullptr;
  uint32_t options = 0;
  int32_t result = -1;
};

constexpr uint32_t APP_WINDOW_TITLE_MAX = 388;  // bytes of a stored window title

class APP_GuiBridge {
 public:
  virtual ~APP_GuiBridge() = default;
  // The main window's mutex object: the core holds it around each notification and while
  // it replaces state the GUI thread walks (the active symbol list).
  virtual SYS_Mutex* GetLock() = 0;
  // Emits the signal; the slot runs later on the GUI thread. Any thread.
  virtual void EmitSignal(APP_Signal signal) = 0;
  // Stores the window title (called under the lock; the GUI shows it on UpdateGUI).
  virtual void StoreTitle(const char* title) = 0;
  // Switches the window's screen updates (called under the lock).
  virtual void SetScreenUpdates(bool enabled) = 0;
  // Hands a request to the GUI thread, which fills in the answer and then signals `done`.
  // The request stays valid until `done` is signalled.
  virtual void PostProgressRequest(APP_PROGRESS_REQUEST* request, SYS_Handle done) = 0;
  virtual void PostSaveFileRequest(APP_SAVE_FILE_REQUEST* request, SYS_Handle done) = 0;
  // True on the GUI thread (a request from there is answered directly, without waiting).
  virtual bool IsGuiThread() = 0;
  // GUI thread only: answers a request at once.
  virtual void AnswerProgressRequest(APP_PROGRESS_REQUEST* request) = 0;
  virtual void AnswerSaveFileRequest(APP_SAVE_FILE_REQUEST* request) = 0;
};

// Installs the bridge (null removes it). The bridge must outlive every use: remove it only
// after the worker has stopped.
void APP_SetGuiBridge(APP_GuiBridge* bridge);
APP_GuiBridge* APP_GetGuiBridge();

// Notification. Taken under the window's lock except FinAsyncAppInit, UpdateGUIWallpaper
// and UpdateGUILoadModules, which are emitted without it.
void APP_Notify(APP_Signal signal);
// Stores the title (cut to APP_WINDOW_TITLE_MAX - 1 bytes) under the lock, then UpdateGUI.
void APP_SetWindowTitle(const char* title);
void APP_SetScreenUpdates(bool enabled);
// The window's lock for state the GUI thread reads (no-ops without a bridge).
void APP_LockGui();
void APP_UnlockGui();

// Requests with completion event; the worker waits for the answer without time-out.
// Progress: the progress handle (the given handle without a GUI).
int32_t APP_RequestProgress(int32_t handle, const char* text, int32_t total, int32_t current);
// Save file name: 0 and the path in `buffer`, or negative when cancelled (-1 without a GUI).
int32_t APP_RequestSaveFileName(char* buffer, uint32_t size, const char* caption,
                                const char* filter, uint32_t options);
