// ToolModuleBoard: the grid board that holds the modules; the main window's central widget.
//
// The board is a scroll area over a canvas of (columns x 2) by (rows x 2) pixels. Modules are
// children of the canvas with absolute geometry (cell x 2 px). The board owns its modules,
// gives each a ModuleId that stays the same across removal and re-creation (undo, redo), and
// records every user change in its ModuleTimeline with full records before and after.
//
// Edit mode: marking a cell, selecting, grouping (Ctrl+click, rubber band, Ctrl+A), moving and
// stretching with mouse drags and keys, eight resize handles on the selection frame, layers
// (the current one on top, the others under a veil), copy and paste, zoom (Ctrl+wheel), drops
// of new modules ("ModuleCreation: ...") and of symbols ("SymbolConnection..."). Run and
// Preview mode: the modules get their input; UpdateModules refreshes them.
//
// The main window uses the public API below; the arithmetic lives in board_geometry.h and the
// history in module_timeline.h, both testable without widgets.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

#include <QImage>
#include <QScrollArea>
#include <QString>

#include "modules/board_geometry.h"
#include "modules/module_host.h"
#include "modules/module_timeline.h"
#include "modules/records/module_settings.h"

struct ACTIVE_SYMBOL;
class BoardCanvas;
class BoardOverlay;
class ModuleEditFilter;
class ModulePopupBar;
class QAction;
class QTimer;
class ToolModule;

class ToolModuleBoard : public QScrollArea, public ModuleHost, public TimelineTarget {
  Q_OBJECT

 public:
  explicit ToolModuleBoard(QWidget* parent = nullptr);
  ~ToolModuleBoard() override;

  // ---- Modules ---------------------------------------------------------------------------

  // A module from a record (paste, drop, loading). `use_marked_cell`: the marked cell, when
  // one is marked, replaces the record's position. `record`: an add event is recorded.
  ToolModule* CreateModuleFromSettings(const MODULE_SETTINGS& settings, bool record,
                                       bool use_marked_cell);
  // A new module of the type whose settings dialog runs first; cancelled: nothing remains.
  ToolModule* CreateModule(uint32_t type);
  // A new module of the type at `cell` with its default size, snapped, recorded (the drop of
  // a module from the module collection).
  ToolModule* CreateModuleAt(uint32_t type, QPoint cell);
  // Removes the module; `record`: a remove event.
  void RemoveModule(ToolModule* module, bool record = true);
  // Modules in creation order.
  std::vector<ToolModule*> Modules() const;
  size_t ModuleCount() const { return modules_.size(); }
  ModuleId IdOf(const ToolModule* module) const;
  ToolModule* ModuleById(ModuleId id) const;
  // Every module's record (for saving), in creation order.
  std::vector<MODULE_SETTINGS> GetAllModuleSettings() const;
  // Replaces all modules by modules built from the records; nothing is recorded and the
  // timeline is emptied.
  void LoadModules(const std::vector<MODULE_SETTINGS>& records);
  // Removes all modules and empties the timeline and the wallpaper. `ask`: when anything
  // would be lost, asks first; a refusal returns -1 and changes nothing. Otherwise 0.
  int ClearBoard(bool ask);

  // ---- Modes and refresh -----------------------------------------------------------------

  // Each sets the application mode and tells every module.
  void EnterEditMode();
  void EnterRunMode();
  void EnterPreviewMode();
  // Run mode: Update of every module.
  void UpdateModules();

  // ---- Symbols ---------------------------------------------------------------------------

  bool IsSymbolRead(const ACTIVE_SYMBOL* symbol) const;
  int CountSymbolUsers(const ACTIVE_SYMBOL* symbol) const;
  // Unbinds the symbol from every module using it, one settings event per module.
  void RemoveSymbolFromModules(const ACTIVE_SYMBOL* symbol);
  // Frames the modules using the symbol (others hidden) for 666 ms.
  void HighlightConnectedModules(const ACTIVE_SYMBOL* symbol);
  bool IsHighlighting() const { return !highlight_.empty(); }
  // Binds the symbol to the module at `cell` (a symbol drop); true when one took it.
  bool ConnectSymbol(const ACTIVE_SYMBOL* symbol, QPoint cell);

  // ---- Selection, marks, layers ----------------------------------------------------------

  ToolModule* SelectedModule() const { return selected_; }
  void SelectModule(ToolModule* module);
  ToolModule* HoveredModule() const { return hovered_; }
  std::vector<ToolModule*> Group() const;
  // Makes these modules the group (selection and hover cleared).
  void SetGroup(const std::vector<ToolModule*>& modules);
  bool IsInGroup(const ToolModule* module) const;
  std::optional<QPoint> MarkedCell() const override { return marked_; }
  void SetMarkedCell(std::optional<QPoint> cell);
  // The one-line status ("Marked: ( 8 / 16 )", "Ready to paste: Slider", "").
  QString StatusText() const { return status_text_; }
  // "Cell: ( c / r ) " for the cell under the mouse.
  QString CellText() const { return cell_text_; }
  uint32_t CurrentLayer() const override { return current_layer_; }
  // Layers above 15 are ignored.
  void SetCurrentLayer(uint32_t layer, bool clear_selection = true);
  // Moves a module to a layer, recorded.
  void SetModuleLayer(ToolModule* module, uint32_t layer);

  // ---- Clipboard, zoom, wallpaper, history -----------------------------------------------

  bool HasClipboard() const { return clipboard_.has_value(); }
  // False (nothing changes) when refused.
  bool ZoomIn();
  bool ZoomOut();
  void SetWallpaper(const QString& path);
  QString WallpaperPath() const { return wallpaper_path_; }
  // 0: scaled to the entire board; 1: to the visible area.
  void SetWallpaperScaleType(int type);
  int WallpaperScaleType() const { return wallpaper_scale_type_; }
  ModuleTimeline& Timeline() { return timeline_; }
  bool CanUndo() const { return timeline_.CanUndo(); }
  bool CanRedo() const { return timeline_.CanRedo(); }
  QSize ExtentCells() const { return extent_; }
  QWidget* Canvas() const;
  // The pop-up bars over the selected and the hovered module (hidden when none).
  ModulePopupBar* SelectedPopup() const { return selected_bar_; }
  ModulePopupBar* HoverPopup() const { return hover_bar_; }

  // ---- ModuleHost ------------------------------------------------------------------------

  QWidget* ModuleCanvas() override;
  QWidget* DialogParent() override;
  void PlaceModule(ToolModule* module, const MODULE_SETTINGS& where,
                   ModulePlacement how) override;
  void RecordSettingsChange(ToolModule* module, const MODULE_SETTINGS& before,
                            const MODULE_SETTINGS& after) override;
  void ForgetModule(ToolModule* module) override;

  // ---- TimelineTarget --------------------------------------------------------------------

  void RestoreModule(ModuleId id, const std::optional<MODULE_SETTINGS>& state) override;
  void TimelineChanged() override;

 signals:
  void SignalProjectChanged();
  void SignalTimelineChanged();
  void SignalStatusChanged(const QString& text);
  void SignalCellChanged(const QString& text);
  // A left press on the already marked cell: the main window shows "Add Module here".
  void SignalAddModuleMenuRequested(const QPoint& global_pos);
  void SignalWallpaperChanged(const QString& path);
  // The symbol drop payload names a symbol; the main window resolves it and calls
  // ConnectSymbol.
  void SignalSymbolDropped(const QString& payload, const QPoint& cell);

 public slots:
  void _SlotOnOpenPreferences();
  void _SlotOnMoveModule(int direction);
  void _SlotOnMoveModuleFine(int direction);
  void _SlotOnStretchModule(int direction);
  void _SlotOnStretchModuleFine(int direction);
  void _SlotOnModuleToMarked();
  void _SlotOnRemoveModule();
  void _SlotOnGroupAll();
  void _SlotOnMoveGroup(int direction);
  void _SlotOnMoveGroupFine(int direction);
  void _SlotOnGroupToMarked();
  void _SlotOnRemoveGroup();
  void _SlotOnSetWallpaper();
  void _SlotOnDeleteWallpaper();
  void _SlotOnJumpSelectionForward();
  void _SlotOnJumpSelectionBackward();
  void _SlotOnChangeLayers();
  void _SlotOnIncreaseLayer();
  void _SlotOnDecreaseLayer();
  void _SlotOnHighlightConnectedModulesEnd();
  void _SlotOnCopyModule();
  void _SlotOnPasteModule();
  void _SlotOnUndo();
  void _SlotOnRedo();
  void _SlotOnUndoMultiple(int count);
  void _SlotOnRedoMultiple(int count);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  friend class BoardCanvas;
  struct Entry {
    std::unique_ptr<ToolModule> module;
    ZOOM_GEOMETRY zoom;
    QString applied_style;
  };

  // Mouse, in canvas pixels; `module` is the module the event reached (null: empty board).
  void HandlePress(QPoint px, Qt::MouseButton button, Qt::KeyboardModifiers mods,
                   ToolModule* module, QPoint global);
  void HandleMove(QPoint px, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods,
                  ToolModule* module);
  void HandleRelease(QPoint px, Qt::KeyboardModifiers mods);
  void HandleDoubleClick(ToolModule* module);
  void HandleWheel(QPoint angle_delta, Qt::KeyboardModifiers mods);
  void HandleContextMenu(QPoint px, QPoint global, ToolModule* module);
  void ForwardFromModule(QWidget* target, QEvent* event);
  ToolModule* ModuleOfWidget(QWidget* widget) const;

  ToolModule* Adopt(std::unique_ptr<ToolModule> module, ModuleId id);
  void DestroyModule(ToolModule* module);
  Entry* EntryOf(const ToolModule* module);
  // Places at exact cells (limits applied), relayouts, refreshes zoom geometry.
  void PlaceAt(ToolModule* module, QRect cells, bool new_zoom = true);
  void MoveModule(int direction, bool fine);
  void MoveGroup(int direction, bool fine);
  void StretchModule(int direction, bool fine);
  // Modules of the current layer by row, then column.
  std::vector<ToolModule*> LayerOrder() const;
  void JumpSelection(bool forward);
  void MoveModulesBy(const std::vector<ToolModule*>& modules, QPoint step, bool record_group);
  void ApplyVisualState(ToolModule* module);
  void ApplyAllVisualStates();
  void Restack(ToolModule* module);
  void RestackAll();
  void UpdateExtent();
  void SetStatus(const QString& text);
  void ClearInteraction();  // hover, selection, group
  void SetHovered(ToolModule* module);
  void RemoveModules(const std::vector<ToolModule*>& modules);
  void ChangeLayerOf(const std::vector<ToolModule*>& modules, uint32_t layer);
  bool Zoom(double factor);
  void EnterMode(int32_t mode);
  void CreateActions();
  void SetActionsEnabled(bool enabled);
  void RefreshOverlay();
  // The pop-up bars follow the selected and the hovered module (Edit mode only).
  void UpdatePopups();
  void ConnectPopup(ModulePopupBar* bar);
  void EnsureVisible(ToolModule* module);

  BoardCanvas* canvas_ = nullptr;
  QWidget* curtain_ = nullptr;
  BoardOverlay* overlay_ = nullptr;
  ModulePopupBar* selected_bar_ = nullptr;
  ModulePopupBar* hover_bar_ = nullptr;
  QWidget* layer_markers_[MODULE_LAYER_COUNT] = {};
  ModuleEditFilter* edit_filter_ = nullptr;
  QTimer* highlight_timer_ = nullptr;
  std::vector<QAction*> actions_;

  std::map<ModuleId, Entry> modules_;
  std::unordered_map<const ToolModule*, ModuleId> ids_;
  ModuleId next_id_ = 1;

  QSize extent_;
  ToolModule* hovered_ = nullptr;
  ToolModule* selected_ = nullptr;
  std::set<ToolModule*> group_;
  std::set<ToolModule*> highlight_;
  std::optional<MODULE_SETTINGS> clipboard_;
  std::optional<QPoint> marked_;
  uint32_t current_layer_ = 0;
  uint32_t edit_layer_ = 0;  // remembered while in Run or Preview mode
  QString status_text_;
  QString cell_text_;

  // Drag state.
  int drag_type_ = BOARD_DRAG_NONE;
  bool drag_active_ = false;
  bool drag_moved_ = false;
  bool drag_fine_ = false;    // Shift held at the press: no snapping
  bool drag_corner_ = false;  // Ctrl held at the press: edge handles act as corners
  QPoint press_cell_;
  QPoint anchor_offset_;  // press cell minus the dragged object's top-left cell
  QPoint drag_cell_;
  QRect drag_preview_;   // move / resize preview, in cells
  ToolModule* drag_module_ = nullptr;  // null for a group move

  QString wallpaper_path_;
  QImage wallpaper_source_;  // as loaded
  QImage wallpaper_;         // scaled to wallpaper_target_
  QSize wallpaper_target_;
  int wallpaper_scale_type_ = 0;
  WheelAccumulator wheel_;
  bool batching_ = false;  // placements inside a batch leave the extent to its end
  bool restack_deferred_ = false;  // placements while loading leave the stacking to its end

  ModuleTimeline timeline_;
};
