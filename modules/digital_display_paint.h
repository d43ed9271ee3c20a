// The digital display: the text a calculation result shows in a number base and a digit
// count, and its painting as flat seven-segment digits (unlit segments faintly visible, the
// decimal point between cells).
#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

#include "symbols/active_symbol.h"

class QPainter;

constexpr int32_t DIGITAL_DISPLAY_DEFAULT_BASE = 10;
constexpr int32_t DIGITAL_DISPLAY_DEFAULT_DIGITS = 8;

// The text for a result of `type` in base 2, 8, 10 or 16 (any other base counts as 10) in at
// most `digits` cells; the decimal point takes no cell.
// - Integers in base 10 are signed as their type is; in the other bases the bits at the type's
//   width are shown (an I8 of -1 reads FF in hexadecimal), as on a register view.
// - Reals in base 10 show as many fraction digits as fit, without trailing zeros; in the other
//   bases their integer part (truncated toward zero) with a sign.
// - "Err" when the number does not fit, for NaN and infinities; "" for a type the engine
//   does not compute with (nothing is shown).
QString DigitalDisplayText(const VALUE_SLOT& value, uint32_t type, int32_t base, int32_t digits);

struct DIGITAL_DISPLAY_STATE {
  QRectF rect;
  QString text;  // right-aligned in `digits` cells
  int32_t digits = DIGITAL_DISPLAY_DEFAULT_DIGITS;
  QColor text_color = Qt::black;
  QColor background = QColor(228, 228, 228, 16);
};

// Seven-segment mask of a character (bit 0 = top, then clockwise, bit 6 = middle); 0 for a
// blank or a character without a shape.
uint8_t DigitalDisplaySegments(QChar c);

void PaintDigitalDisplay(QPainter& painter, const DIGITAL_DISPLAY_STATE& state);
