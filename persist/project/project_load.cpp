#include <cstring>
#include <utility>
#include <string>
#include <vector>

#include "core/app_active_list.h"
#include "core/app_bridge.h"
#include "core/app_project.h"
#include "modules/records/module_settings.h"
#include "persist/project/project_content.h"
#include "persist/project/project_file.h"
#include "persist/project/project_files.h"
#include "persist/project/project_modules.h"
#include "persist/project/project_sections.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "scripting/script_record.h"

namespace {

using tinyxml2::XMLDocument;

// Everything read from the file; installed only when the whole file has been read.
struct LOADED {
  PROJECT_SETTINGS settings;
  PROJECT_FILE_VERSION version;
  std::vector<ACTIVE_SYMBOL*> symbols;  // also linked into the active list while loading
  GAMEPAD_MAPPING pads[GAMEPAD_SLOTS];
  std::vector<MODULE_SETTINGS> modules;
  SCRIPT_RECORD* scripts = nullptr;

  LOADED() = default;
  LOADED(const LOADED&) = delete;
  LOADED& operator=(const LOADED&) = delete;
  ~LOADED() {
    SCRIPT_FreeList(scripts);
    for (GAMEPAD_MAPPING& p : pads) GAMEPAD_Clear(p);
  }
  // A failed load: the symbols leave the active list and are freed.
  void DropSymbols() {
    APP_LockGui();
    APP_ClearActiveSymbols();
    APP_UnlockGui();
    for (ACTIVE_SYMBOL* s : symbols) ACTSYM_Free(s);
    symbols.clear();
  }
};

const XMLElement* Next(const XMLElement* e, const char* name) {
  return e != nullptr ? e->NextSiblingElement(name) : nullptr;
}

bool ReadFileNames(const XMLElement* config, uint8_t saved_on_windows, PROJECT_TREE_READ& ctx,
                   PROJECT_SETTINGS& s) {
  (void)saved_on_windows;  // either separator is read, whatever the flag says
  if (const XMLElement* script = config->FirstChildElement("ScriptFile")) {
    if (!PROJECT_ReadText(script, "Name", s.Config.ScriptFile, sizeof s.Config.ScriptFile)) {
      return false;
    }
  }
  const XMLElement* elf = config->FirstChildElement("ElfFile");
  const XMLElement* wallpaper = config->FirstChildElement("Wallpaper");
  const char* elf_name = elf != nullptr ? elf->Attribute("Name") : nullptr;
  const char* wallpaper_name = wallpaper != nullptr ? wallpaper->Attribute("Name") : nullptr;
  int32_t scale = 0;
  if (elf_name == nullptr || wallpaper_name == nullptr ||
      !PROJECT_ReadIntIn(wallpaper, "ScaleType", 0, 2, 0, &scale)) {
    return false;
  }
  SYS_CopyText(s.Config.ElfFile, sizeof s.Config.ElfFile,
               PROJECT_InFolder(ctx.folder, elf_name).c_str());
  SYS_CopyText(s.View.Wallpaper, sizeof s.View.Wallpaper,
               PROJECT_InFolder(ctx.folder, wallpaper_name).c_str());
  s.View.WallpaperScaleType = scale;
  const XMLElement* scope = config->FirstChildElement("Scope");
  const XMLElement* scope_options = scope != nullptr ? scope->FirstChildElement("Options") : nullptr;
  if (scope_options == nullptr) return false;
  // The graphers' time scale; a missing or unusable one leaves the default of 1 s per division.
  PROJECT_ReadIntIn(scope_options, "TimeResolutionUs", 1, PROJECT_MAX_TIME_RESOLUTION_US,
                    s.View.TimeResolutionUs, &s.View.TimeResolutionUs);
  return true;
}

bool ReadDocument(const XMLDocument& doc, PROJECT_TREE_READ& ctx, LOADED& out) {
  const XMLElement* root = doc.RootElement();
  if (root == nullptr || std::strcmp(root->Name(), "VistroProject") != 0) return false;
  if (const XMLElement* v = root->FirstChildElement("FileVersion")) {
    if (!PROJECT_ReadInt(v, "major", &out.version.major)) out.version.major = 1;
    if (!PROJECT_ReadInt(v, "minor", &out.version.minor)) out.version.minor = 0;
    if (out.version.major > PROJECT_FILE_MAJOR ||
        (out.version.major == PROJECT_FILE_MAJOR && out.version.minor > PROJECT_FILE_MINOR)) {
      SYS_WarningBox(
          "The project has a newer file version and might not be compatible with this version "
          "of Vistro.");
    }
  }
  const XMLElement* project = root->FirstChildElement("Project");
  const XMLElement* config = project != nullptr ? project->FirstChildElement("Configuration")
                                                : nullptr;
  const XMLElement* veltra = config != nullptr ? config->FirstChildElement("Veltra") : nullptr;
  const XMLElement* options = veltra != nullptr ? veltra->FirstChildElement("Options") : nullptr;
  if (options == nullptr || !PROJECT_ReadConnection(options, out.settings.Config)) return false;
  const XMLElement* os = config->FirstChildElement("OS");
  uint8_t saved_on_windows = 0;
  if (os == nullptr || !PROJECT_ReadFlag(os, "SavedOnWindows", &saved_on_windows)) return false;
  if (!ReadFileNames(config, saved_on_windows, ctx, out.settings)) return false;

  const XMLElement* windows = Next(config, "Windows");
  const XMLElement* selected = Next(windows, "SelectedSymbols");
  const XMLElement* devices = Next(selected, "InputDevices");
  if (devices == nullptr) return false;
  if (const XMLElement* graph = windows->FirstChildElement("Graph")) {
    PROJECT_ReadFlag(graph, "Show", &out.settings.View.ShowGraph);
  }
  if (const XMLElement* watch = windows->FirstChildElement("Watch")) {
    PROJECT_ReadFlag(watch, "Show", &out.settings.View.ShowWatch);
  }

  for (const XMLElement* e = selected->FirstChildElement("Symbol"); e != nullptr;
       e = e->NextSiblingElement("Symbol")) {
    ACTIVE_SYMBOL* s = PROJECT_ReadSymbol(e);
    if (s == nullptr) return false;
    out.symbols.push_back(s);
    // Listed at once: trees read below take their symbols' types from the list.
    APP_LockGui();
    const int32_t added = APP_AddActiveSymbol(s);
    APP_UnlockGui();
    if (added < 0) return false;
  }

  if (saved_on_windows == 0) {
    SYS_WarningBox(
        "Input Devices were not configured for Windows.\nPlease reconfigure Input Devices if "
        "you want to make use of them and save again.");
  } else {
    PROJECT_ReadPads(devices, out.pads, ctx);
    for (GAMEPAD_MAPPING& pad : out.pads) GAMEPAD_Sanitize(pad);
  }
  if (ctx.failed) return false;

  const XMLElement* modules = Next(devices, "CreatedToolModules");
  if (!PROJECT_ReadModules(modules, out.modules, ctx)) return false;
  const XMLElement* scripts = modules != nullptr ? Next(modules, "CreatedScripts") : nullptr;
  return PROJECT_ReadScripts(scripts, &out.scripts, ctx) && !ctx.failed;
}

}  // namespace

int32_t PROJECT_Load(const char* path) {
  if (path == nullptr || path[0] == '\0') return 0;
  XMLDocument doc;
  if (doc.LoadFile(path) != tinyxml2::XML_SUCCESS) return 0;
  PROJECT_TREE_READ ctx;
  ctx.folder = PROJECT_FolderOf(path);
  LOADED loaded;
  bool ok = false;
  try {
    ok = ReadDocument(doc, ctx, loaded);
  } catch (const std::bad_alloc&) {
    SYS_ErrorBox("Insufficient memory!");
    ok = false;
  }
  if (!ok) {
    loaded.DropSymbols();
    return 0;
  }
  for (ACTIVE_SYMBOL* s : loaded.symbols) APP_AdoptSymbol(s);
  loaded.symbols.clear();
  APP_LockGui();
  APP_RecountActiveSymbols();
  APP_UnlockGui();
  APP_InstallSettings(loaded.settings);
  PROJECT_SetFileVersion(loaded.version);
  PROJECT_AdoptPads(loaded.pads);
  PROJECT_AdoptModules(std::move(loaded.modules));
  PROJECT_AdoptScripts(std::exchange(loaded.scripts, nullptr));
  APP_Notify(APP_Signal::UpdateGUIWallpaper);
  APP_Notify(APP_Signal::UpdateGUILoadModules);
  return 1;
}
