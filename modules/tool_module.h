// ToolModule: the base of every board module (gauges, LEDs, buttons, grapher...).
//
// A module is the visible widget on the board's canvas; the board sets its pixel geometry from
// the cell rectangle (one cell = 2 x 2 px at zoom 1) and keeps it in step. The board, the
// timeline, the project file and the main window drive modules only through the interface
// below and through MODULE_SETTINGS records, never through a type's own members.
//
// Writing a module type (see push_button_module.* for the pattern; TypedToolModule<PART>
// implements ApplyPart / FillPart for a type that keeps its part as a member):
//  - derive from ToolModule, pass the type identifier to the constructor, keep the type's part
//    (e.g. PUSH_BUTTON_SETTINGS) as a member initialised from MODULE_DefaultSettings;
//  - ApplyPart copies the record's part into the module and refreshes the look; FillPart
//    writes it back. The base does the header (position, size, layer), the type check and the
//    placement, so SetSettings / GetSettings need no override;
//  - CreateDialog returns the type's ToolModuleDialog; OpenSettingsDialog (base) runs it,
//    previews live, restores on cancel and reports one change per accepted dialog;
//  - RunUpdate is the periodic refresh in Run mode (the board's UpdateModules);
//  - override the symbol operations, mode entries, FitContents, GetInfoText and
//    GetFrameStyleSheet as the type needs; the base versions do nothing / report nothing.
//  - AddSymbol only binds; the board records the change (records before and after).
//
// Edit mode: the board installs an event filter on the module and its children, so presses,
// moves, wheel and shortcuts go to the board, not to the module's controls.
#pragma once

#include <cstdint>

#include <QRect>
#include <QString>
#include <QWidget>

#include "modules/records/module_settings.h"

struct ACTIVE_SYMBOL;
class ModuleHost;
class QPainter;
class ToolModuleDialog;

// The border the board gives a module to show its state (Edit mode), in order of precedence.
enum class ModuleFrame {
  kNone,        // Run and Preview mode
  kHover,       // dashed blue
  kHighlight,   // thick green-to-blue: uses the symbol being highlighted
  kOtherLayer,  // dotted gray: not on the current layer
  kSelected,    // ridge blue
  kGroup,       // solid blue
  kNormal,      // solid gray
};

// Paints a module border of the state into `area` (pure; the module's frame widget uses it).
void PaintModuleFrame(QPainter& painter, const QRect& area, ModuleFrame frame);

class ToolModule : public QWidget {
  Q_OBJECT

 public:
  // Starts unplaced on the host's current layer (layer 0 without a host); the widget is a
  // child of the host's canvas, or of `parent` without a host.
  ToolModule(uint32_t type, ModuleHost* host, QWidget* parent = nullptr);
  ~ToolModule() override;

  // ---- The module interface --------------------------------------------------------------

  // Periodic refresh: Run mode calls RunUpdate; Edit mode with the settings dialog open
  // previews the dialog's record on the module.
  virtual void Update();
  // Copies the record (never takes it over): a record of another type is ignored; otherwise
  // the part is applied, the layer taken and the module placed at the record's position and
  // size (ModulePlacement::kExact when it has a position, else kNewModule).
  virtual void SetSettings(const MODULE_SETTINGS& settings);
  virtual uint32_t GetType() const { return type_; }
  // Header from the board (position and size in cells; -1 while unplaced), layer from the
  // module, the part from FillPart.
  virtual MODULE_SETTINGS GetSettings() const;
  // True when the module needs the symbol's sampled value.
  virtual bool ReadsSymbol(const ACTIVE_SYMBOL* symbol) const;
  // Default size in cells (= minimum size), from the type table.
  virtual QSize GetDefaultSize() const;
  virtual int32_t GetMinWidth() const;
  virtual int32_t GetMinHeight() const;
  // Adapts font or indicator size to the current pixel size; the board calls it after every
  // placement.
  virtual void FitContents() {}
  // Multi-line summary of the bindings.
  virtual QString GetInfoText() const { return {}; }
  // True when any binding (read, write, condition) refers to the symbol.
  virtual bool UsesSymbol(const ACTIVE_SYMBOL* symbol) const;
  virtual void RemoveSymbol(const ACTIVE_SYMBOL* symbol);
  virtual bool CanAddSymbol() const { return false; }
  // Binds a symbol dropped on the module when CanAddSymbol holds; true when bound.
  virtual bool AddSymbol(const ACTIVE_SYMBOL* symbol);
  virtual void EnterEditMode() {}
  virtual void EnterRunMode() {}
  virtual void EnterPreviewMode() {}
  // Style sheet text the board appends after its border style.
  virtual QString GetFrameStyleSheet() const { return {}; }
  // Runs the type's dialog modally on the current settings (Edit mode only; in Run and
  // Preview mode returns the mode at once). Accepted: the dialog's record is applied and, for
  // a placed module, reported once to the host; rejected: the record from before the dialog
  // is restored. Returns QDialog::Accepted or QDialog::Rejected.
  virtual int OpenSettingsDialog();

  // ---- Board state -----------------------------------------------------------------------

  ModuleHost* Host() const { return host_; }
  bool IsPlaced() const { return placed_; }
  // (-1, -1) while unplaced.
  QPoint GetPosition() const;
  QSize GetCellSize() const;
  QRect GetCellRect() const { return placed_ ? cells_ : QRect(); }
  // Board only: the module now covers `cells` (it is placed from then on).
  void SetCellRect(const QRect& cells);
  uint32_t GetLayer() const { return layer_; }
  // 16 or more is ignored.
  void SetLayer(uint32_t layer);
  // Board only: the module's pixel rectangle on the canvas.
  void SetPixelGeometry(const QRect& px);
  // Board only: the state border, drawn above the module's own content.
  void SetFrameState(ModuleFrame frame);
  ModuleFrame FrameState() const { return frame_state_; }
  // The settings dialog while it is open, else null.
  ToolModuleDialog* OpenDialog() const { return open_dialog_; }

 protected:
  // Copies the record's part (of this module's type) into the module and refreshes the look.
  virtual void ApplyPart(const MODULE_SETTINGS& settings) = 0;
  // Writes the module's part into `settings`.
  virtual void FillPart(MODULE_SETTINGS& settings) const = 0;
  // The type's settings dialog over `initial`.
  virtual ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) = 0;
  // Run-mode refresh.
  virtual void RunUpdate() {}

  // Shows the dialog's current record on the module without recording anything.
  void PreviewDialogSettings();
  // Frame and type name, for types that draw nothing else yet.
  void PaintPlaceholder(QPainter& painter) const;

 private:
  void ApplyHeaderAndPlace(const MODULE_SETTINGS& settings, bool new_module);

  const uint32_t type_;
  ModuleHost* host_ = nullptr;
  bool placed_ = false;
  QRect cells_;
  uint32_t layer_ = 0;
  ToolModuleDialog* open_dialog_ = nullptr;
  ModuleFrame frame_state_ = ModuleFrame::kNormal;
  QWidget* frame_widget_ = nullptr;

  friend class ToolModuleDialog;
};
