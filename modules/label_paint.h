// Painting of the label: its text in the text colour over the background colour, either at the
// fixed size or fitted (the largest size whose text fills 90 % of the widget).
#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

struct LABEL_STATE {
  QRectF rect;
  QString text;
  int alignment = 0x84;  // Qt::AlignCenter
  QColor text_color = Qt::black;
  QColor background = Qt::transparent;
  bool use_fixed_size = false;
  int fixed_px = 16;
};

// The pixel size the text is drawn with.
int LabelPixelSize(const LABEL_STATE& state);
void PaintLabel(QPainter& painter, const LABEL_STATE& state);
