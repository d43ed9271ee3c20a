// The frame buffer's fourteen pixel encodings, decoded from the host copy of target memory
// into an image the module owns.
//
// Memory layout: rows follow each other without padding, as the block size
// (width x height x bits + 7) / 8 says; a row of a 1-bit picture may therefore start inside
// a byte. Channel layouts and byte orders are those of the image formats of the same names:
// 16- and 32-bit pixels are little-endian words (RGB565: red in bits 15-11; 32-bit: 0xAARRGGBB);
// RGB888 is the bytes red, green, blue; the 6-bit encodings are a 24-bit word with its most
// significant byte first (RGB666: red in bits 17-12; ARGB6666: alpha in bits 23-18); ARGB8555
// and ARGB8565 are the colour as a 16-bit word, most significant byte first, then the alpha
// byte. "Premultiplied" encodings carry colours already multiplied by alpha.
// Palettes: 1-bit pixels show 0 black and 1 white (a lit pixel of a monochrome display);
// 8-bit indexed pixels are read as RGB 3-3-2 (red bits 7-5, green 4-2, blue 1-0), the usual
// 8-bit colour mode of display controllers, each channel scaled to the full 0..255 range.
#pragma once

#include <QImage>
#include <QRgb>
#include <cstdint>
#include <span>

constexpr uint32_t FRAMEBUFFER_ENCODINGS = 14;
// Width and height are kept to 1 .. 4096 pixels (a 4096 x 4096 picture at 32 bits is 64 MiB,
// far beyond the memory of the targets and the time of a periodic read).
constexpr uint32_t FRAMEBUFFER_MAX_SIDE = 4096;

// The dialog's text of an encoding ("16 Bit - RGB(565)"); null outside 0 .. 13.
const char* FRAMEBUFFER_EncodingText(uint32_t encoding);
// Bits per pixel; 0 outside 0 .. 13.
uint32_t FRAMEBUFFER_BitsPerPixel(uint32_t encoding);
// Width or height as kept: 0 becomes 1, more than FRAMEBUFFER_MAX_SIDE that maximum.
uint32_t FRAMEBUFFER_ClampSide(uint32_t pixels);
// Bytes of a packed picture, computed in 64 bits; 0 for an invalid encoding.
uint64_t FRAMEBUFFER_ByteCount(uint32_t width, uint32_t height, uint32_t encoding);
// Colour of an 8-bit index and of a 1-bit pixel.
QRgb FRAMEBUFFER_IndexedColour(uint8_t index);
QRgb FRAMEBUFFER_MonoColour(bool set);

// Decodes `bytes` row by row into `image`, which becomes width x height in premultiplied
// ARGB32 (its storage reused when it already is). False, and a null image, for an invalid
// encoding or size, or when `bytes` holds less than the picture needs.
bool FRAMEBUFFER_Decode(std::span<const uint8_t> bytes, uint32_t width, uint32_t height,
                        uint32_t encoding, QImage& image);
