// Building the main window: menus from one table, the tool bar, the docks and the status bar;
// enabling the actions as the mode and the project allow.
#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <span>

#include "core/app_mode.h"
#include "core/app_sampling.h"
#include "gui/scripting_widget.h"
#include "gui/main_window.h"
#include "gui/module_collection.h"
#include "gui/shell_icons.h"
#include "gui/shortcuts.h"

namespace {

using Slot = void (MainWindow::*)();

struct MENU_ROW {
  MainWindow::ActionId id;
  const char* text;
  QKeyCombination key;  // Qt::Key_unknown: none
  Slot slot;
  const char* status_tip;
  bool is_checkable;
};

struct MENU_TABLE {
  const char* title;
  std::span<const MENU_ROW> rows;
};

constexpr QKeyCombination kNoKey = QKeyCombination(Qt::Key_unknown);
using M = MainWindow;

constexpr MENU_ROW kFileRows[] = {
    {M::kActNewProject, "&New Project", SHORTCUT::kNewProject, &M::_OnActionNewProjectDialog,
     "Create a new Vistro Project", false},
    {M::kActOpenProject, "&Open Project", SHORTCUT::kOpenProject, &M::_OnActionOpenProjectDialog,
     "Open a Vistro Project", false},
    {M::kActSaveProject, "&Save Project", SHORTCUT::kSaveProject, &M::_OnActionSaveProject,
     "Save Vistro Project", false},
    {M::kActSaveProjectAs, "Save Project &as ...", SHORTCUT::kSaveProjectAs,
     &M::_OnActionSaveProjectAs, "Save Vistro Project as ...", false},
    {M::kActExportHistory, "&Export History as CSV ...", kNoKey, &M::_OnActionExportHistory,
     "Export the sampled history of the symbols as CSV file", false},
    {M::kActExit, "E&xit", SHORTCUT::kExit, &M::_OnActionExit, "Quit this program", false},
};
constexpr MENU_ROW kEditRows[] = {
    {M::kActCopyModule, "Copy Module", SHORTCUT::kCopyModule, &M::_OnActionCopyModule,
     "Copy the currently selected module", false},
    {M::kActPasteModule, "Paste Module", SHORTCUT::kPasteModule, &M::_OnActionPasteModule,
     "Paste the last copied module", false},
    {M::kActUndo, "Undo", SHORTCUT::kUndo, &M::_OnActionUndo,
     "Undo last action in timeline of Module Board", false},
    {M::kActRedo, "Redo", SHORTCUT::kRedo, &M::_OnActionRedo,
     "Redo last action in timeline of Module Board", false},
};
constexpr MENU_ROW kViewRows[] = {
    {M::kActWatchWindow, "Symbol Watch", kNoKey, &M::_OnActionWatchWindow, "Show watch window",
     true},
    {M::kActScriptingWidget, "Scripting Widget", kNoKey, &M::_OnActionScriptingWidget,
     "Show scripting widget", true},
    {M::kActWallpaper, "Set wallpaper", kNoKey, &M::_OnActionWallpaper, "Select wallpaper", false},
    {M::kActScaleType, "Scale wallpaper to visible area only", kNoKey, &M::_OnActionScaleType,
     "Scale wallpaper", false},
};
constexpr MENU_ROW kToolsRows[] = {
    {M::kActProjectSettings, "Project Settings", SHORTCUT::kProjectSettings,
     &M::_OnActionProjectSettings, "Show Project Settings", false},
    {M::kActAppSettings, "App Settings", SHORTCUT::kAppSettings, &M::_OnActionAppSettings,
     "Show App Settings", false},
};
constexpr MENU_ROW kHelpRows[] = {
    {M::kActCheatSheet, "CheatSheet", SHORTCUT::kCheatSheet, &M::_OnActionCheatSheet,
     "Show cheat sheet", false},
    {M::kActUserGuide, "Vistro User Guide", SHORTCUT::kUserGuide, &M::_OnActionUserGuide,
     "Open the Vistro manual", false},
    {M::kActAbout, "&About Vistro", SHORTCUT::kAbout, &M::_OnActionAbout, "Show about dialog",
     false},
};
const MENU_TABLE kMenus[] = {
    {"&File", kFileRows}, {"&Edit", kEditRows}, {"&View", kViewRows},
    {"&Tools", kToolsRows}, {"&Help", kHelpRows},
};

QToolButton* ToolButton(const QIcon& icon, const QString& tip) {
  auto* button = new QToolButton;
  button->setIcon(icon);
  button->setToolTip(tip);
  button->setIconSize(QSize(22, 22));
  button->setAutoRaise(true);
  return button;
}

QGroupBox* ToolGroup(const QString& title, std::initializer_list<QWidget*> widgets) {
  auto* box = new QGroupBox(title);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(4, 2, 4, 2);
  row->setSpacing(2);
  for (QWidget* w : widgets) row->addWidget(w);
  return box;
}

}  // namespace

void MainWindow::BuildMenus() {
  menuBar()->setObjectName(QStringLiteral("MenuBar"));
  for (const MENU_TABLE& table : kMenus) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(table.title));
    for (const MENU_ROW& row : table.rows) {
      auto* action = new QAction(QString::fromUtf8(row.text), this);
      if (row.key.key() != Qt::Key_unknown) {
        QList<QKeySequence> keys{QKeySequence(row.key)};
        if (row.id == kActAppSettings) keys.append(QKeySequence(SHORTCUT::kAppSettingsShifted));
        action->setShortcuts(keys);
      }
      action->setStatusTip(QString::fromUtf8(row.status_tip));
      action->setCheckable(row.is_checkable);
      if (row.is_checkable) action->setChecked(true);
      connect(action, &QAction::triggered, this, row.slot);
      menu->addAction(action);
      actions_[size_t(row.id)] = action;
    }
  }
}

void MainWindow::BuildToolBar() {
  QToolBar* bar = addToolBar(QStringLiteral("Tools"));
  bar->setObjectName(QStringLiteral("ToolBar"));
  bar->setMovable(false);

  mode_button_ = ToolButton(SHELL_Icon(ShellIcon::kRun),
                            QStringLiteral("Switch to Run ( %1)").arg(SHORTCUT_Text(SHORTCUT::kModeSwitch)));
  mode_button_->setObjectName(QStringLiteral("ModeButton"));
  connect(mode_button_, &QToolButton::clicked, this, &MainWindow::_SlotOnAppModeSwitch);
  mode_action_ = new QAction(this);
  mode_action_->setShortcut(QKeySequence(SHORTCUT::kModeSwitch));
  mode_action_->setShortcutContext(Qt::ApplicationShortcut);
  connect(mode_action_, &QAction::triggered, this, &MainWindow::_SlotOnAppModeSwitch);
  addAction(mode_action_);

  run_options_button_ = ToolButton(SHELL_Icon(ShellIcon::kRunOptions),
                                   QStringLiteral("Run options"));
  run_options_menu_ = new QMenu(this);
  attach_action_ = run_options_menu_->addAction(SHELL_Icon(ShellIcon::kRun),
                                                QStringLiteral("Attach to Running Program"));
  download_action_ = run_options_menu_->addAction(SHELL_Icon(ShellIcon::kDownload),
                                                  QStringLiteral("Download && Reset Program"));
  connect(attach_action_, &QAction::triggered, this, &MainWindow::_SlotOnAttachAct);
  connect(download_action_, &QAction::triggered, this, &MainWindow::_SlotOnDownloadAct);
  connect(run_options_button_, &QToolButton::clicked, this, &MainWindow::_SlotOnRunOptions);

  preview_button_ = ToolButton(SHELL_Icon(ShellIcon::kPreview),
                               QStringLiteral("Run Preview"));
  preview_button_->setText(QStringLiteral("Run Preview"));
  preview_button_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  preview_button_->setCheckable(true);
  connect(preview_button_, &QToolButton::clicked, this, &MainWindow::_SlotOnPreviewToggle);

  zoom_in_button_ = ToolButton(SHELL_Icon(ShellIcon::kZoomIn),
                               QStringLiteral("Zoom in (Ctrl+Wheel)"));
  zoom_out_button_ = ToolButton(SHELL_Icon(ShellIcon::kZoomOut),
                                QStringLiteral("Zoom out (Ctrl+Wheel)"));
  clear_button_ = ToolButton(SHELL_Icon(ShellIcon::kClear),
                             QStringLiteral("Clear board and timeline"));
  connect(zoom_in_button_, &QToolButton::clicked, this, &MainWindow::_SlotOnIncreaseCellSizeAction);
  connect(zoom_out_button_, &QToolButton::clicked, this,
          &MainWindow::_SlotOnDecreaseCellSizeAction);
  connect(clear_button_, &QToolButton::clicked, this, &MainWindow::_SlotOnClearBoard);

  // The timeline controls share the Edit menu's actions (and their enabling).
  Action(kActUndo)->setIcon(SHELL_Icon(ShellIcon::kUndo));
  Action(kActRedo)->setIcon(SHELL_Icon(ShellIcon::kRedo));
  auto* undo_button = ToolButton(QIcon(), QString());
  auto* redo_button = ToolButton(QIcon(), QString());
  undo_button->setDefaultAction(Action(kActUndo));
  redo_button->setDefaultAction(Action(kActRedo));
  layer_label_ = new QLabel(QStringLiteral("0"));
  layer_label_->setToolTip(QStringLiteral("Current layer"));
  layer_label_->setMinimumWidth(18);
  layer_label_->setAlignment(Qt::AlignCenter);
  layer_up_button_ = ToolButton(SHELL_Icon(ShellIcon::kLayerUp),
                                QStringLiteral("Increase layer"));
  layer_down_button_ = ToolButton(SHELL_Icon(ShellIcon::kLayerDown),
                                  QStringLiteral("Decrease layer"));
  connect(layer_up_button_, &QToolButton::clicked, this, &MainWindow::_SlotOnBtnLayerUpClicked);
  connect(layer_down_button_, &QToolButton::clicked, this,
          &MainWindow::_SlotOnBtnLayerDownClicked);

  input_button_ = ToolButton(SHELL_Icon(ShellIcon::kInput),
                             QStringLiteral("Input Devices (%1)").arg(SHORTCUT_Text(SHORTCUT::kInputDevices)));
  input_action_ = new QAction(this);
  input_action_->setShortcut(QKeySequence(SHORTCUT::kInputDevices));
  connect(input_action_, &QAction::triggered, this, &MainWindow::_SlotOnHID);
  connect(input_button_, &QToolButton::clicked, this, &MainWindow::_SlotOnHID);
  addAction(input_action_);

  bar->addWidget(ToolGroup(QStringLiteral("Mode"), {mode_button_, run_options_button_, preview_button_}));
  bar->addWidget(ToolGroup(QStringLiteral("Scenery"), {zoom_in_button_, zoom_out_button_, clear_button_}));
  bar->addWidget(ToolGroup(QStringLiteral("Board"), {undo_button, redo_button, layer_label_,
                                                     layer_up_button_, layer_down_button_}));
  bar->addWidget(ToolGroup(QStringLiteral("Input"), {input_button_}));
}

void MainWindow::BuildDocks() {
  collection_ = new ModuleCollection;
  connect(collection_, &ModuleCollection::SignalAddClicked, this,
          &MainWindow::_SlotOnAddModuleClicked);
  auto* scroll = new QScrollArea;
  scroll->setWidget(collection_);
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setStyleSheet(QStringLiteral("QWidget { background-color: rgb(208, 208, 208); }"));
  scroll->setMinimumWidth(230);
  collection_dock_ = new QDockWidget(QStringLiteral("Module Collection"), this);
  collection_dock_->setObjectName(QStringLiteral("ModuleCollectionDock"));
  collection_dock_->setWidget(scroll);
  collection_dock_->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  addDockWidget(Qt::LeftDockWidgetArea, collection_dock_);

  watch_dock_ = new QDockWidget(QStringLiteral("Symbol Watch"), this);
  watch_dock_->setObjectName(QStringLiteral("SymbolWatchDock"));
  watch_dock_->setWidget(BuildWatch());
  addDockWidget(Qt::BottomDockWidgetArea, watch_dock_);
  scripting_dock_ = new QDockWidget(QStringLiteral("Scripting"), this);
  scripting_dock_->setObjectName(QStringLiteral("ScriptingDock"));
  scripting_widget_ = new ScriptingWidget;
  scripting_dock_->setWidget(scripting_widget_);
  ConnectScriptsAndPads();
  addDockWidget(Qt::BottomDockWidgetArea, scripting_dock_);
  // The View menu's check marks follow the docks, however they were closed.
  connect(watch_dock_, &QDockWidget::visibilityChanged, this, [this](bool) {
    if (!isMinimized()) Action(kActWatchWindow)->setChecked(!watch_dock_->isHidden());
  });
  connect(scripting_dock_, &QDockWidget::visibilityChanged, this, [this](bool) {
    if (!isMinimized()) Action(kActScriptingWidget)->setChecked(!scripting_dock_->isHidden());
  });
}

void MainWindow::SetWatchWidget(QWidget* widget) {
  delete watch_dock_->widget();
  watch_dock_->setWidget(widget);
}

void MainWindow::SetScriptingWidget(QWidget* widget) {
  if (scripting_dock_->widget() == scripting_widget_) scripting_widget_ = nullptr;
  delete scripting_dock_->widget();
  scripting_dock_->setWidget(widget);
}

void MainWindow::BuildStatusBar() {
  statusBar()->setStyleSheet(QStringLiteral("QStatusBar::item { border: none; }"));
  project_label_ = new QLabel(QStringLiteral("Open Project: none"));
  statusBar()->addPermanentWidget(project_label_);
  for (QLabel*& label : status_labels_) {
    label = new QLabel;
    statusBar()->addPermanentWidget(label);
  }
}

void MainWindow::UpdateActions() {
  const int32_t mode = APP_GetAppMode();
  const bool is_edit = mode == APP_MODE_EDIT;
  const bool is_open = IsProjectOpen();
  const bool file_ok = is_edit && !APP_HasReadTask();
  for (ActionId id : {kActNewProject, kActOpenProject, kActExit}) Action(id)->setEnabled(file_ok);
  for (ActionId id : {kActSaveProject, kActSaveProjectAs}) Action(id)->setEnabled(file_ok && is_open);
  Action(kActExportHistory)->setEnabled(file_ok && is_open && APP_GetSampleCount() > 0);
  for (ActionId id : {kActProjectSettings}) Action(id)->setEnabled(is_edit && is_open);
  for (ActionId id : {kActAppSettings, kActCheatSheet, kActUserGuide, kActAbout, kActWallpaper}) {
    Action(id)->setEnabled(is_edit);
  }
  UpdateBoardActions();
}
