#include "modules/timer_face_paint.h"

#include <QFont>
#include <QPainter>
#include <algorithm>

void PaintTimerFace(QPainter& p, const TIMER_FACE_STATE& s) {
  const double d = std::min(s.rect.width(), s.rect.height()) * 0.9;
  if (d < 4.0) return;
  const QRectF dial(s.rect.center().x() - d / 2, s.rect.center().y() - d / 2, d, d);
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QColor face = s.color;
  face.setAlpha(50);
  p.setPen(QPen(s.color.darker(130), std::max(1.0, d * 0.04)));
  p.setBrush(face);
  p.drawEllipse(dial);
  if (s.animated && s.progress > 0.0) {
    p.setPen(Qt::NoPen);
    p.setBrush(s.color);
    const double inset = d * 0.08;
    p.drawPie(dial.adjusted(inset, inset, -inset, -inset), 90 * 16,
              -static_cast<int>(std::clamp(s.progress, 0.0, 1.0) * 360 * 16));
  }
  QFont font = p.font();
  font.setPixelSize(std::max(6, static_cast<int>(d * 0.18)));
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::black);
  p.drawText(dial, Qt::AlignCenter, QStringLiteral("%1 ms").arg(s.interval_ms));
  p.restore();
}
