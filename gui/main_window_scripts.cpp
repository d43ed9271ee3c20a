// The scripts and game-pad mappings of the open project: installed when a project was loaded
// or reparsed, handed back to the project whenever they are edited, dropped when it closes.
#include "gui/hid_dialog.h"
#include "gui/main_window.h"
#include "gui/scripting_widget.h"
#include "input/gamepad_runtime.h"
#include "persist/project/project_content.h"
#include "scripting/project_runtime.h"
#include "scripting/script_runner.h"

void MainWindow::ConnectScriptsAndPads() {
  connect(this, &MainWindow::_SignalUpdateGUILoadModules, this, [this] {
    SCRIPT_InstallProjectContent();
    if (scripting_widget_ != nullptr) scripting_widget_->Rebuild();
  }, Qt::QueuedConnection);
  // A reset comes with every close and every parse of the ELF file. The project's own
  // content is installed again: empty after a close, the project's scripts and pads after a
  // parse (they name symbols, they do not point into the tree the parse replaces).
  connect(this, &MainWindow::_SignalReset, this, [this] {
    SCRIPT_ClearPublished();
    GAMEPAD_ClearMappings();
    SCRIPT_InstallProjectContent();
    if (scripting_widget_ != nullptr) scripting_widget_->Rebuild();
  }, Qt::QueuedConnection);
  connect(scripting_widget_, &ScriptingWidget::SignalScriptsChanged, this, [] {
    SCRIPT_RECORD* scripts = SCRIPT_CopyList();
    PROJECT_SetScripts(scripts);
    SCRIPT_FreeList(scripts);
  });
}

void MainWindow::_SlotOnHID() {
  GAMEPAD_MAPPING pads[GAMEPAD_SLOTS];
  PROJECT_GetPads(pads);
  HIDDialog dialog(pads, this);
  for (GAMEPAD_MAPPING& p : pads) GAMEPAD_Clear(p);
  connect(&dialog, &HIDDialog::SignalMappingsApplied, this, [&dialog] {
    GAMEPAD_MAPPING applied[GAMEPAD_SLOTS];
    for (uint32_t i = 0; i < GAMEPAD_SLOTS; ++i) GAMEPAD_Copy(dialog.Mapping(i), applied[i]);
    PROJECT_SetPads(applied);
    for (GAMEPAD_MAPPING& p : applied) GAMEPAD_Clear(p);
  });
  dialog.exec();
}
