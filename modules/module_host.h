// What a module needs from the board that holds it. The board implements this; a test or the
// offscreen renderer may pass its own host or none (a module without a host is never placed).
#pragma once

#include <optional>

#include <QPoint>

#include "modules/records/module_settings.h"

class QWidget;
class ToolModule;

// How a record's position is applied.
enum class ModulePlacement {
  kExact,      // at the record's position and size, no snapping (loading, undo, SetSettings)
  kNewModule,  // a module placed for the first time: the marked cell when one is marked, else
               // the record's position (0, 0 when it has none), snapped to the coarse grid
};

class ModuleHost {
 public:
  virtual ~ModuleHost() = default;

  // The widget module widgets are children of.
  virtual QWidget* ModuleCanvas() = 0;
  // Parent for settings dialogs (the main window, when there is one).
  virtual QWidget* DialogParent() = 0;
  // The layer new modules start on.
  virtual uint32_t CurrentLayer() const = 0;
  // The marked cell, if any.
  virtual std::optional<QPoint> MarkedCell() const = 0;
  // Puts the module at the record's position and size (header fields only) and lays out its
  // widget; a size below 1 means the type's minimum. The module becomes placed.
  virtual void PlaceModule(ToolModule* module, const MODULE_SETTINGS& where,
                           ModulePlacement how) = 0;
  // An accepted settings dialog changed a placed module: one timeline event.
  virtual void RecordSettingsChange(ToolModule* module, const MODULE_SETTINGS& before,
                                    const MODULE_SETTINGS& after) = 0;
  // Called from the module's destructor: forget every reference to it.
  virtual void ForgetModule(ToolModule* module) = 0;
};
