#include "core/app_bridge.h"

#include <atomic>
#include <mutex>

#include "platform/sys_text.h"

namespace {

std::atomic<APP_GuiBridge*> g_bridge{nullptr};
// One request at a time: a second requesting thread waits until the first is answered.
std::mutex g_request_lock;

bool IsEmittedWithoutLock(APP_Signal signal) {
  return signal == APP_Signal::FinAsyncAppInit || signal == APP_Signal::UpdateGUIWallpaper ||
         signal == APP_Signal::UpdateGUILoadModules;
}

template <typename Request, typename Post, typename Answer>
void RunRequest(APP_GuiBridge* bridge, Request* request, Post post, Answer answer) {
  if (bridge->IsGuiThread()) {
    (bridge->*answer)(request);
    return;
  }
  std::lock_guard<std::mutex> serial(g_request_lock);
  SYS_Handle done = SYS_CreateEvent(false, false);
  if (done == nullptr) return;
  SYS_Lock(bridge->GetLock(), SYS_INFINITE);
  (bridge->*post)(request, done);
  SYS_Unlock(bridge->GetLock());
  SYS_WaitForObject(done, SYS_INFINITE);
  SYS_CloseHandle(done);
}

}  // namespace

void APP_SetGuiBridge(APP_GuiBridge* bridge) { g_bridge.store(bridge); }

APP_GuiBridge* APP_GetGuiBridge() { return g_bridge.load(); }

void APP_Notify(APP_Signal signal) {
  APP_GuiBridge* bridge = g_bridge.load();
  if (bridge == nullptr) return;
  if (IsEmittedWithoutLock(signal)) {
    bridge->EmitSignal(signal);
    return;
  }
  SYS_Lock(bridge->GetLock(), SYS_INFINITE);
  bridge->EmitSignal(signal);
  SYS_Unlock(bridge->GetLock());
}

void APP_SetWindowTitle(const char* title) {
  APP_GuiBridge* bridge = g_bridge.load();
  if (bridge == nullptr) return;
  char stored[APP_WINDOW_TITLE_MAX];
  SYS_CopyText(stored, sizeof stored, title);
  SYS_Lock(bridge->GetLock(), SYS_INFINITE);
  bridge->StoreTitle(stored);
  SYS_Unlock(bridge->GetLock());
  APP_Notify(APP_Signal::UpdateGUI);
}

void APP_SetScreenUpdates(bool enabled) {
  APP_GuiBridge* bridge = g_bridge.load();
  if (bridge == nullptr) return;
  SYS_Lock(bridge->GetLock(), SYS_INFINITE);
  bridge->SetScreenUpdates(enabled);
  SYS_Unlock(bridge->GetLock());
}

void APP_LockGui() {
  if (APP_GuiBridge* bridge = g_bridge.load()) SYS_Lock(bridge->GetLock(), SYS_INFINITE);
}

void APP_UnlockGui() {
  if (APP_GuiBridge* bridge = g_bridge.load()) SYS_Unlock(bridge->GetLock());
}

int32_t APP_RequestProgress(int32_t handle, const char* text, int32_t total, int32_t current) {
  APP_GuiBridge* bridge = g_bridge.load();
  if (bridge == nullptr) return handle;
  APP_PROGRESS_REQUEST request;
  request.handle = handle;
  request.text = text;
  request.total = total;
  request.current = current;
  RunRequest(bridge, &request, &APP_GuiBridge::PostProgressRequest,
             &APP_GuiBridge::AnswerProgressRequest);
  return request.handle;
}

int32_t APP_RequestSaveFileName(char* buffer, uint32_t size, const char* caption,
                                const char* filter, uint32_t options) {
  APP_GuiBridge* bridge = g_bridge.load();
  if (buffer == nullptr || size == 0) return -1;
  buffer[0] = 0;
  if (bridge == nullptr) return -1;
  APP_SAVE_FILE_REQUEST request;
  request.buffer = buffer;
  request.size = size;
  request.caption = caption;
  request.filter = filter;
  request.options = options;
  RunRequest(bridge, &request, &APP_GuiBridge::PostSaveFileRequest,
             &APP_GuiBridge::AnswerSaveFileRequest);
  buffer[size - 1] = 0;
  return request.result;
}
