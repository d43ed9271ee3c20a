#include "scripting/script_edit.h"

#include "logic/logic_tree.h"
#include "platform/sys_msgbox.h"

SCRIPT_RECORD* SCRIPT_At(SCRIPT_RECORD* list, uint32_t index) {
  for (; list != nullptr && index > 0; --index) list = list->pNext;
  return list;
}

bool SCRIPT_Append(SCRIPT_RECORD** list, FORMULA_NODE* formula) {
  SCRIPT_RECORD* s = SCRIPT_NewRecord();
  if (s == nullptr) {
    SYS_ErrorBox("Insuffient memory!");
    LOGIC_FreeFormula(formula);
    return false;
  }
  s->pFormula = formula;
  SCRIPT_RECORD** tail = list;
  while (*tail != nullptr) tail = &(*tail)->pNext;
  *tail = s;
  return true;
}

bool SCRIPT_Remove(SCRIPT_RECORD** list, uint32_t index) {
  SCRIPT_RECORD** link = list;
  for (uint32_t i = 0; *link != nullptr && i < index; ++i) link = &(*link)->pNext;
  if (*link == nullptr) {
    SYS_ErrorBox("ScriptID is too big as ScriptList is not that long.");
    return false;
  }
  SCRIPT_RECORD* gone = *link;
  *link = gone->pNext;
  SCRIPT_FreeRecord(gone);
  return true;
}

bool SCRIPT_Move(SCRIPT_RECORD** list, uint32_t from, uint32_t to) {
  const uint32_t count = SCRIPT_CountList(*list);
  if (from >= count) {
    SYS_ErrorBox("FromScriptID is too big as ScriptList is not that long.");
    return false;
  }
  if (to >= count) {
    SYS_ErrorBox("ToScriptID is too big as ScriptList is not that long.");
    return false;
  }
  SCRIPT_RECORD** link = list;
  for (uint32_t i = 0; i < from; ++i) link = &(*link)->pNext;
  SCRIPT_RECORD* moved = *link;
  *link = moved->pNext;
  link = list;
  for (uint32_t i = 0; i < to; ++i) link = &(*link)->pNext;
  moved->pNext = *link;
  *link = moved;
  return true;
}

bool SCRIPT_AddWrite(SCRIPT_RECORD* list, uint32_t index, const ACTIVE_SYMBOL* target) {
  SCRIPT_RECORD* s = SCRIPT_At(list, index);
  if (s == nullptr) {
    SYS_ErrorBox("ScriptID is too big as ScriptList is not that long.");
    return false;
  }
  if (s->WriteCount >= SCRIPT_MAX_WRITES) return false;
  SCRIPT_WRITE* w = SCRIPT_NewWrite();
  if (w == nullptr) return false;
  if (target != nullptr) {
    w->pSymbol = LOGIC_NewSymbolId(*target);
    if (w->pSymbol == nullptr) {
      SCRIPT_FreeWrite(w);
      return false;
    }
  }
  s->pWrites[s->WriteCount] = w;
  s->WriteEnabled[s->WriteCount] = 1;
  ++s->WriteCount;
  return true;
}

bool SCRIPT_RemoveWrite(SCRIPT_RECORD* list, uint32_t index, uint32_t write) {
  SCRIPT_RECORD* s = SCRIPT_At(list, index);
  if (s == nullptr || write >= s->WriteCount) {
    SYS_ErrorBox("ID is too big as ScriptList is not that long.");
    return false;
  }
  SCRIPT_FreeWrite(s->pWrites[write]);
  for (uint32_t i = write; i + 1 < s->WriteCount; ++i) {
    s->pWrites[i] = s->pWrites[i + 1];
    s->WriteEnabled[i] = s->WriteEnabled[i + 1];
  }
  --s->WriteCount;
  s->pWrites[s->WriteCount] = nullptr;
  s->WriteEnabled[s->WriteCount] = 0;
  return true;
}
