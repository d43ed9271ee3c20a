// A probe library that lacks exports: every call of a missing one shows its box and gives 0.
#include <gtest/gtest.h>

#include "platform/sys_text.h"
#include "probe/probe_library.h"
#include "tests/probe/probe_test_support.h"

namespace {

TEST(ProbeBinding, MissingExportIsReportedPerCall) {
  PROBE_LibrarySearch search;
  SYS_CopyText(search.module_folder, sizeof(search.module_folder), PROBE_STUB_DIR);
  PROBE_SetLibrarySearch(&search);
  MessageCapture capture;

  EXPECT_EQ(PROBE_VELTRAARM_GetDLLVersion(), 42);
  EXPECT_EQ(std::string(PROBE_GetLibraryPath()), PROBE_STUB_DIR "/libVeltra_x64.so");
  EXPECT_TRUE(capture.Take().empty());

  char error[16] = {};
  EXPECT_EQ(PROBE_VELTRAARM_OpenEx(nullptr, nullptr), nullptr);
  EXPECT_EQ(PROBE_VELTRAARM_ExecCommand("device = X", error, sizeof(error)), 0);
  EXPECT_EQ(PROBE_VELTRAARM_OpenEx(nullptr, nullptr), nullptr);
  PROBE_VELTRAARM_Close();
  const std::vector<CapturedMessage> boxes = capture.Take();
  const char* want[] = {"DLL function VELTRAARM_OpenEx(...) not found !",
                        "DLL function VELTRAARM_ExecCommand(...) not found !",
                        "DLL function VELTRAARM_OpenEx(...) not found !",
                        "DLL function VELTRAARM_Close(...) not found !"};
  ASSERT_EQ(boxes.size(), std::size(want));
  for (size_t i = 0; i < boxes.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(boxes[i].system);
    EXPECT_EQ(boxes[i].title, "Veltra Error");
    EXPECT_EQ(boxes[i].flags, 0x42030u);
    EXPECT_EQ(boxes[i].text, want[i]);
  }
  EXPECT_STREQ(error, "");
  // The export that exists keeps working without boxes.
  EXPECT_EQ(PROBE_VELTRAARM_GetDLLVersion(), 42);
  EXPECT_TRUE(capture.Take().empty());
}

}  // namespace
