#include "modules/digital_display_paint.h"

#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "logic/logic_value.h"

namespace {

const QString kErr = QStringLiteral("Err");

// Digits in a cell count: the point takes none.
int Cells(const QString& text) { return static_cast<int>(text.size() - text.count(QLatin1Char('.'))); }

QString Fit(const QString& text, int32_t digits) { return Cells(text) <= digits ? text : kErr; }

QString RealDecimal(double v, int32_t digits) {
  char buf[400];
  for (int decimals = std::max(0, digits - 1); decimals >= 0; --decimals) {
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    QString t = QString::fromLatin1(buf);
    if (t.contains(QLatin1Char('.'))) {
      while (t.endsWith(QLatin1Char('0'))) t.chop(1);
      if (t.endsWith(QLatin1Char('.'))) t.chop(1);
    }
    if (t == QLatin1String("-0")) t = QStringLiteral("0");
    if (Cells(t) <= digits) return t;
  }
  return kErr;
}

}  // namespace

QString DigitalDisplayText(const VALUE_SLOT& value, uint32_t type, int32_t base, int32_t digits) {
  if (base != 2 && base != 8 && base != 16) base = 10;
  digits = std::max<int32_t>(digits, 1);
  if (type == TYPEID_FLOAT || type == TYPEID_DOUBLE) {
    const double v = type == TYPEID_FLOAT ? static_cast<double>(value.f32) : value.f64;
    if (!std::isfinite(v)) return kErr;
    if (base == 10) return RealDecimal(v, digits);
    const double t = std::trunc(std::fabs(v));
    if (t >= 18446744073709551616.0) return kErr;  // 2^64
    QString text = QString::number(static_cast<qulonglong>(t), base).toUpper();
    if (v <= -1.0) text.prepend(QLatin1Char('-'));
    return Fit(text, digits);
  }
  if (type != TYPEID_BOOL && !LOGIC_IsIntegerType(type)) return {};
  const int64_t v = LOGIC_ReadInteger(value, type);
  if (base == 10) return Fit(QString::number(v), digits);
  const uint32_t bits = 8 * LOGIC_TypeWidth(type);
  const uint64_t mask = bits >= 64 ? ~0ULL : (1ULL << bits) - 1;
  return Fit(QString::number(static_cast<qulonglong>(static_cast<uint64_t>(v) & mask), base).toUpper(), digits);
}

uint8_t DigitalDisplaySegments(QChar c) {
  // Segments: 0 a (top), 1 b (top right), 2 c (bottom right), 3 d (bottom), 4 e (bottom
  // left), 5 f (top left), 6 g (middle).
  switch (c.toLatin1()) {
    case '0': return 0x3F;
    case '1': return 0x06;
    case '2': return 0x5B;
    case '3': return 0x4F;
    case '4': return 0x66;
    case '5': return 0x6D;
    case '6': return 0x7D;
    case '7': return 0x07;
    case '8': return 0x7F;
    case '9': return 0x6F;
    case 'A': return 0x77;
    case 'B': return 0x7C;  // b
    case 'C': return 0x39;
    case 'D': return 0x5E;  // d
    case 'E': return 0x79;
    case 'F': return 0x71;
    case 'r': return 0x50;
    case '-': return 0x40;
    default: return 0;
  }
}

namespace {

// The seven segments of a cell of width w and height h at (x, y), as flat hexagons.
QPolygonF Segment(int index, double x, double y, double w, double h) {
  const double t = std::min(w, h) * 0.16;  // thickness
  const double g = t * 0.12;               // gap between segments
  const double mid = y + h / 2;
  auto horiz = [&](double cy) {
    QPolygonF p;
    p << QPointF(x + g + t / 2, cy) << QPointF(x + g + t, cy - t / 2) << QPointF(x + w - g - t, cy - t / 2)
      << QPointF(x + w - g - t / 2, cy) << QPointF(x + w - g - t, cy + t / 2) << QPointF(x + g + t, cy + t / 2);
    return p;
  };
  auto vert = [&](double cx, double y0, double y1) {
    QPolygonF p;
    p << QPointF(cx, y0 + g) << QPointF(cx + t / 2, y0 + g + t / 2) << QPointF(cx + t / 2, y1 - g - t / 2)
      << QPointF(cx, y1 - g) << QPointF(cx - t / 2, y1 - g - t / 2) << QPointF(cx - t / 2, y0 + g + t / 2);
    return p;
  };
  const double top = y + t / 2, bottom = y + h - t / 2, left = x + t / 2, right = x + w - t / 2;
  switch (index) {
    case 0: return horiz(top);
    case 1: return vert(right, top, mid);
    case 2: return vert(right, mid, bottom);
    case 3: return horiz(bottom);
    case 4: return vert(left, mid, bottom);
    case 5: return vert(left, top, mid);
    default: return horiz(mid);
  }
}

}  // namespace

void PaintDigitalDisplay(QPainter& p, const DIGITAL_DISPLAY_STATE& s) {
  p.save();
  p.fillRect(s.rect, s.background);
  const int32_t cells = std::max<int32_t>(s.digits, 1);
  const QRectF area = s.rect.adjusted(s.rect.width() * 0.04, s.rect.height() * 0.12,
                                      -s.rect.width() * 0.04, -s.rect.height() * 0.12);
  // Cells keep a 1 : 2 shape and are centred in the area.
  const double cell_w = std::min(area.width() / cells, area.height() / 2.0);
  const double cell_h = cell_w * 2.0;
  if (cell_w < 2.0) {
    p.restore();
    return;
  }
  const double x0 = area.center().x() - cell_w * cells / 2.0, y0 = area.center().y() - cell_h / 2.0;
  const double digit_w = cell_w * 0.78;
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  QColor ghost = s.text_color;
  ghost.setAlpha(s.text_color.alpha() * 18 / 255);

  // Characters from the right; a point belongs to the cell on its left.
  std::vector<std::pair<QChar, bool>> glyphs;  // character, followed by a point
  for (QChar c : s.text) {
    if (c == QLatin1Char('.') && !glyphs.empty()) glyphs.back().second = true;
    else if (c != QLatin1Char('.')) glyphs.push_back({c, false});
  }
  const int first = cells - static_cast<int>(glyphs.size());
  for (int cell = 0; cell < cells; ++cell) {
    const int gi = cell - first;
    const uint8_t mask = gi >= 0 ? DigitalDisplaySegments(glyphs[gi].first) : 0;
    const double x = x0 + cell * cell_w;
    for (int seg = 0; seg < 7; ++seg) {
      p.setBrush((mask >> seg) & 1 ? s.text_color : ghost);
      p.drawPolygon(Segment(seg, x, y0, digit_w, cell_h));
    }
    const bool point = gi >= 0 && glyphs[gi].second;
    const double d = cell_w * 0.13;
    p.setBrush(point ? s.text_color : ghost);
    p.drawEllipse(QRectF(x + digit_w + (cell_w - digit_w - d) / 2, y0 + cell_h - d, d, d));
  }
  p.restore();
}
