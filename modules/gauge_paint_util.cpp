#include "modules/gauge_paint_util.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QRectF>
#include <cmath>

void PaintInvalidRange(QPainter& painter, const QRectF& rect) {
  painter.save();
  QFont font = painter.font();
  font.setPixelSize(std::max(8, static_cast<int>(std::min(rect.width() / 9.0, rect.height() / 3.0))));
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(QColor(200, 0, 0));
  painter.drawText(rect, Qt::AlignCenter, QStringLiteral("Invalid Range!"));
  painter.restore();
}

QString GaugeTickLabel(int32_t min, const GAUGE_TICK_PLAN& plan, int64_t i) {
  return QString::number(std::llround(static_cast<double>(min) + static_cast<double>(i) * plan.step));
}

int64_t GaugeLabelEvery(const QFont& font, int32_t min, const GAUGE_TICK_PLAN& plan, double spacing) {
  if (spacing <= 0.0) return 1;
  const QFontMetricsF metrics(font);
  double widest = 0.0;
  for (int64_t i : {int64_t{0}, plan.count / 2, plan.count}) {
    widest = std::max(widest, metrics.horizontalAdvance(GaugeTickLabel(min, plan, i)));
  }
  const int64_t every = static_cast<int64_t>(std::ceil(widest * 1.3 / spacing));
  return std::max<int64_t>(every, 1);
}
