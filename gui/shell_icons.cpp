#include "gui/shell_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

const QColor kInk(45, 65, 95);
const QColor kGreen(20, 160, 70);
const QColor kRed(200, 50, 50);
const QColor kBlue(30, 120, 210);

void Magnifier(QPainter& p, bool plus) {
  p.setPen(QPen(kInk, 2.2));
  p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
  p.setPen(QPen(kInk, 3.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(15, 15), QPointF(21, 21));
  p.setPen(QPen(kBlue, 2));
  p.drawLine(QPointF(7, 10), QPointF(13, 10));
  if (plus) p.drawLine(QPointF(10, 7), QPointF(10, 13));
}

void Layers(QPainter& p, bool up) {
  p.setPen(QPen(kInk, 1.5));
  for (int i = 0; i < 3; ++i) {
    const double y = 8 + i * 5;
    p.setBrush(i == (up ? 0 : 2) ? kBlue : QColor(220, 226, 235));
    p.drawPolygon(QPolygonF({QPointF(2, y), QPointF(9, y - 3.5), QPointF(16, y), QPointF(9, y + 3.5)}));
  }
  p.setPen(QPen(kGreen, 2.4, Qt::SolidLine, Qt::RoundCap));
  const double tip = up ? 4 : 20, tail = up ? 20 : 4, head = up ? 4 : -4;
  p.drawLine(QPointF(20, tail), QPointF(20, tip));
  p.drawLine(QPointF(20, tip), QPointF(16.5, tip + head));
  p.drawLine(QPointF(20, tip), QPointF(23.5, tip + head));
}

void Arrow(QPainter& p, bool forward) {
  QPainterPath path;
  if (forward) {
    path.moveTo(5, 17);
    path.cubicTo(5, 8, 14, 6, 19, 11);
  } else {
    path.moveTo(19, 17);
    path.cubicTo(19, 8, 10, 6, 5, 11);
  }
  p.setPen(QPen(kInk, 2.4, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(path);
  p.setPen(Qt::NoPen);
  p.setBrush(kInk);
  if (forward) p.drawPolygon(QPolygonF({QPointF(21, 6), QPointF(22, 15), QPointF(14, 13)}));
  else p.drawPolygon(QPolygonF({QPointF(3, 6), QPointF(2, 15), QPointF(10, 13)}));
}

void Paint(QPainter& p, ShellIcon icon) {
  switch (icon) {
    case ShellIcon::kRun:
      p.setPen(Qt::NoPen);
      p.setBrush(kGreen);
      p.drawPolygon(QPolygonF({QPointF(6, 3), QPointF(21, 12), QPointF(6, 21)}));
      break;
    case ShellIcon::kEdit:
      p.setPen(Qt::NoPen);
      p.setBrush(kRed);
      p.drawRoundedRect(QRectF(5, 5, 14, 14), 2, 2);
      break;
    case ShellIcon::kDownload:
      p.setPen(Qt::NoPen);
      p.setBrush(kGreen);
      p.drawPolygon(QPolygonF({QPointF(9, 3), QPointF(22, 11), QPointF(9, 19)}));
      p.setBrush(kBlue);
      p.drawPolygon(QPolygonF({QPointF(1, 12), QPointF(9, 12), QPointF(5, 17)}));
      p.drawRect(QRectF(3.5, 4, 3, 8));
      p.drawRect(QRectF(1, 19, 8, 2.5));
      break;
    case ShellIcon::kRunOptions:
      p.setPen(Qt::NoPen);
      p.setBrush(kInk);
      p.drawPolygon(QPolygonF({QPointF(5, 9), QPointF(19, 9), QPointF(12, 17)}));
      break;
    case ShellIcon::kPreview:
      p.setPen(QPen(kInk, 2));
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(12, 12), 10, 6);
      p.setBrush(kBlue);
      p.drawEllipse(QPointF(12, 12), 3.5, 3.5);
      break;
    case ShellIcon::kZoomIn: Magnifier(p, true); break;
    case ShellIcon::kZoomOut: Magnifier(p, false); break;
    case ShellIcon::kClear:
      p.setPen(QPen(kInk, 1.8));
      p.setBrush(QColor(230, 232, 236));
      p.drawRect(QRectF(6, 7, 12, 14));
      p.drawLine(QPointF(4, 6), QPointF(20, 6));
      p.drawRect(QRectF(9.5, 3, 5, 3));
      p.drawLine(QPointF(10, 10), QPointF(10, 18));
      p.drawLine(QPointF(14, 10), QPointF(14, 18));
      break;
    case ShellIcon::kUndo: Arrow(p, false); break;
    case ShellIcon::kRedo: Arrow(p, true); break;
    case ShellIcon::kLayerUp: Layers(p, true); break;
    case ShellIcon::kLayerDown: Layers(p, false); break;
    case ShellIcon::kInput: {
      p.setPen(QPen(kInk, 1.8));
      p.setBrush(QColor(220, 226, 235));
      p.drawRoundedRect(QRectF(2, 7, 20, 11), 5, 5);
      p.setPen(QPen(kInk, 2));
      p.drawLine(QPointF(6, 12.5), QPointF(10, 12.5));
      p.drawLine(QPointF(8, 10.5), QPointF(8, 14.5));
      p.setPen(Qt::NoPen);
      p.setBrush(kRed);
      p.drawEllipse(QPointF(16, 11), 1.6, 1.6);
      p.setBrush(kGreen);
      p.drawEllipse(QPointF(18.5, 14), 1.6, 1.6);
      break;
    }
  }
}

}  // namespace

QIcon SHELL_Icon(ShellIcon icon) {
  QIcon result;
  for (int size : {24, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    Paint(p, icon);
    p.end();
    result.addPixmap(pixmap);
    // Disabled buttons: the same drawing, faded.
    QPixmap faded(size, size);
    faded.fill(Qt::transparent);
    QPainter f(&faded);
    f.setOpacity(0.3);
    f.drawPixmap(0, 0, pixmap);
    f.end();
    result.addPixmap(faded, QIcon::Disabled);
  }
  return result;
}
