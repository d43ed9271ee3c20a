#include "modules/framebuffer_decode.h"

#include <algorithm>

namespace {

struct EncodingInfo {
  const char* text;
  uint32_t bits;
};

constexpr EncodingInfo kEncodings[FRAMEBUFFER_ENCODINGS] = {
    {"1 Bit - MSB 1st", 1},       {"1 Bit - LSB 1st", 1},       {"8 Bit - indexed", 8},
    {"16 Bit - RGB(444)", 16},    {"16 Bit - RGB(555)", 16},    {"16 Bit - RGB(565)", 16},
    {"16 Bit - ARGB(4444)", 16},  {"24 Bit - RGB(666)", 24},    {"24 Bit - RGB(888)", 24},
    {"24 Bit - ARGB(6666)", 24},  {"24 Bit - ARGB(8555)", 24},  {"24 Bit - ARGB(8565)", 24},
    {"32 Bit - RGB(888)", 32},    {"32 Bit - ARGB(8888)", 32},
};

// An n-bit channel widened to 8 bits by repeating its bits (0 stays 0, all ones become 255).
constexpr uint32_t Widen(uint32_t v, int bits) {
  uint32_t out = 0;
  for (int shift = 8 - bits; shift > -bits; shift -= bits) out |= shift >= 0 ? v << shift : v >> -shift;
  return out & 0xFF;
}
static_assert(Widen(0x1F, 5) == 255 && Widen(0x3F, 6) == 255 && Widen(0xF, 4) == 255 && Widen(0, 5) == 0);
static_assert(Widen(0x3, 2) == 255 && Widen(0x7, 3) == 255);

uint32_t Bits(uint32_t v, int shift, int bits) { return (v >> shift) & ((1u << bits) - 1); }

// Colour from bit fields; alpha given already widened. Premultiplied sources keep their
// channels as they are (only clamped to alpha, which a valid premultiplied pixel never
// exceeds).
QRgb Make(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return qRgba(static_cast<int>(std::min(r, a)), static_cast<int>(std::min(g, a)),
               static_cast<int>(std::min(b, a)), static_cast<int>(a));
}

uint32_t Le16(const uint8_t* p) { return p[0] | (uint32_t{p[1]} << 8); }
uint32_t Le24(const uint8_t* p) { return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16); }
uint32_t Le32(const uint8_t* p) { return Le24(p) | (uint32_t{p[3]} << 24); }
uint32_t Be16(const uint8_t* p) { return (uint32_t{p[0]} << 8) | p[1]; }
uint32_t Be24(const uint8_t* p) { return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2]; }

QRgb Rgb565(uint32_t v, uint32_t a) {
  return Make(a, Widen(Bits(v, 11, 5), 5), Widen(Bits(v, 5, 6), 6), Widen(Bits(v, 0, 5), 5));
}
QRgb Rgb555(uint32_t v, uint32_t a) {
  return Make(a, Widen(Bits(v, 10, 5), 5), Widen(Bits(v, 5, 5), 5), Widen(Bits(v, 0, 5), 5));
}

// One row of whole-byte pixels: `bytes` per pixel from `src`.
void DecodeRow(uint32_t encoding, const uint8_t* src, uint32_t width, QRgb* dst) {
  switch (encoding) {
    case 2:
      for (uint32_t x = 0; x < width; ++x) dst[x] = FRAMEBUFFER_IndexedColour(src[x]);
      break;
    case 3:
      for (uint32_t x = 0; x < width; ++x, src += 2) {
        const uint32_t v = Le16(src);
        dst[x] = Make(255, Widen(Bits(v, 8, 4), 4), Widen(Bits(v, 4, 4), 4), Widen(Bits(v, 0, 4), 4));
      }
      break;
    case 4:
      for (uint32_t x = 0; x < width; ++x, src += 2) dst[x] = Rgb555(Le16(src), 255);
      break;
    case 5:
      for (uint32_t x = 0; x < width; ++x, src += 2) dst[x] = Rgb565(Le16(src), 255);
      break;
    case 6:
      for (uint32_t x = 0; x < width; ++x, src += 2) {
        const uint32_t v = Le16(src);
        dst[x] = Make(Widen(Bits(v, 12, 4), 4), Widen(Bits(v, 8, 4), 4), Widen(Bits(v, 4, 4), 4),
                      Widen(Bits(v, 0, 4), 4));
      }
      break;
    case 7:
      for (uint32_t x = 0; x < width; ++x, src += 3) {
        const uint32_t v = Be24(src);
        dst[x] = Make(255, Widen(Bits(v, 12, 6), 6), Widen(Bits(v, 6, 6), 6), Widen(Bits(v, 0, 6), 6));
      }
      break;
    case 8:
      for (uint32_t x = 0; x < width; ++x, src += 3) dst[x] = qRgb(src[0], src[1], src[2]);
      break;
    case 9:
      for (uint32_t x = 0; x < width; ++x, src += 3) {
        const uint32_t v = Be24(src);
        dst[x] = Make(Widen(Bits(v, 18, 6), 6), Widen(Bits(v, 12, 6), 6), Widen(Bits(v, 6, 6), 6),
                      Widen(Bits(v, 0, 6), 6));
      }
      break;
    case 10:
      for (uint32_t x = 0; x < width; ++x, src += 3) dst[x] = Rgb555(Be16(src), src[2]);
      break;
    case 11:
      for (uint32_t x = 0; x < width; ++x, src += 3) dst[x] = Rgb565(Be16(src), src[2]);
      break;
    case 12:
      for (uint32_t x = 0; x < width; ++x, src += 4) dst[x] = 0xFF000000u | Le32(src);
      break;
    case 13:
      for (uint32_t x = 0; x < width; ++x, src += 4) dst[x] = qPremultiply(Le32(src));
      break;
    default:
      break;
  }
}

// One row of 1-bit pixels starting at bit `bit` of the block.
void DecodeMonoRow(bool msb_first, const uint8_t* block, uint64_t bit, uint32_t width, QRgb* dst) {
  const QRgb colours[2] = {FRAMEBUFFER_MonoColour(false), FRAMEBUFFER_MonoColour(true)};
  for (uint32_t x = 0; x < width; ++x, ++bit) {
    const uint8_t byte = block[bit >> 3];
    const uint32_t k = static_cast<uint32_t>(bit & 7);
    dst[x] = colours[(msb_first ? byte >> (7 - k) : byte >> k) & 1];
  }
}

}  // namespace

const char* FRAMEBUFFER_EncodingText(uint32_t encoding) {
  return encoding < FRAMEBUFFER_ENCODINGS ? kEncodings[encoding].text : nullptr;
}

uint32_t FRAMEBUFFER_BitsPerPixel(uint32_t encoding) {
  return encoding < FRAMEBUFFER_ENCODINGS ? kEncodings[encoding].bits : 0;
}

uint32_t FRAMEBUFFER_ClampSide(uint32_t pixels) {
  return std::clamp<uint32_t>(pixels, 1, FRAMEBUFFER_MAX_SIDE);
}

uint64_t FRAMEBUFFER_ByteCount(uint32_t width, uint32_t height, uint32_t encoding) {
  return (uint64_t{width} * height * FRAMEBUFFER_BitsPerPixel(encoding) + 7) / 8;
}

QRgb FRAMEBUFFER_IndexedColour(uint8_t index) {
  return qRgb(static_cast<int>(Widen(Bits(index, 5, 3), 3)), static_cast<int>(Widen(Bits(index, 2, 3), 3)),
              static_cast<int>(Widen(Bits(index, 0, 2), 2)));
}

QRgb FRAMEBUFFER_MonoColour(bool set) { return set ? qRgb(255, 255, 255) : qRgb(0, 0, 0); }

bool FRAMEBUFFER_Decode(std::span<const uint8_t> bytes, uint32_t width, uint32_t height,
                        uint32_t encoding, QImage& image) {
  const uint32_t bits = FRAMEBUFFER_BitsPerPixel(encoding);
  if (bits == 0 || width == 0 || height == 0 || width > FRAMEBUFFER_MAX_SIDE ||
      height > FRAMEBUFFER_MAX_SIDE || bytes.size() < FRAMEBUFFER_ByteCount(width, height, encoding)) {
    image = QImage();
    return false;
  }
  const QSize size(static_cast<int>(width), static_cast<int>(height));
  if (image.size() != size || image.format() != QImage::Format_ARGB32_Premultiplied) {
    image = QImage(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return false;
  }
  const uint64_t row_bits = uint64_t{width} * bits;
  for (uint32_t y = 0; y < height; ++y) {
    QRgb* dst = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
    if (bits == 1) {
      DecodeMonoRow(encoding == 0, bytes.data(), row_bits * y, width, dst);
    } else {
      DecodeRow(encoding, bytes.data() + row_bits / 8 * y, width, dst);
    }
  }
  return true;
}
