// Folders and paths: recursive creation, the app-data and program folders, path joining.
#include <errno.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sys_file.h"
#include "platform/sys_last_error.h"
#include "platform/sys_text.h"

namespace {

constexpr int kMaxDirDepth = 128;

int MakeDirs(const char* path, int depth) {
  if (depth >= kMaxDirDepth) return -1;
  struct stat st;
  if (stat(path, &st) == 0) return S_ISDIR(st.st_mode) ? 0 : -1;
  if (errno != ENOENT) {
    SYS_SetLastErrorFromErrno(errno, path);
    return -1;
  }
  // The parent: everything before the last "/", without trailing slashes.
  char parent[PATH_MAX];
  SYS_CopyText(parent, sizeof parent, path);
  if (strlen(path) >= sizeof parent) return -1;
  char* slash = strrchr(parent, '/');
  if (slash != nullptr) {
    while (slash > parent && slash[-1] == '/') --slash;
    *slash = 0;
    if (parent[0] != 0 && MakeDirs(parent, depth + 1) != 0) return -1;
  }
  if (mkdir(path, 0755) != 0 && errno != EEXIST) {
    SYS_SetLastErrorFromErrno(errno, path);
    return -1;
  }
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode) ? 0 : -1;
}

bool HasDrivePrefix(const char* p) {
  return ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) && p[1] == ':';
}

}  // namespace

int SYS_MakeDirs(const char* path) {
  if (path == nullptr || path[0] == 0) return -1;
  char trimmed[PATH_MAX];
  if (strlen(path) >= sizeof trimmed) return -1;
  SYS_CopyText(trimmed, sizeof trimmed, path);
  // "a/b/" names the folder "a/b"; "/" alone stays.
  for (size_t n = strlen(trimmed); n > 1 && trimmed[n - 1] == '/'; --n) trimmed[n - 1] = 0;
  return MakeDirs(trimmed, 0);
}

int SYS_GetAppDataFolder(char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return -1;
  buffer[0] = 0;
  char folder[PATH_MAX];
  const char* config = getenv("XDG_CONFIG_HOME");
  int n = -1;
  if (config != nullptr && config[0] == '/') {
    n = snprintf(folder, sizeof folder, "%s/Tarvik", config);
  } else {
    const char* home = getenv("HOME");
    if (home == nullptr || home[0] != '/') {
      struct passwd* pw = getpwuid(getuid());
      home = pw != nullptr ? pw->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] != '/') return -1;
    n = snprintf(folder, sizeof folder, "%s/.config/Tarvik", home);
  }
  // A cut path would name another folder: refuse it instead.
  if (n < 0 || static_cast<size_t>(n) >= sizeof folder || static_cast<size_t>(n) >= size) return -1;
  if (SYS_MakeDirs(folder) != 0) return -1;
  SYS_CopyText(buffer, size, folder);
  return 0;
}

int SYS_GetModuleFolder(char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return -1;
  buffer[0] = 0;
  char exe[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return -1;
  exe[n] = 0;
  char* slash = strrchr(exe, '/');
  if (slash == nullptr) return -1;
  if (slash == exe) slash[1] = 0; else *slash = 0;
  if (strlen(exe) >= size) return -1;
  SYS_CopyText(buffer, size, exe);
  return 0;
}

void SYS_ResolvePath(const char* base, const char* relative, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return;
  buffer[0] = 0;
  if (relative == nullptr) relative = "";
  // Absolute paths (also network and drive-letter paths from other systems) stay unchanged.
  if (relative[0] == '/' || (relative[0] == '\\' && relative[1] == '\\') ||
      HasDrivePrefix(relative)) {
    SYS_CopyText(buffer, size, relative);
    return;
  }
  char dir[PATH_MAX];
  SYS_CopyText(dir, sizeof dir, base != nullptr ? base : "");
  for (char* p = dir; *p != 0; ++p) {
    if (*p == '\\') *p = '/';
  }
  if (SYS_FileExists(dir)) {
    char* slash = strrchr(dir, '/');
    if (slash != nullptr) slash[1] = 0; else dir[0] = 0;
  }
  const size_t dir_len = strlen(dir);
  const bool needs_separator =
      dir_len != 0 && dir[dir_len - 1] != '/' && relative[0] != '/' && relative[0] != '\\';
  size_t out = 0;
  auto put = [&](char c) {
    if (out + 1 < size) buffer[out++] = c == '\\' ? '/' : c;
  };
  for (size_t i = 0; i < dir_len; ++i) put(dir[i]);
  if (needs_separator) put('/');
  for (const char* p = relative; *p != 0; ++p) put(*p);
  buffer[out] = 0;
}

uint32_t SYS_GetWindowsVersion() { return SYS_OS_VERSION_UNKNOWN; }
