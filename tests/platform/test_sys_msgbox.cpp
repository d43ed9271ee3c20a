#include <gtest/gtest.h>

#include <string>

#include "platform/sys_msgbox.h"

namespace {

SYS_MsgBoxRequest g_seen;
std::string g_title, g_text;
uint32_t g_press = 0;
uint32_t g_cancel = 0;

void Recorder(SYS_MsgBoxRequest& r) {
  g_seen = r;
  g_title = r.title;
  g_text = r.text;
  r.pressed_button = g_press;
  r.cancelled = g_cancel;
  r.check_result = 1;
}

class SysMsgBox : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SYS_SetMsgBoxHandler(Recorder); }
  void TearDown() override { SYS_SetMsgBoxHandler(previous_); }
  SYS_MsgBoxHandler previous_ = nullptr;
};

TEST_F(SysMsgBox, FormsAndResults) {
  g_press = 1;
  g_cancel = 0;
  SYS_ErrorBoxF("bad %d", 7);
  EXPECT_EQ(g_title, "Vistro V0.1.0 Error");
  EXPECT_EQ(g_text, "bad 7");
  EXPECT_EQ(g_seen.icon, SYS_MB_ICON_WARNING);
  EXPECT_STREQ(g_seen.button0, "O.K.");
  EXPECT_EQ(g_seen.button1, nullptr);
  SYS_WarningBox("careful");
  EXPECT_EQ(g_title, "Vistro V0.1.0 Warning");
  EXPECT_EQ(SYS_QuestionBox("Save?", "Yes", "No", 0, SYS_MB_ICON_QUESTION, 5), 1u);
  EXPECT_EQ(g_title, "Vistro V0.1.0");
  g_cancel = 1;
  EXPECT_EQ(SYS_QuestionBox("Save?", "Yes", "No", 0, SYS_MB_ICON_QUESTION, 5), 5u);
  uint32_t check = 0;
  g_cancel = 0;
  EXPECT_EQ(SYS_ShowMsgBox("t", "x", "a", nullptr, "c", 0, &check, 0, 0, 9, 0), 1u);
  EXPECT_EQ(check, 1u);
}

TEST_F(SysMsgBox, MissingPartsShowNothing) {
  g_title = "untouched";
  for (int missing = 0; missing < 3; ++missing) {
    EXPECT_EQ(SYS_ShowMsgBox(missing == 0 ? nullptr : "t", missing == 1 ? nullptr : "x",
                             missing == 2 ? nullptr : "a", nullptr, nullptr, 0, nullptr, 0, 0, 0, 0),
              0xFFFFFFFFu) << missing;
  }
  EXPECT_EQ(g_title, "untouched");
}

TEST(SysConsoleBox, PrintsOneLinePerMessage) {
  struct Case {
    const char* name;
    int answer;
    const char* title;
    const char* button1;
    uint32_t default_result;
    const char* want_line;
    uint32_t want_result;
  };
  const Case cases[] = {
      {"error", -1, "Vistro V0.1.0 Error", nullptr, 0, "error: boom\n", 0},
      {"warning", -1, "Vistro V0.1.0 Warning", nullptr, 0, "warning: boom\n", 0},
      {"question default", -1, "Vistro V0.1.0", "No", 1, "question: boom -> No\n", 1},
      {"question --yes", 0, "Vistro V0.1.0", "No", 1, "question: boom -> Yes\n", 0},
      {"question --no", 1, "Vistro V0.1.0", "No", 0, "question: boom -> No\n", 1},
      {"--no without a second button", 1, "Vistro V0.1.0", nullptr, 0, "question: boom -> Yes\n",
       0},
  };
  SYS_MsgBoxHandler previous = SYS_SetMsgBoxHandler(nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SYS_SetConsoleAnswer(c.answer);
    testing::internal::CaptureStderr();
    const uint32_t r = SYS_ShowMsgBox(c.title, "boom", "Yes", c.button1, nullptr, 0, nullptr, 0,
                                      c.default_result, 99, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.want_line);
    EXPECT_EQ(r, c.want_result);
  }
  SYS_SetConsoleAnswer(-1);
  SYS_SetMsgBoxHandler(previous);
}

TEST(SysConsoleBox, SystemBoxWithoutHandlerPrints) {
  testing::internal::CaptureStderr();
  SYS_SystemMessageBox("gone", "Error", 0x42010);
  SYS_SystemMessageBox("odd", " Debug Error", 0x42030);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "error: gone\nwarning: odd\n");
}

}  // namespace
