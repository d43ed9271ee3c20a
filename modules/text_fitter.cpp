#include "modules/text_fitter.h"

#include <algorithm>

#include <QFontMetricsF>
#include <QHash>

double FitPointSize(QSizeF text_at_32pt, QSizeF widget, double scale) {
  if (text_at_32pt.width() <= 0.0 || text_at_32pt.height() <= 0.0 || widget.width() <= 0.0 ||
      widget.height() <= 0.0) {
    return kTextFitMeasurePointSize * scale;
  }
  const double factor = std::min(widget.width() / text_at_32pt.width(),
                                 widget.height() / text_at_32pt.height());
  return kTextFitMeasurePointSize * factor * scale;
}

namespace {

// Text measurements at 32 points by font and text. A module fits its text at every change of
// text or size, and a project holds many modules with the same font and text; shaping the
// text again each time cost more than the rest of placing a push button.
class MeasureCache {
 public:
  QSizeF Measure(const QFont& font, const QString& text) {
    QFont measure(font);
    measure.setPointSizeF(kTextFitMeasurePointSize);
    QString key = measure.key();
    key += QChar(0);
    key += text;
    if (const auto it = sizes_.constFind(key); it != sizes_.constEnd()) return *it;
    const QFontMetricsF metrics(measure);
    const QSizeF size = metrics.boundingRect(QRectF(0, 0, 1e6, 1e6), Qt::AlignLeft, text).size();
    if (sizes_.size() >= kMaxEntries) sizes_.clear();  // bounded: texts typed by the user
    sizes_.insert(key, size);
    return size;
  }

 private:
  static constexpr qsizetype kMaxEntries = 512;
  QHash<QString, QSizeF> sizes_;
};

}  // namespace

double FitTextPointSize(const QFont& font, const QString& text, QSize widget, double scale) {
  // Per thread: fonts are measured where they are used (the GUI thread, an offscreen render).
  thread_local MeasureCache cache;
  return FitPointSize(cache.Measure(font, text), QSizeF(widget), scale);
}

int FitIndicatorSize(QSize widget) {
  const int edge = std::min(widget.width() / 3, widget.height() / 3);
  return std::max(0, std::min({edge, widget.width() / 2, widget.height() / 2}));
}
