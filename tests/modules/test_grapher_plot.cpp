// The plot drawn from the per-column reduction against the walk over every sample: the same
// pixels within antialiasing, for smooth, stepped, spiky and noisy signals, sparse and dense,
// before and after the history ring wraps; nothing drawn for empty and one-sample histories.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>

#include "modules/grapher_plot.h"
#include "tests/engines/history_feed.h"

namespace {

constexpr int kW = 400, kH = 300, kPx = 50;
constexpr uint32_t kStep = 10;  // microseconds between records

double Signal(size_t channel, uint64_t n) {
  switch (channel) {
    case 0: return 100.0 * std::sin(6.283185307 * static_cast<double>(n) / 1700.0);  // sine
    case 1: return (n / 850) % 2 != 0 ? 80.0 : -80.0;                                  // square
    case 2: return n % 9973 == 5000 ? 120.0 : (n % 9973 == 7000 ? -110.0 : 3.0);      // spikes
    default: {                                                                         // noise
      uint64_t x = n * 6364136223846793005ull + 1442695040888963407ull;
      x ^= x >> 29;
      return static_cast<double>(x % 201) - 100.0;
    }
  }
}

GrapherPlot::State MakeState(const HistoryFeed& feed, double resolution, double left) {
  GrapherPlot::State s;
  s.view.width = kW;
  s.view.height = kH;
  s.view.px_per_div = kPx;
  s.view.resolution = resolution;
  s.view.left_time = left;
  s.run_mode = true;
  s.cursor_x = -10;  // off the picture
  s.history = APP_GetHistoryView();
  const QColor colours[] = {Qt::red, Qt::darkGreen, Qt::blue, Qt::magenta};
  for (size_t i = 0; i < feed.symbols.size(); ++i) {
    GRAPHER_TRACE t;
    t.ring = feed.symbols[i]->pHistory->Slots;
    t.type = feed.symbols[i]->ValueType;
    t.y_resolution = 50;
    t.y_offset = i % 2 == 0 ? 0.5 : -0.5;
    t.colour = colours[i % 4];
    s.traces.push_back(t);
  }
  return s;
}

QImage Render(const GrapherPlot::State& s) {
  QImage image(kW, kH, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter p(&image);
  GrapherPlot::paint(p, s);
  return image;
}

int Ink(const QImage& image, const QImage& base, int x, int y) {
  const QRgb a = image.pixel(x, y), b = base.pixel(x, y);
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// Pixels strongly inked in `a` that have no inked pixel within one pixel in `b`.
int Unmatched(const QImage& a, const QImage& b, const QImage& base) {
  int misses = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      if (Ink(a, base, x, y) < 128) continue;
      bool found = false;
      for (int dy = -1; dy <= 1 && !found; ++dy) {
        for (int dx = -1; dx <= 1 && !found; ++dx) {
          const int u = x + dx, v = y + dy;
          found = u >= 0 && v >= 0 && u < kW && v < kH && Ink(b, base, u, v) >= 32;
        }
      }
      misses += found ? 0 : 1;
    }
  }
  return misses;
}

int InkCount(const QImage& a, const QImage& base) {
  int n = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) n += Ink(a, base, x, y) >= 128 ? 1 : 0;
  }
  return n;
}

void ExpectSamePicture(GrapherPlot::State s) {
  GrapherPlot::State base_state = s;
  base_state.run_mode = false;
  const QImage base = Render(base_state);
  for (uint32_t style : {0u, 1u}) {
    SCOPED_TRACE(style == 0 ? "lines" : "points");
    for (GRAPHER_TRACE& t : s.traces) t.draw_style = style;
    s.decimate = true;
    const QImage reduced = Render(s);
    s.decimate = false;
    const QImage every = Render(s);
    EXPECT_GT(InkCount(every, base), kW / 2);
    EXPECT_EQ(Unmatched(reduced, every, base), 0);
    EXPECT_EQ(Unmatched(every, reduced, base), 0);
  }
}

class GrapherPlotTest : public ::testing::Test {};

TEST_F(GrapherPlotTest, ReducedPictureMatchesEverySampleBeforeAndAfterTheWrap) {
  HistoryFeed feed({TYPEID_FLOAT, TYPEID_I16, TYPEID_I32, TYPEID_DOUBLE});
  // Samples per pixel column: 0.2, 4 and 400 (4 us, 40 us, 4 ms per pixel).
  const double resolutions[] = {100, 2000, 200000};
  feed.Feed(0, 200000, 0, kStep, Signal);
  for (double res : resolutions) {
    SCOPED_TRACE(res);
    ExpectSamePicture(MakeState(feed, res, 1000.0));
  }
  // Past the wrap, at the newest samples and where the positions cross the ring's end.
  feed.Feed(200000, APP_HISTORY_SLOTS, 0, kStep, Signal);
  const APP_HISTORY_VIEW h = APP_GetHistoryView();
  ASSERT_EQ(h.count, APP_HISTORY_SLOTS);
  ASSERT_NE(h.oldest_slot, 0u);
  const double ring_end = static_cast<double>(
      APP_GetTimestamp64At(APP_HISTORY_SLOTS - h.oldest_slot));
  for (double res : resolutions) {
    SCOPED_TRACE(res);
    const double span = (kW / kPx) * res;
    ExpectSamePicture(MakeState(feed, res, static_cast<double>(APP_GetLatestTimestamp64()) - span));
    ExpectSamePicture(MakeState(feed, res, ring_end - span / 2));
  }
}

TEST_F(GrapherPlotTest, EmptyAndSingleSampleHistoriesDrawNoTrace) {
  HistoryFeed feed({TYPEID_U8});
  GrapherPlot::State s = MakeState(feed, 1000, 0);
  GrapherPlot::State base_state = s;
  base_state.run_mode = false;
  const QImage base = Render(base_state);
  EXPECT_EQ(Render(s), base);
  feed.Feed(0, 1, 5, 0, [](size_t, uint64_t) { return 200.0; });
  s.history = APP_GetHistoryView();
  EXPECT_EQ(Render(s), base);
  s.history = APP_HISTORY_VIEW{};  // before the first start the rings do not exist
  EXPECT_EQ(Render(s), base);
}

}  // namespace
