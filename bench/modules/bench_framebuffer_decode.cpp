// One frame-buffer refresh: a 320 x 240 RGB565 picture decoded from the host copy of target
// memory and scaled to the module (the default 192 x 144 pixels, and 640 x 480).
#include <benchmark/benchmark.h>

#include <QImage>
#include <vector>

#include "modules/framebuffer_decode.h"

namespace {

void BM_FrameBufferDecodeScale(benchmark::State& state) {
  constexpr uint32_t kW = 320, kH = 240, kRgb565 = 5;
  std::vector<uint8_t> bytes(FRAMEBUFFER_ByteCount(kW, kH, kRgb565));
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 37 + (i >> 9));
  QImage decoded;
  const QSize target(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    FRAMEBUFFER_Decode(bytes, kW, kH, kRgb565, decoded);
    QImage scaled = decoded.scaled(target, Qt::KeepAspectRatio, Qt::FastTransformation);
    benchmark::DoNotOptimize(scaled.constBits());
  }
}
BENCHMARK(BM_FrameBufferDecodeScale)->Args({192, 144})->Args({640, 480})->Unit(benchmark::kMicrosecond);

}  // namespace
