#include "core/app_virtual_symbol.h"

#include <cfloat>
#include <cstring>

#include "core/app_active_list.h"
#include "core/app_bridge.h"
#include "core/app_project.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"

namespace {

struct VIRTUAL_TYPE {
  uint32_t type_id;
  const char* type_name;
  uint32_t size;
  double min_write, max_write;
};
constexpr VIRTUAL_TYPE kTypes[] = {
    {TYPEID_FLOAT, "float", 4, -3.4028234663852886e38, 3.4028234663852886e38},
    {TYPEID_DOUBLE, "double", 8, -DBL_MAX, DBL_MAX},
    {TYPEID_BOOL, "bool", 1, 0, 1},
    {TYPEID_U8, "unsigned char", 1, 0, 255},
    {TYPEID_U16, "unsigned short", 2, 0, 65535},
    {TYPEID_U32, "unsigned int", 4, 0, 4294967295.0},
    {TYPEID_I8, "char", 1, -128, 127},
    {TYPEID_I16, "short", 2, -32768, 32767},
    {TYPEID_I32, "int", 4, -2147483648.0, 2147483647.0},
};

const VIRTUAL_TYPE* FindType(uint32_t type_id) {
  for (const VIRTUAL_TYPE& t : kTypes) {
    if (t.type_id == type_id) return &t;
  }
  return nullptr;
}

bool IsNameChar(char c, bool first) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || (!first && c >= '0' && c <= '9');
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(const char* a, const char* b) {
  for (; *a != 0 && *b != 0; ++a, ++b) {
    if (Lower(*a) != Lower(*b)) return false;
  }
  return *a == *b;
}

void Warn(const char* text) {
  SYS_ShowMsgBox(SYS_ShortAppName(), text, "OK", nullptr, nullptr, 0, nullptr, SYS_MB_ICON_WARNING, 0, 0, -1);
}

}  // namespace

APP_VirtualNameCheck APP_CheckVirtualSymbolName(const char* name) {
  const size_t n = name == nullptr ? 0 : strnlen(name, ACTIVE_SYMBOL_NAME_SIZE);
  if (n == 0 || n >= ACTIVE_SYMBOL_NAME_SIZE) return APP_VirtualNameCheck::kInvalid;
  for (size_t i = 0; i < n; ++i) {
    if (!IsNameChar(name[i], i == 0)) return APP_VirtualNameCheck::kInvalid;
  }
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (c->pSymbol != nullptr && EqualsIgnoringCase(c->pSymbol->Name, name)) {
      return APP_VirtualNameCheck::kDuplicate;
    }
  }
  return APP_VirtualNameCheck::kOk;
}

uint32_t APP_NextVirtualAddress() {
  uint32_t highest = 0;
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (c->pSymbol != nullptr && c->pSymbol->Virtual != 0 && c->pSymbol->Address > highest) {
      highest = c->pSymbol->Address;
    }
  }
  return highest + 1;
}

bool APP_IsVirtualSymbolType(uint32_t type_id) { return FindType(type_id) != nullptr; }

ACTIVE_SYMBOL* APP_CreateVirtualSymbol(const char* name, uint32_t type_id) {
  switch (APP_CheckVirtualSymbolName(name)) {
    case APP_VirtualNameCheck::kInvalid: Warn("Invalid Symbol Name"); return nullptr;
    case APP_VirtualNameCheck::kDuplicate: Warn("Symbol with this name already exists!"); return nullptr;
    case APP_VirtualNameCheck::kOk: break;
  }
  const VIRTUAL_TYPE* type = FindType(type_id);
  if (type == nullptr) return nullptr;
  ACTIVE_SYMBOL* s = ACTSYM_New("Virtual Symbol", false);
  if (s == nullptr) return nullptr;  // "Insufficient memory!" was shown
  // A fresh record apart from what a virtual symbol is; its read extremes start empty (at
  // the opposite ends of the range) like every record's, so the first value sets both.
  *s = ACTIVE_SYMBOL{};
  SYS_CopyText(s->Name, sizeof s->Name, name);
  SYS_CopyText(s->TypeName, sizeof s->TypeName, type->type_name);
  s->Address = APP_NextVirtualAddress();
  s->ValueType = type->type_id;
  s->RawType = 0;
  s->Size = type->size;
  s->MinWrite = type->min_write;
  s->MaxWrite = type->max_write;
  s->MaxValue = type->max_write;
  s->Virtual = 1;
  s->CatchOverflow = 1;
  s->Read = 1;
  if (APP_AdoptSymbol(s) != 0) {
    ACTSYM_Free(s);
    return nullptr;
  }
  APP_LockGui();
  const int32_t added = APP_AddActiveSymbol(s);
  APP_UnlockGui();
  if (added != 0) {
    APP_FreeUnlistedOwnedSymbols();  // frees the record again adopted above
    return nullptr;
  }
  APP_MarkModified();
  return s;
}
