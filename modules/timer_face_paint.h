// Painting of the timer's face: a round dial in the timer's colour with its interval, and, when
// animated and running, a sector for the part of the interval that has passed.
#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

struct TIMER_FACE_STATE {
  QRectF rect;
  QColor color = QColor(64, 160, 64);
  int32_t interval_ms = 1000;
  double progress = 0.0;  // 0..1 of the interval passed; shown when animated
  bool animated = false;
};

void PaintTimerFace(QPainter& painter, const TIMER_FACE_STATE& state);
