#include "core/app_engine_notify.h"

#include <atomic>

#include "core/app_active_list.h"
#include "logic/logic_tree.h"

namespace {

std::atomic<APP_SymbolWrittenHandler> g_written{nullptr};
std::atomic<APP_EditModeHandler> g_edit_mode{nullptr};

}  // namespace

void APP_SetSymbolWrittenHandler(APP_SymbolWrittenHandler handler) { g_written.store(handler); }
void APP_SetEditModeHandler(APP_EditModeHandler handler) { g_edit_mode.store(handler); }

void APP_NotifySymbolWritten(const ACTIVE_SYMBOL& symbol) {
  APP_SymbolWrittenHandler handler = g_written.load();
  if (handler == nullptr) return;
  SYMBOL_ID* id = APP_MakeSymbolId(&symbol);
  if (id != nullptr) handler(id);
}

void APP_RequestEditMode() {
  if (APP_EditModeHandler handler = g_edit_mode.load()) handler();
}
