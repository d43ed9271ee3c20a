// Pure painting of the board's layers: the canvas background (wallpaper and coarse grid), the
// curtain (the veil over the other layers' modules) and the overlay (marked cell, rubber band,
// move and resize previews, selection frame with its handles).
#pragma once

#include <optional>

#include <QImage>
#include <QPoint>
#include <QRect>

class QPainter;

struct BOARD_BACKGROUND_STATE {
  QSize size_px;
  const QImage* wallpaper = nullptr;  // already scaled; may be null
  QPoint wallpaper_at;                // top-left in canvas pixels
  bool edit_mode = true;              // grid lines only in Edit mode
};

struct BOARD_OVERLAY_STATE {
  bool edit_mode = true;
  std::optional<QPoint> marked_cell;
  std::optional<QRect> rubber_band;  // cells
  std::optional<QRect> preview;      // cells
  std::optional<QRect> selection;    // cells of the selected module
};

void BOARD_PaintBackground(QPainter& painter, const BOARD_BACKGROUND_STATE& state);
// The veil: translucent gray in Edit mode, nothing otherwise.
void BOARD_PaintCurtain(QPainter& painter, const QRect& area, bool edit_mode);
void BOARD_PaintOverlay(QPainter& painter, const BOARD_OVERLAY_STATE& state);
