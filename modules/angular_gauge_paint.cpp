#include "modules/angular_gauge_paint.h"

#include <QConicalGradient>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "modules/gauge_paint_util.h"

namespace {

constexpr double kBandOuter = 0.90;  // fractions of the radius
constexpr double kBandInner = 0.80;
constexpr double kMajorTick = 0.10;
constexpr double kLabelRadius = 0.60;
constexpr double kHub = 0.07;

double Rad(double deg) { return deg * std::numbers::pi / 180.0; }

// Point at `r` in direction `deg` (counter-clockwise from 3 o'clock; y grows downward).
QPointF Polar(const QPointF& c, double r, double deg) {
  return {c.x() + r * std::cos(Rad(deg)), c.y() - r * std::sin(Rad(deg))};
}

QRectF Square(const QPointF& c, double r) { return {c.x() - r, c.y() - r, 2 * r, 2 * r}; }

// Distance of the read-out's middle below the pivot, in radii.
double ReadoutOffset(int32_t sweep) { return sweep == 270 ? 0.45 : 0.25; }

// The ring segment between r_in and r_out from `from_deg`, `span_deg` clockwise.
QPainterPath Band(const QPointF& c, double r_out, double r_in, double from_deg, double span_deg) {
  QPainterPath p;
  p.arcMoveTo(Square(c, r_out), from_deg);
  p.arcTo(Square(c, r_out), from_deg, -span_deg);
  p.arcTo(Square(c, r_in), from_deg - span_deg, span_deg);
  p.closeSubpath();
  return p;
}

// The zone band from fraction f0 to f1 of the scale.
void PaintZones(QPainter& p, const ANGULAR_GAUGE_GEOMETRY& g, const GAUGE_ZONES& zones, double f0,
                double f1, int alpha_percent) {
  if (f1 <= f0) return;
  const double r_out = kBandOuter * g.radius, r_in = kBandInner * g.radius;
  auto fade = [alpha_percent](QColor c) {
    c.setAlpha(c.alpha() * alpha_percent / 100);
    return c;
  };
  if (zones.blur) {
    // The conical gradient runs counter-clockwise from the scale's maximum.
    const double end_deg = g.start_deg - g.sweep_deg;
    QConicalGradient grad(g.center, end_deg);
    for (int i = 0; i <= 32; ++i) {
      const double f = i / 32.0;
      grad.setColorAt((1.0 - f) * g.sweep_deg / 360.0, fade(GaugeColor(GAUGE_ZoneColor(zones, f))));
    }
    p.fillPath(Band(g.center, r_out, r_in, g.start_deg - f0 * g.sweep_deg, (f1 - f0) * g.sweep_deg),
               grad);
    return;
  }
  double b0 = std::clamp(zones.borders[0], 0.0, 1.0), b1 = std::clamp(zones.borders[1], 0.0, 1.0);
  if (b1 < b0) std::swap(b0, b1);
  const double edges[4] = {0.0, b0, b1, 1.0};
  for (int z = 0; z < 3; ++z) {
    const double a = std::max(edges[z], f0), b = std::min(edges[z + 1], f1);
    if (b <= a) continue;
    p.fillPath(Band(g.center, r_out, r_in, g.start_deg - a * g.sweep_deg, (b - a) * g.sweep_deg),
               fade(GaugeColor(zones.colors[z])));
  }
}

void PaintTicks(QPainter& p, const ANGULAR_GAUGE_STATE& s, const ANGULAR_GAUGE_GEOMETRY& g) {
  const GAUGE_TICK_PLAN plan = GAUGE_TickPlan(s.min, s.max);
  const double width = static_cast<double>(GAUGE_RangeWidth(s.min, s.max));
  const double r = g.radius;
  QPen tick(s.pen, std::max(1.0, 0.015 * r));
  tick.setCapStyle(Qt::FlatCap);
  QPen minor(s.pen, std::max(1.0, 0.008 * r));
  QFont font = p.font();
  // Labels shrink when many marks share a small arc.
  const double arc_per_mark = Rad(g.sweep_deg) * kLabelRadius * r / std::max<int64_t>(plan.count, 1);
  font.setPixelSize(std::max(6, static_cast<int>(std::min(0.11 * r, 0.7 * arc_per_mark))));
  p.setFont(font);
  const int64_t every = GaugeLabelEvery(font, s.min, plan, arc_per_mark);
  for (int64_t i = 0; i <= plan.count; ++i) {
    const double at = static_cast<double>(i) * plan.step;
    if (at > width) break;
    const double deg = g.start_deg - at / width * g.sweep_deg;
    p.setPen(tick);
    p.drawLine(Polar(g.center, kBandInner * r, deg), Polar(g.center, (kBandInner - kMajorTick) * r, deg));
    const double mid = at + plan.step / 2.0;
    if (mid < width) {
      const double mdeg = g.start_deg - mid / width * g.sweep_deg;
      p.setPen(minor);
      p.drawLine(Polar(g.center, kBandInner * r, mdeg),
                 Polar(g.center, (kBandInner - kMajorTick / 2) * r, mdeg));
    }
    if (i % every != 0) continue;
    const QPointF c = Polar(g.center, kLabelRadius * r, deg);
    const double lw = 0.5 * r, lh = 0.2 * r;
    p.setPen(s.pen);
    p.drawText(QRectF(c.x() - lw / 2, c.y() - lh / 2, lw, lh), Qt::AlignCenter,
               GaugeTickLabel(s.min, plan, i));
  }
}

void PaintNeedle(QPainter& p, const ANGULAR_GAUGE_STATE& s, const ANGULAR_GAUGE_GEOMETRY& g) {
  const double deg = AngularGaugeNeedleDeg(s), r = g.radius;
  QPolygonF needle;
  needle << Polar(g.center, 0.86 * r, deg) << Polar(g.center, 0.045 * r, deg + 90)
         << Polar(g.center, 0.18 * r, deg + 180) << Polar(g.center, 0.045 * r, deg - 90);
  p.setPen(QPen(QColor(120, 0, 0), std::max(1.0, 0.005 * r)));
  p.setBrush(QColor(215, 30, 25));
  p.drawPolygon(needle);
  QRadialGradient hub(g.center - QPointF(0.02 * r, 0.02 * r), kHub * r);
  hub.setColorAt(0.0, s.pen.lighter(300));
  hub.setColorAt(1.0, s.pen);
  p.setPen(Qt::NoPen);
  p.setBrush(hub);
  p.drawEllipse(g.center, kHub * r, kHub * r);
}

}  // namespace

int32_t AngularGaugeSweep(int32_t angle) { return angle == 90 || angle == 180 ? angle : 270; }

ANGULAR_GAUGE_GEOMETRY AngularGaugeGeometry(const ANGULAR_GAUGE_STATE& s) {
  ANGULAR_GAUGE_GEOMETRY g;
  const int32_t sweep = AngularGaugeSweep(s.angle);
  g.sweep_deg = sweep;
  g.start_deg = 90.0 + sweep / 2.0;
  // Bounding box of the unit dial: the arc's ends, the compass points it passes, the pivot
  // and the read-out below it.
  double x0 = -kHub, x1 = kHub, y0 = -kHub, y1 = ReadoutOffset(sweep) + 0.13;
  auto take = [&](double deg) {
    const QPointF q = Polar({0, 0}, 1.0, deg);
    x0 = std::min(x0, q.x()), x1 = std::max(x1, q.x());
    y0 = std::min(y0, q.y()), y1 = std::max(y1, q.y());
  };
  take(g.start_deg);
  take(g.start_deg - sweep);
  if (sweep >= 270) take(270.0);  // the face is a full disc
  for (double deg : {0.0, 90.0, 180.0, 270.0, -90.0}) {
    if (deg <= g.start_deg && deg >= g.start_deg - sweep) take(deg);
  }
  const QRectF area = s.rect.adjusted(0.025 * s.rect.width(), 0.025 * s.rect.height(),
                                      -0.025 * s.rect.width(), -0.025 * s.rect.height());
  g.radius = std::max(0.0, std::min(area.width() / (x1 - x0), area.height() / (y1 - y0)));
  g.center = area.center() - QPointF(g.radius * (x0 + x1) / 2.0, g.radius * (y0 + y1) / 2.0);
  return g;
}

double AngularGaugeNeedleDeg(const ANGULAR_GAUGE_STATE& s) {
  const int32_t sweep = AngularGaugeSweep(s.angle);
  return 90.0 + sweep / 2.0 - GAUGE_Fraction(s.value, s.min, s.max) * sweep;
}

void PaintAngularGauge(QPainter& p, const ANGULAR_GAUGE_STATE& s) {
  const ANGULAR_GAUGE_GEOMETRY g = AngularGaugeGeometry(s);
  if (g.radius < 4.0) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const double r = g.radius;

  // Face and bezel: a full disc for 270 degrees, otherwise the sector with a little extra
  // on each side and a rounded pivot.
  QPainterPath face;
  if (g.sweep_deg >= 270) {
    face.addEllipse(g.center, r, r);
  } else {
    const double pad = 6.0;
    face.moveTo(g.center);
    face.arcTo(Square(g.center, r), g.start_deg + pad, -(g.sweep_deg + 2 * pad));
    face.closeSubpath();
    QPainterPath foot;
    foot.addRoundedRect(QRectF(g.center.x() - 0.3 * r, g.center.y() - 0.15 * r, 0.6 * r,
                               (ReadoutOffset(static_cast<int32_t>(g.sweep_deg)) + 0.28) * r),
                        0.08 * r, 0.08 * r);
    face = face.united(foot);
  }
  // The face contrasts with the pen: light behind a dark pen, dark behind a light one.
  const bool light_pen = s.pen.lightnessF() > 0.5;
  QRadialGradient shade(g.center, r);
  shade.setColorAt(0.0, light_pen ? QColor(62, 66, 74) : QColor(252, 252, 252));
  shade.setColorAt(1.0, light_pen ? QColor(28, 30, 34) : QColor(222, 222, 222));
  p.fillPath(face, shade);
  QLinearGradient bezel(s.rect.topLeft(), s.rect.bottomRight());
  bezel.setColorAt(0.0, s.pen.lighter(150));
  bezel.setColorAt(1.0, s.pen.darker(200));
  p.setPen(QPen(QBrush(bezel), std::max(1.5, 0.035 * r)));
  p.setBrush(Qt::NoBrush);
  p.drawPath(face);

  if (!GAUGE_RangeValid(s.min, s.max)) {
    PaintInvalidRange(p, QRectF(g.center.x() - r, g.center.y() - 0.4 * r, 2 * r, 0.8 * r));
    p.restore();
    return;
  }

  // Zones: the whole band, or with fill the band lit up to the value over a faint track.
  const double f = GAUGE_Fraction(s.value, s.min, s.max);
  if (s.fill) {
    PaintZones(p, g, s.zones, 0.0, 1.0, 18);
    PaintZones(p, g, s.zones, 0.0, f, 100);
  } else {
    PaintZones(p, g, s.zones, 0.0, 1.0, 100);
  }
  p.setPen(QPen(s.pen, std::max(1.0, 0.006 * r)));
  p.setBrush(Qt::NoBrush);
  p.drawPath(Band(g.center, kBandOuter * r, kBandInner * r, g.start_deg, g.sweep_deg));

  PaintTicks(p, s, g);

  // Read-out under the pivot: the value itself, also when the needle rests at an end.
  QFont font = p.font();
  font.setPixelSize(std::max(7, static_cast<int>(0.15 * r)));
  font.setBold(true);
  p.setFont(font);
  p.setPen(s.pen);
  const double ro = ReadoutOffset(static_cast<int32_t>(g.sweep_deg));
  p.drawText(QRectF(g.center.x() - 0.5 * r, g.center.y() + (ro - 0.12) * r, r, 0.24 * r),
             Qt::AlignCenter, QString::number(s.value));

  PaintNeedle(p, s, g);
  p.restore();
}
