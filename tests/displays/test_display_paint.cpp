// Display modules on rendered images: the needle, the bar, the tick plan, the digits in each
// number base and the LED's blinking, plus the value conversions the gauges rely on.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "display_test_util.h"
#include "logic/logic_value.h"
#include "modules/angular_gauge_paint.h"
#include "modules/digital_display_paint.h"
#include "modules/image_paint.h"
#include "modules/label_paint.h"
#include "modules/led_blink.h"
#include "modules/led_paint.h"
#include "modules/linear_gauge_paint.h"

namespace {

VALUE_SLOT Slot(uint64_t raw) {
  VALUE_SLOT s{};
  s.raw = raw;
  return s;
}

QPointF Polar(QPointF c, double r, double deg) {
  const double a = deg * std::numbers::pi / 180.0;
  return {c.x() + r * std::cos(a), c.y() - r * std::sin(a)};
}

TEST(GaugeScale, TickPlansOfTypicalRanges) {
  struct Case {
    int32_t min, max;
    int64_t count;
    double step;
  } cases[] = {
      {0, 100, 10, 10.0}, {0, 1000, 10, 100.0}, {0, 30, 3, 10.0},  {0, 7, 7, 1.0},
      {-50, 50, 10, 10.0}, {100, 0, 10, 10.0},  {0, 1234, 12, 102.0},
      // The full I32 range is 2^32 - 1 wide: no overflow, a whole-number step.
      {INT32_MIN, INT32_MAX, 4, 1073741823.0},
      {5, 5, 0, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.min << ".." << c.max);
    const GAUGE_TICK_PLAN plan = GAUGE_TickPlan(c.min, c.max);
    EXPECT_EQ(plan.count, c.count);
    EXPECT_DOUBLE_EQ(plan.step, c.step);
  }
}

TEST(GaugeScale, ResultsBecomeTheShownInteger) {
  VALUE_SLOT f{};
  f.f32 = -2.7f;
  VALUE_SLOT big{};
  big.f64 = 1e30;
  VALUE_SLOT nan{};
  nan.f64 = std::nan("");
  struct Case {
    const char* name;
    VALUE_SLOT value;
    uint32_t type;
    bool flag;
    bool shown;
    int64_t want;
  } cases[] = {
      {"float truncated toward zero", f, TYPEID_FLOAT, false, true, -2},
      {"U32 above 2^31 stays positive", Slot(0xFFFFFFF0u), TYPEID_U32, false, true, 4294967280},
      {"I16 sign-extended", Slot(0xFFFF), TYPEID_I16, false, true, -1},
      {"U8 low byte", Slot(0x1FF), TYPEID_U8, false, true, 255},
      {"bool byte", Slot(2), TYPEID_BOOL, false, true, 2},
      {"bool as flag", Slot(2), TYPEID_BOOL, true, true, 1},
      {"huge double saturates", big, TYPEID_DOUBLE, false, true, INT64_MAX},
      {"NaN not shown", nan, TYPEID_DOUBLE, false, false, 0},
      {"unsupported type", Slot(1), TYPEID_U64, false, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int64_t got = 0;
    ASSERT_EQ(GAUGE_ResultToInteger(c.value, c.type, c.flag, &got), c.shown);
    if (c.shown) {
      EXPECT_EQ(got, c.want);
    }
  }
}

// The needle points where the value lies on each sweep, stops at the ends, and a scale that
// cannot be drawn shows no needle.
TEST(AngularGauge, NeedleFollowsTheValue) {
  struct Case {
    int32_t angle, min, max;
    int64_t value;
    double deg;
  } cases[] = {
      {270, 0, 100, 50, 90.0},  {270, 0, 100, 0, 225.0},   {270, 0, 100, 100, -45.0},
      {270, 0, 100, 250, -45.0}, {270, 0, 100, -7, 225.0}, {180, 0, 100, 25, 135.0},
      {90, -10, 10, 0, 90.0},   {270, 0, static_cast<int32_t>(2147483647), 2147483647, -45.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.angle << " " << c.min << ".." << c.max << " at " << c.value);
    ANGULAR_GAUGE_STATE s;
    s.rect = QRectF(0, 0, 240, 240);
    s.angle = c.angle;
    s.min = c.min;
    s.max = c.max;
    s.value = c.value;
    EXPECT_NEAR(AngularGaugeNeedleDeg(s), c.deg, 1e-9);
    const QImage img = Render(240, 240, [&](QPainter& p) { PaintAngularGauge(p, s); });
    const ANGULAR_GAUGE_GEOMETRY g = AngularGaugeGeometry(s);
    EXPECT_TRUE(Reddish(img, Polar(g.center, 0.4 * g.radius, c.deg)));
    EXPECT_FALSE(Reddish(img, Polar(g.center, 0.4 * g.radius, c.deg + 40)));
  }
}

TEST(AngularGauge, ZonesAndInvalidRange) {
  ANGULAR_GAUGE_STATE s;
  s.rect = QRectF(0, 0, 240, 240);
  s.value = 10;
  const ANGULAR_GAUGE_GEOMETRY g = AngularGaugeGeometry(s);
  const double band = 0.85 * g.radius;
  // Default zones: blue, light blue, white; with fill only the part up to the value is lit.
  QImage img = Render(240, 240, [&](QPainter& p) { PaintAngularGauge(p, s); }, "angular_270");
  EXPECT_TRUE(Near(img, Polar(g.center, band, 225 - 270 * 0.15), QColor(0, 0, 255)));
  EXPECT_TRUE(Near(img, Polar(g.center, band, 225 - 270 * 0.5), QColor(127, 127, 255)));
  s.fill = true;
  img = Render(240, 240, [&](QPainter& p) { PaintAngularGauge(p, s); }, "angular_270_fill");
  EXPECT_TRUE(Near(img, Polar(g.center, band, 225 - 270 * 0.05), QColor(0, 0, 255)));
  EXPECT_FALSE(Near(img, Polar(g.center, band, 225 - 270 * 0.25), QColor(0, 0, 255)));

  // A light pen gets a dark face.
  s.pen = QColor(230, 232, 240);
  img = Render(240, 240, [&](QPainter& p) { PaintAngularGauge(p, s); });
  EXPECT_LT(img.pixelColor(Polar(g.center, 0.3 * g.radius, 0).toPoint()).lightness(), 80);
  s.pen = Qt::black;
  for (int32_t max : {0, -10}) {
    s.max = max;
    img = Render(240, 240, [&](QPainter& p) { PaintAngularGauge(p, s); });
    int red = 0;
    for (int y = 0; y < 240; ++y)
      for (int x = 0; x < 240; ++x) red += Reddish(img, QPointF(x, y)) ? 1 : 0;
    EXPECT_GT(red, 20) << "the red warning text";                       // drawn
    EXPECT_FALSE(Reddish(img, Polar(g.center, 0.4 * g.radius, 225)));  // no needle
  }
  for (int32_t angle : {90, 180}) {
    s = ANGULAR_GAUGE_STATE{};
    s.rect = QRectF(0, 0, 240, 160);
    s.angle = angle;
    s.value = 60;
    s.zones.blur = true;
    Render(240, 160, [&](QPainter& p) { PaintAngularGauge(p, s); }, angle == 90 ? "angular_90" : "angular_180_blur");
  }
}

TEST(LinearGauge, BarLengthFollowsTheValue) {
  for (bool horizontal : {true, false}) {
    SCOPED_TRACE(horizontal ? "horizontal" : "vertical");
    LINEAR_GAUGE_STATE s;
    s.horizontal = horizontal;
    s.rect = horizontal ? QRectF(0, 0, 300, 90) : QRectF(0, 0, 90, 300);
    s.min = -100;
    s.max = 100;
    s.value = 50;  // three quarters
    const QRectF track = LinearGaugeTrack(s);
    const QImage img = Render(static_cast<int>(s.rect.width()), static_cast<int>(s.rect.height()),
                              [&](QPainter& p) { PaintLinearGauge(p, s); },
                              horizontal ? "linear_horizontal" : "linear_vertical");
    auto at = [&](double f) {
      return horizontal ? QPointF(track.left() + f * track.width(), track.center().y())
                        : QPointF(track.center().x(), track.bottom() - f * track.height());
    };
    EXPECT_TRUE(Near(img, at(0.15), QColor(0, 0, 255)));      // lit, first zone
    EXPECT_TRUE(Near(img, at(0.50), QColor(127, 127, 255)));  // lit, second zone
    EXPECT_TRUE(Near(img, at(0.70), Qt::white, 8));           // lit, third zone
    EXPECT_FALSE(Near(img, at(0.85), Qt::white, 8));          // beyond the value: faint
    const QRectF bar = LinearGaugeBar(s);
    EXPECT_NEAR(horizontal ? bar.width() / track.width() : bar.height() / track.height(), 0.75, 1e-9);
    s.value = 1000;
    EXPECT_EQ(LinearGaugeBar(s), track);  // above the maximum: full length
  }
}

TEST(DigitalDisplay, DigitsInEachBase) {
  VALUE_SLOT pi{};
  pi.f64 = 3.14159265;
  VALUE_SLOT neg{};
  neg.f32 = -2.5f;
  VALUE_SLOT nan{};
  nan.f64 = std::nan("");
  struct Case {
    VALUE_SLOT value;
    uint32_t type;
    int32_t base, digits;
    const char* want;
  } cases[] = {
      {Slot(255), TYPEID_U8, 2, 8, "11111111"},
      {Slot(255), TYPEID_U8, 8, 8, "377"},
      {Slot(255), TYPEID_U8, 10, 8, "255"},
      {Slot(255), TYPEID_U8, 16, 8, "FF"},
      {Slot(0xFF), TYPEID_I8, 10, 8, "-1"},
      {Slot(0xFF), TYPEID_I8, 16, 8, "FF"},
      {Slot(0xFFFFFFFF), TYPEID_U32, 10, 10, "4294967295"},
      {Slot(0xFFFFFFFF), TYPEID_U32, 10, 8, "Err"},
      {Slot(256), TYPEID_U16, 2, 8, "Err"},
      {pi, TYPEID_DOUBLE, 10, 8, "3.1415927"},
      {pi, TYPEID_DOUBLE, 10, 3, "3.14"},
      {pi, TYPEID_DOUBLE, 16, 8, "3"},
      {neg, TYPEID_FLOAT, 10, 8, "-2.5"},
      {nan, TYPEID_DOUBLE, 10, 8, "Err"},
      {Slot(1), TYPEID_BOOL, 10, 8, "1"},
      {Slot(1), TYPEID_U64, 10, 8, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.want << " base " << c.base);
    EXPECT_EQ(DigitalDisplayText(c.value, c.type, c.base, c.digits).toStdString(), c.want);
  }
  // "8" lights all seven segments of its cell; the blank cells to its left stay dark.
  DIGITAL_DISPLAY_STATE s;
  s.rect = QRectF(0, 0, 200, 60);
  s.digits = 4;
  s.text = "8";
  const QImage img = Render(200, 60, [&](QPainter& p) { PaintDigitalDisplay(p, s); }, "digital");
  int lit_right = 0, lit_left = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) {
      if (Near(img, QPointF(x, y), Qt::black, 60)) ++(x > 120 ? lit_right : lit_left);
    }
  EXPECT_GT(lit_right, 100);
  EXPECT_EQ(lit_left, 0);
}

// Blinking 200 ms on / 800 ms off with a 10 ms refresh: dark for slightly more than 800 ms,
// lit for slightly more than 200 ms, repeating; dark outside Run mode or when the formula fails.
TEST(Led, BlinksByFormulaAndTime) {
  LedBlink led;
  const LED_BLINK_SETTINGS blink{true, 200, 800};
  std::vector<std::pair<uint64_t, bool>> switches;
  bool lit = false;
  for (uint64_t t = 1000; t <= 3500; t += 10) {
    const bool now = led.Step(true, true, blink, t);
    if (t == 1000 || now != lit) switches.push_back({t, now});
    lit = now;
  }
  const std::vector<std::pair<uint64_t, bool>> want = {
      {1000, false}, {1810, true}, {2020, false}, {2830, true}, {3040, false}};
  EXPECT_EQ(switches, want);
  EXPECT_FALSE(led.Step(true, false, blink, 3600));
  EXPECT_FALSE(led.Step(false, true, {}, 3610));
  EXPECT_TRUE(led.Step(true, true, {}, 3620));

  LED_STATE s;
  s.rect = QRectF(0, 0, 60, 60);
  for (bool on : {true, false}) {
    s.lit = on;
    const QImage img = Render(60, 60, [&](QPainter& p) { PaintLed(p, s); }, on ? "led_on" : "led_off");
    const QPointF probe = LedLamp(s).center() + QPointF(8, 8);
    EXPECT_EQ(Near(img, probe, QColor(96, 128, 255), 50), on);
  }
}

TEST(StaticModules, LabelAndImage) {
  LABEL_STATE label;
  label.rect = QRectF(0, 0, 200, 50);
  label.text = "Motor";
  label.background = QColor(255, 255, 0);
  const QImage l = Render(200, 50, [&](QPainter& p) { PaintLabel(p, label); }, "label");
  EXPECT_TRUE(Near(l, QPointF(2, 2), QColor(255, 255, 0), 2));
  label.use_fixed_size = true;
  label.fixed_px = 11;
  EXPECT_EQ(LabelPixelSize(label), 11);

  IMAGE_STATE img;
  img.rect = QRectF(0, 0, 100, 50);
  img.image = QImage(20, 20, QImage::Format_ARGB32);
  img.image.fill(QColor(255, 0, 0));
  img.opacity = 0.5;
  const QImage shrunk = Render(100, 50, [&](QPainter& p) { PaintImage(p, img); }, "image");
  EXPECT_EQ(ImageTarget(img), QRectF(25, 0, 50, 50));
  EXPECT_TRUE(Near(shrunk, QPointF(50, 25), QColor(255, 128, 128), 6));  // half opaque red on white
  EXPECT_TRUE(Near(shrunk, QPointF(5, 25), Qt::white, 2));
  img.scale_mode = IMAGE_SCALE_KEEP_EXPANDING;
  EXPECT_EQ(ImageTarget(img), QRectF(0, -25, 100, 100));
  img.image = QImage();
  Render(100, 50, [&](QPainter& p) { PaintImage(p, img); }, "image_none");
}

}  // namespace
