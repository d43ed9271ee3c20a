// Faults of a real bench while the program runs the demo project: the probe stops delivering
// HSS data, the TCP/IP target dies while sampling or while the board writes, writes fail,
// programming the target fails, the probe library is missing. In every case the window keeps
// answering, the project file is left alone and the history taken so far stays.
#include <QApplication>
#include <QDockWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include "core/app_mode.h"
#include "core/app_sampling.h"
#include "probe/probe_library.h"
#include "probe/probe_session.h"
#include "tests/reliability/reliability_fixture.h"

namespace {

// The event loop may stall under a loaded machine, but never for as long as a blocking probe
// call would hold it (a silent TCP/IP target answers after 3 s).
constexpr qint64 kLongestPauseMs = 2000;

// Failed writes change nothing on the target and stop nothing: sampling goes on, the values
// shown stay those of the target, and the writes reach it once the probe takes them again.
TEST_F(ReliabilityTest, FailingWritesLeaveSamplingRunning) {
  OpenDemo();
  ASSERT_EQ(SimCommand("SimWriteFail = 1"), "");
  ASSERT_TRUE(RunWithDownload()) << Boxes().toStdString();
  ACTIVE_SYMBOL* setpoint = Symbol("setpoint_rpm");
  ASSERT_TRUE(WaitUntil([] { return APP_GetSampleCount() > 100; }));
  watch_->Restart();
  // The script asks for 1500 rpm every 10 ms while the setpoint is 0; the user presses too.
  QTest::mouseClick(BoardButton("1500 rpm"), Qt::LeftButton);
  const uint32_t before = APP_GetSampleCount();
  Pump(400);
  EXPECT_EQ(LatestFloat(setpoint), 0.0f);
  EXPECT_GT(APP_GetSampleCount(), before + 100);
  EXPECT_TRUE(APP_IsReading());
  EXPECT_EQ(APP_GetAppMode(), APP_MODE_RUN);
  EXPECT_FALSE(window_->CollectionDock()->isVisible());
  EXPECT_LT(watch_->LongestPauseMs(), kLongestPauseMs);
  EXPECT_EQ(Boxes(), "");

  ASSERT_EQ(SimCommand("SimWriteFail = 0"), "");
  EXPECT_TRUE(WaitUntil([&] { return LatestFloat(setpoint) != 0.0f; }));
  ExpectProjectUntouched();
}

// Without the probe library the program starts, says what is missing when Run mode is asked
// for, and stays in Edit mode. The library stays loaded once loaded, so this case needs a
// process of its own (CTest runs every case alone).
TEST_F(ReliabilityTest, MissingProbeLibraryKeepsEditMode) {
  if (PROBE_IsLibraryLoaded()) GTEST_SKIP() << "the probe library was loaded by an earlier case";
  const PROBE_LibrarySearch nowhere{};
  PROBE_SetLibrarySearch(&nowhere);
  OpenDemo();
  PressF5();
  EXPECT_TRUE(SawBox("Failed to load Veltra library.")) << Boxes().toStdString();
  EXPECT_TRUE(SawBox("Failed to initialize Veltra!")) << Boxes().toStdString();
  ExpectEditModeShown();
  EXPECT_LT(watch_->LongestPauseMs(), kLongestPauseMs);
  ExpectProjectUntouched();
  PROBE_SetLibrarySearch(nullptr);
}

}  // namespace
