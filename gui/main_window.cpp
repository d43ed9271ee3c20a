#include "gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScrollArea>
#include <QThread>
#include <QTimer>

#include "core/app_jobs.h"
#include "core/app_engine_notify.h"
#include "core/app_mode.h"
#include "core/job_engine.h"
#include "core/lifecycle/app_lifecycle.h"
#include "gui/cust_msgbox.h"
#include "gui/scripting_widget.h"
#include "input/gamepad_runtime.h"
#include "gui/shortcuts.h"
#include "platform/sys_text.h"

namespace {

std::atomic<MainWindow*> g_main_window{nullptr};

constexpr uint32_t kExitPollMs = 10;
constexpr int kCheckPeriodMs = 1000;  // ELF modification check

// The message sink while the window exists.
void WindowMsgBoxHandler(SYS_MsgBoxRequest& request) {
  MainWindow* window = g_main_window.load();
  if (window == nullptr) {
    SYS_ConsoleMsgBoxHandler(request);
    return;
  }
  window->ShowMsgBox(request);
}

// The system's own box: a Qt box on the GUI thread, stderr elsewhere.
void QtSystemBoxHandler(const char* text, const char* title, uint32_t flags) {
  QCoreApplication* app = QCoreApplication::instance();
  if (qobject_cast<QApplication*>(app) == nullptr || QThread::currentThread() != app->thread()) {
    SYS_SetSystemBoxHandler(nullptr);
    SYS_SystemMessageBox(text, title, flags);
    SYS_SetSystemBoxHandler(QtSystemBoxHandler);
    return;
  }
  QMessageBox box((flags & 0xF0u) == 0x30u ? QMessageBox::Warning : QMessageBox::Critical,
                  QString::fromUtf8(title != nullptr ? title : ""),
                  QString::fromUtf8(text != nullptr ? text : ""), QMessageBox::Ok);
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  box.exec();
}

}  // namespace

MainWindow::MainWindow(int argc, char** argv, QWidget* parent)
    : QMainWindow(parent), argc_(argc), argv_(argv), lock_(SYS_CreateMutex(nullptr)) {
  setEnabled(false);
  title_ = QString::fromUtf8(SYS_FullAppName());
  setWindowTitle(title_);
  SHORTCUT_BuildTables();
  BuildMenus();
  BuildToolBar();
  BuildBoard();
  BuildDocks();
  BuildStatusBar();
  setAcceptDrops(true);
  resize(1400, 900);
  UpdateActions();
  // Periodic duties of the GUI thread (the ELF modification check).
  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, &MainWindow::_SlotOnTimeout);
  timer->start(kCheckPeriodMs);

  // The core emits from the worker; the slots run on the GUI thread, in emission order.
  const auto queued = Qt::QueuedConnection;
  using W = MainWindow;
  connect(this, &W::_SignalFinAsyncAppInit, this, &W::_SlotOnFinAsyncAppInit, queued);
  connect(this, &W::_SignalUpdateGUI, this, &W::_SlotOnUpdateGUI, queued);
  connect(this, &W::_SignalShowCustMsgBox, this, &W::_SlotOnShowCustMsgBox, queued);
  connect(this, &W::_SignalUpdateProgBar, this, &W::_SlotOnUpdateProgBar, queued);
  connect(this, &W::_SignalGetSaveFileName, this, &W::_SlotOnGetSaveFileName, queued);
  connect(this, &W::_SignalScreenUpdates, this, &W::_SlotOnScreenUpdates, queued);
  connect(this, &W::_SignalUpdateGUIMenuBar, this, &W::_SlotOnUpdateGUIMenuBar, queued);
  connect(this, &W::_SignalUpdateGUIWallpaper, this, &W::_SlotOnUpdateGUIWallpaper, queued);
  connect(this, &W::_SignalUpdateGUILoadModules, this, &W::_SlotOnUpdateGUILoadModules, queued);
  connect(this, &W::_SignalUpdateTable, this, &W::_SlotOnUpdateTable, queued);
  connect(this, &W::_SignalStartDialog, this, &W::_SlotOnStartDialog, queued);
  connect(this, &W::_SignalNewProjectDialog, this, &W::_SlotOnNewProjectDialog, queued);
  connect(this, &W::_SignalProjectSettingsDialog, this, &W::_SlotProjectSettingsDialog, queued);
  connect(this, &W::_SignalAppSettingsDialog, this, &W::_SlotAppSettingsDialog, queued);
  connect(this, &W::_SignalShowSymbolSelection, this, &W::_SlotOnShowSymbolSelection, queued);
  connect(this, &W::_SignalVirtualSymbolCreation, this, &W::_SlotOnVirtualSymbolCreation, queued);
  connect(this, &W::_SignalAssignColors, this, &W::_SlotOnAssignColors, queued);
  connect(this, &W::_SignalReset, this, &W::_SlotOnReset, queued);

  g_main_window.store(this);
  APP_SetGuiBridge(this);
  // A failed start of sampling takes the window back to Edit mode (asked from the worker).
  APP_SetEditModeHandler([] {
    if (MainWindow* window = g_main_window.load()) {
      QMetaObject::invokeMethod(window, [window] { window->FollowCoreMode(); }, Qt::QueuedConnection);
    }
  });
  SYS_SetMsgBoxHandler(WindowMsgBoxHandler);
  SYS_SetSystemBoxHandler(QtSystemBoxHandler);
}

MainWindow::~MainWindow() {
  SYS_SetMsgBoxHandler(nullptr);
  SYS_SetSystemBoxHandler(nullptr);
  APP_SetEditModeHandler(nullptr);
  APP_SetGuiBridge(nullptr);
  g_main_window.store(nullptr);
  for (auto& entry : progress_dialogs_) delete entry.second;
  SYS_DestroyMutex(&lock_);
}

MainWindow* MainWindow::Instance() { return g_main_window.load(); }

int32_t MainWindow::Start() {
  APP_RegisterProjectJobs();
  return APP_Init(argc_, argv_, OnInitDone, this, &init_busy_);
}

void MainWindow::OnInitDone(void* owner) {
  // Runs on the worker. The signal carries no data that the window's lock guards, so it is
  // emitted without taking the lock.
  emit static_cast<MainWindow*>(owner)->_SignalFinAsyncAppInit();
}

void MainWindow::_SlotOnFinAsyncAppInit() {
  is_init_done_ = true;
  setEnabled(true);
  FinishProjectFlow();
  emit SignalInitFinished();
  // A project opened at start-up may ask to start in Run mode (after whatever the start-up
  // queued on the signal, such as an early close).
  QTimer::singleShot(0, this, [this] {
    if (!is_closing_) OpenInStartupMode();
  });
}

bool MainWindow::IsGuiThread() { return QThread::currentThread() == thread(); }

void MainWindow::EmitSignal(APP_Signal signal) {
  switch (signal) {
    case APP_Signal::FinAsyncAppInit: emit _SignalFinAsyncAppInit(); break;
    case APP_Signal::UpdateGUI:
      // Coalesced: while one refresh is pending, a further request adds nothing.
      if (is_refresh_pending_.exchange(1) == 0) emit _SignalUpdateGUI();
      break;
    case APP_Signal::UpdateGUIMenuBar: emit _SignalUpdateGUIMenuBar(); break;
    case APP_Signal::UpdateGUIWallpaper: emit _SignalUpdateGUIWallpaper(); break;
    case APP_Signal::UpdateGUILoadModules: emit _SignalUpdateGUILoadModules(); break;
    case APP_Signal::UpdateTable: emit _SignalUpdateTable(); break;
    case APP_Signal::StartDialog: emit _SignalStartDialog(); break;
    case APP_Signal::NewProjectDialog: emit _SignalNewProjectDialog(); break;
    case APP_Signal::ProjectSettingsDialog: emit _SignalProjectSettingsDialog(); break;
    case APP_Signal::AppSettingsDialog: emit _SignalAppSettingsDialog(); break;
    case APP_Signal::ShowSymbolSelection: emit _SignalShowSymbolSelection(); break;
    case APP_Signal::VirtualSymbolCreation: emit _SignalVirtualSymbolCreation(); break;
    case APP_Signal::AssignColors: emit _SignalAssignColors(); break;
    case APP_Signal::Reset: emit _SignalReset(); break;
  }
}

void MainWindow::StoreTitle(const char* title) { title_ = QString::fromUtf8(title); }

void MainWindow::_SlotOnUpdateGUI() {
  is_refresh_pending_ = 0;
  SYS_Lock(lock_, SYS_INFINITE);
  const QString title = title_;
  SYS_Unlock(lock_);
  if (windowTitle() != title) setWindowTitle(title);
  if (APP_IsRunMode()) {
    GAMEPAD_Refresh();
    if (scripting_widget_ != nullptr) scripting_widget_->RefreshStatus();
  }
  RefreshContents();
  FollowCoreMode();
}

// Widgets belong to the GUI thread: the switch is stored and applied there.
void MainWindow::SetScreenUpdates(bool enabled) {
  are_screen_updates_enabled_ = enabled;
  emit _SignalScreenUpdates();
}

void MainWindow::_SlotOnScreenUpdates() {
  SYS_Lock(lock_, SYS_INFINITE);
  const bool enabled = are_screen_updates_enabled_;
  SYS_Unlock(lock_);
  // The contents freeze, not the top-level window: a top-level whose updates were off does
  // not repaint the areas exposed meanwhile (the progress dialog's) on X11 once they are on.
  QList<QWidget*> contents;
  if (centralWidget() != nullptr) contents.append(centralWidget());
  for (QDockWidget* dock : findChildren<QDockWidget*>()) contents.append(dock);
  for (QWidget* widget : contents) widget->setUpdatesEnabled(enabled);
  if (enabled) update();
}

void MainWindow::ShowMsgBox(SYS_MsgBoxRequest& request) {
  if (IsGuiThread()) {
    is_msgbox_open_ = 1;
    DIALOG_CustMsgBox::Run(request, isVisible() ? this : nullptr);
    is_msgbox_open_ = 0;
    return;
  }
  std::lock_guard<std::mutex> serial(msgbox_serial_);
  SYS_Handle done = SYS_CreateEvent(false, false);
  if (done == nullptr) return;
  SYS_Lock(lock_, SYS_INFINITE);
  msgbox_request_ = &request;
  msgbox_done_ = done;
  is_msgbox_open_ = 1;
  emit _SignalShowCustMsgBox();
  SYS_Unlock(lock_);
  SYS_WaitForObject(done, SYS_INFINITE);
  SYS_CloseHandle(done);
}

void MainWindow::_SlotOnShowCustMsgBox() {
  SYS_Handle done = nullptr;
  SYS_MsgBoxRequest* request = TakeRequest(msgbox_request_, msgbox_done_, &done);
  if (request == nullptr) return;
  DIALOG_CustMsgBox::Run(*request, isVisible() ? this : nullptr);
  is_msgbox_open_ = 0;
  SYS_SetEvent(done);
}

void MainWindow::PostProgressRequest(APP_PROGRESS_REQUEST* request, SYS_Handle done) {
  progress_request_ = request;
  progress_done_ = done;
  emit _SignalUpdateProgBar();
}

void MainWindow::_SlotOnUpdateProgBar() {
  SYS_Handle done = nullptr;
  APP_PROGRESS_REQUEST* request = TakeRequest(progress_request_, progress_done_, &done);
  if (request == nullptr) return;
  AnswerProgressRequest(request);
  SYS_SetEvent(done);
}

void MainWindow::AnswerProgressRequest(APP_PROGRESS_REQUEST* request) {
  QProgressDialog* dialog = nullptr;
  auto it = progress_dialogs_.find(request->handle);
  if (it != progress_dialogs_.end()) dialog = it->second;
  if (request->current == -1) {
    if (dialog != nullptr) {
      progress_dialogs_.erase(it);
      delete dialog;
    }
    return;
  }
  if (dialog == nullptr) {
    dialog = new QProgressDialog(this);
    dialog->setWindowTitle(QString::fromUtf8(SYS_ShortAppName()));
    dialog->setCancelButton(nullptr);
    dialog->setMinimumDuration(0);
    dialog->setWindowModality(Qt::WindowModal);
    request->handle = next_progress_handle_++;
    progress_dialogs_[request->handle] = dialog;
  }
  if (request->text != nullptr) dialog->setLabelText(QString::fromUtf8(request->text));
  dialog->setMaximum(request->total > 0 ? request->total : 0);
  dialog->setValue(request->current);
}

void MainWindow::PostSaveFileRequest(APP_SAVE_FILE_REQUEST* request, SYS_Handle done) {
  save_request_ = request;
  save_done_ = done;
  emit _SignalGetSaveFileName();
}

void MainWindow::_SlotOnGetSaveFileName() {
  SYS_Handle done = nullptr;
  APP_SAVE_FILE_REQUEST* request = TakeRequest(save_request_, save_done_, &done);
  if (request == nullptr) return;
  AnswerSaveFileRequest(request);
  SYS_SetEvent(done);
}

void MainWindow::AnswerSaveFileRequest(APP_SAVE_FILE_REQUEST* request) {
  request->result = -1;
  const QString name =
      AskSaveFileName(QString::fromUtf8(request->caption != nullptr ? request->caption : ""),
                      QString::fromUtf8(request->filter != nullptr ? request->filter : ""));
  if (name.isEmpty()) return;
  const QByteArray utf8 = name.toUtf8();
  if (request->buffer == nullptr || uint32_t(utf8.size()) >= request->size) {
    SYS_WarningBoxF("The project file name is too long (at most %u bytes):\n%s",
                    request->size > 0 ? request->size - 1 : 0, utf8.constData());
    return;
  }
  SYS_CopyText(request->buffer, request->size, utf8.constData());
  request->result = 0;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (is_closing_) {
    event->ignore();
    return;
  }
  // A job the GUI waits for must finish first; the user closes again afterwards.
  if (IsWaitingForJob()) {
    event->ignore();
    return;
  }
  is_closing_ = true;
  // Run mode ends before the project closes: reading, scripts and periodic writes stop.
  if (shown_mode_ != APP_MODE_EDIT) SwitchMode(APP_MODE_EDIT);
  // Exit job: it closes the project (asking to save) and answers 0 (stay) or 2 (go on).
  if (!JOB_IsStopped()) {
    APP_SetExitState(APP_EXIT_PENDING);
    if (APP_Exit() != 0) APP_SetExitState(APP_EXIT_GO);
    while (APP_GetExitState() == APP_EXIT_PENDING) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, kExitPollMs);
      SYS_Sleep(kExitPollMs);
    }
    if (APP_GetExitState() != APP_EXIT_GO) {
      is_closing_ = false;
      event->ignore();
      return;
    }
    // Stop job: the worker ends after the jobs queued before it.
    SYS_Handle done = SYS_CreateEvent(false, false);
    JOB_RECORD stop;
    stop.pOwner = this;
    if (JOB_QueueStop(&stop, done) == 0) {
      while (SYS_WaitForObject(done, kExitPollMs) != SYS_WAIT_OBJECT_0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, kExitPollMs);
      }
    }
    SYS_CloseHandle(done);
  }
  event->accept();
  QCoreApplication::exit(0);
}
