// Small drawing helpers shared by the gauges.
#pragma once

#include <QColor>
#include <QString>

#include "modules/gauge_scale.h"

class QFont;
class QPainter;
class QRectF;

inline QColor GaugeColor(const GAUGE_RGBA& c) { return QColor(c.r, c.g, c.b, c.a); }

// Red, centred text for a scale that cannot be drawn.
void PaintInvalidRange(QPainter& painter, const QRectF& rect);

// Every how many marks a label fits when marks are `spacing` pixels apart and labels are
// drawn with `font` (1: every mark).
int64_t GaugeLabelEvery(const QFont& font, int32_t min, const GAUGE_TICK_PLAN& plan, double spacing);

// A tick label: the value at mark `i` rounded to an integer.
QString GaugeTickLabel(int32_t min, const GAUGE_TICK_PLAN& plan, int64_t i);
