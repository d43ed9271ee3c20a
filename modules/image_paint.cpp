#include "modules/image_paint.h"

#include <QPainter>
#include <QPen>
#include <algorithm>

QRectF ImageTarget(const IMAGE_STATE& s) {
  if (s.image.isNull() || s.scale_mode == IMAGE_SCALE_IGNORE_ASPECT) return s.rect;
  const QSizeF size = QSizeF(s.image.size())
                          .scaled(s.rect.size(), s.scale_mode == IMAGE_SCALE_KEEP_EXPANDING ? Qt::KeepAspectRatioByExpanding
                                                                                 : Qt::KeepAspectRatio);
  return QRectF(s.rect.center().x() - size.width() / 2, s.rect.center().y() - size.height() / 2,
                size.width(), size.height());
}

void PaintImage(QPainter& p, const IMAGE_STATE& s) {
  p.save();
  if (s.image.isNull()) {
    p.setPen(QPen(QColor(128, 128, 128), 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(s.rect.adjusted(0.5, 0.5, -0.5, -0.5));
    p.drawText(s.rect, Qt::AlignCenter, QStringLiteral("none"));
    p.restore();
    return;
  }
  p.setClipRect(s.rect);
  p.setOpacity(std::clamp(s.opacity, 0.0, 1.0));
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(ImageTarget(s), s.image);
  p.restore();
}
