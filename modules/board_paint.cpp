#include "modules/board_paint.h"

#include <QPainter>

#include "modules/board_geometry.h"

namespace {

QRect CellsToPx(const QRect& cells) {
  return QRect(cells.x() * BOARD_CELL_PX, cells.y() * BOARD_CELL_PX,
               cells.width() * BOARD_CELL_PX, cells.height() * BOARD_CELL_PX);
}

}  // namespace

void BOARD_PaintBackground(QPainter& painter, const BOARD_BACKGROUND_STATE& state) {
  const QRect area(QPoint(0, 0), state.size_px);
  painter.fillRect(area, QColor(250, 250, 250));
  if (state.wallpaper && !state.wallpaper->isNull()) {
    painter.drawImage(state.wallpaper_at, *state.wallpaper);
  }
  if (!state.edit_mode) return;
  painter.setPen(QPen(QColor(200, 200, 200), 1, Qt::DotLine));
  const int step = BOARD_COARSE_CELLS * BOARD_CELL_PX;
  for (int x = step; x < area.width(); x += step) painter.drawLine(x, 0, x, area.height());
  for (int y = step; y < area.height(); y += step) painter.drawLine(0, y, area.width(), y);
}

void BOARD_PaintCurtain(QPainter& painter, const QRect& area, bool edit_mode) {
  if (edit_mode) painter.fillRect(area, QColor(224, 224, 224, 144));
}

void BOARD_PaintOverlay(QPainter& painter, const BOARD_OVERLAY_STATE& state) {
  if (!state.edit_mode) return;
  if (state.marked_cell) {
    const QRect cell = CellsToPx(QRect(*state.marked_cell, QSize(1, 1)));
    painter.fillRect(cell.adjusted(-2, -2, 2, 2), QColor(255, 128, 0));
  }
  if (state.rubber_band) {
    painter.setPen(QPen(QColor(0, 96, 255), 1, Qt::DashLine));
    painter.setBrush(QColor(0, 96, 255, 40));
    painter.drawRect(CellsToPx(*state.rubber_band).adjusted(0, 0, -1, -1));
  }
  if (state.preview) {
    painter.setPen(QPen(QColor(0, 96, 255), 2, Qt::DashLine));
    painter.setBrush(QColor(0, 96, 255, 24));
    painter.drawRect(CellsToPx(*state.preview).adjusted(1, 1, -1, -1));
  }
  if (state.selection) {
    const QRect frame = BOARD_SelectionFramePx(*state.selection);
    painter.setPen(QPen(QColor(0, 96, 255, 160), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    painter.setPen(QPen(QColor(0, 64, 192), 1));
    painter.setBrush(QColor(255, 255, 255, 220));
    for (int handle = BOARD_HANDLE_LEFT; handle <= BOARD_HANDLE_BOTTOM_RIGHT; ++handle) {
      painter.drawRect(BOARD_HandlePx(*state.selection, handle).adjusted(1, 1, -2, -2));
    }
  }
}
