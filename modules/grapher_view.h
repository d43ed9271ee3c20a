// The grapher's view of time and values: the time-base table, the plot geometry derived from
// the widget size, the mapping of samples to pixels, zoom, scroll, pan, auto scroll, the
// cursor time and the automatic Y resolution. Plain values and functions, so that tests
// drive them without painting.
#pragma once

#include <array>
#include <cstdint>

// Microseconds per division that the time zoom steps through (1-2-5 from 1 us to 500 s).
constexpr std::array<double, 27> GRAPHER_TIME_BASES = {
    1, 2, 5, 10, 20, 50, 100, 200, 500, 1e3, 2e3, 5e3, 1e4, 2e4, 5e4, 1e5, 2e5, 5e5,
    1e6, 2e6, 5e6, 1e7, 2e7, 5e7, 1e8, 2e8, 5e8};
constexpr int GRAPHER_MIN_PX_PER_DIV = 16;
constexpr uint32_t GRAPHER_MAX_Y_RESOLUTION = 2000000000u;

struct GRAPHER_VIEW {
  int width = 0;              // widget pixels
  int height = 0;
  int px_per_div = 8;         // raised to GRAPHER_MIN_PX_PER_DIV where it is used
  double resolution = 1e6;    // microseconds per division
  double left_time = 0.0;     // microseconds since sampling start at the plot's left edge
  int time_base_index = -1;   // cached index of `resolution` in GRAPHER_TIME_BASES
};

// Derived from a view at each paint.
struct GRAPHER_GEOMETRY {
  int px_per_div = GRAPHER_MIN_PX_PER_DIV;
  int divs_down = 0;
  int divs_across = 0;
  int margin_x = 0;  // half the width left over by whole divisions
  int margin_y = 0;
  int plot_width = 0;   // divs_across * px_per_div
  int plot_height = 0;
  int centre_x = 0;     // pixel column and row of the axes
  int centre_y = 0;
  double span = 0.0;        // microseconds shown: divs_across * resolution
  double us_per_px = 1.0;   // resolution / px_per_div
};

GRAPHER_GEOMETRY GRAPHER_Geometry(const GRAPHER_VIEW& view);

// Pixel column of a time, counted from the plot's left edge (the margin not added); the
// same expression everywhere, so that column searches agree with single samples.
inline double GRAPHER_ColumnOf(const GRAPHER_VIEW& view, const GRAPHER_GEOMETRY& g, uint64_t t) {
  return (static_cast<double>(t) - view.left_time) / g.us_per_px;
}

// Pixel row of a value on a channel with `y_resolution` units per division whose zero level
// sits `y_offset` divisions above the centre line; kept within a few plot heights of the
// plot, so that huge values never overflow the integer.
int GRAPHER_RowOf(const GRAPHER_GEOMETRY& g, double value, double y_resolution, double y_offset);

// Index of the view's resolution in the table (cached in the view): the nearest entry.
int GRAPHER_TimeBaseIndex(GRAPHER_VIEW& view);
// Ctrl+wheel: `steps` > 0 toward the user (coarser), < 0 away (finer). The left time moves
// toward or away from the cursor time so that the cursor keeps its place as far as it can,
// then stays within 0 .. newest - span.
void GRAPHER_Zoom(GRAPHER_VIEW& view, int steps, int cursor_x, uint64_t newest_time);
// Wheel without Ctrl: a tenth of the span per step, toward the user later; never before 0.
void GRAPHER_Scroll(GRAPHER_VIEW& view, int steps);
// Drag: the view follows the mouse by `dx_pixels` (positive: the mouse moved right, earlier
// times come into view); never before 0.
void GRAPHER_Pan(GRAPHER_VIEW& view, int dx_pixels);
// Auto scroll: when the newest sample lies beyond the right edge, the view moves so that it
// sits at the right edge. `has_samples` false leaves the view alone.
void GRAPHER_AutoScroll(GRAPHER_VIEW& view, bool has_samples, uint64_t newest_time);

// Time under pixel column `cursor_x` (widget pixels).
double GRAPHER_CursorTime(const GRAPHER_VIEW& view, int cursor_x);
// `x` kept within the plot area.
int GRAPHER_ClampToPlot(const GRAPHER_VIEW& view, int x);

// Automatic Y resolution: the resolution that fits the sampled extremes into the divisions
// below the centre line, stepping up along 1, 2, 5, 10, ... and never decreasing. A
// resolution of 0 counts as 1; extremes that are not finite (nothing sampled yet) change
// nothing.
uint32_t GRAPHER_AdaptYResolution(uint32_t current, double sampled_min, double sampled_max,
                                  int divs_down);

// Where a channel's zero mark is drawn: in the plot at its zero level (pointing right into
// the plot), or, for a level above or below the plot, at the top or bottom edge (pointing
// out), several of those side by side.
struct GRAPHER_ZERO_MARK {
  int x = 0;  // left end of the triangle
  int y = 0;  // tip row (in the plot: the zero level)
  int direction = 0;  // 0 in the plot, -1 above it, +1 below it
};
constexpr int GRAPHER_ZERO_MARK_WIDTH = 10;
constexpr int GRAPHER_ZERO_MARK_HEIGHT = 5;
GRAPHER_ZERO_MARK GRAPHER_ZeroMark(const GRAPHER_GEOMETRY& g, double y_offset, int* above_count,
                                   int* below_count);
// The Y offset after dragging a zero mark `dy_up` pixels up, kept within the plot.
double GRAPHER_DragZero(const GRAPHER_GEOMETRY& g, double y_offset, int dy_up);
