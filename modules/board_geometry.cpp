#include "modules/board_geometry.h"

#include <algorithm>
#include <cmath>

int BOARD_Snap(int value) {
  const int shifted = value + (value > 0 ? 4 : value < 0 ? -4 : 0);
  return shifted / BOARD_COARSE_CELLS * BOARD_COARSE_CELLS;  // division cuts toward zero
}

QRect BOARD_LimitPlacement(QRect cells, bool snap) {
  int x = cells.x(), y = cells.y(), w = cells.width(), h = cells.height();
  if (snap) {
    x = BOARD_Snap(x);
    y = BOARD_Snap(y);
    w = BOARD_Snap(w);
    h = BOARD_Snap(h);
  }
  return QRect(std::max(x, 0), std::max(y, 0), std::max(w, BOARD_MIN_MODULE_CELLS),
               std::max(h, BOARD_MIN_MODULE_CELLS));
}

namespace {

// One axis of ResizeByDeltas: start and length after moving the near edge by `near` and the
// far edge by `far`.
void ResizeAxis(int& start, int& length, int near, int far) {
  const int new_length = length - near + far;
  if (new_length < BOARD_MIN_MODULE_CELLS) {
    length = BOARD_MIN_MODULE_CELLS;
    return;
  }
  int new_start = start + near;
  int adjusted = new_length;
  if (new_start < 0) {
    adjusted += new_start;  // the edge stops at 0: the part beyond is not added
    new_start = 0;
  }
  start = new_start;
  length = std::max(adjusted, BOARD_MIN_MODULE_CELLS);
}

}  // namespace

QRect BOARD_ResizeByDeltas(QRect cells, int top, int bottom, int left, int right) {
  int x = cells.x(), y = cells.y(), w = cells.width(), h = cells.height();
  ResizeAxis(y, h, top, bottom);
  ResizeAxis(x, w, left, right);
  return QRect(x, y, w, h);
}

QPoint BOARD_HandleAnchor(QRect c, int handle) {
  const int x = c.x(), y = c.y(), w = c.width(), h = c.height();
  switch (handle) {
    case BOARD_HANDLE_LEFT: return {x, y + h / 2};
    case BOARD_HANDLE_RIGHT: return {x + w - 1, y + h / 2};
    case BOARD_HANDLE_TOP: return {x + w / 2, y};
    case BOARD_HANDLE_BOTTOM: return {x + w / 2, y + h - 1};
    case BOARD_HANDLE_TOP_RIGHT: return {x + w - 1, y};
    case BOARD_HANDLE_BOTTOM_LEFT: return {x, y + h - 1};
    case BOARD_HANDLE_BOTTOM_RIGHT: return {x + w - 1, y + h - 1};
    default: return {x, y};
  }
}

int BOARD_CornerHandle(int handle) {
  switch (handle) {
    case BOARD_HANDLE_LEFT: return BOARD_HANDLE_BOTTOM_LEFT;
    case BOARD_HANDLE_RIGHT: return BOARD_HANDLE_BOTTOM_RIGHT;
    case BOARD_HANDLE_TOP: return BOARD_HANDLE_TOP_RIGHT;
    case BOARD_HANDLE_BOTTOM: return BOARD_HANDLE_BOTTOM_RIGHT;
    default: return handle;
  }
}

QRect BOARD_ResizeByHandle(QRect c, int handle, QPoint cell) {
  int left = c.left(), top = c.top(), right = c.right(), bottom = c.bottom();
  const bool moves_left = handle == BOARD_HANDLE_LEFT || handle == BOARD_HANDLE_TOP_LEFT ||
                          handle == BOARD_HANDLE_BOTTOM_LEFT;
  const bool moves_right = handle == BOARD_HANDLE_RIGHT || handle == BOARD_HANDLE_TOP_RIGHT ||
                           handle == BOARD_HANDLE_BOTTOM_RIGHT;
  const bool moves_top = handle == BOARD_HANDLE_TOP || handle == BOARD_HANDLE_TOP_LEFT ||
                         handle == BOARD_HANDLE_TOP_RIGHT;
  const bool moves_bottom = handle == BOARD_HANDLE_BOTTOM || handle == BOARD_HANDLE_BOTTOM_LEFT ||
                            handle == BOARD_HANDLE_BOTTOM_RIGHT;
  const int min = BOARD_MIN_MODULE_CELLS - 1;
  if (moves_left) left = std::clamp(cell.x(), 0, right - min);
  if (moves_right) right = std::max(cell.x(), left + min);
  if (moves_top) top = std::clamp(cell.y(), 0, bottom - min);
  if (moves_bottom) bottom = std::max(cell.y(), top + min);
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

bool BOARD_IsDragFarEnough(QPoint press_cell, QPoint cell) {
  return (cell - press_cell).manhattanLength() >= 2;
}

QPoint BOARD_DirectionStep(int direction, bool fine) {
  const int step = fine ? 1 : BOARD_COARSE_CELLS;
  switch (direction) {
    case BOARD_UP: return {0, -step};
    case BOARD_DOWN: return {0, step};
    case BOARD_LEFT: return {-step, 0};
    case BOARD_RIGHT: return {step, 0};
    default: return {0, 0};
  }
}

QPoint BOARD_ClampGroupStep(QPoint top_left, QPoint step) {
  return QPoint(std::max(step.x(), -top_left.x()), std::max(step.y(), -top_left.y()));
}

QRect BOARD_Bounds(std::span<const QRect> rects) {
  QRect bounds;
  for (const QRect& r : rects) bounds = bounds.united(r);
  return bounds;
}

ZOOM_GEOMETRY BOARD_ZoomGeometryOf(QRect c) {
  ZOOM_GEOMETRY z;
  z.Row = c.y();
  z.Height = c.height();
  z.ColumnRatio = static_cast<double>(c.x()) / (c.y() + 1);
  z.Aspect = c.height() > 0 ? static_cast<double>(c.width()) / c.height() : 1.0;
  return z;
}

QRect BOARD_ZoomRect(const ZOOM_GEOMETRY& zoom, double factor, ZOOM_GEOMETRY* next) {
  ZOOM_GEOMETRY z = zoom;
  z.Row = zoom.Row * factor;
  z.Height = zoom.Height * factor;
  const double row = std::round(z.Row);
  const int column = static_cast<int>(std::lround(z.ColumnRatio * (row + 1.0)));
  const int width = static_cast<int>(std::lround(z.Aspect * z.Height));
  if (next) *next = z;
  return QRect(column, static_cast<int>(row), width, static_cast<int>(std::lround(z.Height)));
}

bool BOARD_ZoomAllowed(std::span<const ZOOM_GEOMETRY> modules, double factor) {
  for (const ZOOM_GEOMETRY& z : modules) {
    const QRect r = BOARD_ZoomRect(z, factor, nullptr);
    if (factor < 1.0 &&
        (r.width() < BOARD_MIN_MODULE_CELLS || r.height() < BOARD_MIN_MODULE_CELLS)) {
      return false;
    }
    if (factor > 1.0 && (r.x() + r.width() > BOARD_MAX_EXTENT_CELLS ||
                         r.y() + r.height() > BOARD_MAX_EXTENT_CELLS)) {
      return false;
    }
  }
  return true;
}

QSize BOARD_Extent(QRect content, QSize viewport_px) {
  const int bottom = content.isValid() ? content.y() + content.height() : 0;
  const int right = content.isValid() ? content.x() + content.width() : 0;
  return QSize(std::max(right, (viewport_px.width() + 2) / 2) + 1,
               std::max(bottom, (viewport_px.height() + 2) / 2) + 1);
}

int WheelAccumulator::Add(int angle_delta) {
  remainder_ += angle_delta;
  const int steps = remainder_ / 120;  // toward zero: partial notches wait
  remainder_ -= steps * 120;
  return steps;
}

QRect BOARD_SelectionFramePx(QRect c) {
  const int dx = std::min(c.x(), 3);
  const int dy = std::min(c.y(), 3);
  return QRect((c.x() - dx) * BOARD_CELL_PX, (c.y() - dy) * BOARD_CELL_PX,
               (c.width() + 3 + dx) * BOARD_CELL_PX, (c.height() + 3 + dy) * BOARD_CELL_PX);
}

QRect BOARD_PopupCells(QRect cells) {
  constexpr int kWidth = 48, kHeight = 16, kHandleClearance = 6;
  return QRect(cells.x(), std::max(cells.y() - kHeight - kHandleClearance, 0), kWidth, kHeight);
}

QRect BOARD_HandlePx(QRect cells, int handle) {
  const QRect f = BOARD_SelectionFramePx(cells);
  constexpr int kSize = 12;
  const int cx = f.x() + f.width() / 2 - kSize / 2;
  const int cy = f.y() + f.height() / 2 - kSize / 2;
  const int left = f.x(), top = f.y();
  const int right = f.x() + f.width() - kSize, bottom = f.y() + f.height() - kSize;
  switch (handle) {
    case BOARD_HANDLE_LEFT: return {left, cy, kSize, kSize};
    case BOARD_HANDLE_RIGHT: return {right, cy, kSize, kSize};
    case BOARD_HANDLE_TOP: return {cx, top, kSize, kSize};
    case BOARD_HANDLE_BOTTOM: return {cx, bottom, kSize, kSize};
    case BOARD_HANDLE_TOP_LEFT: return {left, top, kSize, kSize};
    case BOARD_HANDLE_TOP_RIGHT: return {right, top, kSize, kSize};
    case BOARD_HANDLE_BOTTOM_LEFT: return {left, bottom, kSize, kSize};
    case BOARD_HANDLE_BOTTOM_RIGHT: return {right, bottom, kSize, kSize};
    default: return {};
  }
}

int BOARD_HandleAt(QRect cells, QPoint px) {
  for (int handle = BOARD_HANDLE_LEFT; handle <= BOARD_HANDLE_BOTTOM_RIGHT; ++handle) {
    if (BOARD_HandlePx(cells, handle).contains(px)) return handle;
  }
  return BOARD_DRAG_NONE;
}

QPoint BOARD_SnapHandleCell(int handle, QPoint cell) {
  const bool x_near = handle == BOARD_HANDLE_LEFT || handle == BOARD_HANDLE_TOP_LEFT ||
                      handle == BOARD_HANDLE_BOTTOM_LEFT;
  const bool y_near = handle == BOARD_HANDLE_TOP || handle == BOARD_HANDLE_TOP_LEFT ||
                      handle == BOARD_HANDLE_TOP_RIGHT;
  const int x = x_near ? BOARD_Snap(cell.x()) : BOARD_Snap(cell.x() + 1) - 1;
  const int y = y_near ? BOARD_Snap(cell.y()) : BOARD_Snap(cell.y() + 1) - 1;
  return {x, y};
}
