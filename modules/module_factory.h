// Creating modules. The caller owns the result (the board keeps it; a test may drop it).
//
// A new module from the user (add-module action) is created here, its dialog is run by the
// caller (ToolModule::OpenSettingsDialog) and the caller deletes it when the dialog is
// cancelled: a module never destroys itself.
#pragma once

#include <cstdint>
#include <memory>

#include "modules/records/module_settings.h"

class ModuleHost;
class QWidget;
class ToolModule;

// A module of the type with its defaults, unplaced, on the host's current layer; null for a
// type of 14 or above.
std::unique_ptr<ToolModule> CreateModule(uint32_t type, ModuleHost* host,
                                         QWidget* parent = nullptr);
// A module built from the record (loading, paste, undo, redo): the record's type and layer,
// the record applied with SetSettings, which places it through the host.
std::unique_ptr<ToolModule> CreateModuleFromSettings(const MODULE_SETTINGS& settings,
                                                     ModuleHost* host,
                                                     QWidget* parent = nullptr);
