// The main window's Symbol Watch dock and the dialogs that change the active symbols.
#include <QCheckBox>
#include <QVBoxLayout>

#include "core/app_mode.h"
#include "core/app_project.h"
#include "core/lifecycle/app_lifecycle.h"
#include "gui/main_window.h"
#include "gui/scripting_widget.h"
#include "gui/symbol_selection.h"
#include "gui/table_widget.h"
#include "gui/virtual_symbol_dialog.h"
#include "input/gamepad_runtime.h"
#include "modules/tool_module_board.h"
#include "persist/project/project_content.h"
#include "scripting/script_runner.h"

QWidget* MainWindow::BuildWatch() {
  auto* holder = new QWidget;
  auto* layout = new QVBoxLayout(holder);
  layout->setContentsMargins(2, 2, 2, 2);
  watch_table_ = new TableWidget(holder);
  layout->addWidget(watch_table_->AdvancedBox());
  layout->addWidget(watch_table_, 1);
  connect(watch_table_, &TableWidget::SignalAddElfSymbol, this, [this] {
    if (!IsInputBlocked()) ShowSymbolSelection();
  });
  connect(watch_table_, &TableWidget::SignalAddVirtualSymbol, this, [this] {
    if (!IsInputBlocked()) _SlotOnVirtualSymbolCreation();
  });
  connect(watch_table_, &TableWidget::SignalSymbolsChanged, this, [] { APP_MarkModified(); });
  watch_table_->SetUsageQuery([this](const ACTIVE_SYMBOL* s) { return SymbolUsage(s); });
  connect(watch_table_, &TableWidget::SignalUnlinkSymbol, this,
          [this](ACTIVE_SYMBOL* s) { UnlinkSymbol(s); });
  connect(watch_table_, &TableWidget::SignalSymbolClicked, this, [this](ACTIVE_SYMBOL* s) {
    if (board_ != nullptr) board_->HighlightConnectedModules(s);
  });
  return holder;
}

WATCH_USAGE MainWindow::SymbolUsage(const ACTIVE_SYMBOL* symbol) const {
  WATCH_USAGE usage;
  if (symbol == nullptr) return usage;
  if (board_ != nullptr) {
    usage.modules = uint32_t(board_->CountSymbolUsers(symbol));
    usage.needs_value = board_->IsSymbolRead(symbol);
  }
  GAMEPAD_MAPPING pads[GAMEPAD_SLOTS];
  PROJECT_GetPads(pads);
  usage.inputs = GAMEPAD_CountInputsUsing(pads, *symbol, &usage.needs_value);
  for (GAMEPAD_MAPPING& p : pads) GAMEPAD_Clear(p);
  usage.script = SCRIPT_UsesSymbol(symbol);
  usage.needs_value = usage.needs_value || SCRIPT_ReadsSymbol(symbol);
  return usage;
}

void MainWindow::UnlinkSymbol(const ACTIVE_SYMBOL* symbol) {
  if (symbol == nullptr || APP_GetAppMode() != APP_MODE_EDIT) return;
  if (board_ != nullptr) board_->RemoveSymbolFromModules(symbol);
  if (SCRIPT_RECORD* scripts = SCRIPT_CopyList()) {
    if (SCRIPT_UnlinkSymbol(scripts, *symbol) && SCRIPT_Publish(scripts) == 0) {
      PROJECT_SetScripts(scripts);
      if (scripting_widget_ != nullptr) scripting_widget_->Rebuild();
    }
    SCRIPT_FreeList(scripts);
  }
  GAMEPAD_MAPPING pads[GAMEPAD_SLOTS];
  PROJECT_GetPads(pads);
  bool pads_changed = false;
  for (GAMEPAD_MAPPING& p : pads) pads_changed |= GAMEPAD_UnlinkSymbol(p, *symbol);
  if (pads_changed) {
    PROJECT_SetPads(pads);
    GAMEPAD_SetMappings(pads);
  }
  for (GAMEPAD_MAPPING& p : pads) GAMEPAD_Clear(p);
}

// Without a symbol tree the ELF file is parsed first; no tree afterwards, no dialog.
void MainWindow::ShowSymbolSelection() {
  if (!APP_IsProjectOpen() || APP_GetAppMode() != APP_MODE_EDIT) return;
  if (!APP_HasSymbolDatabase()) {
    PROJECT_CONFIG config;
    APP_GetConfiguration(config);
    RunJob(APP_ParseELFFile(config.ElfFile, true, &project_busy_));
    if (!APP_HasSymbolDatabase()) return;
  }
  SymbolSelection dialog(const_cast<ACTIVE_SYMBOL*>(APP_GetSymbolTree()),
                         [this](const ACTIVE_SYMBOL* s) { return SymbolUsage(s); }, this);
  dialog.exec();
  watch_table_->UpdateTable(true);
}

void MainWindow::_SlotOnVirtualSymbolCreation() {
  if (!APP_IsProjectOpen() || APP_GetAppMode() != APP_MODE_EDIT) return;
  VirtualSymbolCreationDialog dialog(this);
  dialog.exec();
  watch_table_->UpdateTable(true);
}
