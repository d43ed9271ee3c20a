#include "modules/text_fitter.h"

#include <algorithm>

#include <QFontMetricsF>

double FitPointSize(QSizeF text_at_32pt, QSizeF widget, double scale) {
  if (text_at_32pt.width() <= 0.0 || text_at_32pt.height() <= 0.0 || widget.width() <= 0.0 ||
      widget.height() <= 0.0) {
    return kTextFitMeasurePointSize * scale;
  }
  const double factor = std::min(widget.width() / text_at_32pt.width(),
                                 widget.height() / text_at_32pt.height());
  return kTextFitMeasurePointSize * factor * scale;
}

double FitTextPointSize(const QFont& font, const QString& text, QSize widget, double scale) {
  QFont measure(font);
  measure.setPointSizeF(kTextFitMeasurePointSize);
  const QFontMetricsF metrics(measure);
  const QRectF bounds = metrics.boundingRect(QRectF(0, 0, 1e6, 1e6), Qt::AlignLeft, text);
  return FitPointSize(bounds.size(), QSizeF(widget), scale);
}

int FitIndicatorSize(QSize widget) {
  const int edge = std::min(widget.width() / 3, widget.height() / 3);
  return std::max(0, std::min({edge, widget.width() / 2, widget.height() / 2}));
}
