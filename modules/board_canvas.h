// The widgets inside the board's scroll area: the canvas (background, mouse, drops, the
// modules' parent), the curtain (veil over other layers) and the overlay (marks, previews,
// selection frame). Curtain and overlay never take the mouse.
#pragma once

#include <QWidget>

#include "modules/board_paint.h"

class ToolModuleBoard;

class BoardCanvas : public QWidget {
  Q_OBJECT

 public:
  explicit BoardCanvas(ToolModuleBoard* board);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  ToolModuleBoard* board_;
};

class BoardCurtain : public QWidget {
  Q_OBJECT

 public:
  explicit BoardCurtain(QWidget* parent);
  bool edit_mode = true;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class BoardOverlay : public QWidget {
  Q_OBJECT

 public:
  explicit BoardOverlay(QWidget* parent);
  BOARD_OVERLAY_STATE state;

 protected:
  void paintEvent(QPaintEvent* event) override;
};
