// The board's mouse and wheel handling in Edit mode: marks, selection, groups, drags that move
// or resize (press, move, release; no nested drag loop), the rubber band, the context menu and
// Ctrl+wheel resizing and zooming.
#include <algorithm>
#include <cmath>

#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "core/app_mode.h"
#include "modules/board_canvas.h"
#include "modules/records/module_types.h"
#include "modules/tool_module.h"
#include "modules/tool_module_board.h"

namespace {

QPoint PxToCell(QPoint px) {
  return QPoint(std::max(px.x(), 0) / BOARD_CELL_PX, std::max(px.y(), 0) / BOARD_CELL_PX);
}

QRect CellSpan(QPoint a, QPoint b) {
  return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
               QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

}  // namespace

void ToolModuleBoard::ForwardFromModule(QWidget* target, QEvent* event) {
  ToolModule* module = ModuleOfWidget(target);
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      const QPoint px = target->mapTo(canvas_, mouse->position().toPoint());
      if (event->type() == QEvent::MouseButtonPress) {
        canvas_->setFocus(Qt::MouseFocusReason);
        HandlePress(px, mouse->button(), mouse->modifiers(), module,
                    mouse->globalPosition().toPoint());
      } else if (event->type() == QEvent::MouseMove) {
        HandleMove(px, mouse->buttons(), mouse->modifiers(), module);
      } else if (event->type() == QEvent::MouseButtonRelease) {
        HandleRelease(px, mouse->modifiers());
      } else {
        HandleDoubleClick(module);
      }
      return;
    }
    case QEvent::Wheel: {
      auto* wheel = static_cast<QWheelEvent*>(event);
      HandleWheel(wheel->angleDelta(), wheel->modifiers());
      return;
    }
    case QEvent::Enter:
      if (!drag_active_ && module && module != selected_ && !group_.count(module)) {
        SetHovered(module);
      }
      return;
    default:
      return;
  }
}

void ToolModuleBoard::HandlePress(QPoint px, Qt::MouseButton button, Qt::KeyboardModifiers mods,
                                  ToolModule* module, QPoint global) {
  const QPoint cell = PxToCell(px);
  drag_active_ = false;
  drag_moved_ = false;
  drag_fine_ = mods & Qt::ShiftModifier;
  drag_corner_ = mods & Qt::ControlModifier;
  drag_type_ = BOARD_DRAG_NONE;
  drag_module_ = nullptr;

  // A handle of the selected module starts a resize.
  if (selected_ && button == Qt::LeftButton) {
    const int handle = BOARD_HandleAt(selected_->GetCellRect(), px);
    if (handle != BOARD_DRAG_NONE) {
      drag_type_ = handle;
      drag_module_ = selected_;
      press_cell_ = BOARD_HandleAnchor(selected_->GetCellRect(), handle);
      drag_cell_ = press_cell_;
      drag_preview_ = selected_->GetCellRect();
      drag_active_ = true;
      return;
    }
  }

  if (!module) {
    if (button != Qt::LeftButton || marked_ != cell) {
      SetMarkedCell(cell);
      if (button == Qt::RightButton) HandleContextMenu(px, global, nullptr);
    } else {
      emit SignalAddModuleMenuRequested(global);
      SetStatus(QString());
    }
    ClearInteraction();
    if (button == Qt::LeftButton) {
      drag_type_ = BOARD_DRAG_RUBBER_BAND;
      press_cell_ = cell;
      drag_cell_ = cell;
      drag_active_ = true;
    }
    return;
  }

  if (button == Qt::RightButton) {
    if (!group_.count(module)) {
      group_.clear();
      SelectModule(module);
      ApplyAllVisualStates();
    }
    HandleContextMenu(px, global, module);
    return;
  }
  if (button != Qt::LeftButton) return;

  if (mods & Qt::ControlModifier) {
    if (group_.count(module)) {
      group_.erase(module);
    } else {
      if (selected_) {
        group_.insert(selected_);
        ToolModule* previous = selected_;
        selected_ = nullptr;
        ApplyVisualState(previous);
      }
      group_.insert(module);
    }
    if (hovered_ == module) hovered_ = nullptr;
    ApplyVisualState(module);
    RefreshOverlay();
    return;
  }

  press_cell_ = cell;
  drag_cell_ = cell;
  drag_type_ = BOARD_DRAG_MOVE;
  drag_active_ = true;
  if (group_.count(module)) {
    std::vector<QRect> rects;
    for (ToolModule* m : group_) rects.push_back(m->GetCellRect());
    const QRect bounds = BOARD_Bounds(rects);
    anchor_offset_ = cell - bounds.topLeft();
    drag_preview_ = bounds;
  } else {
    if (!group_.empty()) {
      std::vector<ToolModule*> members(group_.begin(), group_.end());
      group_.clear();
      for (ToolModule* m : members) ApplyVisualState(m);
    }
    if (hovered_ == module) hovered_ = nullptr;
    SelectModule(module);
    drag_module_ = module;
    anchor_offset_ = cell - module->GetPosition();
    drag_preview_ = module->GetCellRect();
  }
}

void ToolModuleBoard::HandleMove(QPoint px, Qt::MouseButtons buttons,
                                 Qt::KeyboardModifiers mods, ToolModule* module) {
  const QPoint cell = PxToCell(px);
  cell_text_ = QStringLiteral("Cell: ( %1 / %2 ) ").arg(cell.x()).arg(cell.y());
  emit SignalCellChanged(cell_text_);
  if (!drag_active_) {
    if (!module || (module != selected_ && !group_.count(module))) SetHovered(module);
    return;
  }
  if (!(buttons & Qt::LeftButton)) return;
  drag_cell_ = cell;
  if (!drag_moved_ && !BOARD_IsDragFarEnough(press_cell_, cell)) return;
  drag_moved_ = true;
  if (hovered_) SetHovered(nullptr);
  // Shift and Ctrl count when held at the press or now.
  const bool fine = drag_fine_ || (mods & Qt::ShiftModifier);
  const bool corner = drag_corner_ || (mods & Qt::ControlModifier);
  if (drag_type_ == BOARD_DRAG_MOVE) {
    QPoint top_left = cell - anchor_offset_;
    if (!fine) top_left = QPoint(BOARD_Snap(top_left.x()), BOARD_Snap(top_left.y()));
    drag_preview_.moveTopLeft(QPoint(std::max(top_left.x(), 0), std::max(top_left.y(), 0)));
  } else if (drag_type_ >= BOARD_HANDLE_LEFT && drag_module_) {
    const int handle = corner ? BOARD_CornerHandle(drag_type_) : drag_type_;
    const QPoint target = fine ? cell : BOARD_SnapHandleCell(handle, cell);
    drag_preview_ = BOARD_ResizeByHandle(drag_module_->GetCellRect(), handle, target);
  }
  RefreshOverlay();
}

void ToolModuleBoard::HandleRelease(QPoint px, Qt::KeyboardModifiers mods) {
  (void)px;
  (void)mods;
  if (!drag_active_) return;
  drag_active_ = false;
  const bool moved = drag_moved_;
  drag_moved_ = false;
  const int type = drag_type_;
  drag_type_ = BOARD_DRAG_NONE;
  ToolModule* module = drag_module_;
  drag_module_ = nullptr;
  if (!moved) {
    RefreshOverlay();
    return;
  }
  if (type == BOARD_DRAG_RUBBER_BAND) {
    const QRect band = CellSpan(press_cell_, drag_cell_);
    for (auto& [id, entry] : modules_) {
      ToolModule* m = entry.module.get();
      if (m->IsPlaced() && m->GetLayer() == current_layer_ && m->GetCellRect().intersects(band)) {
        group_.insert(m);
        ApplyVisualState(m);
      }
    }
    SetMarkedCell(marked_);  // the status shows the mark again
  } else if (type == BOARD_DRAG_MOVE) {
    if (module) {
      MoveModulesBy({module}, drag_preview_.topLeft() - module->GetPosition(), false);
    } else if (!group_.empty()) {
      std::vector<ToolModule*> members = Group();
      std::vector<QRect> rects;
      for (ToolModule* m : members) rects.push_back(m->GetCellRect());
      MoveModulesBy(members, drag_preview_.topLeft() - BOARD_Bounds(rects).topLeft(), true);
    }
  } else if (type >= BOARD_HANDLE_LEFT && module) {
    const MODULE_SETTINGS before = module->GetSettings();
    PlaceAt(module, drag_preview_);
    timeline_.RecordChange(TIMELINE_RESIZE, IdOf(module), before, module->GetSettings());
    emit SignalProjectChanged();
  }
  RefreshOverlay();
}

void ToolModuleBoard::HandleDoubleClick(ToolModule* module) {
  if (!module) return;
  drag_active_ = false;
  SelectModule(module);
  module->OpenSettingsDialog();
}

void ToolModuleBoard::wheelEvent(QWheelEvent* event) {
  if (APP_GetAppMode() != APP_MODE_EDIT) return QScrollArea::wheelEvent(event);
  HandleWheel(event->angleDelta(), event->modifiers());
  event->accept();
}

void ToolModuleBoard::HandleWheel(QPoint angle_delta, Qt::KeyboardModifiers mods) {
  const bool horizontal = angle_delta.y() == 0 && angle_delta.x() != 0;
  const int notches = wheel_.Add(horizontal ? angle_delta.x() : angle_delta.y());
  if (notches == 0) return;
  // Turned away from the user (positive delta) is -1 per notch.
  int step = -notches;
  if (!(mods & Qt::ShiftModifier)) step *= BOARD_COARSE_CELLS;
  if (mods & Qt::ControlModifier) {
    if (selected_) {
      const QRect old_cells = selected_->GetCellRect();
      const QRect grown = BOARD_ResizeByDeltas(old_cells, 0, step, 0, step);
      // Keep the aspect ratio: the larger relative change applies to both sides.
      const double fw = static_cast<double>(grown.width()) / old_cells.width();
      const double fh = static_cast<double>(grown.height()) / old_cells.height();
      const double f = std::abs(fw - 1.0) >= std::abs(fh - 1.0) ? fw : fh;
      QRect resized = old_cells;
      resized.setWidth(static_cast<int>(std::lround(old_cells.width() * f)));
      resized.setHeight(static_cast<int>(std::lround(old_cells.height() * f)));
      const MODULE_SETTINGS before = selected_->GetSettings();
      PlaceAt(selected_, resized);
      timeline_.RecordChange(TIMELINE_RESIZE, IdOf(selected_), before, selected_->GetSettings());
      emit SignalProjectChanged();
    } else if (step > 0) {
      ZoomIn();
    } else {
      ZoomOut();
    }
    return;
  }
  QScrollBar* bar = horizontal ? horizontalScrollBar() : verticalScrollBar();
  bar->setValue(bar->value() + BOARD_CELL_PX * step);
}

void ToolModuleBoard::HandleContextMenu(QPoint px, QPoint global, ToolModule* module) {
  (void)px;
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  if (!module) {
    if (clipboard_) menu->addAction(tr("Paste"), this, &ToolModuleBoard::_SlotOnPasteModule);
    menu->addAction(tr("Set wallpaper"), this, &ToolModuleBoard::_SlotOnSetWallpaper);
    if (!wallpaper_path_.isEmpty()) {
      menu->addAction(tr("Delete wallpaper"), this, &ToolModuleBoard::_SlotOnDeleteWallpaper);
    }
  } else if (group_.count(module)) {
    menu->addAction(tr("Change Layer"), this, &ToolModuleBoard::_SlotOnChangeLayers);
  } else {
    menu->addAction(tr("Settings"), this, &ToolModuleBoard::_SlotOnOpenPreferences);
    menu->addAction(tr("Change Layer"), this, &ToolModuleBoard::_SlotOnChangeLayers);
    menu->addAction(tr("Copy"), this, &ToolModuleBoard::_SlotOnCopyModule);
    menu->addAction(tr("Remove"), this, &ToolModuleBoard::_SlotOnRemoveModule);
  }
  menu->popup(global);
}
