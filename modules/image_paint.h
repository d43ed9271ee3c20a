// Painting of the image module: the picture scaled by the chosen mode and drawn with the chosen
// opacity; without a picture a dashed frame with the word "none".
#pragma once

#include <QImage>
#include <QRectF>

#include "modules/records/module_settings.h"

class QPainter;

// Scale modes (the settings' IMAGE_SCALE_*): 0 stretched over the widget, 1 covering the
// widget with the overhang cut off, 2 fitting inside the widget, centred.

struct IMAGE_STATE {
  QRectF rect;
  QImage image;  // null: no picture
  int32_t scale_mode = IMAGE_SCALE_KEEP_SHRINKING;
  double opacity = 1.0;  // 0 transparent .. 1 opaque
};

// Where the picture is drawn (may reach beyond the widget when expanding).
QRectF ImageTarget(const IMAGE_STATE& state);
void PaintImage(QPainter& painter, const IMAGE_STATE& state);
