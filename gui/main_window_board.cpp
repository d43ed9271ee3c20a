// The main window and its board: adding modules from the collection, drops, zoom, layers,
// clipboard, timeline, wallpaper and the periodic refresh.
#include <algorithm>
#include <QAction>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>

#include "core/app_active_list.h"
#include "core/app_bridge.h"
#include "core/app_mode.h"
#include "core/app_project.h"
#include "gui/logic_dialog.h"
#include "gui/main_window.h"
#include "gui/module_collection.h"
#include "gui/table_widget.h"
#include "modules/module_dialog_fields.h"
#include "modules/records/module_types.h"
#include "modules/tool_module_board.h"
#include "persist/project/project_modules.h"

namespace {

// The "Add Module here" menu, in collection order.
constexpr uint32_t kAddMenuOrder[] = {
    MODULE_TYPE_LABEL,         MODULE_TYPE_IMAGE,         MODULE_TYPE_LED,
    MODULE_TYPE_DIGITAL_DISPLAY, MODULE_TYPE_LINEAR_GAUGE, MODULE_TYPE_ANGULAR_GAUGE,
    MODULE_TYPE_GRAPHER,       MODULE_TYPE_FRAME_BUFFER,  MODULE_TYPE_TIMER,
    MODULE_TYPE_PUSH_BUTTON,   MODULE_TYPE_TOGGLE_BUTTON, MODULE_TYPE_CHECK_BOX,
    MODULE_TYPE_RADIO_BUTTONS, MODULE_TYPE_SLIDER};

}  // namespace

void MainWindow::BuildBoard() {
  // The module dialogs build their formulas and calculations in the logic editor.
  MODULE_SetLogicEditor({&LogicDialog::EditCalculation, &LogicDialog::EditFormula});
  board_ = new ToolModuleBoard;
  board_->setMinimumSize(875, 380);
  setCentralWidget(board_);
  connect(board_, &ToolModuleBoard::SignalTimelineChanged, this, &MainWindow::UpdateBoardActions);
  connect(board_, &ToolModuleBoard::SignalStatusChanged, this, [this](const QString& text) {
    if (APP_GetAppMode() == APP_MODE_EDIT) status_labels_[0]->setText(text);
    UpdateBoardActions();
  });
  connect(board_, &ToolModuleBoard::SignalCellChanged, this, [this](const QString& text) {
    if (APP_GetAppMode() == APP_MODE_EDIT) status_labels_[1]->setText(text);
  });
  // Every change of the board goes to the project at once (it counts as a modification).
  connect(board_, &ToolModuleBoard::SignalProjectChanged, this, &MainWindow::HandBackContent);
  connect(board_, &ToolModuleBoard::SignalAddModuleMenuRequested, this,
          &MainWindow::ShowAddModuleMenu);
  connect(board_, &ToolModuleBoard::SignalSymbolDropped, this,
          [this](const QString& payload, const QPoint& cell) {
            const QString name = payload.section(QLatin1Char(':'), 1).trimmed();
            for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
              if (name.compare(QString::fromUtf8(c->pSymbol->Name), Qt::CaseInsensitive) == 0) {
                board_->ConnectSymbol(c->pSymbol, cell);
                return;
              }
            }
          });
}

void MainWindow::ShowAddModuleMenu(const QPoint& global_pos) {
  QMenu menu(QStringLiteral("Add Module here"), this);
  for (uint32_t type : kAddMenuOrder) {
    QAction* action = menu.addAction(ModuleCollection::TypeIcon(type),
                                     QStringLiteral("Add %1").arg(QString::fromUtf8(MODULE_DisplayName(type))));
    connect(action, &QAction::triggered, this, [this, type] { _SlotOnAddModuleClicked(type); });
  }
  menu.exec(global_pos);
}

void MainWindow::HandBackContent() {
  // Modules built from the project's own records are no change of the project.
  if (!APP_IsProjectOpen() || is_loading_modules_) return;
  PROJECT_SetModules(board_->GetAllModuleSettings());
}

void MainWindow::ClearBoard() { board_->ClearBoard(false); }

void MainWindow::_SlotOnAddModuleClicked(uint32_t type) {
  if (APP_GetAppMode() != APP_MODE_EDIT || IsWaitingForJob()) return;
  board_->SelectModule(nullptr);
  board_->CreateModule(type);
  UpdateBoardActions();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasText()) event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasText()) event->acceptProposedAction();
}

// Drops the board does not take: a new-module drag let go over the button it started from
// counts as a click on that button.
void MainWindow::dropEvent(QDropEvent* event) {
  const QString text = event->mimeData()->text();
  if (!text.startsWith(QLatin1String(MODULE_DRAG_PREFIX))) return;
  QPushButton* source = collection_->PressedButton();
  const QPoint global = mapToGlobal(event->position().toPoint());
  event->acceptProposedAction();
  if (source != nullptr && source->rect().contains(source->mapFromGlobal(global))) {
    _SlotOnAddModuleClicked(collection_->PressedType());
  }
}

void MainWindow::_SlotOnIncreaseCellSizeAction() {
  if (board_->ZoomIn()) zoom_out_button_->setEnabled(true);
}

void MainWindow::_SlotOnDecreaseCellSizeAction() {
  if (!board_->ZoomOut()) zoom_out_button_->setEnabled(false);
}

void MainWindow::_SlotOnClearBoard() {
  if (APP_GetAppMode() == APP_MODE_EDIT) board_->ClearBoard(true);
}

void MainWindow::_SlotOnBtnLayerUpClicked() {
  board_->_SlotOnIncreaseLayer();
  UpdateBoardActions();
}

void MainWindow::_SlotOnBtnLayerDownClicked() {
  board_->_SlotOnDecreaseLayer();
  UpdateBoardActions();
}

void MainWindow::_OnActionCopyModule() {
  board_->_SlotOnCopyModule();
  UpdateBoardActions();
}
void MainWindow::_OnActionPasteModule() { board_->_SlotOnPasteModule(); }
void MainWindow::_OnActionUndo() { board_->_SlotOnUndo(); }
void MainWindow::_OnActionRedo() { board_->_SlotOnRedo(); }
void MainWindow::_OnActionWatchWindow() {
  watch_dock_->setVisible(Action(kActWatchWindow)->isChecked());
}
void MainWindow::_OnActionScriptingWidget() {
  scripting_dock_->setVisible(Action(kActScriptingWidget)->isChecked());
}
void MainWindow::_OnActionWallpaper() { board_->_SlotOnSetWallpaper(); }
void MainWindow::_OnActionScaleType() {
  board_->SetWallpaperScaleType(board_->WallpaperScaleType() == 0 ? 1 : 0);
  UpdateBoardActions();
}

void MainWindow::_SlotOnUpdateGUIWallpaper() {
  PROJECT_VIEW view;
  APP_GetViewSettings(view);
  const bool was_loading = is_loading_modules_;
  is_loading_modules_ = true;  // the project's own wallpaper is no change either
  board_->SetWallpaperScaleType(view.WallpaperScaleType);
  board_->SetWallpaper(QString::fromUtf8(view.Wallpaper));
  is_loading_modules_ = was_loading;
  UpdateBoardActions();
}

void MainWindow::_SlotOnUpdateGUILoadModules() {
  is_loading_modules_ = true;
  const std::vector<MODULE_SETTINGS> records = PROJECT_GetModules();
  board_->LoadModules(records);
  // A loaded board is edited on its topmost layer, so that every module lies by its own layer
  // as in Run mode; on layer 0 the backgrounds of a layered board would cover the rest.
  uint32_t top_layer = 0;
  for (const MODULE_SETTINGS& record : records) top_layer = std::max(top_layer, record.Layer);
  if (APP_GetAppMode() == APP_MODE_EDIT) {
    board_->SetCurrentLayer(top_layer);
  } else {
    edit_layer_ = top_layer;
  }
  _SlotOnUpdateGUIWallpaper();
  is_loading_modules_ = false;
}

void MainWindow::_SlotOnUpdateTable() { watch_table_->UpdateTable(true); }
void MainWindow::_SlotOnAssignColors() {}

void MainWindow::UpdateBoardActions() {
  const bool is_edit = APP_GetAppMode() == APP_MODE_EDIT;
  Action(kActCopyModule)->setEnabled(is_edit && board_->SelectedModule() != nullptr);
  Action(kActPasteModule)->setEnabled(is_edit && board_->HasClipboard());
  Action(kActUndo)->setEnabled(is_edit && board_->CanUndo());
  Action(kActRedo)->setEnabled(is_edit && board_->CanRedo());
  QAction* scale = Action(kActScaleType);
  scale->setEnabled(is_edit && !board_->WallpaperPath().isEmpty());
  scale->setText(board_->WallpaperScaleType() == 0
                     ? QStringLiteral("Scale wallpaper to visible area only")
                     : QStringLiteral("Scale wallpaper to entire board"));
  layer_label_->setText(QString::number(board_->CurrentLayer()));
}

uint32_t MainWindow::BoardLayer() const { return board_->CurrentLayer(); }

void MainWindow::EnterBoardMode(int32_t mode) {
  switch (mode) {
    case APP_MODE_RUN: board_->EnterRunMode(); break;
    case APP_MODE_PREVIEW: board_->EnterPreviewMode(); break;
    default:
      board_->EnterEditMode();
      board_->SetCurrentLayer(edit_layer_);
      break;
  }
  UpdateBoardActions();
}

void MainWindow::RefreshContents() {
  UpdateActions();
  if (APP_GetAppMode() != APP_MODE_EDIT) board_->UpdateModules();
  watch_table_->UpdateTable(false);
}
