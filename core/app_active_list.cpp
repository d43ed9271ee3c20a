#include "core/app_active_list.h"

#include <atomic>
#include <new>

#include "logic/logic_tree.h"
#include "platform/sys_memory.h"
#include "platform/sys_msgbox.h"

namespace {

std::atomic<uint32_t> g_hss_count{0};
std::atomic<bool> g_list_changed{false};

bool IsCounted(const ACTIVE_SYMBOL& s) { return s.Read != 0 && s.Virtual == 0; }

}  // namespace

int32_t APP_AddActiveSymbol(ACTIVE_SYMBOL* symbol) {
  if (symbol == nullptr) return -1;
  void* block = SYS_Alloc(sizeof(ACTIVE_SYMBOL_CELL), "APP: Active symbol cell");
  if (block == nullptr) {
    SYS_ErrorBox("Insufficient memory!");
    return -1;
  }
  auto* cell = new (block) ACTIVE_SYMBOL_CELL{symbol, nullptr};
  ACTIVE_SYMBOL_CELL** link = &MAIN_pActiveSymbols;
  while (*link != nullptr) link = &(*link)->pNext;
  *link = cell;
  if (IsCounted(*symbol)) g_hss_count.fetch_add(1, std::memory_order_relaxed);
  g_list_changed.store(true, std::memory_order_relaxed);
  return 0;
}

void APP_RemoveActiveSymbol(ACTIVE_SYMBOL* symbol) {
  for (ACTIVE_SYMBOL_CELL** link = &MAIN_pActiveSymbols; *link != nullptr; link = &(*link)->pNext) {
    ACTIVE_SYMBOL_CELL* cell = *link;
    if (cell->pSymbol != symbol) continue;
    *link = cell->pNext;
    if (IsCounted(*symbol) && g_hss_count.load(std::memory_order_relaxed) > 0) {
      g_hss_count.fetch_sub(1, std::memory_order_relaxed);
    }
    SYS_Free(cell);
    g_list_changed.store(true, std::memory_order_relaxed);
    return;
  }
}

ACTIVE_SYMBOL* APP_FindActiveSymbol(const SYMBOL_ID* id) {
  if (id == nullptr) return nullptr;
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (c->pSymbol != nullptr && LOGIC_SymbolIdMatches(*id, *c->pSymbol)) return c->pSymbol;
  }
  return nullptr;
}

void APP_ClearActiveSymbols() {
  ACTIVE_SYMBOL_CELL* cell = MAIN_pActiveSymbols;
  MAIN_pActiveSymbols = nullptr;
  while (cell != nullptr) {
    ACTIVE_SYMBOL_CELL* next = cell->pNext;
    SYS_Free(cell);
    cell = next;
  }
  g_hss_count.store(0, std::memory_order_relaxed);
  g_list_changed.store(true, std::memory_order_relaxed);
}

bool APP_TakeListChanged() { return g_list_changed.exchange(false, std::memory_order_relaxed); }

SYMBOL_ID* APP_MakeSymbolId(const ACTIVE_SYMBOL* symbol) {
  if (symbol == nullptr) return nullptr;
  SYMBOL_ID* id = LOGIC_NewSymbolId(*symbol);
  if (id == nullptr) SYS_ErrorBox("Insufficient memory!");
  return id;
}

uint32_t APP_GetHSSSymbolCount() { return g_hss_count.load(std::memory_order_relaxed); }

void APP_RecountActiveSymbols() {
  uint32_t count = 0;
  for (const ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (c->pSymbol != nullptr && IsCounted(*c->pSymbol)) ++count;
  }
  g_hss_count.store(count, std::memory_order_relaxed);
  g_list_changed.store(true, std::memory_order_relaxed);
}

std::vector<const ACTIVE_SYMBOL*> APP_GetActiveSymbols() {
  std::vector<const ACTIVE_SYMBOL*> symbols;
  for (const ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    symbols.push_back(c->pSymbol);
  }
  return symbols;
}
