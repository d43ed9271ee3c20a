// Painting of the linear gauge: a bar track lit in the zone colours from the minimum up to the
// value (the rest of the track faint), the labelled ticks beside it. Horizontal gauges grow
// from left to right with the scale underneath; vertical ones grow upward with the scale on
// the right.
#pragma once

#include <QColor>
#include <QRectF>

#include "modules/gauge_scale.h"

class QPainter;

struct LINEAR_GAUGE_STATE {
  QRectF rect;  // the widget's rectangle; a 2.5 % margin is kept on each side
  int32_t min = 0;
  int32_t max = 100;
  bool horizontal = true;
  GAUGE_ZONES zones;
  QColor pen = Qt::black;
  int64_t value = 25;
};

// The track the bar grows in.
QRectF LinearGaugeTrack(const LINEAR_GAUGE_STATE& state);
// The lit part of the track for the shown value (the value clamped to the range).
QRectF LinearGaugeBar(const LINEAR_GAUGE_STATE& state);

void PaintLinearGauge(QPainter& painter, const LINEAR_GAUGE_STATE& state);
