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

// The history of g_tick_ms (one tick per millisecond, sampled every 1000 us) from the oldest
// record on: every record 1000 us after the one before, the tick going back at most once (HSS
// starts when the probe connects, before programming resets the target).
void ExpectIntactTickHistory(const ACTIVE_SYMBOL* tick, uint32_t count) {
  VALUE_SLOT previous{};
  ASSERT_TRUE(APP_GetSampleAt(tick, 0, &previous));
  int resets = 0;
  for (uint32_t i = 1; i < count; ++i) {
    VALUE_SLOT v{};
    ASSERT_TRUE(APP_GetSampleAt(tick, i, &v));
    ASSERT_EQ(APP_GetTimestampAt(i) - APP_GetTimestampAt(i - 1), 1000u) << i;
    if (v.u32 < previous.u32) ++resets;
    previous = v;
  }
  EXPECT_LE(resets, 1);
}

enum class Fault { kHssReadFails, kTargetKilled, kTargetKilledWhileWriting };

struct StopCase {
  const char* name;
  Fault fault;
};
void PrintTo(const StopCase& c, std::ostream* out) { *out << c.name; }

class SamplingStops : public ReliabilityTest, public ::testing::WithParamInterface<StopCase> {};

// The fault ends sampling: the window goes back to Edit mode by itself, without a message,
// with every record taken before the fault still in the history.
TEST_P(SamplingStops, WindowReturnsToEditAndKeepsTheHistory) {
  const Fault fault = GetParam().fault;
  SimServer server;
  if (fault != Fault::kHssReadFails) {
    std::string error;
    ASSERT_TRUE(server.Start(VISTRO_BINARY_DIR "/test-home/test_reliability/server", error)) << error;
    OpenDemo(&server);
  } else {
    OpenDemo();
  }
  ASSERT_TRUE(RunWithDownload()) << Boxes().toStdString();
  ACTIVE_SYMBOL* tick = Symbol("g_tick_ms");
  ACTIVE_SYMBOL* setpoint = Symbol("setpoint_rpm");
  ASSERT_TRUE(WaitUntil([] { return APP_GetSampleCount() > 300; }));

  QTimer clicker;  // the user hammering "+ 500" (each press writes the setpoint)
  if (fault == Fault::kTargetKilledWhileWriting) {
    QPushButton* plus = BoardButton("+ 500");
    ASSERT_NE(plus, nullptr);
    QObject::connect(&clicker, &QTimer::timeout, [plus] { QTest::mouseClick(plus, Qt::LeftButton); });
    clicker.start(5);
    ASSERT_TRUE(WaitUntil([&] { return LatestFloat(setpoint) >= 2000.0f; }));
  }
  watch_->Restart();
  if (fault == Fault::kHssReadFails) {
    ASSERT_EQ(SimCommand("SimHSSReadFailAfter = 0"), "");
  } else {
    server.Kill();
  }
  ASSERT_TRUE(WaitUntil([] { return !APP_IsReading(); }, 5000));
  ASSERT_TRUE(WaitUntil([this] { return window_->CollectionDock()->isVisible(); }, 3000));
  Pump(200);  // clicks and refreshes go on meanwhile
  clicker.stop();

  ExpectEditModeShown();
  EXPECT_EQ(window_->statusBar()->currentMessage(), "Data sampling stopped.");
  EXPECT_LT(watch_->LongestPauseMs(), kLongestPauseMs);
  EXPECT_EQ(Boxes().toStdString(), "");
  const uint32_t kept = APP_GetSampleCount();
  EXPECT_GT(kept, 300u);
  ExpectIntactTickHistory(tick, kept);
  EXPECT_EQ(LatestU32(tick), [&] {
    VALUE_SLOT v{};
    APP_GetSampleAt(tick, kept - 1, &v);
    return v.u32;
  }());
  ExpectProjectUntouched();

  // Once the fault is gone, F5 samples again; a dead target is reported instead.
  if (fault == Fault::kHssReadFails) {
    ASSERT_EQ(SimCommand("SimHSSReadFailAfter = -1"), "");
    PressF5();
    EXPECT_EQ(APP_GetAppMode(), APP_MODE_RUN);
    EXPECT_TRUE(WaitUntil([&] { return APP_GetSampleCount() > 100; })) << APP_GetSampleCount();
  } else {
    PressF5();
    EXPECT_TRUE(SawBox("Failed to connect to Veltra:")) << Boxes().toStdString();
    EXPECT_TRUE(SawBox("Failed to initialize Veltra!")) << Boxes().toStdString();
    ExpectEditModeShown();
    EXPECT_EQ(APP_GetSampleCount(), kept);
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, SamplingStops,
                         ::testing::Values(StopCase{"HssReadFails", Fault::kHssReadFails},
                                           StopCase{"TargetKilled", Fault::kTargetKilled},
                                           StopCase{"TargetKilledWhileWriting", Fault::kTargetKilledWhileWriting}),
                         [](const auto& info) { return std::string(info.param.name); });

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
  EXPECT_EQ(Boxes().toStdString(), "");

  ASSERT_EQ(SimCommand("SimWriteFail = 0"), "");
  EXPECT_TRUE(WaitUntil([&] { return LatestFloat(setpoint) != 0.0f; }));
  ExpectProjectUntouched();
}

// Programming the target fails: a warning, Edit mode stays, the history of the previous Run
// period stays, and the next attempt works.
TEST_F(ReliabilityTest, FailedDownloadStaysInEditWithThePreviousHistory) {
  OpenDemo();
  ASSERT_TRUE(RunWithDownload()) << Boxes().toStdString();
  ASSERT_TRUE(WaitUntil([] { return APP_GetSampleCount() > 200; }));
  PressF5();
  ASSERT_EQ(APP_GetAppMode(), APP_MODE_EDIT);
  const uint32_t kept = APP_GetSampleCount();

  ASSERT_EQ(SimCommand("SimDownloadFail = 1"), "");
  watch_->Restart();
  EXPECT_FALSE(RunWithDownload());
  EXPECT_TRUE(SawBox("Failed to program target with ELF file")) << Boxes().toStdString();
  ExpectEditModeShown();
  // Edit mode holds no probe connection (HSS would buffer stale records for the next run).
  EXPECT_FALSE(PROBE_IsConnected());
  EXPECT_EQ(PROBE_VELTRAARM_IsOpen(), 0);
  EXPECT_EQ(APP_GetSampleCount(), kept);
  ExpectIntactTickHistory(Symbol("g_tick_ms"), kept);
  EXPECT_LT(watch_->LongestPauseMs(), kLongestPauseMs);

  ASSERT_EQ(SimCommand("SimDownloadFail = 0"), "");
  EXPECT_TRUE(RunWithDownload()) << Boxes().toStdString();
  EXPECT_TRUE(WaitUntil([] { return APP_GetSampleCount() > 100; }));
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
