#include "modules/grapher_view.h"

#include <algorithm>
#include <cmath>

namespace {

int PxPerDiv(const GRAPHER_VIEW& view) { return std::max(view.px_per_div, GRAPHER_MIN_PX_PER_DIV); }

double Span(const GRAPHER_VIEW& view) {
  return static_cast<double>(std::max(view.width, 0) / PxPerDiv(view)) * view.resolution;
}

double ClampLeft(double left, double newest, double span) {
  return std::max(std::min(left, newest - span), 0.0);
}

}  // namespace

GRAPHER_GEOMETRY GRAPHER_Geometry(const GRAPHER_VIEW& view) {
  GRAPHER_GEOMETRY g;
  g.px_per_div = PxPerDiv(view);
  const int w = std::max(view.width, 0);
  const int h = std::max(view.height, 0);
  g.divs_across = w / g.px_per_div;
  g.divs_down = h / g.px_per_div;
  g.plot_width = g.divs_across * g.px_per_div;
  g.plot_height = g.divs_down * g.px_per_div;
  g.margin_x = (w - g.plot_width) / 2;
  g.margin_y = (h - g.plot_height) / 2;
  g.centre_x = g.margin_x + g.plot_width / 2;
  g.centre_y = g.margin_y + g.plot_height / 2;
  g.span = Span(view);
  g.us_per_px = view.resolution / g.px_per_div;
  return g;
}

int GRAPHER_RowOf(const GRAPHER_GEOMETRY& g, double value, double y_resolution, double y_offset) {
  const double res = y_resolution > 0.0 ? y_resolution : 1.0;
  const double limit = 4.0 * (g.plot_height + g.px_per_div);
  double dy = std::trunc(value / res * g.px_per_div) + std::trunc(g.px_per_div * y_offset);
  if (!(dy >= -limit)) dy = -limit;  // NaN goes to an edge as well
  if (dy > limit) dy = limit;
  return g.centre_y - static_cast<int>(dy);
}

int GRAPHER_TimeBaseIndex(GRAPHER_VIEW& view) {
  const int cached = view.time_base_index;
  if (cached >= 0 && cached < static_cast<int>(GRAPHER_TIME_BASES.size()) &&
      GRAPHER_TIME_BASES[cached] == view.resolution) {
    return cached;
  }
  int best = 0;
  for (int i = 1; i < static_cast<int>(GRAPHER_TIME_BASES.size()); ++i) {
    if (std::fabs(GRAPHER_TIME_BASES[i] - view.resolution) <
        std::fabs(GRAPHER_TIME_BASES[best] - view.resolution)) {
      best = i;
    }
  }
  view.time_base_index = best;
  return best;
}

void GRAPHER_Zoom(GRAPHER_VIEW& view, int steps, int cursor_x, uint64_t newest_time) {
  if (steps == 0) return;
  const int last = static_cast<int>(GRAPHER_TIME_BASES.size()) - 1;
  const int index = std::clamp(GRAPHER_TimeBaseIndex(view) + steps, 0, last);
  const double before = view.resolution;
  if (steps < 0) {
    const double cursor = GRAPHER_CursorTime(view, cursor_x);
    view.resolution = GRAPHER_TIME_BASES[index];
    if (view.resolution < before) view.left_time += (cursor - view.left_time) / 2.0;
  } else {
    view.resolution = GRAPHER_TIME_BASES[index];
    const double cursor = GRAPHER_CursorTime(view, cursor_x);
    if (view.resolution > before) view.left_time -= (cursor - view.left_time) / 2.0;
  }
  view.time_base_index = index;
  view.left_time = ClampLeft(view.left_time, static_cast<double>(newest_time), Span(view));
}

void GRAPHER_Scroll(GRAPHER_VIEW& view, int steps) {
  const double step = std::trunc(Span(view) / 10.0);
  view.left_time = std::max(view.left_time + step * steps, 0.0);
}

void GRAPHER_Pan(GRAPHER_VIEW& view, int dx_pixels) {
  const double us_per_px = view.resolution / PxPerDiv(view);
  view.left_time = std::max(view.left_time - us_per_px * dx_pixels, 0.0);
}

void GRAPHER_AutoScroll(GRAPHER_VIEW& view, bool has_samples, uint64_t newest_time) {
  if (!has_samples) return;
  const double newest = static_cast<double>(newest_time);
  const double span = Span(view);
  if (newest > view.left_time + span) view.left_time = newest - span;
}

double GRAPHER_CursorTime(const GRAPHER_VIEW& view, int cursor_x) {
  const GRAPHER_GEOMETRY g = GRAPHER_Geometry(view);
  return view.left_time + g.span * (cursor_x - g.margin_x) / (g.plot_width + 1);
}

int GRAPHER_ClampToPlot(const GRAPHER_VIEW& view, int x) {
  const GRAPHER_GEOMETRY g = GRAPHER_Geometry(view);
  return std::clamp(x, g.margin_x, g.margin_x + g.plot_width);
}

uint32_t GRAPHER_AdaptYResolution(uint32_t current, double sampled_min, double sampled_max,
                                  int divs_down) {
  uint64_t res = current == 0 ? 1 : current;
  if (!std::isfinite(sampled_min) || !std::isfinite(sampled_max) || divs_down <= 0 ||
      sampled_min > sampled_max) {
    return static_cast<uint32_t>(res);
  }
  const double m = std::max(sampled_max, std::fabs(sampled_min));
  const double needed = std::trunc(2.0 * m / divs_down);
  if (needed <= static_cast<double>(res)) return static_cast<uint32_t>(res);
  while (static_cast<double>(res) < needed && res < GRAPHER_MAX_Y_RESOLUTION) {
    uint64_t decade = 1;
    while (decade * 10 <= res) decade *= 10;
    const uint64_t mantissa = res / decade;
    if (res % decade != 0 || (mantissa != 1 && mantissa != 2 && mantissa != 5)) {
      res = decade * 10;  // not on the 1-2-5 sequence: start over at the next power of ten
    } else {
      res = mantissa == 1 ? 2 * decade : mantissa == 2 ? 5 * decade : 10 * decade;
    }
  }
  return static_cast<uint32_t>(std::min<uint64_t>(res, GRAPHER_MAX_Y_RESOLUTION));
}

GRAPHER_ZERO_MARK GRAPHER_ZeroMark(const GRAPHER_GEOMETRY& g, double y_offset, int* above_count,
                                   int* below_count) {
  GRAPHER_ZERO_MARK m;
  const int y0 = GRAPHER_RowOf(g, 0.0, 1.0, y_offset);
  if (y0 < g.margin_y) {
    m.direction = -1;
    m.x = g.margin_x + GRAPHER_ZERO_MARK_WIDTH * (*above_count)++;
    m.y = g.margin_y;
  } else if (y0 > g.margin_y + g.plot_height) {
    m.direction = 1;
    m.x = g.margin_x + GRAPHER_ZERO_MARK_WIDTH * (*below_count)++;
    m.y = g.margin_y + g.plot_height;
  } else {
    m.x = g.margin_x;
    m.y = y0;
  }
  return m;
}

double GRAPHER_DragZero(const GRAPHER_GEOMETRY& g, double y_offset, int dy_up) {
  const double limit = g.px_per_div > 0 ? (g.plot_height / 2.0) / g.px_per_div : 0.0;
  return std::clamp(y_offset + static_cast<double>(dy_up) / g.px_per_div, -limit, limit);
}
