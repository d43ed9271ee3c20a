#include "modules/grapher_plot.h"

#include <QPainter>
#include <QLine>
#include <QPolygon>
#include <QVector>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "modules/grapher_columns.h"

namespace {

void DrawGrid(QPainter& p, const GrapherPlot::State& s, const GRAPHER_GEOMETRY& g) {
  const int top = g.margin_y, bottom = g.margin_y + g.plot_height;
  const int left = g.margin_x, right = g.margin_x + g.plot_width;
  p.setPen(QPen(s.grid, 1));
  for (int i = 0; i <= g.divs_across; ++i) {
    const int x = left + i * g.px_per_div;
    p.drawLine(x, top, x, bottom);
  }
  for (int j = 0; j <= g.divs_down; ++j) {
    const int y = top + j * g.px_per_div;
    p.drawLine(left, y, right, y);
  }
  p.setPen(QPen(s.axis, 1));
  p.drawLine(g.centre_x, top, g.centre_x, bottom);
  p.drawLine(left, g.centre_y, right, g.centre_y);
  // Ticks every half division along both axes.
  const int half = g.px_per_div / 2;
  constexpr int kTick = 3;
  for (int x = left; half > 0 && x <= right; x += half) p.drawLine(x, g.centre_y - kTick, x, g.centre_y + kTick);
  for (int y = top; half > 0 && y <= bottom; y += half) p.drawLine(g.centre_x - kTick, y, g.centre_x + kTick, y);
}

void AddPoint(QPolygon& poly, int x, int y) {
  if (!poly.isEmpty() && poly.constLast() == QPoint(x, y)) return;  // same pixel: nothing to add
  poly.append(QPoint(x, y));
}

// Every visible sample, each point computed on its own: the reference picture.
QPolygon WalkEverySample(const GrapherPlot::State& s, const GRAPHER_GEOMETRY& g,
                         const GRAPHER_TRACE& t) {
  QPolygon poly;
  const auto [begin, end] = GRAPHER_VisibleRange(s.history, s.view, g);
  for (uint32_t pos = begin; pos < end; ++pos) {
    const double v = GRAPHER_ValueAt(s.history, t.ring, t.type, pos);
    if (!std::isfinite(v)) continue;
    const int x = g.margin_x + static_cast<int>(GRAPHER_ColumnOf(s.view, g, GRAPHER_StampAt(s.history, pos)));
    AddPoint(poly, x, GRAPHER_RowOf(g, v, t.y_resolution, t.y_offset));
  }
  return poly;
}

// What a 2-pixel pen with square caps covers along a vertical line from row a to row b.
QRect VerticalRun(int x, int a, int b) { return QRect(x - 1, std::min(a, b) - 1, 2, std::abs(b - a) + 2); }
constexpr int kSteep = 4;  // rows per column from which a step is drawn as vertical runs

// Lines from the per-column reduction. Within a column every sample sits on the same pixel
// column, so the walk over the samples covers one vertical run from the smallest to the
// largest value: drawn as the rectangle a 2-pixel pen with square caps covers. Then a line
// from the column's last value to the next column's first one, exactly as the walk draws it.
void ReducedLines(const GRAPHER_GEOMETRY& g, const GRAPHER_TRACE& t,
                  const std::vector<GRAPHER_COLUMN>& columns, QVector<QLine>& lines,
                  QVector<QRect>& runs) {
  bool have_previous = false;
  QPoint previous;
  for (size_t c = 0; c < columns.size(); ++c) {
    const GRAPHER_COLUMN& col = columns[c];
    if (col.empty) continue;
    const int x = g.margin_x + static_cast<int>(c);
    const int first = GRAPHER_RowOf(g, col.first, t.y_resolution, t.y_offset);
    const int top = GRAPHER_RowOf(g, col.max, t.y_resolution, t.y_offset);
    const int bottom = GRAPHER_RowOf(g, col.min, t.y_resolution, t.y_offset);
    const int last = GRAPHER_RowOf(g, col.last, t.y_resolution, t.y_offset);
    if (have_previous && previous != QPoint(x, first)) {
      const int dy = first - previous.y();
      if (x - previous.x() == 1 && (dy >= kSteep || dy <= -kSteep)) {
        // A steep step to the neighbouring column is two vertical runs, each column taking
        // half of it; antialiasing would add nothing visible to a line this steep.
        const int mid = previous.y() + dy / 2;
        runs.append(VerticalRun(previous.x(), previous.y(), mid));
        runs.append(VerticalRun(x, mid, first));
      } else {
        lines.append(QLine(previous, QPoint(x, first)));
      }
    }
    if (bottom > top) runs.append(VerticalRun(x, top, bottom));
    previous = QPoint(x, last);
    have_previous = true;
  }
}

// Points: every distinct pixel a sample falls on, found per column with a row bitmap (a
// column may hold a million samples but only as many rows as the plot is high). Runs of
// neighbouring rows become one vertical line: the same pixels as the points, drawn at once.
void ReducedPoints(const GrapherPlot::State& s, const GRAPHER_GEOMETRY& g, const GRAPHER_TRACE& t,
                   const std::vector<uint32_t>& starts, QPolygon& points, QVector<QLine>& runs) {
  const int row0 = g.margin_y - 2;
  const int rows = g.plot_height + 5;
  std::vector<uint8_t> hit(static_cast<size_t>(rows));
  for (size_t c = 0; c + 1 < starts.size(); ++c) {
    if (starts[c] == starts[c + 1]) continue;
    std::fill(hit.begin(), hit.end(), 0);
    for (uint32_t pos = starts[c]; pos < starts[c + 1]; ++pos) {
      const double v = GRAPHER_ValueAt(s.history, t.ring, t.type, pos);
      if (!std::isfinite(v)) continue;
      const int r = GRAPHER_RowOf(g, v, t.y_resolution, t.y_offset) - row0;
      if (r >= 0 && r < rows) hit[static_cast<size_t>(r)] = 1;
    }
    const int x = g.margin_x + static_cast<int>(c);
    for (int r = 0; r < rows; ++r) {
      if (hit[static_cast<size_t>(r)] == 0) continue;
      int end = r;
      while (end + 1 < rows && hit[static_cast<size_t>(end + 1)] != 0) ++end;
      if (end == r) {
        points.append(QPoint(x, row0 + r));
      } else {
        runs.append(QLine(x, row0 + r, x, row0 + end));
      }
      r = end;
    }
  }
}

// Consecutive points as separate segments: the painter rasterizes solid line lists
// directly, while a long self-overlapping polyline would go through the general stroker.
void DrawSegments(QPainter& p, const QPolygon& poly) {
  if (poly.size() < 2) return;
  QVector<QLine> lines;
  lines.reserve(poly.size() - 1);
  for (int i = 1; i < poly.size(); ++i) lines.append(QLine(poly[i - 1], poly[i]));
  p.drawLines(lines);
}

void DrawTraces(QPainter& p, const GrapherPlot::State& s, const GRAPHER_GEOMETRY& g) {
  if (s.history.stamps == nullptr || s.history.count < 2) return;
  std::vector<uint32_t> starts;
  std::vector<GRAPHER_COLUMN> columns;
  if (s.decimate) GRAPHER_ColumnStarts(s.history, s.view, g, starts);
  p.save();
  p.setClipRect(g.margin_x - 1, g.margin_y - 1, g.plot_width + 3, g.plot_height + 3);
  p.setRenderHint(QPainter::Antialiasing, true);
  for (const GRAPHER_TRACE& t : s.traces) {
    if (t.ring == nullptr || !GRAPHER_IsDrawableType(t.type)) continue;
    p.setPen(QPen(t.colour, 2));
    if (!s.decimate) {
      const QPolygon poly = WalkEverySample(s, g, t);
      if (t.draw_style == 0) {
        DrawSegments(p, poly);
      } else {
        p.drawPoints(poly);
      }
    } else if (t.draw_style == 0) {
      GRAPHER_ReduceColumns(s.history, t.ring, t.type, starts, columns);
      QVector<QLine> lines;
      QVector<QRect> runs;
      ReducedLines(g, t, columns, lines, runs);
      p.drawLines(lines);
      p.save();
      p.setRenderHint(QPainter::Antialiasing, false);
      p.setPen(Qt::NoPen);
      p.setBrush(t.colour);
      p.drawRects(runs);
      p.restore();
    } else {
      QPolygon points;
      QVector<QLine> runs;
      ReducedPoints(s, g, t, starts, points, runs);
      p.drawPoints(points);
      p.drawLines(runs);
    }
  }
  p.restore();
}

void DrawZeroMarks(QPainter& p, const GrapherPlot::State& s, const GRAPHER_GEOMETRY& g) {
  int above = 0, below = 0;
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  for (const GRAPHER_TRACE& t : s.traces) {
    const GRAPHER_ZERO_MARK m = GRAPHER_ZeroMark(g, t.y_offset, &above, &below);
    constexpr int w = GRAPHER_ZERO_MARK_WIDTH, h = GRAPHER_ZERO_MARK_HEIGHT;
    QPolygon tri;
    if (m.direction == 0) {
      tri << QPoint(m.x, m.y - h) << QPoint(m.x + w, m.y) << QPoint(m.x, m.y + h);
    } else {
      const int base = m.y - m.direction * h;
      tri << QPoint(m.x, base) << QPoint(m.x + w / 2, m.y) << QPoint(m.x + w, base);
    }
    p.setBrush(t.colour);
    p.drawPolygon(tri);
  }
  p.restore();
}

void DrawCursors(QPainter& p, const GrapherPlot::State& s, const GRAPHER_GEOMETRY& g) {
  const int top = g.margin_y, bottom = g.margin_y + g.plot_height;
  const struct {
    bool on;
    double time;
    const char* name;
  } marks[] = {{s.has_cursor_a, s.cursor_a, "A"}, {s.has_cursor_b, s.cursor_b, "B"}};
  for (const auto& m : marks) {
    if (!m.on) continue;
    const double col = (m.time - s.view.left_time) / g.us_per_px;
    if (!(col >= 0.0 && col <= g.plot_width)) continue;
    const int x = g.margin_x + static_cast<int>(col);
    p.setPen(QPen(s.cursor, 1, Qt::DashLine));
    p.drawLine(x, top, x, bottom);
    p.drawText(x + 3, top + p.fontMetrics().ascent() + 2, QString::fromLatin1(m.name));
  }
  p.setPen(QPen(s.cursor, 1));
  p.drawLine(s.cursor_x, top, s.cursor_x, bottom);
}

}  // namespace

void GrapherPlot::paint(QPainter& painter, const State& state) {
  const GRAPHER_GEOMETRY g = GRAPHER_Geometry(state.view);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(0, 0, state.view.width, state.view.height, state.background);
  DrawGrid(painter, state, g);
  if (state.run_mode) DrawTraces(painter, state, g);
  DrawZeroMarks(painter, state, g);
  DrawCursors(painter, state, g);
  painter.restore();
}
