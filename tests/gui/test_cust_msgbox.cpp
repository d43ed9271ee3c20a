#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <thread>

#include "core/job_engine.h"
#include "gui/cust_msgbox.h"
#include "gui/main_window.h"
#include "gui/start_dialog.h"
#include "tests/gui/gui_test_support.h"
#include "platform/sys_time.h"

// The font library keeps a few blocks for the whole process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace {

class GuiTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) new QApplication(argc, argv);
  }
  // Runs `action` on the box that is open once the event loop runs.
  static void Later(std::function<void()> action, int ms = 20) {
    QTimer::singleShot(ms, [action] { action(); });
  }
  static DIALOG_CustMsgBox* ActiveBox() {
    return qobject_cast<DIALOG_CustMsgBox*>(QApplication::activeModalWidget());
  }
};

SYS_MsgBoxRequest MakeRequest(int32_t timeout_ms) {
  SYS_MsgBoxRequest r;
  r.title = "Vistro V0.1.0";
  r.text = "Go on?";
  r.button0 = "Yes";
  r.button1 = "No";
  r.default_result = 1;
  r.icon = SYS_MB_ICON_QUESTION;
  r.timeout_ms = timeout_ms;
  return r;
}

TEST_F(GuiTest, TimeOutYieldsTheDefaultResult) {
  SYS_MsgBoxRequest r = MakeRequest(25);
  r.pressed_button = 0;
  r.cancelled = 1;  // reset by the box
  const uint32_t start = SYS_GetTickMs();
  DIALOG_CustMsgBox::Run(r);
  EXPECT_LT(SYS_GetTickMs() - start, 20000u);
  EXPECT_EQ(r.pressed_button, 1u);
  EXPECT_EQ(r.cancelled, 0u);
}

TEST_F(GuiTest, EscapeCancelsAndButtonsAnswer) {
  struct Case {
    const char* name;
    int action;  // 0 Escape, 1 button 0, 2 button 1
    uint32_t want_pressed;
    uint32_t want_cancelled;
  };
  const Case cases[] = {
      {"escape", 0, 1, 1},
      {"button 0", 1, 0, 0},
      {"button 1", 2, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SYS_MsgBoxRequest r = MakeRequest(0);
    r.check_text = "Do not ask again";
    r.check_initial = 1;
    Later([&] {
      DIALOG_CustMsgBox* box = ActiveBox();
      ASSERT_NE(box, nullptr);
      if (c.action == 0) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(box, &press);
      } else {
        auto buttons = box->findChildren<QPushButton*>();
        ASSERT_EQ(buttons.size(), 2);
        for (QPushButton* b : buttons) {
          if (b->text() == (c.action == 1 ? "Yes" : "No")) b->click();
        }
      }
    });
    DIALOG_CustMsgBox::Run(r);
    EXPECT_EQ(r.pressed_button, c.want_pressed);
    EXPECT_EQ(r.cancelled, c.want_cancelled);
    EXPECT_EQ(r.check_result, 1u);
  }
}

TEST_F(GuiTest, CopyTextOfASingleButtonBox) {
  SYS_MsgBoxRequest r = MakeRequest(0);
  r.text = "Line <1>\nsee http://x.org";
  r.button1 = nullptr;
  DIALOG_CustMsgBox box(r);
  const QString sep = "---------------------------\r\n";
  EXPECT_EQ(box.CopyText(), sep + "Vistro V0.1.0\r\n" + sep + "Line <1>\nsee http://x.org\r\n" +
                                sep + "Yes   \r\n" + sep);
}

// A box requested from another thread is shown by the main window on the GUI thread.
TEST_F(GuiTest, WorkerMessageBoxGoesThroughTheMainWindow) {
  MainWindow window(0, nullptr);
  std::atomic<uint32_t> result{99};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    result = SYS_ShowMsgBox("T", "from the worker", "A", "B", nullptr, 0, nullptr, 0, 1, 7, 30);
    done = true;
  });
  const uint32_t start = SYS_GetTickMs();
  while (!done && SYS_GetTickMs() - start < 20000) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  worker.join();
  EXPECT_EQ(result.load(), 1u);  // timed out: the default result
}

// Init enables the window; closing runs Exit and the stop job and ends the worker.
TEST_F(GuiTest, StartAndCloseHandShake) {
  ASSERT_EQ(JOB_Reset(), 0);
  MainWindow window(0, nullptr);
  EXPECT_FALSE(window.isEnabled());
  // Started blank, the program offers the start dialog; the user cancels it.
  OnNextModal<StartDialog>(&window, [](StartDialog* d) { d->reject(); });
  ASSERT_EQ(window.Start(), 0);
  const uint32_t start = SYS_GetTickMs();
  while (!window.IsInitDone() && SYS_GetTickMs() - start < 20000) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  EXPECT_TRUE(window.isEnabled());
  EXPECT_TRUE(window.close());
  ClearQuitState();
  EXPECT_TRUE(JOB_IsStopped());
  EXPECT_EQ(JOB_Reset(), 0);
}

}  // namespace
