// The main window and its board: adding modules from the collection, drops, zoom, layers,
// clipboard, timeline, wallpaper and the periodic refresh.
#include <QAction>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>

#include "core/app_mode.h"
#include "gui/main_window.h"
#include "gui/module_collection.h"
#include "gui/table_widget.h"

void MainWindow::_SlotOnAddModuleClicked(uint32_t type) { (void)type; }

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasText()) event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasText()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QString text = event->mimeData()->text();
  const QPoint global = mapToGlobal(event->position().toPoint());
  if (text.startsWith(QStringLiteral("ModuleCreation"))) {
    QPushButton* source = collection_->PressedButton();
    if (source != nullptr && source->rect().contains(source->mapFromGlobal(global))) {
      event->acceptProposedAction();
      _SlotOnAddModuleClicked(collection_->PressedType());
      return;
    }
  }
}

void MainWindow::_SlotOnIncreaseCellSizeAction() {}
void MainWindow::_SlotOnDecreaseCellSizeAction() {}
void MainWindow::_SlotOnClearBoard() {}
void MainWindow::_SlotOnBtnLayerUpClicked() {}
void MainWindow::_SlotOnBtnLayerDownClicked() {}
void MainWindow::_SlotOnHID() {}
void MainWindow::_OnActionCopyModule() {}
void MainWindow::_OnActionPasteModule() {}
void MainWindow::_OnActionUndo() {}
void MainWindow::_OnActionRedo() {}
void MainWindow::_OnActionWatchWindow() { watch_dock_->setVisible(Action(kActWatchWindow)->isChecked()); }
void MainWindow::_OnActionScriptingWidget() {
  scripting_dock_->setVisible(Action(kActScriptingWidget)->isChecked());
}
void MainWindow::_OnActionWallpaper() {}
void MainWindow::_OnActionScaleType() {}
void MainWindow::_SlotOnUpdateGUIWallpaper() {}
void MainWindow::_SlotOnUpdateGUILoadModules() {}
void MainWindow::_SlotOnUpdateTable() { watch_table_->UpdateTable(true); }
void MainWindow::_SlotOnAssignColors() {}

void MainWindow::UpdateBoardActions() {
  const bool is_edit = APP_GetAppMode() == APP_MODE_EDIT;
  for (ActionId id : {kActCopyModule, kActPasteModule, kActUndo, kActRedo, kActScaleType}) {
    Action(id)->setEnabled(false);
  }
  (void)is_edit;
}

uint32_t MainWindow::BoardLayer() const { return 0; }
void MainWindow::HandBackContent() {}
void MainWindow::ClearBoard() {}
void MainWindow::EnterBoardMode(int32_t mode) { (void)mode; }
void MainWindow::RefreshContents() { watch_table_->UpdateTable(false); }
