#include "modules/label_paint.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

int LabelPixelSize(const LABEL_STATE& s) {
  if (s.use_fixed_size) return std::max(1, s.fixed_px);
  QFont font;
  font.setPixelSize(32);
  const QRectF text = QFontMetricsF(font).boundingRect(QRectF(0, 0, 1e6, 1e6), 0, s.text.isEmpty() ? QStringLiteral(" ") : s.text);
  if (text.width() <= 0 || text.height() <= 0) return 1;
  const double factor = std::min(s.rect.width() / text.width(), s.rect.height() / text.height());
  return std::max(1, static_cast<int>(32.0 * factor * 0.9));
}

void PaintLabel(QPainter& p, const LABEL_STATE& s) {
  p.save();
  p.fillRect(s.rect, s.background);
  QFont font = p.font();
  font.setPixelSize(LabelPixelSize(s));
  p.setFont(font);
  p.setPen(s.text_color);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.drawText(s.rect, s.alignment, s.text);
  p.restore();
}
