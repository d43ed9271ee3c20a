// Painting of the LED: a round lamp in a dark bezel, lit with a radial gradient in the light
// colour, dark in the default colour.
#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

struct LED_STATE {
  QRectF rect;
  bool lit = false;
  QColor on_color = QColor(96, 128, 255);
  QColor off_color = Qt::white;
};

// The lamp's disc (centred, the largest that fits with a 5 % margin).
QRectF LedLamp(const LED_STATE& state);
void PaintLed(QPainter& painter, const LED_STATE& state);
