#include "modules/board_canvas.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "core/app_mode.h"
#include "modules/records/module_types.h"
#include "modules/tool_module_board.h"

namespace {

constexpr const char* kSymbolDragPrefix = "SymbolConnection";

QPoint CellOf(const QPointF& px) {
  return QPoint(static_cast<int>(px.x()) / BOARD_CELL_PX, static_cast<int>(px.y()) / BOARD_CELL_PX);
}

}  // namespace

BoardCanvas::BoardCanvas(ToolModuleBoard* board) : board_(board) {
  setMouseTracking(true);
  setAcceptDrops(true);
  setFocusPolicy(Qt::StrongFocus);
}

void BoardCanvas::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  BOARD_BACKGROUND_STATE state;
  state.size_px = size();
  state.wallpaper = &board_->wallpaper_;
  if (board_->wallpaper_scale_type_ == 1) {
    state.wallpaper_at = QPoint(board_->horizontalScrollBar()->value(),
                                board_->verticalScrollBar()->value());
  }
  state.edit_mode = APP_GetAppMode() == APP_MODE_EDIT;
  BOARD_PaintBackground(painter, state);
}

void BoardCanvas::mousePressEvent(QMouseEvent* event) {
  if (APP_GetAppMode() != APP_MODE_EDIT) return QWidget::mousePressEvent(event);
  setFocus(Qt::MouseFocusReason);
  board_->HandlePress(event->position().toPoint(), event->button(), event->modifiers(), nullptr,
                      event->globalPosition().toPoint());
}

void BoardCanvas::mouseMoveEvent(QMouseEvent* event) {
  if (APP_GetAppMode() != APP_MODE_EDIT) return QWidget::mouseMoveEvent(event);
  board_->HandleMove(event->position().toPoint(), event->buttons(), event->modifiers(), nullptr);
}

void BoardCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (APP_GetAppMode() != APP_MODE_EDIT) return QWidget::mouseReleaseEvent(event);
  board_->HandleRelease(event->position().toPoint(), event->modifiers());
}

void BoardCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
  if (APP_GetAppMode() != APP_MODE_EDIT) return QWidget::mouseDoubleClickEvent(event);
  mousePressEvent(event);
}

void BoardCanvas::dragEnterEvent(QDragEnterEvent* event) {
  const QString text = event->mimeData()->text();
  if (APP_GetAppMode() == APP_MODE_EDIT &&
      (text.startsWith(QLatin1String(MODULE_DRAG_PREFIX)) ||
       text.startsWith(QLatin1String(kSymbolDragPrefix)))) {
    event->acceptProposedAction();
  }
}

void BoardCanvas::dragMoveEvent(QDragMoveEvent* event) { event->acceptProposedAction(); }

void BoardCanvas::dropEvent(QDropEvent* event) {
  const QString text = event->mimeData()->text();
  const QPoint cell = CellOf(event->position());
  const int32_t type = MODULE_TypeFromDragPayload(text.toStdString());
  if (type >= 0) {
    board_->CreateModuleAt(static_cast<uint32_t>(type), cell);
  } else if (text.startsWith(QLatin1String(kSymbolDragPrefix))) {
    emit board_->SignalSymbolDropped(text, cell);
  } else {
    return;
  }
  event->acceptProposedAction();
}

BoardCurtain::BoardCurtain(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BoardCurtain::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  BOARD_PaintCurtain(painter, event->rect(), edit_mode);
}

BoardOverlay::BoardOverlay(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BoardOverlay::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  BOARD_PaintOverlay(painter, state);
}
