// The grapher's texts: the cursor label, the info label, the value box at the cursor and the
// measurement box of cursors A and B. Names go into rich text escaped (C++ names hold <, >
// and &).
#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <span>

#include "symbols/active_symbol.h"

// "1234.567 ms" below 1 s per division, "1.234 s" from there on (the grapher's own formats,
// seconds left out when they are 0).
QString GRAPHER_CursorLabel(double time_us, double resolution);
// "X-Resolution: 2 [ms/div]<br>Y-Resolutions: " and one coloured resolution per channel.
struct GRAPHER_CHANNEL_TEXT {
  QColor colour;
  QString name;
  uint32_t y_resolution = 1;
  QString value;   // formatted value at the cursor (value box)
  QString value_a;  // measurement box: values at A and B and B - A
  QString value_b;
  QString delta;
};
QString GRAPHER_InfoText(double resolution, std::span<const GRAPHER_CHANNEL_TEXT> channels);
// The value box shown while the mouse is over the plot in Run mode.
QString GRAPHER_ValueBox(const QColor& background, std::span<const GRAPHER_CHANNEL_TEXT> channels);
// A value as the grapher shows it (a boolean as "true" or "false"); `ok` false: "-".
QString GRAPHER_ValueText(const VALUE_SLOT& value, uint32_t type, bool ok);
// B - A of two values of a type ("-" unless both exist and the type is numeric).
QString GRAPHER_DeltaText(const VALUE_SLOT& a, const VALUE_SLOT& b, uint32_t type, bool ok);
// A duration in the unit that suits it ("250 us", "12.500 ms", "1.500000 s"), signed.
QString GRAPHER_DurationText(double us);
// The measurement box of cursors A and B: their times, B - A with its frequency, and per
// channel the values at A and B and their difference.
QString GRAPHER_MeasureBox(const QColor& background, double time_a, double time_b,
                           std::span<const GRAPHER_CHANNEL_TEXT> channels);
