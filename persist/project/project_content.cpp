#include "persist/project/project_content.h"

#include <mutex>

#include "core/app_project.h"
#include "persist/project/project_modules.h"

namespace {

std::mutex g_lock;
SCRIPT_RECORD* g_scripts = nullptr;
GAMEPAD_MAPPING g_pads[GAMEPAD_SLOTS];
PROJECT_FILE_VERSION g_version;

}  // namespace

SCRIPT_RECORD* PROJECT_GetScripts() {
  std::lock_guard<std::mutex> g(g_lock);
  return SCRIPT_CloneList(g_scripts);
}

bool PROJECT_SetScripts(const SCRIPT_RECORD* list) {
  bool ok = true;
  SCRIPT_RECORD* copy = SCRIPT_CloneList(list, &ok);
  if (!ok) return false;
  bool changed = false;
  {
    std::lock_guard<std::mutex> g(g_lock);
    changed = !SCRIPT_ListEquals(g_scripts, copy);
    std::swap(g_scripts, copy);
  }
  SCRIPT_FreeList(copy);
  if (changed) APP_MarkModified();
  return true;
}

void PROJECT_AdoptScripts(SCRIPT_RECORD* list) {
  std::lock_guard<std::mutex> g(g_lock);
  SCRIPT_FreeList(g_scripts);
  g_scripts = list;
}

void PROJECT_GetPads(GAMEPAD_MAPPING (&out)[GAMEPAD_SLOTS]) {
  std::lock_guard<std::mutex> g(g_lock);
  for (uint32_t i = 0; i < GAMEPAD_SLOTS; ++i) GAMEPAD_Copy(g_pads[i], out[i]);
}

bool PROJECT_SetPads(const GAMEPAD_MAPPING (&pads)[GAMEPAD_SLOTS]) {
  GAMEPAD_MAPPING copy[GAMEPAD_SLOTS];
  bool ok = true;
  for (uint32_t i = 0; i < GAMEPAD_SLOTS; ++i) ok = GAMEPAD_Copy(pads[i], copy[i]) && ok;
  bool changed = false;
  if (ok) {
    std::lock_guard<std::mutex> g(g_lock);
    for (uint32_t i = 0; i < GAMEPAD_SLOTS; ++i) {
      changed = changed || !GAMEPAD_Equals(g_pads[i], copy[i]);
      std::swap(g_pads[i], copy[i]);
    }
  }
  for (GAMEPAD_MAPPING& m : copy) GAMEPAD_Clear(m);
  if (changed) APP_MarkModified();
  return ok;
}

void PROJECT_AdoptPads(GAMEPAD_MAPPING (&pads)[GAMEPAD_SLOTS]) {
  std::lock_guard<std::mutex> g(g_lock);
  for (uint32_t i = 0; i < GAMEPAD_SLOTS; ++i) {
    GAMEPAD_Clear(g_pads[i]);
    std::swap(g_pads[i], pads[i]);
  }
}

PROJECT_FILE_VERSION PROJECT_GetFileVersion() {
  std::lock_guard<std::mutex> g(g_lock);
  return g_version;
}

void PROJECT_SetFileVersion(PROJECT_FILE_VERSION version) {
  std::lock_guard<std::mutex> g(g_lock);
  g_version = version;
}

void PROJECT_ClearContent() {
  {
    std::lock_guard<std::mutex> g(g_lock);
    SCRIPT_FreeList(g_scripts);
    g_scripts = nullptr;
    for (GAMEPAD_MAPPING& m : g_pads) GAMEPAD_Clear(m);
    g_version = PROJECT_FILE_VERSION{};
  }
  PROJECT_ClearModules();
}

void PROJECT_ForEachSymbolId(void (*visit)(SYMBOL_ID& id, void* user), void* user) {
  {
    std::lock_guard<std::mutex> g(g_lock);
    SCRIPT_ForEachSymbolId(g_scripts, visit, user);
    for (GAMEPAD_MAPPING& m : g_pads) GAMEPAD_ForEachSymbolId(m, visit, user);
  }
  PROJECT_ForEachModuleSymbolId(visit, user);
}
