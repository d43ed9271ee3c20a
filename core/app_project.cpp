#include "core/app_project.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "core/app_active_list.h"
#include "core/app_bridge.h"
#include "platform/sys_memory.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "probe/probe_session.h"
#include "symbols/symbol_tree.h"

namespace {

constexpr uint32_t kTitleMax = 360;

std::mutex g_lock;  // guards the records below
PROJECT_SETTINGS g_settings;
char g_path[PROJECT_PATH_SIZE] = {};
SYS_DateTime g_elf_stamp;
bool g_elf_stamp_valid = false;
ACTIVE_SYMBOL* g_tree = nullptr;
std::vector<ACTIVE_SYMBOL*> g_owned;

std::atomic<bool> g_open{false};
std::atomic<int32_t> g_modified{0};
std::atomic<bool> g_offer_download{false};

bool TextEqual(const char* a, const char* b, size_t size) { return strncmp(a, b, size) == 0; }

void AfterChange() {
  PROBE_RefreshConfiguration();
  APP_Notify(APP_Signal::Reset);
  APP_MarkModified();
}

bool ListHolds(const ACTIVE_SYMBOL* symbol) {
  for (const ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (c->pSymbol == symbol) return true;
  }
  return false;
}

}  // namespace

bool APP_ConfigEquals(const PROJECT_CONFIG& a, const PROJECT_CONFIG& b) {
  return TextEqual(a.TargetDevice, b.TargetDevice, sizeof a.TargetDevice) &&
         TextEqual(a.ElfFile, b.ElfFile, sizeof a.ElfFile) &&
         TextEqual(a.ProjectFile, b.ProjectFile, sizeof a.ProjectFile) &&
         TextEqual(a.ScriptFile, b.ScriptFile, sizeof a.ScriptFile) &&
         TextEqual(a.IP, b.IP, sizeof a.IP) && a.SerialNo == b.SerialNo &&
         a.TargetInterface == b.TargetInterface && a.InterfaceSpeed == b.InterfaceSpeed &&
         a.SamplingPeriod == b.SamplingPeriod && a.Connection == b.Connection &&
         a.JTAG_DRPre == b.JTAG_DRPre && a.JTAG_IRPre == b.JTAG_IRPre &&
         a.ExistingSession == b.ExistingSession && a.OpenOptions == b.OpenOptions;
}

bool APP_ViewEquals(const PROJECT_VIEW& a, const PROJECT_VIEW& b) {
  return TextEqual(a.Wallpaper, b.Wallpaper, sizeof a.Wallpaper) &&
         a.WallpaperScaleType == b.WallpaperScaleType && a.ShowGraph == b.ShowGraph &&
         a.ShowWatch == b.ShowWatch && a.TimeResolutionUs == b.TimeResolutionUs;
}

bool APP_IsProjectOpen() { return g_open.load(); }
void APP_SetProjectOpen(bool open) { g_open.store(open); }

void APP_GetProjectPath(char* buffer, uint32_t size) {
  std::lock_guard<std::mutex> g(g_lock);
  SYS_CopyText(buffer, size, g_path);
}

void APP_SetProjectPath(const char* path) {
  {
    std::lock_guard<std::mutex> g(g_lock);
    SYS_CopyText(g_path, sizeof g_path, path != nullptr ? path : "");
  }
  APP_UpdateTitle();
}

void APP_GetConfiguration(PROJECT_CONFIG& out) {
  std::lock_guard<std::mutex> g(g_lock);
  out = g_settings.Config;
}

void APP_GetSettings(PROJECT_SETTINGS& out) {
  std::lock_guard<std::mutex> g(g_lock);
  out = g_settings;
}

void APP_GetViewSettings(PROJECT_VIEW& out) {
  std::lock_guard<std::mutex> g(g_lock);
  out = g_settings.View;
}

bool APP_SetConfiguration(const PROJECT_CONFIG& config) {
  if (!APP_IsProjectOpen()) return false;
  {
    std::lock_guard<std::mutex> g(g_lock);
    if (APP_ConfigEquals(config, g_settings.Config)) return false;
    g_settings.Config = config;
  }
  AfterChange();
  return true;
}

bool APP_SetSettings(const PROJECT_SETTINGS& settings) {
  {
    std::lock_guard<std::mutex> g(g_lock);
    if (APP_SettingsEqual(settings, g_settings)) return false;
    g_settings = settings;
  }
  AfterChange();
  return true;
}

bool APP_SetViewSettings(const PROJECT_VIEW& view) {
  if (!APP_IsProjectOpen()) return false;
  {
    std::lock_guard<std::mutex> g(g_lock);
    if (APP_ViewEquals(view, g_settings.View)) return false;
    g_settings.View = view;
  }
  AfterChange();
  return true;
}

void APP_InstallSettings(const PROJECT_SETTINGS& settings) {
  std::lock_guard<std::mutex> g(g_lock);
  g_settings = settings;
}

PROJECT_VIEW APP_DefaultViewSettings() { return PROJECT_VIEW{}; }

int32_t APP_GetTimeResolutionUs() {
  std::lock_guard<std::mutex> g(g_lock);
  return g_settings.View.TimeResolutionUs;
}

void APP_SetTimeResolutionUs(int32_t us) {
  if (!APP_IsProjectOpen() || us <= 0) return;
  {
    std::lock_guard<std::mutex> g(g_lock);
    if (g_settings.View.TimeResolutionUs == us) return;
    g_settings.View.TimeResolutionUs = us;
  }
  APP_MarkModified();
}

void APP_MarkModified() {
  g_modified.fetch_add(1);
  APP_UpdateTitle();
}

void APP_SetModified(int32_t count) {
  g_modified.store(count);
  APP_UpdateTitle();
}

int32_t APP_GetModified() { return g_modified.load(); }

void APP_FormatTitle(char* buffer, uint32_t size) {
  if (buffer == nullptr || size == 0) return;
  char path[PROJECT_PATH_SIZE];
  APP_GetProjectPath(path, sizeof path);
  if (APP_IsProjectOpen() && path[0] != '\0') {
    std::snprintf(buffer, size, "%s - [%s%s]", SYS_FullAppName(), path,
                  APP_GetModified() > 0 ? " *" : "");
  } else {
    std::snprintf(buffer, size, "%s", SYS_FullAppName());
  }
}

void APP_UpdateTitle() {
  char title[kTitleMax];
  APP_FormatTitle(title, sizeof title);
  APP_SetWindowTitle(title);
}

void APP_SetElfTimeStamp(const SYS_DateTime& stamp) {
  std::lock_guard<std::mutex> g(g_lock);
  g_elf_stamp = stamp;
  g_elf_stamp_valid = true;
}

bool APP_GetElfTimeStamp(SYS_DateTime* stamp) {
  std::lock_guard<std::mutex> g(g_lock);
  if (stamp != nullptr) *stamp = g_elf_stamp;
  return g_elf_stamp_valid;
}

void APP_ClearElfTimeStamp() {
  std::lock_guard<std::mutex> g(g_lock);
  g_elf_stamp = SYS_DateTime{};
  g_elf_stamp_valid = false;
}

bool APP_DateTimesEqual(const SYS_DateTime& a, const SYS_DateTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute && a.second == b.second && a.millisecond == b.millisecond;
}

void APP_SetOfferDownload(bool offer) { g_offer_download.store(offer); }
bool APP_GetOfferDownload() { return g_offer_download.load(); }

const ACTIVE_SYMBOL* APP_GetSymbolTree() {
  std::lock_guard<std::mutex> g(g_lock);
  return g_tree;
}

bool APP_HasSymbolDatabase() { return APP_GetSymbolTree() != nullptr; }

ACTIVE_SYMBOL* APP_ExchangeSymbolTree(ACTIVE_SYMBOL* root) {
  std::lock_guard<std::mutex> g(g_lock);
  return std::exchange(g_tree, root);
}

int32_t APP_AdoptSymbol(ACTIVE_SYMBOL* symbol) {
  if (symbol == nullptr) return -1;
  std::lock_guard<std::mutex> g(g_lock);
  try {
    g_owned.push_back(symbol);
  } catch (const std::bad_alloc&) {
    SYS_ErrorBox("Insufficient memory!");
    return -1;
  }
  return 0;
}

bool APP_IsOwnedSymbol(const ACTIVE_SYMBOL* symbol) {
  std::lock_guard<std::mutex> g(g_lock);
  return std::find(g_owned.begin(), g_owned.end(), symbol) != g_owned.end();
}

void APP_FreeUnlistedOwnedSymbols() {
  std::lock_guard<std::mutex> g(g_lock);
  auto keep = std::stable_partition(g_owned.begin(), g_owned.end(), ListHolds);
  for (auto it = keep; it != g_owned.end(); ++it) ACTSYM_Free(*it);
  g_owned.erase(keep, g_owned.end());
}

void APP_FreeOwnedSymbols() {
  std::lock_guard<std::mutex> g(g_lock);
  for (ACTIVE_SYMBOL* s : g_owned) ACTSYM_Free(s);
  g_owned.clear();
}

void APP_ClearProjectStore() {
  APP_LockGui();
  APP_ClearActiveSymbols();
  APP_UnlockGui();
  APP_FreeOwnedSymbols();
  SYMTREE_Free(APP_ExchangeSymbolTree(nullptr));
  {
    std::lock_guard<std::mutex> g(g_lock);
    g_settings = PROJECT_SETTINGS{};
    g_path[0] = '\0';
  }
  APP_ClearElfTimeStamp();
  g_open.store(false);
  g_modified.store(0);
  g_offer_download.store(false);
}
