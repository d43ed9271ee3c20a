// The grapher's time and value arithmetic and its texts.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "modules/grapher_texts.h"
#include "modules/grapher_view.h"

namespace {

GRAPHER_VIEW View(double resolution, double left) {
  GRAPHER_VIEW v;
  v.width = 640;  // 10 divisions of 64 pixels
  v.height = 256;
  v.px_per_div = 64;
  v.resolution = resolution;
  v.left_time = left;
  return v;
}

TEST(GrapherView, ZoomScrollPanAndAutoScroll) {
  struct Case {
    const char* name;
    double resolution, left;
    int steps, cursor_x;
    uint64_t newest;
    double want_resolution, want_left;
  };
  const Case cases[] = {
      {"coarsest stays", 5e8, 0, +1, 320, 0, 5e8, 0},
      {"finest stays", 1, 0, -1, 320, 0, 1, 0},
      // Finer: the left edge moves halfway to the cursor (time 5000 at the centre column).
      {"finer toward the cursor", 1000, 0, -1, 320, 100000, 500, 10000.0 * 320 / 641 / 2},
      // Coarser: away from the cursor taken after the change, then clamped to 0.
      {"coarser, clamped at 0", 1000, 0, +1, 320, 100000, 2000, 0},
      {"coarser, clamped to the newest", 1000, 50000, +1, 0, 60000, 2000, 40000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GRAPHER_VIEW v = View(c.resolution, c.left);
    GRAPHER_Zoom(v, c.steps, c.cursor_x, c.newest);
    EXPECT_EQ(v.resolution, c.want_resolution);
    EXPECT_NEAR(v.left_time, c.want_left, 1e-6);
  }
  GRAPHER_VIEW v = View(1000, 0);
  GRAPHER_Scroll(v, -1);
  EXPECT_EQ(v.left_time, 0.0);  // never before the start
  GRAPHER_Scroll(v, +2);
  EXPECT_EQ(v.left_time, 2000.0);  // a tenth of the 10000 us span per step
  GRAPHER_Pan(v, 32);              // half a division to the right: earlier times
  EXPECT_EQ(v.left_time, 1500.0);
  GRAPHER_AutoScroll(v, false, 1ull << 40);
  EXPECT_EQ(v.left_time, 1500.0);
  // Past 71.6 minutes the 64-bit newest time still moves the view.
  GRAPHER_AutoScroll(v, true, (1ull << 32) + 5000);
  EXPECT_EQ(v.left_time, static_cast<double>((1ull << 32) + 5000 - 10000));
  EXPECT_NEAR(GRAPHER_CursorTime(View(1000, 0), 320), 10000.0 * 320 / 641, 1e-9);
}

TEST(GrapherView, AutomaticYResolution) {
  struct Case {
    const char* name;
    uint32_t current;
    double min, max;
    int divs_down;
    uint32_t want;
  };
  const Case cases[] = {
      {"steps 5, 10, 20, 50, 100", 5, 0, 120, 4, 100},
      {"negative extreme counts", 1, -30, 2, 4, 20},
      {"never decreases", 500, 0, 1, 4, 500},
      {"off the sequence restarts at a power of ten", 7, 0, 60, 4, 50},
      {"0 from a file counts as 1", 0, 0, 1, 4, 1},
      {"nothing sampled yet", 1, DBL_MAX, -DBL_MAX, 4, 1},
      {"not finite", 1, -INFINITY, NAN, 4, 1},
      {"capped", 1, 0, 1e300, 4, 2000000000u},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GRAPHER_AdaptYResolution(c.current, c.min, c.max, c.divs_down), c.want) << c.name;
  }
}

TEST(GrapherView, ZeroMarksAndRows) {
  const GRAPHER_GEOMETRY g = GRAPHER_Geometry(View(1000, 0));  // 4 divisions down, centre 128
  int above = 0, below = 0;
  EXPECT_EQ(GRAPHER_ZeroMark(g, 1.0, &above, &below).y, 64);
  const GRAPHER_ZERO_MARK up1 = GRAPHER_ZeroMark(g, 3.0, &above, &below);
  const GRAPHER_ZERO_MARK up2 = GRAPHER_ZeroMark(g, 5.0, &above, &below);
  EXPECT_EQ(up1.direction, -1);
  EXPECT_EQ(up2.x - up1.x, GRAPHER_ZERO_MARK_WIDTH);  // side by side at the top edge
  EXPECT_EQ(GRAPHER_ZeroMark(g, -9.0, &above, &below).direction, 1);
  EXPECT_EQ(GRAPHER_DragZero(g, 1.5, 64), 2.0);  // kept within the plot
  EXPECT_EQ(GRAPHER_RowOf(g, 100.0, 50.0, 0.0), 0);
  // Values far beyond the plot stay on a row near it instead of overflowing.
  EXPECT_LT(GRAPHER_RowOf(g, 1e30, 1.0, 0.0), 0);
  EXPECT_GT(GRAPHER_RowOf(g, -1e30, 1.0, 0.0), 256);
}

TEST(GrapherTexts, CursorInfoValueAndMeasureTexts) {
  EXPECT_EQ(GRAPHER_CursorLabel(1234567, 1000), "1234.567 ms");
  EXPECT_EQ(GRAPHER_CursorLabel(12005, 1000), "012.005 ms");
  EXPECT_EQ(GRAPHER_CursorLabel(2500000, 1e6), "2.500 s");
  EXPECT_EQ(GRAPHER_CursorLabel(500000, 1e6), ".500 s");

  GRAPHER_CHANNEL_TEXT a{QColor(255, 0, 0), "vec<int>&", 20, "true", "1", "3", "+2"};
  GRAPHER_CHANNEL_TEXT b{QColor(0, 0, 255), "speed", 5, "-1.500000", "-", "-", "-"};
  const GRAPHER_CHANNEL_TEXT both[] = {a, b};
  EXPECT_EQ(GRAPHER_InfoText(2000, both),
            "X-Resolution: 2 [ms/div]<br>Y-Resolutions: <font style = \"color:#ff0000\"> 20 </font>"
            "<font style = \"color:#0000ff\"> 5 </font>[1/div]");
  EXPECT_TRUE(GRAPHER_InfoText(5e8, {}).startsWith("X-Resolution: 500 [s/div]"));
  EXPECT_TRUE(GRAPHER_InfoText(50, {}).startsWith("X-Resolution: 50 [us/div]"));

  const QString box = GRAPHER_ValueBox(QColor(1, 2, 3, 4), both);
  EXPECT_TRUE(box.startsWith("<p style=\"background-color:#04010203\"><pre><h3><b>"));
  EXPECT_TRUE(box.contains("<font style=\"color:#ff0000\">vec&lt;int&gt;&amp;: true</font>"));
  EXPECT_TRUE(box.endsWith("speed: -1.500000</font></b></h3></pre></p>"));

  const QString m = GRAPHER_MeasureBox(Qt::white, 1000, 21000, both);
  EXPECT_TRUE(m.contains("A: 1.000 ms   B: 21.000 ms   B-A: 20.000 ms (50.000 Hz)"));
  EXPECT_TRUE(m.contains("vec&lt;int&gt;&amp;: A 1   B 3   B-A +2"));

  VALUE_SLOT x{}, y{};
  x.i16 = -3;
  y.i16 = 4;
  EXPECT_EQ(GRAPHER_DeltaText(x, y, TYPEID_I16, true), "+7");
  EXPECT_EQ(GRAPHER_DeltaText(x, y, TYPEID_I16, false), "-");
  y.b = true;
  EXPECT_EQ(GRAPHER_ValueText(y, TYPEID_BOOL, true), "true");
  EXPECT_EQ(GRAPHER_DurationText(-250), "-250 us");
}

}  // namespace
