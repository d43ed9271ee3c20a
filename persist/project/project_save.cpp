#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/app_active_list.h"
#include "core/app_project.h"
#include "modules/records/module_settings.h"
#include "persist/project/project_content.h"
#include "persist/project/project_file.h"
#include "persist/project/project_files.h"
#include "persist/project/project_modules.h"
#include "persist/project/project_sections.h"
#include "platform/sys_file.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "scripting/script_record.h"

namespace {

using tinyxml2::XMLDocument;

struct SAVE_PATHS {
  std::string folder;  // project folder
  std::string file;    // the file written
};

// The project folder: the path's folder when it is already named like the project (ASCII
// case ignored), else a sub-folder of that name.
bool ResolvePaths(const char* path, SAVE_PATHS& out) {
  const std::string p = path;
  const std::string folder = PROJECT_FolderOf(path);
  const size_t slash = p.find_last_of('/');
  const std::string file_name = slash == std::string::npos ? p : p.substr(slash + 1);
  const size_t dot = file_name.find_last_of('.');
  const std::string stem = dot == std::string::npos || dot == 0 ? file_name : file_name.substr(0, dot);
  if (stem.empty()) return false;
  const size_t folder_slash = folder.find_last_of('/');
  const std::string last = folder_slash == std::string::npos ? folder : folder.substr(folder_slash + 1);
  if (SYS_EqualNoCase(last, stem)) {
    out.folder = folder;
  } else {
    out.folder = folder == "/" ? "/" + stem : folder + "/" + stem;
  }
  if (SYS_MakeDirs(out.folder.c_str()) != 0) return false;
  out.file = out.folder + "/" + file_name;
  return true;
}

void BuildDocument(XMLDocument& doc, const SAVE_PATHS& paths, const PROJECT_SETTINGS& settings,
                   const std::vector<MODULE_SETTINGS>& modules, const SCRIPT_RECORD* scripts,
                   const GAMEPAD_MAPPING (&pads)[GAMEPAD_SLOTS]) {
  doc.InsertEndChild(doc.NewDeclaration("xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\""));
  XMLElement* root = doc.NewElement("VistroProject");
  doc.InsertEndChild(root);
  XMLElement* version = PROJECT_AddChild(root, "FileVersion");
  PROJECT_WriteInt(version, "major", PROJECT_FILE_MAJOR);
  PROJECT_WriteInt(version, "minor", PROJECT_FILE_MINOR);
  XMLElement* project = PROJECT_AddChild(root, "Project");

  XMLElement* config = PROJECT_AddChild(project, "Configuration");
  PROJECT_WriteConnection(PROJECT_AddChild(PROJECT_AddChild(config, "Veltra"), "Options"),
                          settings.Config);
  // Always 1, as every installation writes it: readers that see 0 drop the pad mappings.
  PROJECT_WriteFlag(PROJECT_AddChild(config, "OS"), "SavedOnWindows", true);
  if (settings.Config.ScriptFile[0] != '\0') {
    PROJECT_WriteText(PROJECT_AddChild(config, "ScriptFile"), "Name", settings.Config.ScriptFile);
  }
  PROJECT_WriteText(PROJECT_AddChild(config, "ElfFile"), "Name",
                    PROJECT_GatherFile(settings.Config.ElfFile, paths.folder).c_str());
  XMLElement* wallpaper = PROJECT_AddChild(config, "Wallpaper");
  PROJECT_WriteText(wallpaper, "Name",
                    PROJECT_GatherFile(settings.View.Wallpaper, paths.folder).c_str());
  PROJECT_WriteInt(wallpaper, "ScaleType", settings.View.WallpaperScaleType);
  PROJECT_WriteInt(PROJECT_AddChild(PROJECT_AddChild(config, "Scope"), "Options"),
                   "TimeResolutionUs", settings.View.TimeResolutionUs);

  XMLElement* windows = PROJECT_AddChild(project, "Windows");
  PROJECT_WriteFlag(PROJECT_AddChild(windows, "Graph"), "Show", settings.View.ShowGraph != 0);
  PROJECT_WriteFlag(PROJECT_AddChild(windows, "Watch"), "Show", settings.View.ShowWatch != 0);

  XMLElement* selected = PROJECT_AddChild(project, "SelectedSymbols");
  for (const ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (c->pSymbol != nullptr) PROJECT_WriteSymbol(selected, *c->pSymbol);
  }
  PROJECT_WritePads(PROJECT_AddChild(project, "InputDevices"), pads);
  PROJECT_WriteModules(PROJECT_AddChild(project, "CreatedToolModules"), modules, paths.folder);
  PROJECT_WriteScripts(PROJECT_AddChild(project, "CreatedScripts"), scripts);
}

// Writes the text beside the target and renames it over the target in one step.
bool WriteAtomically(const std::string& file, const char* text, size_t size) {
  const std::string temp = file + ".saving";
  SYS_File f = SYS_OpenFile(temp.c_str(), SYS_OPEN_WRITE | SYS_OPEN_CREATE | SYS_OPEN_TRUNCATE,
                            0, 0);
  if (f == SYS_INVALID_FILE) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < size;) {
    const uint32_t chunk = static_cast<uint32_t>(std::min<size_t>(size - done, 1u << 20));
    const int32_t n = SYS_WriteFile(f, text + done, chunk);
    if (n <= 0) ok = false;
    else done += static_cast<size_t>(n);
  }
  ok = ok && SYS_FlushFile(f) == 0;
  SYS_CloseFile(f);
  ok = ok && SYS_ReplaceFile(temp.c_str(), file.c_str()) == 0;
  if (!ok) SYS_DeleteFile(temp.c_str());
  return ok;
}

}  // namespace

int32_t PROJECT_SaveTo(const char* path) {
  if (path == nullptr || path[0] == '\0') return -1;
  SAVE_PATHS paths;
  if (!ResolvePaths(path, paths) || paths.file.size() >= PROJECT_PATH_SIZE) return -1;
  PROJECT_SETTINGS settings;
  APP_GetSettings(settings);
  const std::vector<MODULE_SETTINGS> modules = PROJECT_GetModules();
  SCRIPT_RECORD* scripts = PROJECT_GetScripts();
  GAMEPAD_MAPPING pads[GAMEPAD_SLOTS];
  PROJECT_GetPads(pads);
  int32_t result = -1;
  if (!PROJECT_ModulesFit(modules) || !PROJECT_ScriptsFit(scripts)) {
    SYS_ErrorBox("A formula or calculation is nested too deeply to be saved.");
  } else {
    XMLDocument doc;
    BuildDocument(doc, paths, settings, modules, scripts, pads);
    tinyxml2::XMLPrinter printer;
    doc.Print(&printer);
    // CStrSize counts the terminator.
    if (WriteAtomically(paths.file, printer.CStr(), static_cast<size_t>(printer.CStrSize() - 1))) {
      result = 0;
    }
  }
  SCRIPT_FreeList(scripts);
  for (GAMEPAD_MAPPING& p : pads) GAMEPAD_Clear(p);
  if (result == 0) APP_SetProjectPath(paths.file.c_str());
  return result;
}

int32_t PROJECT_Save() {
  char path[PROJECT_PATH_SIZE];
  APP_GetProjectPath(path, sizeof path);
  return PROJECT_SaveTo(path);
}
