// The grapher's plot widget driven like a user: wheel zoom and scroll, dragging a zero mark,
// automatic Y resolution and auto scroll across the 32-bit time-stamp wrap, the measuring
// cursors, and the CSV export in vistro-cli sample's format.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include "core/app_symbol_access.h"
#include "modules/grapher_export.h"
#include "modules/grapher_widget.h"
#include "platform/sys_text.h"
#include "tests/engines/history_feed.h"
#include "tests/gui/gui_test_support.h"

namespace {

class GraphWidgetTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }
  void SetUp() override {
    widget_.resize(640, 256);  // 10 x 4 divisions of 64 pixels
    widget_.SetPxPerDiv(64);
  }
  void Wheel(int delta, Qt::KeyboardModifiers modifiers) {
    QWheelEvent e(QPointF(320, 100), widget_.mapToGlobal(QPointF(320, 100)), QPoint(), QPoint(0, delta),
                  Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&widget_, &e);
  }
  static std::vector<GRAPHER_CHANNEL_STATE> Channels(const HistoryFeed& feed) {
    std::vector<GRAPHER_CHANNEL_STATE> out;
    for (const auto& s : feed.symbols) {
      GRAPHER_CHANNEL_STATE c;
      c.id.Address = s->Address;
      SYS_CopyText(c.id.Name, sizeof c.id.Name, s->Name);
      c.symbol = s.get();
      c.name = s->Name;
      c.colour = Qt::red;
      c.y_resolution = 0;  // as a file may hold it
      out.push_back(c);
    }
    return out;
  }
  GraphWidget widget_;
};

TEST_F(GraphWidgetTest, WheelZoomsAndScrollsOnlyInRunMode) {
  widget_.SetView(1000, 0);
  Wheel(-120, Qt::ControlModifier);
  EXPECT_EQ(widget_.View().resolution, 1000.0);  // Edit mode: the board has the wheel
  widget_.SetRunMode(true);
  Wheel(-120, Qt::ControlModifier);  // toward the user: coarser
  EXPECT_EQ(widget_.View().resolution, 2000.0);
  Wheel(120, Qt::ControlModifier);
  Wheel(120, Qt::ControlModifier);
  EXPECT_EQ(widget_.View().resolution, 500.0);
  Wheel(-120, Qt::NoModifier);  // auto scroll owns the view
  EXPECT_EQ(widget_.View().left_time, 0.0);
  widget_.SetAutoScroll(false);
  Wheel(-120, Qt::NoModifier);
  EXPECT_EQ(widget_.View().left_time, 500.0);  // a tenth of the 5000 us span
  widget_.SetDisplayRate(0);
  EXPECT_EQ(widget_.DisplayRate(), GraphWidget::kDefaultDisplayRateHz);
}

TEST_F(GraphWidgetTest, ZeroMarkDragAndAdaptiveResolution) {
  HistoryFeed feed({TYPEID_I16, TYPEID_FLOAT});
  widget_.SetChannels(Channels(feed));
  EXPECT_EQ(widget_.Channels()[0].y_resolution, 1u);  // 0 from a file counts as 1
  widget_.SetRunMode(true);
  widget_.PrepareFrame();
  EXPECT_EQ(widget_.Channels()[0].y_resolution, 1u);  // no data yet: nothing to adapt to
  feed.Feed(0, 3, 0, 10, [](size_t c, uint64_t n) { return c == 0 ? 300.0 * n : (n == 2 ? NAN : 1.0); });
  int changes = 0;
  QObject::connect(&widget_, &GraphWidget::_SignalChannelsChanged, [&] { ++changes; });
  widget_.PrepareFrame();
  EXPECT_EQ(widget_.Channels()[0].y_resolution, 500u);  // 2 x 600 / 4 divisions = 300
  EXPECT_EQ(widget_.Channels()[1].y_resolution, 1u);    // the NaN is not an extreme
  EXPECT_GE(changes, 1);
  // The first channel's zero mark sits at the left margin on the centre line (row 128).
  QTest::mousePress(&widget_, Qt::LeftButton, Qt::NoModifier, QPoint(3, 128));
  QTest::mouseMove(&widget_, QPoint(3, 64));
  QTest::mouseRelease(&widget_, Qt::LeftButton, Qt::NoModifier, QPoint(3, 64));
  EXPECT_EQ(widget_.Channels()[0].y_offset, 1.0);
  EXPECT_EQ(widget_.Channels()[1].y_offset, 0.0);
}

TEST_F(GraphWidgetTest, AutoScrollAndCursorsAcrossTheTimeStampWrap) {
  HistoryFeed feed({TYPEID_U8});
  widget_.SetChannels(Channels(feed));
  widget_.SetRunMode(true);
  widget_.SetView(1000, 0);
  // 32-bit stamps that wrap after 71.6 minutes: the view follows the unwrapped time.
  feed.Feed(0, 100, 0xFFFFFF00u, 10, [](size_t, uint64_t n) { return static_cast<double>(n); });
  widget_.PrepareFrame();
  const double newest = static_cast<double>((uint64_t{1} << 32) - 0x100 + 990);
  EXPECT_EQ(widget_.View().left_time, newest - 10000);
  widget_.SetCursorA(static_cast<double>(0xFFFFFF00u) + 105);  // sample 10
  widget_.SetCursorB(newest);                                    // sample 99
  const QString m = widget_.MeasureBoxText();
  EXPECT_TRUE(m.contains("B-A: 885 us")) << m.toStdString();
  EXPECT_TRUE(m.contains("ch0: A 10   B 99   B-A +89")) << m.toStdString();
  const auto [begin, end] = widget_.VisiblePositions();
  EXPECT_EQ(end, 100u);
  EXPECT_EQ(end - begin, 100u);  // all 990 us of samples within the 10 ms span
  widget_.ClearCursors();
  EXPECT_TRUE(widget_.MeasureBoxText().isEmpty());
  widget_.SetCursorX(0);
  EXPECT_EQ(widget_.CursorLabelText(), GRAPHER_CursorLabel(newest - 10000, 1000));
  widget_.SetRunMode(false);
  EXPECT_EQ(widget_.CursorLabelText(), "Cursor");
}

TEST_F(GraphWidgetTest, CsvExportInTheSampleFormat) {
  HistoryFeed feed({TYPEID_I16, TYPEID_BOOL});
  feed.Feed(0, 4, 100, 10, [](size_t c, uint64_t n) { return c == 0 ? -1.0 * n : n % 2; });
  QTemporaryDir dir;
  const QString path = dir.filePath("view.csv");
  ASSERT_TRUE(GRAPHER_ExportCsv(nullptr, path, Channels(feed), 1, 2));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll().toStdString(), "time_us,ch0,ch1\n110,-1,true\n120,-2,false\n");
}

}  // namespace
