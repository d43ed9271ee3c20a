// The main window. For now it is the application shell: it owns the bridge through which
// the core reaches the GUI (queued signals, requests with completion events, message
// boxes), queues the Init job and ends the program through the Exit / stop-job hand-shake.
#pragma once

#include <QMainWindow>
#include <QString>
#include <atomic>
#include <map>
#include <mutex>

#include "core/app_bridge.h"
#include "platform/sys_msgbox.h"

class QProgressDialog;

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

 protected:
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void _SlotOnFinAsyncAppInit();
  void _SlotOnUpdateGUI();
  void _SlotOnShowCustMsgBox();
  void _SlotOnUpdateProgBar();
  void _SlotOnGetSaveFileName();
  void _SlotOnScreenUpdates();

 private:
  static void OnInitDone(void* owner);  // worker: end of the Init job

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
};
