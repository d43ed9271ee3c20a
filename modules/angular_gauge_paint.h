// Painting of the angular gauge: a round dial (light, or dark behind a light pen) with a bezel, the three indicator zones on an
// arc band, labelled ticks, a needle and a digital read-out under the pivot.
//
// Dial geometry: the sweep is centred on 12 o'clock and runs clockwise from the minimum to the
// maximum (270 degrees: from 7:30 to 4:30, 180 degrees: from 9 to 3, 90 degrees: from 10:30 to
// 1:30). The dial is scaled to the largest size whose arc, pivot and read-out fit the area.
#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>

#include "modules/gauge_scale.h"

class QPainter;

constexpr int32_t ANGULAR_GAUGE_DEFAULT_ANGLE = 270;

struct ANGULAR_GAUGE_STATE {
  QRectF rect;  // the widget's rectangle; the dial keeps a margin of 2.5 % on each side
  int32_t min = 0;
  int32_t max = 100;
  int32_t angle = ANGULAR_GAUGE_DEFAULT_ANGLE;  // sweep: 90, 180 or 270 degrees
  GAUGE_ZONES zones;
  QColor pen = Qt::black;
  bool fill = false;  // the zone band is lit only up to the value
  int64_t value = 25;
};

struct ANGULAR_GAUGE_GEOMETRY {
  QPointF center;
  double radius = 0.0;
  double start_deg = 0.0;  // angle of the minimum, counter-clockwise from 3 o'clock
  double sweep_deg = 0.0;  // clockwise extent of the scale
};

// The sweep used for a stored angle (anything but 90 and 180 draws as 270).
int32_t AngularGaugeSweep(int32_t angle);
ANGULAR_GAUGE_GEOMETRY AngularGaugeGeometry(const ANGULAR_GAUGE_STATE& state);
// Direction of the needle (degrees, counter-clockwise from 3 o'clock) for the shown value:
// the value clamped to the range.
double AngularGaugeNeedleDeg(const ANGULAR_GAUGE_STATE& state);

void PaintAngularGauge(QPainter& painter, const ANGULAR_GAUGE_STATE& state);
