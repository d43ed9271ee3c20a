#include "modules/tool_module_board.h"

#include <algorithm>

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "core/app_mode.h"
#include "modules/board_canvas.h"
#include "modules/module_edit_filter.h"
#include "modules/module_factory.h"
#include "modules/module_popup_bar.h"
#include "modules/records/module_types.h"
#include "modules/tool_module.h"
#include "platform/sys_msgbox.h"

namespace {

constexpr int kHighlightMs = 666;

QRect CellsToPx(const QRect& cells) {
  return QRect(cells.x() * BOARD_CELL_PX, cells.y() * BOARD_CELL_PX,
               cells.width() * BOARD_CELL_PX, cells.height() * BOARD_CELL_PX);
}

QString CellPair(QPoint cell) {
  return QStringLiteral("( %1 / %2 )").arg(cell.x()).arg(cell.y());
}

// The rectangle between two cells, both included.
QRect CellSpan(QPoint a, QPoint b) {
  return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
               QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

}  // namespace

ToolModuleBoard::ToolModuleBoard(QWidget* parent) : QScrollArea(parent), timeline_(this) {
  setWidgetResizable(false);
  canvas_ = new BoardCanvas(this);
  // Markers first (0 to 15, so 15 is topmost): other layers' modules are stacked under them.
  for (uint32_t layer = 0; layer < MODULE_LAYER_COUNT; ++layer) {
    auto* marker = new QWidget(canvas_);
    marker->setAttribute(Qt::WA_TransparentForMouseEvents);
    marker->setGeometry(0, 0, 0, 0);
    layer_markers_[layer] = marker;
  }
  auto* curtain = new BoardCurtain(canvas_);
  curtain_ = curtain;
  overlay_ = new BoardOverlay(canvas_);
  curtain_->raise();
  overlay_->raise();
  selected_bar_ = new ModulePopupBar(canvas_);
  hover_bar_ = new ModulePopupBar(canvas_);
  ConnectPopup(selected_bar_);
  ConnectPopup(hover_bar_);
  setWidget(canvas_);
  edit_filter_ = new ModuleEditFilter(
      [this](QWidget* target, QEvent* event) { ForwardFromModule(target, event); }, this);
  highlight_timer_ = new QTimer(this);
  highlight_timer_->setSingleShot(true);
  connect(highlight_timer_, &QTimer::timeout, this,
          &ToolModuleBoard::_SlotOnHighlightConnectedModulesEnd);
  CreateActions();
  UpdateExtent();
}

ToolModuleBoard::~ToolModuleBoard() {
  timeline_.SetTarget(nullptr);
  batching_ = true;
  // Destroy the modules while the board is still whole (their destructors call back).
  while (!modules_.empty()) DestroyModule(modules_.begin()->second.module.get());
}

QWidget* ToolModuleBoard::Canvas() const { return canvas_; }
QWidget* ToolModuleBoard::ModuleCanvas() { return canvas_; }
QWidget* ToolModuleBoard::DialogParent() { return window(); }

// ---- Actions -------------------------------------------------------------------------------

void ToolModuleBoard::CreateActions() {
  auto add = [this](const QKeySequence& keys, auto&& slot) {
    auto* action = new QAction(this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(action, &QAction::triggered, this, slot);
    addAction(action);
    actions_.push_back(action);
  };
  const int keys[4] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right};
  for (int direction = 0; direction < 4; ++direction) {
    const int key = keys[direction];
    add(QKeySequence(key), [this, direction] {
      _SlotOnMoveModule(direction);
      _SlotOnMoveGroup(direction);
    });
    add(QKeySequence(Qt::SHIFT | key), [this, direction] {
      _SlotOnMoveModuleFine(direction);
      _SlotOnMoveGroupFine(direction);
    });
    add(QKeySequence(Qt::CTRL | key), [this, direction] { _SlotOnStretchModule(direction); });
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | key),
        [this, direction] { _SlotOnStretchModuleFine(direction); });
  }
  add(QKeySequence(Qt::Key_Delete), [this] {
    _SlotOnRemoveModule();
    _SlotOnRemoveGroup();
  });
  add(QKeySequence(Qt::Key_Return), [this] { _SlotOnOpenPreferences(); });
  add(QKeySequence(Qt::Key_Tab), [this] { _SlotOnJumpSelectionForward(); });
  add(QKeySequence(Qt::SHIFT | Qt::Key_Backtab), [this] { _SlotOnJumpSelectionBackward(); });
  add(QKeySequence(Qt::Key_Backtab), [this] { _SlotOnJumpSelectionBackward(); });
  add(QKeySequence(Qt::CTRL | Qt::Key_L), [this] { _SlotOnChangeLayers(); });
  add(QKeySequence(Qt::Key_PageUp), [this] { _SlotOnIncreaseLayer(); });
  add(QKeySequence(Qt::Key_PageDown), [this] { _SlotOnDecreaseLayer(); });
  add(QKeySequence(Qt::CTRL | Qt::Key_A), [this] { _SlotOnGroupAll(); });
}

void ToolModuleBoard::SetActionsEnabled(bool enabled) {
  for (QAction* action : actions_) action->setEnabled(enabled);
}

// ---- Module bookkeeping --------------------------------------------------------------------

ToolModule* ToolModuleBoard::Adopt(std::unique_ptr<ToolModule> module, ModuleId id) {
  ToolModule* raw = module.get();
  if (id == 0) id = next_id_++;
  next_id_ = std::max(next_id_, id + 1);
  ids_[raw] = id;
  modules_[id].module = std::move(module);
  edit_filter_->Watch(raw);
  return raw;
}

ToolModuleBoard::Entry* ToolModuleBoard::EntryOf(const ToolModule* module) {
  const auto it = ids_.find(module);
  if (it == ids_.end()) return nullptr;
  const auto entry = modules_.find(it->second);
  return entry == modules_.end() ? nullptr : &entry->second;
}

ModuleId ToolModuleBoard::IdOf(const ToolModule* module) const {
  const auto it = ids_.find(module);
  return it == ids_.end() ? 0 : it->second;
}

ToolModule* ToolModuleBoard::ModuleById(ModuleId id) const {
  const auto it = modules_.find(id);
  return it == modules_.end() ? nullptr : it->second.module.get();
}

std::vector<ToolModule*> ToolModuleBoard::Modules() const {
  std::vector<ToolModule*> list;
  list.reserve(modules_.size());
  for (const auto& [id, entry] : modules_) list.push_back(entry.module.get());
  return list;
}

std::vector<MODULE_SETTINGS> ToolModuleBoard::GetAllModuleSettings() const {
  std::vector<MODULE_SETTINGS> records;
  records.reserve(modules_.size());
  for (const auto& [id, entry] : modules_) records.push_back(entry.module->GetSettings());
  return records;
}

void ToolModuleBoard::DestroyModule(ToolModule* module) {
  const auto it = ids_.find(module);
  if (it == ids_.end()) return;
  std::unique_ptr<ToolModule> owned = std::move(modules_[it->second].module);
  modules_.erase(it->second);
  ids_.erase(it);
  ForgetModule(module);
  owned.reset();  // ~ToolModule calls ForgetModule again: nothing left to forget
  if (!batching_) UpdateExtent();
}

void ToolModuleBoard::ForgetModule(ToolModule* module) {
  const auto it = ids_.find(module);
  if (it != ids_.end()) {
    // Deleted by someone else: the board must not delete it again.
    (void)modules_[it->second].module.release();
    modules_.erase(it->second);
    ids_.erase(it);
  }
  if (hovered_ == module) hovered_ = nullptr;
  if (selected_ == module) selected_ = nullptr;
  group_.erase(module);
  highlight_.erase(module);
  if (highlight_.empty()) highlight_timer_->stop();
  if (drag_active_ && (drag_module_ == module || (drag_module_ == nullptr &&
                                                   drag_type_ == BOARD_DRAG_MOVE && group_.empty()))) {
    drag_active_ = false;
    drag_type_ = BOARD_DRAG_NONE;
  }
  if (drag_module_ == module) drag_module_ = nullptr;
  RefreshOverlay();
}

ToolModule* ToolModuleBoard::ModuleOfWidget(QWidget* widget) const {
  for (QWidget* w = widget; w && w != canvas_; w = w->parentWidget()) {
    auto* module = qobject_cast<ToolModule*>(w);
    if (module && ids_.count(module)) return module;
  }
  return nullptr;
}

// ---- Creating and removing -----------------------------------------------------------------

ToolModule* ToolModuleBoard::CreateModuleFromSettings(const MODULE_SETTINGS& settings,
                                                      bool record, bool use_marked_cell) {
  std::unique_ptr<ToolModule> created = ::CreateModule(settings.Type(), this);
  if (!created) return nullptr;
  ToolModule* module = Adopt(std::move(created), 0);
  MODULE_SETTINGS where = settings;
  if (use_marked_cell && marked_) {
    where.X = marked_->x();
    where.Y = marked_->y();
  }
  module->SetLayer(where.Layer);
  module->SetSettings(where);
  if (record) {
    timeline_.RecordAdd(IdOf(module), module->GetSettings());
    emit SignalProjectChanged();
  }
  return module;
}

ToolModule* ToolModuleBoard::CreateModule(uint32_t type) {
  if (APP_GetAppMode() != APP_MODE_EDIT) return nullptr;
  std::unique_ptr<ToolModule> created = ::CreateModule(type, this);
  if (!created) return nullptr;
  ToolModule* module = Adopt(std::move(created), 0);
  if (module->OpenSettingsDialog() != QDialog::Accepted || !module->IsPlaced()) {
    DestroyModule(module);  // cancelled: no trace on the board or in the timeline
    return nullptr;
  }
  timeline_.RecordAdd(IdOf(module), module->GetSettings());
  emit SignalProjectChanged();
  return module;
}

ToolModule* ToolModuleBoard::CreateModuleAt(uint32_t type, QPoint cell) {
  std::optional<MODULE_SETTINGS> settings = MODULE_DefaultSettings(type);
  if (!settings) return nullptr;
  settings->X = BOARD_Snap(std::max(cell.x(), 0));
  settings->Y = BOARD_Snap(std::max(cell.y(), 0));
  settings->Layer = current_layer_;
  return CreateModuleFromSettings(*settings, true, false);
}

void ToolModuleBoard::RemoveModule(ToolModule* module, bool record) {
  if (!module || !ids_.count(module)) return;
  const ModuleId id = IdOf(module);
  const MODULE_SETTINGS settings = module->GetSettings();
  DestroyModule(module);
  if (record) {
    timeline_.RecordRemove(id, settings);
    emit SignalProjectChanged();
  }
}

void ToolModuleBoard::RemoveModules(const std::vector<ToolModule*>& modules) {
  if (modules.empty()) return;
  TIMELINE_EVENT event;
  event.Kind = modules.size() == 1 ? TIMELINE_REMOVE : TIMELINE_GROUP_REMOVE;
  for (ToolModule* module : modules) {
    event.Entries.push_back({IdOf(module), module->GetSettings(), std::nullopt});
  }
  for (ToolModule* module : modules) DestroyModule(module);
  timeline_.Record(std::move(event));
  emit SignalProjectChanged();
}

void ToolModuleBoard::LoadModules(const std::vector<MODULE_SETTINGS>& records) {
  ClearBoard(false);
  // One extent and one restack for the whole load instead of one per module: each restack
  // walks the canvas's children, so restacking per module grows with the square of the count.
  batching_ = true;
  restack_deferred_ = true;
  for (const MODULE_SETTINGS& record : records) CreateModuleFromSettings(record, false, false);
  restack_deferred_ = false;
  batching_ = false;
  UpdateExtent();
  RestackAll();
  RefreshOverlay();
  timeline_.Clear();
}

int ToolModuleBoard::ClearBoard(bool ask) {
  if (ask && (!modules_.empty() || CanUndo() || CanRedo())) {
    const uint32_t answer = SYS_QuestionBox(
        "Are you sure to delete all modules and reset the timeline and the wallpaper as well as "
        "all input device configurations?\nThis action can not be undone!",
        "Yes", "No", 1, SYS_MB_ICON_QUESTION, 1);
    if (answer != 0) return -1;
  }
  ClearInteraction();
  highlight_.clear();
  while (!modules_.empty()) DestroyModule(modules_.begin()->second.module.get());
  timeline_.Clear();
  clipboard_.reset();
  SetMarkedCell(std::nullopt);
  SetWallpaper(QString());
  emit SignalProjectChanged();
  return 0;
}

// ---- Placement -----------------------------------------------------------------------------

void ToolModuleBoard::PlaceModule(ToolModule* module, const MODULE_SETTINGS& where,
                                  ModulePlacement how) {
  if (!module) return;
  QRect cells(where.X, where.Y, where.Width >= 1 ? where.Width : module->GetMinWidth(),
              where.Height >= 1 ? where.Height : module->GetMinHeight());
  bool snap = false;
  if (how == ModulePlacement::kNewModule) {
    const QPoint at = marked_.value_or(QPoint(std::max(where.X, 0), std::max(where.Y, 0)));
    cells.moveTopLeft(at);
    snap = true;
  }
  PlaceAt(module, BOARD_LimitPlacement(cells, snap));
}

void ToolModuleBoard::PlaceAt(ToolModule* module, QRect cells, bool new_zoom) {
  cells = BOARD_LimitPlacement(cells, false);
  module->SetCellRect(cells);
  module->SetPixelGeometry(CellsToPx(cells));
  if (Entry* entry = EntryOf(module); entry && new_zoom) {
    entry->zoom = BOARD_ZoomGeometryOf(cells);
  }
  if (!restack_deferred_) Restack(module);
  ApplyVisualState(module);
  if (!module->isVisible() && (highlight_.empty() || highlight_.count(module))) module->show();
  module->FitContents();
  if (!batching_) {
    UpdateExtent();
    RefreshOverlay();
  }
}

void ToolModuleBoard::MoveModulesBy(const std::vector<ToolModule*>& modules, QPoint step,
                                    bool as_group) {
  if (modules.empty() || step.isNull()) return;
  TIMELINE_EVENT event;
  event.Kind = as_group ? TIMELINE_GROUP_MOVE : TIMELINE_MOVE;
  batching_ = modules.size() > 1;
  for (ToolModule* module : modules) {
    TIMELINE_ENTRY entry{IdOf(module), module->GetSettings(), std::nullopt};
    PlaceAt(module, module->GetCellRect().translated(step));
    entry.After = module->GetSettings();
    event.Entries.push_back(std::move(entry));
  }
  batching_ = false;
  UpdateExtent();
  overlay_->raise();
  RefreshOverlay();
  timeline_.Record(std::move(event));
  emit SignalProjectChanged();
}

void ToolModuleBoard::UpdateExtent() {
  QRect content;
  for (const auto& [id, entry] : modules_) {
    if (entry.module->IsPlaced()) content = content.united(entry.module->GetCellRect());
  }
  const QSize viewport_px = viewport()->size();
  const QSize extent = BOARD_Extent(content, viewport_px);
  if (extent != extent_) {
    extent_ = extent;
    const QSize px(extent.width() * BOARD_CELL_PX, extent.height() * BOARD_CELL_PX);
    canvas_->setFixedSize(px);
    curtain_->setGeometry(QRect(QPoint(0, 0), px));
    overlay_->setGeometry(QRect(QPoint(0, 0), px));
  }
  // Scroll bars only when a module reaches beyond the visible area.
  const bool wide = content.isValid() && (content.x() + content.width()) * BOARD_CELL_PX > viewport_px.width();
  const bool tall = content.isValid() && (content.y() + content.height()) * BOARD_CELL_PX > viewport_px.height();
  setHorizontalScrollBarPolicy(wide ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(tall ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  if (!wide) horizontalScrollBar()->setValue(0);
  if (!tall) verticalScrollBar()->setValue(0);
  // The wallpaper follows the board or the visible area.
  if (!wallpaper_source_.isNull()) {
    const QSize target = wallpaper_scale_type_ == 0 ? canvas_->size() : viewport_px;
    if (target != wallpaper_target_) {
      wallpaper_target_ = target;
      wallpaper_ = wallpaper_source_.scaled(target, Qt::KeepAspectRatioByExpanding,
                                            Qt::SmoothTransformation);
      canvas_->update();
    }
  }
}

void ToolModuleBoard::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  UpdateExtent();
}

void ToolModuleBoard::scrollContentsBy(int dx, int dy) {
  QScrollArea::scrollContentsBy(dx, dy);
  if (wallpaper_scale_type_ == 1 && !wallpaper_.isNull()) canvas_->update();
}

// ---- Visual state and stacking -------------------------------------------------------------

void ToolModuleBoard::ApplyVisualState(ToolModule* module) {
  Entry* entry = EntryOf(module);
  ModuleFrame frame = ModuleFrame::kNormal;
  const bool hidden_by_highlight = !highlight_.empty() && !highlight_.count(module);
  if (APP_GetAppMode() != APP_MODE_EDIT) {
    frame = ModuleFrame::kNone;
  } else if (module == hovered_) {
    frame = ModuleFrame::kHover;
  } else if (!highlight_.empty() && highlight_.count(module)) {
    frame = ModuleFrame::kHighlight;
  } else if (module->GetLayer() != current_layer_) {
    frame = ModuleFrame::kOtherLayer;
  } else if (module == selected_) {
    frame = ModuleFrame::kSelected;
  } else if (group_.count(module)) {
    frame = ModuleFrame::kGroup;
  }
  module->SetFrameState(frame);
  if (entry) {
    const QString style = module->GetFrameStyleSheet();
    if (style != entry->applied_style) {
      entry->applied_style = style;
      module->setStyleSheet(style);
    }
  }
  if (module->IsPlaced()) module->setVisible(!hidden_by_highlight);
}

void ToolModuleBoard::ApplyAllVisualStates() {
  for (auto& [id, entry] : modules_) ApplyVisualState(entry.module.get());
  RefreshOverlay();
}

void ToolModuleBoard::Restack(ToolModule* module) {
  if (module->GetLayer() == current_layer_) {
    module->raise();
    if (!batching_) overlay_->raise();
  } else {
    module->stackUnder(layer_markers_[module->GetLayer()]);
  }
}

void ToolModuleBoard::RestackAll() {
  curtain_->raise();
  for (auto& [id, entry] : modules_) Restack(entry.module.get());
  overlay_->raise();
}

void ToolModuleBoard::RefreshOverlay() {
  BOARD_OVERLAY_STATE state;
  state.edit_mode = APP_GetAppMode() == APP_MODE_EDIT;
  state.marked_cell = marked_;
  if (drag_active_ && drag_moved_) {
    if (drag_type_ == BOARD_DRAG_RUBBER_BAND) {
      state.rubber_band = CellSpan(press_cell_, drag_cell_);
    } else {
      state.preview = drag_preview_;
    }
  }
  if (selected_ && selected_->IsPlaced()) state.selection = selected_->GetCellRect();
  overlay_->state = state;
  overlay_->update();
  UpdatePopups();
}

void ToolModuleBoard::UpdatePopups() {
  if (selected_bar_ == nullptr) return;
  const bool shown = APP_GetAppMode() == APP_MODE_EDIT && highlight_.empty() &&
                     !(drag_active_ && drag_moved_);
  const std::pair<ModulePopupBar*, ToolModule*> bars[] = {{selected_bar_, selected_},
                                                         {hover_bar_, hovered_}};
  for (const auto& [bar, module] : bars) {
    if (!shown || module == nullptr || !module->IsPlaced()) {
      bar->Follow(nullptr, 0);
      continue;
    }
    bar->Follow(module, module->GetLayer());
    const QRect px = CellsToPx(BOARD_PopupCells(module->GetCellRect()));
    bar->setGeometry(px.x(), px.y(), std::max(px.width(), bar->sizeHint().width()), px.height());
    // Stacked like its module: above everything on the current layer, else under the
    // marker of the module's layer.
    if (module->GetLayer() == current_layer_) {
      bar->raise();
    } else {
      bar->stackUnder(layer_markers_[module->GetLayer()]);
    }
    bar->show();
  }
}

void ToolModuleBoard::ConnectPopup(ModulePopupBar* bar) {
  auto editable = [this](ToolModule* m) {
    return APP_GetAppMode() == APP_MODE_EDIT && m != nullptr && ids_.count(m) != 0;
  };
  connect(bar, &ModulePopupBar::SignalRemove, this, [this, editable](ToolModule* m) {
    if (editable(m)) RemoveModules({m});
  });
  connect(bar, &ModulePopupBar::SignalOpenSettings, this, [editable](ToolModule* m) {
    if (editable(m)) m->OpenSettingsDialog();
  });
  connect(bar, &ModulePopupBar::SignalChangeLayer, this, [this, editable](ToolModule* m) {
    if (!editable(m)) return;
    SelectModule(m);
    _SlotOnChangeLayers();
  });
  connect(bar, &ModulePopupBar::SignalLayerStep, this, [this, editable](ToolModule* m, int step) {
    if (!editable(m)) return;
    const int layer = std::clamp(int(m->GetLayer()) + step, 0, int(MODULE_LAYER_COUNT) - 1);
    if (layer != int(m->GetLayer())) ChangeLayerOf({m}, uint32_t(layer));
  });
}

void ToolModuleBoard::SetHovered(ToolModule* module) {
  if (module == hovered_) return;
  ToolModule* previous = hovered_;
  hovered_ = module;
  if (previous) ApplyVisualState(previous);
  if (module) {
    module->setCursor(Qt::SizeAllCursor);
    ApplyVisualState(module);
  }
  UpdatePopups();
}

void ToolModuleBoard::ClearInteraction() {
  std::vector<ToolModule*> touched(group_.begin(), group_.end());
  if (hovered_) touched.push_back(hovered_);
  if (selected_) touched.push_back(selected_);
  hovered_ = nullptr;
  selected_ = nullptr;
  group_.clear();
  for (ToolModule* module : touched) ApplyVisualState(module);
  RefreshOverlay();
}

void ToolModuleBoard::SelectModule(ToolModule* module) {
  if (module && !ids_.count(module)) return;
  ToolModule* previous = selected_;
  selected_ = module;
  if (module && hovered_ == module) hovered_ = nullptr;
  if (previous) ApplyVisualState(previous);
  if (module) ApplyVisualState(module);
  RefreshOverlay();
}

std::vector<ToolModule*> ToolModuleBoard::Group() const {
  std::vector<ToolModule*> members;
  for (const auto& [id, entry] : modules_) {
    if (group_.count(entry.module.get())) members.push_back(entry.module.get());
  }
  return members;
}

void ToolModuleBoard::SetGroup(const std::vector<ToolModule*>& modules) {
  ClearInteraction();
  for (ToolModule* module : modules) {
    if (module && ids_.count(module)) group_.insert(module);
  }
  ApplyAllVisualStates();
}

bool ToolModuleBoard::IsInGroup(const ToolModule* module) const {
  return group_.count(const_cast<ToolModule*>(module)) != 0;
}

void ToolModuleBoard::SetMarkedCell(std::optional<QPoint> cell) {
  marked_ = cell;
  SetStatus(cell ? QStringLiteral("Marked: ") + CellPair(*cell) : QString());
  RefreshOverlay();
}

void ToolModuleBoard::SetStatus(const QString& text) {
  status_text_ = text;
  emit SignalStatusChanged(text);
}

void ToolModuleBoard::EnsureVisible(ToolModule* module) {
  if (module && module->IsPlaced()) {
    const QRect px = CellsToPx(module->GetCellRect());
    ensureVisible(px.center().x(), px.center().y(), px.width() / 2 + 8, px.height() / 2 + 8);
  }
}

// ---- Layers --------------------------------------------------------------------------------

void ToolModuleBoard::SetCurrentLayer(uint32_t layer, bool clear_selection) {
  if (layer >= MODULE_LAYER_COUNT) return;
  current_layer_ = layer;
  if (clear_selection) ClearInteraction();
  RestackAll();
  ApplyAllVisualStates();
}

void ToolModuleBoard::ChangeLayerOf(const std::vector<ToolModule*>& modules, uint32_t layer) {
  if (modules.empty() || layer >= MODULE_LAYER_COUNT) return;
  TIMELINE_EVENT event;
  event.Kind = modules.size() == 1 ? TIMELINE_LAYER : TIMELINE_GROUP_LAYER;
  for (ToolModule* module : modules) {
    TIMELINE_ENTRY entry{IdOf(module), module->GetSettings(), std::nullopt};
    module->SetLayer(layer);
    Restack(module);
    ApplyVisualState(module);
    entry.After = module->GetSettings();
    event.Entries.push_back(std::move(entry));
  }
  timeline_.Record(std::move(event));
  UpdatePopups();
  emit SignalProjectChanged();
}

void ToolModuleBoard::SetModuleLayer(ToolModule* module, uint32_t layer) {
  if (module && ids_.count(module)) ChangeLayerOf({module}, layer);
}

void ToolModuleBoard::_SlotOnIncreaseLayer() {
  const uint32_t up = std::min<uint32_t>(current_layer_ + 1, MODULE_LAYER_COUNT - 1);
  if (selected_) {
    ChangeLayerOf({selected_}, up);
  } else if (!group_.empty()) {
    ChangeLayerOf(Group(), up);
  } else {
    SetCurrentLayer(up);
  }
}

void ToolModuleBoard::_SlotOnDecreaseLayer() {
  const uint32_t down = current_layer_ > 0 ? current_layer_ - 1 : 0;
  if (selected_) {
    ChangeLayerOf({selected_}, down);
  } else if (!group_.empty()) {
    ChangeLayerOf(Group(), down);
  } else {
    SetCurrentLayer(down);
  }
}

void ToolModuleBoard::_SlotOnChangeLayers() {
  std::vector<ToolModule*> targets = selected_ ? std::vector<ToolModule*>{selected_} : Group();
  if (targets.empty()) return;
  QDialog dialog(window());
  dialog.setWindowTitle(tr("Layer Settings"));
  auto* spin = new QSpinBox(&dialog);
  spin->setRange(1, static_cast<int>(MODULE_LAYER_COUNT));
  spin->setValue(static_cast<int>(targets.front()->GetLayer()) + 1);
  auto* buttons = new QDialogButtonBox(&dialog);
  buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* row = new QHBoxLayout();
  row->addWidget(new QLabel(tr("Layer"), &dialog));
  row->addWidget(spin);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(row);
  layout->addWidget(buttons);
  if (dialog.exec() == QDialog::Accepted) {
    ChangeLayerOf(targets, static_cast<uint32_t>(spin->value() - 1));
  }
}

// ---- Keyboard operations -------------------------------------------------------------------

void ToolModuleBoard::MoveModule(int direction, bool fine) {
  if (!selected_ || APP_GetAppMode() != APP_MODE_EDIT) return;
  const QPoint at = selected_->GetPosition() + BOARD_DirectionStep(direction, fine);
  const QPoint clamped(std::max(at.x(), 0), std::max(at.y(), 0));
  MoveModulesBy({selected_}, clamped - selected_->GetPosition(), false);
  EnsureVisible(selected_);
}

void ToolModuleBoard::_SlotOnMoveModule(int direction) { MoveModule(direction, false); }
void ToolModuleBoard::_SlotOnMoveModuleFine(int direction) { MoveModule(direction, true); }

void ToolModuleBoard::MoveGroup(int direction, bool fine) {
  if (group_.empty() || APP_GetAppMode() != APP_MODE_EDIT) return;
  std::vector<ToolModule*> members = Group();
  std::vector<QRect> rects;
  for (ToolModule* m : members) rects.push_back(m->GetCellRect());
  // One common step, shortened at the board's edge, so the group keeps its shape.
  MoveModulesBy(members, BOARD_ClampGroupStep(BOARD_Bounds(rects).topLeft(),
                                              BOARD_DirectionStep(direction, fine)),
                true);
}

void ToolModuleBoard::_SlotOnMoveGroup(int direction) { MoveGroup(direction, false); }
void ToolModuleBoard::_SlotOnMoveGroupFine(int direction) { MoveGroup(direction, true); }

void ToolModuleBoard::StretchModule(int direction, bool fine) {
  if (!selected_ || APP_GetAppMode() != APP_MODE_EDIT) return;
  const QPoint step = BOARD_DirectionStep(direction, fine);
  const MODULE_SETTINGS before = selected_->GetSettings();
  PlaceAt(selected_, BOARD_ResizeByDeltas(selected_->GetCellRect(), 0, step.y(), 0, step.x()));
  timeline_.RecordChange(TIMELINE_RESIZE, IdOf(selected_), before, selected_->GetSettings());
  emit SignalProjectChanged();
}

void ToolModuleBoard::_SlotOnStretchModule(int direction) { StretchModule(direction, false); }
void ToolModuleBoard::_SlotOnStretchModuleFine(int direction) { StretchModule(direction, true); }

void ToolModuleBoard::_SlotOnModuleToMarked() {
  if (!selected_ || !marked_) return;
  ToolModule* module = selected_;
  SelectModule(nullptr);
  MoveModulesBy({module}, *marked_ - module->GetPosition(), false);
  SetMarkedCell(std::nullopt);
}

void ToolModuleBoard::_SlotOnGroupToMarked() {
  if (group_.empty() || !marked_) return;
  std::vector<ToolModule*> members = Group();
  std::vector<QRect> rects;
  for (ToolModule* m : members) rects.push_back(m->GetCellRect());
  MoveModulesBy(members, *marked_ - BOARD_Bounds(rects).topLeft(), true);
}

void ToolModuleBoard::_SlotOnRemoveModule() {
  if (!selected_ || APP_GetAppMode() != APP_MODE_EDIT) return;
  RemoveModules({selected_});
}

void ToolModuleBoard::_SlotOnRemoveGroup() {
  if (group_.empty() || APP_GetAppMode() != APP_MODE_EDIT) return;
  RemoveModules(Group());
}

void ToolModuleBoard::_SlotOnGroupAll() {
  if (APP_GetAppMode() != APP_MODE_EDIT) return;
  ClearInteraction();
  for (auto& [id, entry] : modules_) {
    if (entry.module->GetLayer() == current_layer_ && entry.module->IsPlaced()) {
      group_.insert(entry.module.get());
    }
  }
  ApplyAllVisualStates();
}

void ToolModuleBoard::_SlotOnOpenPreferences() {
  if (selected_) selected_->OpenSettingsDialog();
}

std::vector<ToolModule*> ToolModuleBoard::LayerOrder() const {
  std::vector<ToolModule*> order;
  for (const auto& [id, entry] : modules_) {
    if (entry.module->GetLayer() == current_layer_ && entry.module->IsPlaced()) {
      order.push_back(entry.module.get());
    }
  }
  std::stable_sort(order.begin(), order.end(), [](ToolModule* a, ToolModule* b) {
    const QPoint pa = a->GetPosition(), pb = b->GetPosition();
    return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
  });
  return order;
}

void ToolModuleBoard::JumpSelection(bool forward) {
  const std::vector<ToolModule*> order = LayerOrder();
  if (order.empty()) return;
  const auto it = std::find(order.begin(), order.end(), selected_);
  ToolModule* next = nullptr;
  if (forward) {
    next = (it == order.end() || it + 1 == order.end()) ? order.front() : *(it + 1);
  } else {
    next = (it == order.end() || it == order.begin()) ? order.back() : *(it - 1);
  }
  SetGroup({});
  SelectModule(next);
  EnsureVisible(next);
}

void ToolModuleBoard::_SlotOnJumpSelectionForward() { JumpSelection(true); }
void ToolModuleBoard::_SlotOnJumpSelectionBackward() { JumpSelection(false); }

// ---- Clipboard -----------------------------------------------------------------------------

void ToolModuleBoard::_SlotOnCopyModule() {
  if (!selected_ || APP_GetAppMode() != APP_MODE_EDIT) return;
  clipboard_ = selected_->GetSettings();
  SelectModule(nullptr);
  SetStatus(QStringLiteral("Ready to paste: ") +
            QString::fromUtf8(MODULE_DisplayName(clipboard_->Type())));
}

void ToolModuleBoard::_SlotOnPasteModule() {
  if (!clipboard_ || APP_GetAppMode() != APP_MODE_EDIT) return;
  MODULE_SETTINGS copy = *clipboard_;
  const QPoint at = marked_.value_or(QPoint(0, 0));
  copy.X = at.x();
  copy.Y = at.y();
  marked_.reset();
  CreateModuleFromSettings(copy, true, false);
  SetStatus(QString());
  RefreshOverlay();
}

// ---- Zoom ----------------------------------------------------------------------------------

bool ToolModuleBoard::Zoom(double factor) {
  std::vector<ZOOM_GEOMETRY> geometries;
  geometries.reserve(modules_.size());
  for (auto& [id, entry] : modules_) {
    if (entry.module->IsPlaced()) geometries.push_back(entry.zoom);
  }
  if (geometries.empty() || !BOARD_ZoomAllowed(geometries, factor)) return false;
  batching_ = true;
  for (auto& [id, entry] : modules_) {
    if (!entry.module->IsPlaced()) continue;
    ZOOM_GEOMETRY next;
    const QRect cells = BOARD_ZoomRect(entry.zoom, factor, &next);
    PlaceAt(entry.module.get(), cells, false);
    entry.zoom = next;
  }
  batching_ = false;
  UpdateExtent();
  overlay_->raise();
  RefreshOverlay();
  horizontalScrollBar()->setValue(static_cast<int>(horizontalScrollBar()->value() * factor));
  verticalScrollBar()->setValue(static_cast<int>(verticalScrollBar()->value() * factor));
  if (selected_) EnsureVisible(selected_);
  emit SignalProjectChanged();
  return true;
}

bool ToolModuleBoard::ZoomIn() { return Zoom(BOARD_ZOOM_IN); }
bool ToolModuleBoard::ZoomOut() { return Zoom(BOARD_ZOOM_OUT); }

// ---- Wallpaper -----------------------------------------------------------------------------

void ToolModuleBoard::SetWallpaper(const QString& path) {
  wallpaper_path_ = path;
  wallpaper_source_ = path.isEmpty() ? QImage() : QImage(path);
  wallpaper_ = QImage();
  wallpaper_target_ = QSize();
  UpdateExtent();
  canvas_->update();
  emit SignalWallpaperChanged(path);
}

void ToolModuleBoard::SetWallpaperScaleType(int type) {
  wallpaper_scale_type_ = type == 1 ? 1 : 0;
  wallpaper_target_ = QSize();
  UpdateExtent();
  canvas_->update();
}

void ToolModuleBoard::_SlotOnSetWallpaper() {
  const QString path = QFileDialog::getOpenFileName(window(), tr("Open Image"), QString(),
                                                    tr("Image (*.png *.jpg *.jpeg)"));
  if (path.isEmpty() || path.size() > 260) return;
  SetWallpaper(path);
}

void ToolModuleBoard::_SlotOnDeleteWallpaper() { SetWallpaper(QString()); }

// ---- History -------------------------------------------------------------------------------

void ToolModuleBoard::RestoreModule(ModuleId id, const std::optional<MODULE_SETTINGS>& state) {
  ToolModule* module = ModuleById(id);
  if (!state) {
    if (module) DestroyModule(module);
    return;
  }
  if (!module) {
    std::unique_ptr<ToolModule> created = ::CreateModule(state->Type(), this);
    if (!created) return;
    module = Adopt(std::move(created), id);
    module->SetLayer(state->Layer);
  }
  module->SetSettings(*state);
  Restack(module);
  ApplyVisualState(module);
}

void ToolModuleBoard::TimelineChanged() { emit SignalTimelineChanged(); }

void ToolModuleBoard::RecordSettingsChange(ToolModule* module, const MODULE_SETTINGS& before,
                                           const MODULE_SETTINGS& after) {
  if (!ids_.count(module)) return;
  timeline_.RecordChange(TIMELINE_SETTINGS, IdOf(module), before, after);
  emit SignalProjectChanged();
}

void ToolModuleBoard::_SlotOnUndo() { _SlotOnUndoMultiple(1); }
void ToolModuleBoard::_SlotOnRedo() { _SlotOnRedoMultiple(1); }

void ToolModuleBoard::_SlotOnUndoMultiple(int count) {
  if (count < 1 || APP_GetAppMode() != APP_MODE_EDIT) return;
  ClearInteraction();
  timeline_.UndoMultiple(count);
  UpdateExtent();
  RefreshOverlay();
  emit SignalProjectChanged();
}

void ToolModuleBoard::_SlotOnRedoMultiple(int count) {
  if (count < 1 || APP_GetAppMode() != APP_MODE_EDIT) return;
  ClearInteraction();
  timeline_.RedoMultiple(count);
  UpdateExtent();
  RefreshOverlay();
  emit SignalProjectChanged();
}

// ---- Modes ---------------------------------------------------------------------------------

void ToolModuleBoard::EnterMode(int32_t mode) {
  const bool was_edit = APP_GetAppMode() == APP_MODE_EDIT;
  drag_active_ = false;
  drag_type_ = BOARD_DRAG_NONE;
  if (mode == APP_MODE_EDIT) {
    APP_SetAppMode(APP_MODE_EDIT);
    current_layer_ = edit_layer_;
    curtain_->show();
    static_cast<BoardCurtain*>(curtain_)->edit_mode = true;
    SetActionsEnabled(true);
    for (auto& [id, entry] : modules_) {
      entry.module->unsetCursor();
      entry.module->EnterEditMode();
    }
  } else {
    if (was_edit) edit_layer_ = current_layer_;
    APP_SetAppMode(mode);
    ClearInteraction();
    highlight_.clear();
    highlight_timer_->stop();
    clipboard_.reset();
    current_layer_ = MODULE_LAYER_COUNT - 1;
    static_cast<BoardCurtain*>(curtain_)->edit_mode = false;
    curtain_->lower();
    curtain_->hide();
    SetActionsEnabled(false);
    for (auto& [id, entry] : modules_) {
      entry.module->setCursor(Qt::ArrowCursor);
      if (mode == APP_MODE_RUN) {
        entry.module->EnterRunMode();
      } else {
        entry.module->EnterPreviewMode();
      }
    }
  }
  RestackAll();
  ApplyAllVisualStates();
  canvas_->update();
}

void ToolModuleBoard::EnterEditMode() { EnterMode(APP_MODE_EDIT); }
void ToolModuleBoard::EnterRunMode() { EnterMode(APP_MODE_RUN); }
void ToolModuleBoard::EnterPreviewMode() { EnterMode(APP_MODE_PREVIEW); }

void ToolModuleBoard::UpdateModules() {
  if (APP_GetAppMode() != APP_MODE_RUN) return;
  for (auto& [id, entry] : modules_) entry.module->Update();
}

// ---- Symbols -------------------------------------------------------------------------------

bool ToolModuleBoard::IsSymbolRead(const ACTIVE_SYMBOL* symbol) const {
  return std::any_of(modules_.begin(), modules_.end(), [symbol](const auto& item) {
    return item.second.module->UsesSymbol(symbol) && item.second.module->ReadsSymbol(symbol);
  });
}

int ToolModuleBoard::CountSymbolUsers(const ACTIVE_SYMBOL* symbol) const {
  return static_cast<int>(std::count_if(modules_.begin(), modules_.end(), [symbol](const auto& item) {
    return item.second.module->UsesSymbol(symbol);
  }));
}

void ToolModuleBoard::RemoveSymbolFromModules(const ACTIVE_SYMBOL* symbol) {
  for (ToolModule* module : Modules()) {
    if (!module->UsesSymbol(symbol)) continue;
    const MODULE_SETTINGS before = module->GetSettings();
    module->RemoveSymbol(symbol);
    const MODULE_SETTINGS after = module->GetSettings();
    if (!(before == after)) timeline_.RecordChange(TIMELINE_SETTINGS, IdOf(module), before, after);
  }
  emit SignalProjectChanged();
}

void ToolModuleBoard::HighlightConnectedModules(const ACTIVE_SYMBOL* symbol) {
  ClearInteraction();
  highlight_.clear();
  for (auto& [id, entry] : modules_) {
    if (entry.module->UsesSymbol(symbol)) highlight_.insert(entry.module.get());
  }
  ApplyAllVisualStates();
  if (!highlight_.empty()) highlight_timer_->start(kHighlightMs);
}

void ToolModuleBoard::_SlotOnHighlightConnectedModulesEnd() {
  highlight_.clear();
  ApplyAllVisualStates();
}

bool ToolModuleBoard::ConnectSymbol(const ACTIVE_SYMBOL* symbol, QPoint cell) {
  ClearInteraction();
  highlight_.clear();
  ApplyAllVisualStates();
  // The topmost module at the cell: the current layer first, then higher layers first.
  ToolModule* target = nullptr;
  for (auto& [id, entry] : modules_) {
    ToolModule* m = entry.module.get();
    if (!m->IsPlaced() || !m->GetCellRect().contains(cell)) continue;
    const auto rank = [this](ToolModule* x) {
      return x->GetLayer() == current_layer_ ? MODULE_LAYER_COUNT : x->GetLayer();
    };
    if (!target || rank(m) >= rank(target)) target = m;
  }
  if (!target || !target->CanAddSymbol()) return false;
  const MODULE_SETTINGS before = target->GetSettings();
  if (!target->AddSymbol(symbol)) return false;
  const MODULE_SETTINGS after = target->GetSettings();
  if (!(before == after)) {
    timeline_.RecordChange(TIMELINE_SETTINGS, IdOf(target), before, after);
    emit SignalProjectChanged();
  }
  return true;
}
