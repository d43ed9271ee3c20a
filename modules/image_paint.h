// Painting of the image module: the picture scaled by the chosen mode and drawn with the chosen
// opacity; without a picture a dashed frame with the word "none".
#pragma once

#include <QImage>
#include <QRectF>

class QPainter;

enum : int32_t {
  IMAGE_SCALE_IGNORE_ASPECT = 0,  // stretched over the widget
  IMAGE_SCALE_EXPAND = 1,         // covers the widget, the overhang cut off
  IMAGE_SCALE_SHRINK = 2,         // fits inside the widget, centred
};

struct IMAGE_STATE {
  QRectF rect;
  QImage image;  // null: no picture
  int32_t scale_mode = IMAGE_SCALE_SHRINK;
  double opacity = 1.0;  // 0 transparent .. 1 opaque
};

// Where the picture is drawn (may reach beyond the widget when expanding).
QRectF ImageTarget(const IMAGE_STATE& state);
void PaintImage(QPainter& painter, const IMAGE_STATE& state);
