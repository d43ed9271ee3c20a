// Cell arithmetic of the module board: snapping, placement limits, resizing by deltas and by
// handles, drags, zoom and extent. Positions and sizes are in cells (2 x 2 px at zoom 1).
// Pure functions: the board widget only turns their results into widget geometry.
#pragma once

#include <cstdint>
#include <span>

#include <QPoint>
#include <QRect>
#include <QSize>

constexpr int BOARD_CELL_PX = 2;
constexpr int BOARD_COARSE_CELLS = 8;       // the coarse grid (16 px)
constexpr int BOARD_MIN_MODULE_CELLS = 12;  // no module is narrower or lower than this
// Zooming in is refused once a module would reach beyond this many cells (32768 px), which
// keeps the canvas within what the window system can map.
constexpr int BOARD_MAX_EXTENT_CELLS = 16384;
constexpr double BOARD_ZOOM_IN = 1.5;
constexpr double BOARD_ZOOM_OUT = 2.0 / 3.0;

// Resize handle ids (drag types 3..10). Drag type 1 is the rubber band, 2 a move.
enum : int {
  BOARD_DRAG_NONE = 0,
  BOARD_DRAG_RUBBER_BAND = 1,
  BOARD_DRAG_MOVE = 2,
  BOARD_HANDLE_LEFT = 3,
  BOARD_HANDLE_RIGHT = 4,
  BOARD_HANDLE_TOP = 5,
  BOARD_HANDLE_BOTTOM = 6,
  BOARD_HANDLE_TOP_LEFT = 7,
  BOARD_HANDLE_TOP_RIGHT = 8,
  BOARD_HANDLE_BOTTOM_LEFT = 9,
  BOARD_HANDLE_BOTTOM_RIGHT = 10,
};

// Directions of the move and stretch actions.
enum : int { BOARD_UP = 0, BOARD_DOWN = 1, BOARD_LEFT = 2, BOARD_RIGHT = 3 };

// Nearest multiple of 8, halves away from zero: 3 -> 0, 4 -> 8, 5 -> 8, -4 -> -8.
int BOARD_Snap(int value);
// The rectangle a placement ends with: optionally snapped, position at least 0, size at
// least 12 cells.
QRect BOARD_LimitPlacement(QRect cells, bool snap);
// Moves edges by cell deltas. A height below 12 becomes 12 with the row kept; a row that
// would go negative stays at 0 and the height absorbs the difference. Width likewise.
QRect BOARD_ResizeByDeltas(QRect cells, int top, int bottom, int left, int right);
// The cell a handle grabs the module at.
QPoint BOARD_HandleAnchor(QRect cells, int handle);
// With Ctrl, an edge handle behaves like a corner: left -> bottom-left, right and bottom ->
// bottom-right, top -> top-right.
int BOARD_CornerHandle(int handle);
// The module after dragging `handle` to `cell`: the handle's edges follow the cell (the cell
// becomes the last covered column/row for right and bottom edges), never below 12 cells, the
// opposite edges stay.
QRect BOARD_ResizeByHandle(QRect cells, int handle, QPoint cell);
// A drag moves only once the mouse is at least 2 cells (row plus column distance) away.
bool BOARD_IsDragFarEnough(QPoint press_cell, QPoint cell);
// One move step in a direction: coarse 8 cells, fine 1.
QPoint BOARD_DirectionStep(int direction, bool fine);
// A common step for a group whose members' top-left corner is `group_top_left`: shortened so
// that no member leaves the board at the top or left (the group keeps its shape).
QPoint BOARD_ClampGroupStep(QPoint group_top_left, QPoint step);
// Bounding rectangle of cell rectangles (empty for none).
QRect BOARD_Bounds(std::span<const QRect> rects);

// Zoom: a module's position and size kept as ratios so that repeated zooming does not drift.
struct ZOOM_GEOMETRY {
  double ColumnRatio = 0.0;  // column / (row + 1)
  double Aspect = 1.0;       // width / height
  double Row = 0.0;
  double Height = 0.0;
};
ZOOM_GEOMETRY BOARD_ZoomGeometryOf(QRect cells);
// The module's cells after scaling by `factor`; `next` receives the zoom geometry to keep.
QRect BOARD_ZoomRect(const ZOOM_GEOMETRY& zoom, double factor, ZOOM_GEOMETRY* next);
// True when every module may be zoomed by `factor`: zooming out keeps every module at least
// 12 cells, zooming in keeps every module within BOARD_MAX_EXTENT_CELLS.
bool BOARD_ZoomAllowed(std::span<const ZOOM_GEOMETRY> modules, double factor);

// Rows and columns of the board: one more than the content or the viewport, whichever is
// larger.
QSize BOARD_Extent(QRect content_cells, QSize viewport_px);

// Turns wheel angle deltas (120 per notch; touchpads send fractions) into whole steps,
// keeping the remainder for the next event.
class WheelAccumulator {
 public:
  int Add(int angle_delta);
  void Reset() { remainder_ = 0; }

 private:
  int remainder_ = 0;
};

// The selection frame around a module, in pixels: 3 cells beyond the module on every side,
// less at the top and left edges of the board.
QRect BOARD_SelectionFramePx(QRect cells);
// The cells of a module's pop-up bar: 48 columns by 16 rows from the module's left column,
// ending 6 rows above it so that the selection frame's top handle stays free to grab (on the
// module's own top rows at the board's top edge).
QRect BOARD_PopupCells(QRect cells);
// The pixel square of a resize handle (12 x 12 px) on the selection frame.
QRect BOARD_HandlePx(QRect cells, int handle);
// The handle of the module under pixel `px`, or BOARD_DRAG_NONE.
int BOARD_HandleAt(QRect cells, QPoint px);
// While dragging `handle` without Shift: the cell snapped so that the moving edges land on
// the coarse grid (left/top edges on a multiple of 8, right/bottom edges just before one).
QPoint BOARD_SnapHandleCell(int handle, QPoint cell);
