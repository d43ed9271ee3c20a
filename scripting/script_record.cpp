#include "scripting/script_record.h"

#include <new>

#include "logic/logic_symbol_ids.h"
#include "logic/logic_tree.h"
#include "platform/sys_memory.h"
#include "platform/sys_msgbox.h"

namespace {

template <typename T>
T* NewBlock(const char* label) {
  void* block = SYS_Alloc(sizeof(T), label);
  if (block == nullptr) {
    SYS_ErrorBox("Insufficient memory!");
    return nullptr;
  }
  return new (block) T{};
}

bool IdEquals(const SYMBOL_ID* a, const SYMBOL_ID* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return a->Address == b->Address && LOGIC_NamesEqual(a->Name, b->Name);
}

SCRIPT_WRITE* CloneWrite(const SCRIPT_WRITE* write, bool* ok) {
  if (write == nullptr) return nullptr;
  SCRIPT_WRITE* copy = SCRIPT_NewWrite();
  if (copy == nullptr) {
    *ok = false;
    return nullptr;
  }
  if (write->pSymbol != nullptr) {
    copy->pSymbol = LOGIC_NewSymbolIdFrom(write->pSymbol->Name, write->pSymbol->Address);
    if (copy->pSymbol == nullptr) *ok = false;
  }
  if (write->pCalculation != nullptr) {
    copy->pCalculation = LOGIC_CloneCalculation(write->pCalculation);
    if (copy->pCalculation == nullptr) *ok = false;
  }
  return copy;
}

}  // namespace

SCRIPT_RECORD* SCRIPT_NewRecord() { return NewBlock<SCRIPT_RECORD>("Script record"); }
SCRIPT_WRITE* SCRIPT_NewWrite() { return NewBlock<SCRIPT_WRITE>("Script write"); }

void SCRIPT_FreeWrite(SCRIPT_WRITE* write) {
  if (write == nullptr) return;
  LOGIC_FreeSymbolId(write->pSymbol);
  LOGIC_FreeCalculation(write->pCalculation);
  SYS_Free(write);
}

void SCRIPT_FreeRecord(SCRIPT_RECORD* script) {
  if (script == nullptr) return;
  LOGIC_FreeFormula(script->pFormula);
  for (SCRIPT_WRITE* w : script->pWrites) SCRIPT_FreeWrite(w);
  SYS_Free(script);
}

void SCRIPT_FreeList(SCRIPT_RECORD* list) {
  while (list != nullptr) {
    SCRIPT_RECORD* next = list->pNext;
    SCRIPT_FreeRecord(list);
    list = next;
  }
}

SCRIPT_RECORD* SCRIPT_CloneList(const SCRIPT_RECORD* list, bool* ok_out) {
  bool ok = true;
  SCRIPT_RECORD* head = nullptr;
  SCRIPT_RECORD** link = &head;
  for (const SCRIPT_RECORD* s = list; s != nullptr && ok; s = s->pNext) {
    SCRIPT_RECORD* copy = SCRIPT_NewRecord();
    if (copy == nullptr) {
      ok = false;
      break;
    }
    *link = copy;
    link = &copy->pNext;
    copy->Enabled = s->Enabled;
    copy->WriteCount = s->WriteCount > SCRIPT_MAX_WRITES ? SCRIPT_MAX_WRITES : s->WriteCount;
    if (s->pFormula != nullptr) {
      copy->pFormula = LOGIC_CloneFormula(s->pFormula);
      if (copy->pFormula == nullptr) ok = false;
    }
    for (uint32_t i = 0; i < SCRIPT_MAX_WRITES; ++i) {
      copy->WriteEnabled[i] = s->WriteEnabled[i];
      if (i < copy->WriteCount) copy->pWrites[i] = CloneWrite(s->pWrites[i], &ok);
    }
  }
  if (!ok) {
    SCRIPT_FreeList(head);
    head = nullptr;
  }
  if (ok_out != nullptr) *ok_out = ok;
  return head;
}

bool SCRIPT_ListEquals(const SCRIPT_RECORD* a, const SCRIPT_RECORD* b) {
  for (; a != nullptr && b != nullptr; a = a->pNext, b = b->pNext) {
    if (a->Enabled != b->Enabled || a->WriteCount != b->WriteCount) return false;
    if (!LOGIC_FormulaEquals(a->pFormula, b->pFormula)) return false;
    for (uint32_t i = 0; i < a->WriteCount && i < SCRIPT_MAX_WRITES; ++i) {
      if (a->WriteEnabled[i] != b->WriteEnabled[i]) return false;
      const SCRIPT_WRITE* wa = a->pWrites[i];
      const SCRIPT_WRITE* wb = b->pWrites[i];
      if (wa == nullptr || wb == nullptr) {
        if (wa != wb) return false;
        continue;
      }
      if (!IdEquals(wa->pSymbol, wb->pSymbol)) return false;
      if (!LOGIC_CalculationEquals(wa->pCalculation, wb->pCalculation)) return false;
    }
  }
  return a == nullptr && b == nullptr;
}

uint32_t SCRIPT_CountList(const SCRIPT_RECORD* list) {
  uint32_t n = 0;
  for (; list != nullptr; list = list->pNext) ++n;
  return n;
}

void SCRIPT_ForEachSymbolId(SCRIPT_RECORD* list, void (*visit)(SYMBOL_ID& id, void* user),
                            void* user) {
  for (SCRIPT_RECORD* s = list; s != nullptr; s = s->pNext) {
    LOGIC_ForEachFormulaSymbolId(s->pFormula, visit, user);
    for (uint32_t i = 0; i < s->WriteCount && i < SCRIPT_MAX_WRITES; ++i) {
      SCRIPT_WRITE* w = s->pWrites[i];
      if (w == nullptr) continue;
      if (w->pSymbol != nullptr) visit(*w->pSymbol, user);
      LOGIC_ForEachCalculationSymbolId(w->pCalculation, visit, user);
    }
  }
}

bool SCRIPT_UnlinkSymbol(SCRIPT_RECORD* list, const ACTIVE_SYMBOL& symbol) {
  bool changed = false;
  for (SCRIPT_RECORD* s = list; s != nullptr; s = s->pNext) {
    if (LOGIC_FormulaUsesSymbol(s->pFormula, &symbol)) {
      FORMULA_NODE* never = LOGIC_NewDefaultFormula();
      if (never != nullptr) {
        LOGIC_FreeFormula(s->pFormula);
        s->pFormula = never;
        changed = true;
      }
    }
    for (uint32_t i = 0; i < s->WriteCount && i < SCRIPT_MAX_WRITES; ++i) {
      SCRIPT_WRITE* w = s->pWrites[i];
      if (w == nullptr) continue;
      if (w->pSymbol != nullptr && LOGIC_SymbolIdMatches(*w->pSymbol, symbol)) {
        LOGIC_FreeSymbolId(w->pSymbol);
        w->pSymbol = nullptr;
        changed = true;
      }
      if (LOGIC_CalculationUsesSymbol(w->pCalculation, &symbol)) {
        LOGIC_FreeCalculation(w->pCalculation);
        w->pCalculation = nullptr;
        changed = true;
      }
    }
  }
  return changed;
}
