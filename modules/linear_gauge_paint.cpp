#include "modules/linear_gauge_paint.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

#include "modules/gauge_paint_util.h"

namespace {

QRectF Area(const QRectF& r) {
  return r.adjusted(0.025 * r.width(), 0.025 * r.height(), -0.025 * r.width(), -0.025 * r.height());
}

// Where fraction f of the scale lies along the track.
double Along(const QRectF& track, bool horizontal, double f) {
  return horizontal ? track.left() + f * track.width() : track.bottom() - f * track.height();
}

// The part of the track from fraction f0 to f1.
QRectF Part(const QRectF& track, bool horizontal, double f0, double f1) {
  if (horizontal) return QRectF(QPointF(Along(track, true, f0), track.top()), QPointF(Along(track, true, f1), track.bottom()));
  return QRectF(QPointF(track.left(), Along(track, false, f1)), QPointF(track.right(), Along(track, false, f0)));
}

void PaintZones(QPainter& p, const LINEAR_GAUGE_STATE& s, const QRectF& track, double f0, double f1,
                int alpha_percent) {
  if (f1 <= f0) return;
  auto fade = [alpha_percent](QColor c) {
    c.setAlpha(c.alpha() * alpha_percent / 100);
    return c;
  };
  if (s.zones.blur) {
    QLinearGradient grad(s.horizontal ? track.topLeft() : track.bottomLeft(),
                         s.horizontal ? track.topRight() : track.topLeft());
    for (int i = 0; i <= 32; ++i) grad.setColorAt(i / 32.0, fade(GaugeColor(GAUGE_ZoneColor(s.zones, i / 32.0))));
    p.fillRect(Part(track, s.horizontal, f0, f1), grad);
    return;
  }
  double b0 = std::clamp(s.zones.borders[0], 0.0, 1.0), b1 = std::clamp(s.zones.borders[1], 0.0, 1.0);
  if (b1 < b0) std::swap(b0, b1);
  const double edges[4] = {0.0, b0, b1, 1.0};
  for (int z = 0; z < 3; ++z) {
    const double a = std::max(edges[z], f0), b = std::min(edges[z + 1], f1);
    if (b > a) p.fillRect(Part(track, s.horizontal, a, b), fade(GaugeColor(s.zones.colors[z])));
  }
}

void PaintTicks(QPainter& p, const LINEAR_GAUGE_STATE& s, const QRectF& track, const QRectF& area) {
  const GAUGE_TICK_PLAN plan = GAUGE_TickPlan(s.min, s.max);
  const double width = static_cast<double>(GAUGE_RangeWidth(s.min, s.max));
  const double across = s.horizontal ? track.height() : track.width();
  const double len = across * 0.35;
  const double along = s.horizontal ? track.width() : track.height();
  QFont font = p.font();
  const double per_mark = along / std::max<int64_t>(plan.count, 1);
  font.setPixelSize(std::max(6, static_cast<int>(s.horizontal ? std::min(across * 0.45, (area.bottom() - track.bottom()) * 0.5)
                                                               : std::min(across * 0.45, per_mark * 0.8))));
  p.setFont(font);
  // Horizontal labels need their width between marks; vertical ones their height.
  const int64_t every = s.horizontal ? GaugeLabelEvery(font, s.min, plan, per_mark) : 1;
  for (int64_t i = 0; i <= plan.count; ++i) {
    const double at = static_cast<double>(i) * plan.step;
    if (at > width) break;
    const double pos = Along(track, s.horizontal, at / width);
    p.setPen(QPen(s.pen, std::max(1.0, across * 0.04)));
    QRectF label;
    if (s.horizontal) {
      p.drawLine(QPointF(pos, track.bottom()), QPointF(pos, track.bottom() + len));
      const double w = per_mark * every * 1.6;
      label = QRectF(pos - w / 2, track.bottom() + len, w, area.bottom() - track.bottom() - len);
    } else {
      p.drawLine(QPointF(track.right(), pos), QPointF(track.right() + len, pos));
      const double h = std::max(per_mark, across * 0.6);
      label = QRectF(track.right() + len * 1.3, pos - h / 2, area.right() - track.right() - len * 1.3, h);
    }
    if (i % every != 0) continue;
    p.setPen(s.pen);
    p.drawText(label, (s.horizontal ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignLeft | Qt::AlignVCenter),
               GaugeTickLabel(s.min, plan, i));
  }
}

}  // namespace

QRectF LinearGaugeTrack(const LINEAR_GAUGE_STATE& s) {
  const QRectF a = Area(s.rect);
  if (s.horizontal) {
    const double inset = std::min(0.06 * a.width(), 0.5 * a.height());
    return QRectF(a.left() + inset, a.top(), a.width() - 2 * inset, 0.45 * a.height());
  }
  const double inset = std::min(0.06 * a.height(), 0.5 * a.width());
  return QRectF(a.left(), a.top() + inset, 0.4 * a.width(), a.height() - 2 * inset);
}

QRectF LinearGaugeBar(const LINEAR_GAUGE_STATE& s) {
  return Part(LinearGaugeTrack(s), s.horizontal, 0.0, GAUGE_Fraction(s.value, s.min, s.max));
}

void PaintLinearGauge(QPainter& p, const LINEAR_GAUGE_STATE& s) {
  const QRectF track = LinearGaugeTrack(s);
  if (track.width() < 2.0 || track.height() < 2.0) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  if (!GAUGE_RangeValid(s.min, s.max)) {
    PaintInvalidRange(p, Area(s.rect));
    p.restore();
    return;
  }
  // A shaded well for the track, the zones faint over their whole length and lit up to the value.
  QLinearGradient well(track.topLeft(), s.horizontal ? track.bottomLeft() : track.topRight());
  well.setColorAt(0.0, QColor(210, 210, 210));
  well.setColorAt(1.0, QColor(245, 245, 245));
  p.fillRect(track, well);
  PaintZones(p, s, track, 0.0, 1.0, 18);
  PaintZones(p, s, track, 0.0, GAUGE_Fraction(s.value, s.min, s.max), 100);
  QLinearGradient rim(s.rect.topLeft(), s.rect.bottomRight());
  rim.setColorAt(0.0, s.pen.lighter(150));
  rim.setColorAt(1.0, s.pen.darker(200));
  p.setPen(QPen(QBrush(rim), std::max(1.0, std::min(track.width(), track.height()) * 0.05)));
  p.setBrush(Qt::NoBrush);
  p.drawRect(track);
  PaintTicks(p, s, track, Area(s.rect));
  p.restore();
}
