// The main window's Symbol Watch dock and the dialogs that change the active symbols.
#include <QCheckBox>
#include <QVBoxLayout>

#include "core/app_mode.h"
#include "core/app_project.h"
#include "core/lifecycle/app_lifecycle.h"
#include "gui/main_window.h"
#include "gui/symbol_selection.h"
#include "gui/table_widget.h"
#include "gui/virtual_symbol_dialog.h"

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
  return holder;
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
  SymbolSelection dialog(const_cast<ACTIVE_SYMBOL*>(APP_GetSymbolTree()), WATCH_UsageQuery(), this);
  dialog.exec();
  watch_table_->UpdateTable(true);
}

void MainWindow::_SlotOnVirtualSymbolCreation() {
  if (!APP_IsProjectOpen() || APP_GetAppMode() != APP_MODE_EDIT) return;
  VirtualSymbolCreationDialog dialog(this);
  dialog.exec();
  watch_table_->UpdateTable(true);
}
