// Frame buffer: the fourteen encodings at odd widths (packed rows), against the image
// formats' own conversions and known patterns; the chunk plans of the periodic reads; a
// reader that reads, publishes and stops without touching freed memory.
#include <gtest/gtest.h>

#include <QImage>
#include <random>

#include "core/app_memread.h"
#include "modules/framebuffer_decode.h"
#include "modules/framebuffer_reader.h"
#include "tests/engines/engines_support.h"

namespace {

// Random pixels valid for the encoding: a premultiplied colour never exceeds its alpha.
std::vector<uint8_t> RandomPixels(uint32_t encoding, uint32_t count, std::mt19937& rng) {
  const uint32_t bytes = FRAMEBUFFER_BitsPerPixel(encoding) / 8;
  std::vector<uint8_t> out;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t v = rng();
    auto below = [&](uint32_t limit) { return limit == 0 ? 0u : static_cast<uint32_t>(rng() % limit); };
    switch (encoding) {
      case 6: {  // A4 R4 G4 B4
        const uint32_t a = v >> 28;
        v = (a << 12) | (below(a + 1) << 8) | (below(a + 1) << 4) | below(a + 1);
        break;
      }
      case 9: {  // A6 R6 G6 B6, most significant byte first
        const uint32_t a = v >> 26;
        v = (a << 18) | (below(a + 1) << 12) | (below(a + 1) << 6) | below(a + 1);
        break;
      }
      case 10: case 11: {  // the colour below the alpha, then the alpha byte
        const uint32_t a = v >> 24, a5 = a >> 3, a6 = a >> 2;
        const uint32_t rgb = encoding == 10 ? (below(a5) << 10) | (below(a5) << 5) | below(a5)
                                            : (below(a5) << 11) | (below(a6) << 5) | below(a5);
        v = (rgb << 8) | a;
        break;
      }
      default: break;
    }
    const bool big_endian = encoding == 7 || encoding == 9 || encoding == 10 || encoding == 11;
    for (uint32_t b = 0; b < bytes; ++b) {
      out.push_back(static_cast<uint8_t>(v >> (8 * (big_endian ? bytes - 1 - b : b))));
    }
  }
  return out;
}

TEST(FrameBufferDecode, WholeBytePixelsMatchTheImageFormats) {
  const QImage::Format formats[] = {
      QImage::Format_Invalid, QImage::Format_Invalid, QImage::Format_Indexed8,
      QImage::Format_RGB444, QImage::Format_RGB555, QImage::Format_RGB16,
      QImage::Format_ARGB4444_Premultiplied, QImage::Format_RGB666, QImage::Format_RGB888,
      QImage::Format_ARGB6666_Premultiplied, QImage::Format_ARGB8555_Premultiplied,
      QImage::Format_ARGB8565_Premultiplied, QImage::Format_RGB32, QImage::Format_ARGB32};
  std::mt19937 rng(7);
  constexpr uint32_t kW = 13, kH = 5;  // odd width: packed rows do not end on 32 bits
  for (uint32_t e = 2; e < FRAMEBUFFER_ENCODINGS; ++e) {
    SCOPED_TRACE(FRAMEBUFFER_EncodingText(e));
    const std::vector<uint8_t> bytes = RandomPixels(e, kW * kH, rng);
    ASSERT_EQ(bytes.size(), FRAMEBUFFER_ByteCount(kW, kH, e));
    // The oracle: the same pixels copied row by row into an image of the encoding's format.
    QImage source(kW, kH, formats[e]);
    if (e == 2) {
      QList<QRgb> table;
      for (int i = 0; i < 256; ++i) table.append(FRAMEBUFFER_IndexedColour(static_cast<uint8_t>(i)));
      source.setColorTable(table);
    }
    const size_t row = kW * FRAMEBUFFER_BitsPerPixel(e) / 8;
    for (uint32_t y = 0; y < kH; ++y) std::memcpy(source.scanLine(static_cast<int>(y)), bytes.data() + y * row, row);
    const QImage want = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage got;
    ASSERT_TRUE(FRAMEBUFFER_Decode(bytes, kW, kH, e, got));
    ASSERT_EQ(got.size(), QSize(kW, kH));
    for (int y = 0; y < static_cast<int>(kH); ++y) {
      for (int x = 0; x < static_cast<int>(kW); ++x) {
        ASSERT_EQ(got.pixel(x, y), want.pixel(x, y)) << x << "," << y;
      }
    }
    // One byte short: no picture instead of a read past the block.
    EXPECT_FALSE(FRAMEBUFFER_Decode(std::span(bytes).first(bytes.size() - 1), kW, kH, e, got));
    EXPECT_TRUE(got.isNull());
  }
}

TEST(FrameBufferDecode, OneBitRowsStartInsideBytesAndPalettes) {
  constexpr uint32_t kW = 13, kH = 3;
  auto on = [](uint32_t i) { return i % 3 == 0 || i % 7 == 1; };
  for (uint32_t e : {0u, 1u}) {
    std::vector<uint8_t> bytes(FRAMEBUFFER_ByteCount(kW, kH, e));
    ASSERT_EQ(bytes.size(), 5u);  // 39 bits
    for (uint32_t i = 0; i < kW * kH; ++i) {
      if (on(i)) bytes[i / 8] |= static_cast<uint8_t>(e == 0 ? 0x80 >> (i % 8) : 1 << (i % 8));
    }
    QImage got;
    ASSERT_TRUE(FRAMEBUFFER_Decode(bytes, kW, kH, e, got));
    for (uint32_t i = 0; i < kW * kH; ++i) {
      EXPECT_EQ(got.pixel(static_cast<int>(i % kW), static_cast<int>(i / kW)), FRAMEBUFFER_MonoColour(on(i)))
          << FRAMEBUFFER_EncodingText(e) << " pixel " << i;
    }
  }
  EXPECT_EQ(FRAMEBUFFER_MonoColour(true), qRgb(255, 255, 255));
  EXPECT_EQ(FRAMEBUFFER_IndexedColour(0xE0), qRgb(255, 0, 0));
  EXPECT_EQ(FRAMEBUFFER_IndexedColour(0x1C), qRgb(0, 255, 0));
  EXPECT_EQ(FRAMEBUFFER_IndexedColour(0x03), qRgb(0, 0, 255));
  EXPECT_EQ(FRAMEBUFFER_IndexedColour(0x00), qRgb(0, 0, 0));
  // Known pixels: RGB565 red, green, blue; RGB888 as bytes; ARGB8888 premultiplied.
  const uint8_t rgb565[] = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00};
  const uint8_t argb[] = {0x40, 0x20, 0x10, 0x80};
  QImage got;
  ASSERT_TRUE(FRAMEBUFFER_Decode(rgb565, 3, 1, 5, got));
  EXPECT_EQ(got.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(got.pixel(1, 0), qRgb(0, 255, 0));
  EXPECT_EQ(got.pixel(2, 0), qRgb(0, 0, 255));
  ASSERT_TRUE(FRAMEBUFFER_Decode(argb, 1, 1, 13, got));
  EXPECT_EQ(got.pixel(0, 0), qPremultiply(qRgba(0x10, 0x20, 0x40, 0x80)));
  EXPECT_FALSE(FRAMEBUFFER_Decode(argb, 1, 1, 14, got));
  EXPECT_FALSE(FRAMEBUFFER_Decode(argb, 0, 1, 13, got));
  EXPECT_EQ(FRAMEBUFFER_ByteCount(4096, 4096, 13), 67108864u);  // 64-bit arithmetic
  EXPECT_EQ(FRAMEBUFFER_ClampSide(0), 1u);
  EXPECT_EQ(FRAMEBUFFER_ClampSide(100000), FRAMEBUFFER_MAX_SIDE);
}

TEST(FrameBufferChunks, Plans) {
  struct Case {
    uint32_t bytes;
    uint32_t reads, chunk, last;
  };
  const Case cases[] = {
      {864, 9, 100, 64},           // 96 x 72 at 1 bit
      {153600, 10, 15360, 15360},  // 320 x 240 at 16 bits
      {1009, 10, 100, 109},        // the largest block of 100-byte chunks
      {1010, 10, 101, 101},
      {100, 1, 100, 100},
      {50, 1, 50, 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    const auto plan = FRAMEBUFFER_ChunkPlan(c.bytes);
    ASSERT_EQ(plan.size(), c.reads);
    uint32_t offset = 0;
    for (size_t i = 0; i < plan.size(); ++i) {
      EXPECT_EQ(plan[i].offset, offset);
      EXPECT_EQ(plan[i].size, i + 1 < plan.size() ? c.chunk : c.last);
      EXPECT_EQ(plan[i].last, i + 1 == plan.size());
      offset += plan[i].size;
    }
    EXPECT_EQ(offset, c.bytes);
  }
  EXPECT_TRUE(FRAMEBUFFER_ChunkPlan(0).empty());
  EXPECT_EQ(FRAMEBUFFER_ReadableBytes(0xFFFFFF00u, 0x200), 0x100u);
  EXPECT_EQ(FRAMEBUFFER_ReadableBytes(0x20000000u, 0x200), 0x200u);
}

// The reader against a fake probe: the picture arrives, is decoded, and a stop while reads
// keep going frees the block only on the worker (the address sanitizer build watches).
TEST_F(EngineTest, FrameBufferReaderReadsPublishesAndStops) {
  FakeProbe::Get().connected = true;
  std::atomic<int> reads{0};
  FakeProbe::Get().read_mem = [&](uint32_t addr, uint32_t n, void* buf) {
    auto* p = static_cast<uint8_t*>(buf);
    for (uint32_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(addr + i);  // byte = low address bits
    reads++;
    return 0;
  };
  for (int round = 0; round < 3; ++round) {
    FrameBufferReader reader;
    std::atomic<int> notified{0};
    ASSERT_TRUE(reader.Start(0x1000, 33, 31, 8, [&] { notified++; }));  // 3069 bytes of RGB888
    EXPECT_EQ(APP_GetMemReadTaskCount(), 10u);
    ASSERT_TRUE(WaitFor([&] { return notified.load() > 0; }));
    QImage image;
    ASSERT_TRUE(reader.Decode(image));
    // Pixel (x, y) holds the bytes at offset 3 * (y * 33 + x).
    const uint32_t off = 3 * (30 * 33 + 32);
    EXPECT_EQ(image.pixel(32, 30), qRgb((off) & 0xFF, (off + 1) & 0xFF, (off + 2) & 0xFF));
    if (round == 1) SYS_Sleep(25);  // let more reads run before the stop
  }  // the destructor stops
  EXPECT_TRUE(WaitFor([] { return APP_GetMemReadTaskCount() == 0; }));
  EXPECT_TRUE(RunOnWorker([] {}));  // the release task has run
  EXPECT_GT(reads.load(), 0);
}

}  // namespace
