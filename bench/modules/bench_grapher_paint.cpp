// Paint time of one grapher: 8 channels, each with a full ring of 1048576 samples one
// microsecond apart, into a 1600 x 900 image; the argument is the number of samples per pixel
// column. BM_GrapherPaint draws from the per-column reduction, BM_GrapherPaintUndecimated
// walks every visible sample (the picture is the same).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>

#include "modules/grapher_columns.h"
#include "modules/grapher_columns.h"
#include "modules/grapher_plot.h"
#include "tests/engines/history_feed.h"

namespace {

constexpr int kWidth = 1600, kHeight = 900, kPxPerDiv = 64;

HistoryFeed& Feed() {
  static std::unique_ptr<HistoryFeed> feed = [] {
    auto f = std::make_unique<HistoryFeed>(std::vector<uint32_t>{
        TYPEID_FLOAT, TYPEID_I16, TYPEID_FLOAT, TYPEID_I32, TYPEID_DOUBLE, TYPEID_U16, TYPEID_FLOAT, TYPEID_I8});
    f->Feed(0, APP_HISTORY_SLOTS, 0, 1, [](size_t c, uint64_t n) {
      if (c % 2 == 1) {  // noise: every column spans its whole range
        uint64_t x = (n + c * 977) * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>((x >> 33) % 201) - 100.0;
      }
      return 100.0 * std::sin(6.283185307 * static_cast<double>(n) / (1000.0 + 700.0 * c));
    });
    return f;
  }();
  return *feed;
}

void Paint(benchmark::State& state, bool decimate) {
  HistoryFeed& feed = Feed();
  GrapherPlot::State s;
  s.view.width = kWidth;
  s.view.height = kHeight;
  s.view.px_per_div = kPxPerDiv;
  // One microsecond per sample: range(0) samples per pixel column.
  s.view.resolution = static_cast<double>(state.range(0)) * kPxPerDiv;
  const GRAPHER_GEOMETRY g = GRAPHER_Geometry(s.view);
  s.view.left_time = std::max(0.0, static_cast<double>(APP_GetLatestTimestamp64()) - g.span);
  s.run_mode = true;
  s.decimate = decimate;
  s.cursor_x = kWidth / 2;
  s.history = APP_GetHistoryView();
  for (size_t i = 0; i < feed.symbols.size(); ++i) {
    GRAPHER_TRACE t;
    t.ring = feed.symbols[i]->pHistory->Slots;
    t.type = feed.symbols[i]->ValueType;
    t.y_resolution = 50;
    t.y_offset = 3.0 - static_cast<double>(i);
    t.colour = QColor::fromHsl(static_cast<int>(i) * 45, 255, 128);
    s.traces.push_back(t);
  }
  QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter p(&image);
    GrapherPlot::paint(p, s);
    p.end();
    benchmark::DoNotOptimize(image.constBits());
  }
  const auto [begin, end] = GRAPHER_VisibleRange(s.history, s.view, g);
  state.counters["samples"] = static_cast<double>(end - begin) * static_cast<double>(feed.symbols.size());
}

void BM_GrapherPaint(benchmark::State& state) { Paint(state, true); }
void BM_GrapherPaintUndecimated(benchmark::State& state) { Paint(state, false); }

BENCHMARK(BM_GrapherPaint)->Arg(1)->Arg(10)->Arg(1000)->Arg(1048576)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrapherPaintUndecimated)->Arg(1)->Arg(10)->Arg(1000)->Arg(1048576)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);  // fonts for the cursor labels
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
