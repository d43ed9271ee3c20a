#include "modules/led_paint.h"

#include <QPainter>
#include <QRadialGradient>
#include <algorithm>

QRectF LedLamp(const LED_STATE& s) {
  const double d = std::min(s.rect.width(), s.rect.height()) * 0.9;
  return QRectF(s.rect.center().x() - d / 2, s.rect.center().y() - d / 2, d, d);
}

void PaintLed(QPainter& p, const LED_STATE& s) {
  const QRectF lamp = LedLamp(s);
  if (lamp.width() < 2.0) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const double r = lamp.width() / 2;
  const QPointF c = lamp.center();
  // Bezel: a dark ring shaded from top left.
  QRadialGradient bezel(c - QPointF(r * 0.3, r * 0.3), r * 1.3);
  bezel.setColorAt(0.0, QColor(150, 150, 150));
  bezel.setColorAt(1.0, QColor(40, 40, 40));
  p.setPen(Qt::NoPen);
  p.setBrush(bezel);
  p.drawEllipse(c, r, r);
  // Lamp: bright core and a highlight when lit, a dull dome when dark.
  const QColor base = s.lit ? s.on_color : s.off_color;
  const double lr = r * 0.82;
  QRadialGradient dome(c - QPointF(lr * 0.25, lr * 0.3), lr);
  if (s.lit) {
    dome.setColorAt(0.0, base.lighter(160));
    dome.setColorAt(0.55, base);
    dome.setColorAt(1.0, base.darker(130));
  } else {
    dome.setColorAt(0.0, base.darker(105));
    dome.setColorAt(1.0, base.darker(150));
  }
  p.setBrush(dome);
  p.drawEllipse(c, lr, lr);
  QRadialGradient gloss(c - QPointF(lr * 0.35, lr * 0.4), lr * 0.45);
  gloss.setColorAt(0.0, QColor(255, 255, 255, s.lit ? 170 : 110));
  gloss.setColorAt(1.0, QColor(255, 255, 255, 0));
  p.setBrush(gloss);
  p.drawEllipse(c - QPointF(lr * 0.35, lr * 0.4), lr * 0.45, lr * 0.45);
  p.restore();
}
