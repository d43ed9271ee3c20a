#include "persist/project/project_files.h"

#include "persist/file_error.h"
#include "persist/project/project_xml.h"
#include "platform/sys_file.h"
#include "platform/sys_msgbox.h"

std::string PROJECT_FolderOf(const char* path) {
  const std::string p = path != nullptr ? path : "";
  const size_t slash = p.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return p.substr(0, slash);
}

std::string PROJECT_InFolder(const std::string& folder, const char* stored) {
  const std::string base = PROJECT_BaseName(stored);
  if (base.empty()) return {};
  return folder == "/" ? "/" + base : folder + "/" + base;
}

std::string PROJECT_GatherFile(const char* path, const std::string& folder) {
  const std::string base = PROJECT_BaseName(path);
  if (base.empty()) return {};
  const std::string target = PROJECT_InFolder(folder, path);
  if (SYS_CopyFile(path, target.c_str()) != 0) {
    char text[1024];
    APP_FormatFileError(path, "copy", text, sizeof text);
    SYS_WarningBox(text);
  }
  return ".\\" + base;
}
