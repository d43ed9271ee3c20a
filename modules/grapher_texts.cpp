#include "modules/grapher_texts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "logic/logic_format.h"
#include "logic/logic_value.h"

namespace {

QString Html(const QString& text) { return text.toHtmlEscaped(); }

double AsDouble(const VALUE_SLOT& v, uint32_t type) {
  VALUE_SLOT d = v;
  LOGIC_ConvertValue(&d, type, TYPEID_DOUBLE);
  return d.f64;
}

}  // namespace

QString GRAPHER_CursorLabel(double time_us, double resolution) {
  const double clamped = std::clamp(time_us, 0.0, static_cast<double>(std::numeric_limits<int32_t>::max()) * 1e6);
  const int64_t us = static_cast<int64_t>(clamped);
  const int s = static_cast<int>(us / 1000000);
  const int ms = static_cast<int>(us / 1000 % 1000);
  // C formatting on purpose: "%.d" prints nothing for 0 seconds.
  char text[48];
  if (resolution < 1000000.0) {
    std::snprintf(text, sizeof text, "%.d%.3d.%.3d ms", s, ms, static_cast<int>(us % 1000));
  } else {
    std::snprintf(text, sizeof text, "%.d.%.3d s", s, ms);
  }
  return QString::fromLatin1(text);
}

QString GRAPHER_InfoText(double resolution, std::span<const GRAPHER_CHANNEL_TEXT> channels) {
  QString unit = " [us/div]";
  double value = resolution;
  if (resolution >= 1000000.0) {
    value = resolution / 1000000.0;
    unit = " [s/div]";
  } else if (resolution >= 1000.0) {
    value = resolution / 1000.0;
    unit = " [ms/div]";
  }
  QString text = QString("X-Resolution: %1<br>Y-Resolutions: ").arg(QString::number(value) + unit);
  for (const GRAPHER_CHANNEL_TEXT& c : channels) {
    text += QString("<font style = \"color:%1\"> %2 </font>").arg(c.colour.name()).arg(c.y_resolution);
  }
  return text + "[1/div]";
}

QString GRAPHER_ValueBox(const QColor& background, std::span<const GRAPHER_CHANNEL_TEXT> channels) {
  QString text = QString("<p style=\"background-color:%1\"><pre><h3><b>").arg(background.name(QColor::HexArgb));
  for (size_t i = 0; i < channels.size(); ++i) {
    const GRAPHER_CHANNEL_TEXT& c = channels[i];
    if (i > 0) text += '\n';
    text += QString("<font style=\"color:%1\">%2: ").arg(c.colour.name(), Html(c.name));
    text += Html(c.value) + "</font>";
  }
  return text + "</b></h3></pre></p>";
}

QString GRAPHER_ValueText(const VALUE_SLOT& value, uint32_t type, bool ok) {
  if (!ok) return "-";
  return QString::fromStdString(LOGIC_FormatWatchValue(value, type, false));
}

QString GRAPHER_DeltaText(const VALUE_SLOT& a, const VALUE_SLOT& b, uint32_t type, bool ok) {
  if (!ok || !LOGIC_IsSupportedType(type)) return "-";
  const double d = AsDouble(b, type) - AsDouble(a, type);
  if (LOGIC_IsRealType(type)) return QString::asprintf("%+.6f", d);
  return QString::asprintf("%+.0f", d);
}

QString GRAPHER_DurationText(double us) {
  const double a = std::fabs(us);
  if (a >= 1000000.0) return QString::asprintf("%.6f s", us / 1000000.0);
  if (a >= 1000.0) return QString::asprintf("%.3f ms", us / 1000.0);
  return QString::asprintf("%.0f us", us);
}

QString GRAPHER_MeasureBox(const QColor& background, double time_a, double time_b,
                           std::span<const GRAPHER_CHANNEL_TEXT> channels) {
  const double dt = time_b - time_a;
  QString text = QString("<p style=\"background-color:%1\"><pre>").arg(background.name(QColor::HexArgb));
  text += QString("A: %1   B: %2   B-A: %3")
              .arg(GRAPHER_DurationText(time_a), GRAPHER_DurationText(time_b), GRAPHER_DurationText(dt));
  if (dt != 0.0) text += QString::asprintf(" (%.3f Hz)", 1000000.0 / std::fabs(dt));
  for (const GRAPHER_CHANNEL_TEXT& c : channels) {
    text += QString("\n<font style=\"color:%1\">%2: A %3   B %4   B-A %5</font>")
                .arg(c.colour.name(), Html(c.name), Html(c.value_a), Html(c.value_b), Html(c.delta));
  }
  return text + "</pre></p>";
}
