#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/app_bridge.h"
#include "platform/sys_thread.h"

namespace {

// A bridge whose "GUI thread" is a test thread answering requests from a queue.
class FakeBridge : public APP_GuiBridge {
 public:
  FakeBridge() : lock_(SYS_CreateMutex(nullptr)) {}
  ~FakeBridge() override { SYS_DestroyMutex(&lock_); }
  SYS_Mutex* GetLock() override { return lock_; }
  // Notifications arrive on the calling thread here.
  void EmitSignal(APP_Signal signal) override { signals_.push_back(signal); }
  void StoreTitle(const char* title) override { title_ = title; }
  void SetScreenUpdates(bool enabled) override { updates_ = enabled; }
  void PostProgressRequest(APP_PROGRESS_REQUEST* request, SYS_Handle done) override {
    std::thread([request, done] {
      request->handle = request->handle == 0 ? 7 : request->handle;
      SYS_SetEvent(done);
    }).detach();
  }
  void PostSaveFileRequest(APP_SAVE_FILE_REQUEST* request, SYS_Handle done) override {
    std::thread([request, done] {
      snprintf(request->buffer, request->size, "/tmp/chosen-file-name.vistro");
      request->result = 0;
      SYS_SetEvent(done);
    }).detach();
  }
  bool IsGuiThread() override { return false; }
  void AnswerProgressRequest(APP_PROGRESS_REQUEST*) override {}
  void AnswerSaveFileRequest(APP_SAVE_FILE_REQUEST*) override {}

  std::atomic<bool> updates_{true};
  SYS_Mutex* lock_;
  std::vector<APP_Signal> signals_;
  std::string title_;
};

TEST(AppBridge, WithoutBridgeRequestsGetTheirNoGuiAnswers) {
  APP_SetGuiBridge(nullptr);
  APP_Notify(APP_Signal::UpdateGUI);
  APP_SetWindowTitle("x");
  EXPECT_EQ(APP_RequestProgress(3, "t", 10, 1), 3);
  char buf[16] = "old";
  EXPECT_EQ(APP_RequestSaveFileName(buf, sizeof buf, "c", "f", 0), -1);
  EXPECT_STREQ(buf, "");
}

TEST(AppBridge, NotificationsTitlesAndRequests) {
  FakeBridge bridge;
  APP_SetGuiBridge(&bridge);
  APP_Notify(APP_Signal::Reset);
  APP_Notify(APP_Signal::FinAsyncAppInit);
  std::string long_title(1000, 'T');
  APP_SetWindowTitle(long_title.c_str());
  EXPECT_EQ(bridge.title_.size(), APP_WINDOW_TITLE_MAX - 1);
  const std::vector<APP_Signal> want = {APP_Signal::Reset, APP_Signal::FinAsyncAppInit,
                                        APP_Signal::UpdateGUI};
  EXPECT_EQ(bridge.signals_, want);
  APP_SetScreenUpdates(false);
  EXPECT_FALSE(bridge.updates_.load());
  EXPECT_EQ(APP_RequestProgress(0, "Parsing", 10, 0), 7);
  char small[10];
  EXPECT_EQ(APP_RequestSaveFileName(small, sizeof small, "Save project as", "*.vistro", 0), 0);
  EXPECT_STREQ(small, "/tmp/chos");  // cut to the buffer, terminated
  APP_SetGuiBridge(nullptr);
}

}  // namespace
