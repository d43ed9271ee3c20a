#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/app_bridge.h"
#include "core/app_jobs.h"
#include "job_test_util.h"
#include "platform/sys_msgbox.h"

namespace fs = std::filesystem;

namespace {

std::atomic<int> g_done_calls{0};
void* g_done_owner = nullptr;

void InitDone(void* owner) {
  g_done_owner = owner;
  g_done_calls++;
}

std::string g_boxes;
void CollectBox(SYS_MsgBoxRequest& r) { g_boxes += std::string(r.title) + ": " + r.text + "\n"; }

// Init reads the settings, Exit answers "go on"; the stop job ends the worker.
TEST(AppJobs, InitReadsSettingsAndExitHandsShake) {
  char tmpl[] = "/tmp/vistro-appjobs-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  setenv("XDG_CONFIG_HOME", tmpl, 1);
  fs::create_directories(std::string(tmpl) + "/Tarvik");
  std::ofstream(std::string(tmpl) + "/Tarvik/VistroSettings.ini")
      << "[VALUES]\r\nIntDefaultHex = 1\r\n[LAUNCH]\r\nLaunchOptions = 1\r\n";
  ASSERT_EQ(JOB_Reset(), 0);
  SYS_MsgBoxHandler previous = SYS_SetMsgBoxHandler(CollectBox);

  g_done_calls = 0;
  g_boxes.clear();
  JOB_BUSY busy{0};
  int owner = 0;
  ASSERT_EQ(APP_Init(0, nullptr, InitDone, &owner, &busy), 0);
  ASSERT_TRUE(WaitIdle(busy));
  EXPECT_EQ(g_done_calls.load(), 1);
  EXPECT_EQ(g_done_owner, &owner);
  EXPECT_EQ(APP_GetIntDefaultHex(), 1);
  EXPECT_EQ(APP_GetLaunchOption(), 1);

  APP_SetExitState(APP_EXIT_PENDING);
  ASSERT_EQ(APP_Exit(), 0);
  const uint32_t start = SYS_GetTickMs();
  while (APP_GetExitState() == APP_EXIT_PENDING && SYS_GetTickMs() - start < 10000) SYS_Sleep(1);
  EXPECT_EQ(APP_GetExitState(), APP_EXIT_GO);
  EXPECT_EQ(JOB_StopWorker(10000), 0);
  EXPECT_EQ(APP_Exit(), -1);  // after the stop nothing is queued
  EXPECT_EQ(JOB_Reset(), 0);
  EXPECT_EQ(g_boxes, "");
  SYS_SetMsgBoxHandler(previous);
  fs::remove_all(tmpl);
}

}  // namespace
