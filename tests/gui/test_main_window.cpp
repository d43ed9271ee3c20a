// The main window as a user drives it: shortcuts, the mode switch and the collection.
#include <gtest/gtest.h>

#include <QAction>
#include <QDockWidget>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>

#include "core/app_mode.h"
#include "core/job_engine.h"
#include "gui/app_settings_dialog.h"
#include "gui/cust_msgbox.h"
#include "gui/main_window.h"
#include "gui/start_dialog.h"
#include "platform/sys_time.h"
#include "tests/gui/gui_test_support.h"

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }

  void SetUp() override {
    ASSERT_EQ(JOB_Reset(), 0);
    window_ = std::make_unique<MainWindow>(0, nullptr);
    OnNextModal<StartDialog>(window_.get(), [](StartDialog* d) { d->reject(); });
    ASSERT_EQ(window_->Start(), 0);
    const uint32_t start = SYS_GetTickMs();
    while (!window_->IsInitDone() && SYS_GetTickMs() - start < 20000) {
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    ASSERT_TRUE(window_->isEnabled());
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }
  void TearDown() override {
    EXPECT_TRUE(window_->close());
    window_.reset();
    ClearQuitState();
    EXPECT_EQ(JOB_Reset(), 0);
  }

  std::unique_ptr<MainWindow> window_;
};

// What reaches the window for Ctrl+Shift+Comma depends on the keyboard: Qt::Key_Comma, or
// Qt::Key_Less where ',' and '<' share a key (X11 sends the shifted symbol).
TEST_F(MainWindowTest, CtrlShiftCommaOpensTheAppSettings) {
  for (Qt::Key key : {Qt::Key_Less, Qt::Key_Comma}) {
    bool opened = false;
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    OnNextModal<AppSettingsDialog>(window_.get(), [&opened](AppSettingsDialog* d) {
      opened = true;
      d->reject();
    });
    QTest::keyClick(window_.get(), key, Qt::ControlModifier | Qt::ShiftModifier);
    const uint32_t start = SYS_GetTickMs();
    while (!opened && SYS_GetTickMs() - start < 3000) QApplication::processEvents();
    EXPECT_TRUE(opened) << int(key);
  }
}

TEST_F(MainWindowTest, F5WithEmptySymbolTableStaysInEdit) {
  QString text;
  OnNextModal<DIALOG_CustMsgBox>(window_.get(), [&text](DIALOG_CustMsgBox* box) {
    text = box->CopyText();
    box->reject();
  });
  QTest::keyClick(window_.get(), Qt::Key_F5);
  EXPECT_TRUE(text.contains("Empty Symbol Table! Add Symbol to enter Run mode!")) << text.toStdString();
  EXPECT_EQ(APP_GetAppMode(), APP_MODE_EDIT);
  EXPECT_TRUE(window_->CollectionDock()->isVisible());
  EXPECT_TRUE(window_->Action(MainWindow::kActNewProject)->isEnabled());
  EXPECT_EQ(window_->ModeButton()->toolTip(), "Switch to Run ( F5)");
}

}  // namespace
