// The grapher's plot as pixels: grid, axes, the channels' traces from the sample history,
// the zero marks and the cursors. Painting reads only its arguments; the view changes that
// come with new data (auto scroll, automatic Y resolution) are made before it.
#pragma once

#include <QColor>
#include <cstdint>
#include <vector>

#include "core/app_sampling.h"
#include "modules/grapher_view.h"

class QPainter;

// One channel as the plot draws it.
struct GRAPHER_TRACE {
  const VALUE_SLOT* ring = nullptr;  // the symbol's history; null: not sampled, not drawn
  uint32_t type = 0;
  double y_resolution = 1.0;  // value units per division
  double y_offset = 0.0;      // zero level, divisions above the centre line
  uint32_t draw_style = 0;    // 0 lines, else points
  QColor colour;
};

class GrapherPlot {
 public:
  struct State {
    GRAPHER_VIEW view;
    QColor background{228, 228, 228, 128};
    QColor grid{192, 192, 192, 255};
    QColor axis{0, 0, 0, 255};
    QColor cursor{0, 0, 255, 255};
    bool run_mode = false;  // traces are drawn in Run mode only
    APP_HISTORY_VIEW history;
    std::vector<GRAPHER_TRACE> traces;  // in slot order
    int cursor_x = 0;
    bool has_cursor_a = false;  // measuring cursors, as times (they stay with the samples)
    bool has_cursor_b = false;
    double cursor_a = 0.0;
    double cursor_b = 0.0;
    // Draw from the per-column reduction (the normal way) or walk every sample (the
    // reference the reduction is measured against).
    bool decimate = true;
  };

  static void paint(QPainter& painter, const State& state);
};
