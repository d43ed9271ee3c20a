#include "persist/settings_file.h"

#include <stdio.h>
#include <stdlib.h>
#include <strings.h>

#include <climits>
#include <cstring>
#include <mutex>
#include <string>

#include "persist/file_error.h"
#include "platform/sys_file.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "platform/sys_thread.h"

namespace {

constexpr uint32_t kOpenRetries = 40;
constexpr uint32_t kOpenDelayMs = 5;
constexpr uint32_t kReadFlags = SYS_OPEN_READ | SYS_OPEN_SHARE_READ;
constexpr uint32_t kWriteFlags = SYS_OPEN_WRITE | SYS_OPEN_CREATE | SYS_OPEN_TRUNCATE;

// The store. `text` mirrors the file; it never holds more than SETTINGS_MAX_BYTES.
struct Store {
  std::mutex lock;
  bool is_initialised = false;
  std::string path;
  std::string text;
};

Store g_store;

// An error found under the lock, shown after it is released (the box may wait for the GUI
// thread, which may itself be waiting for the lock).
struct PendingError {
  char text[PATH_MAX + 256] = {};
  void Set(const char* t) { SYS_CopyText(text, sizeof text, t); }
  ~PendingError() {
    if (text[0] != 0) SYS_ErrorBox(text);
  }
};

bool IsLineEnd(char c) { return c == '\r' || c == '\n' || c == 0; }

// Offset of the line after the one containing `pos`.
size_t NextLine(const std::string& s, size_t pos) {
  while (pos < s.size() && s[pos] != '\r' && s[pos] != '\n') ++pos;
  if (pos < s.size() && s[pos] == '\r') ++pos;
  if (pos < s.size() && s[pos] == '\n') ++pos;
  return pos;
}

// Offset of the body of `section` in `s`; appends the header when missing. npos when the
// header would not fit.
size_t FindSection(std::string& s, const char* section) {
  const size_t n = strlen(section);
  for (size_t pos = 0; pos < s.size(); pos = NextLine(s, pos)) {
    if (s[pos] == '[' && pos + n + 1 < s.size() && strncasecmp(&s[pos + 1], section, n) == 0 &&
        s[pos + 1 + n] == ']') {
      const size_t body = NextLine(s, pos);
      if (body < s.size() || IsLineEnd(s.back())) return body;
      // The header is the file's last line and has no line end: a key written into the
      // body must not run on after the header.
      if (s.size() + 2 > SETTINGS_MAX_BYTES) return std::string::npos;
      s += "\r\n";
      return s.size();
    }
  }
  std::string header;
  if (!s.empty() && s.back() != '\n' && s.back() != '\r') header = "\r\n";
  header.append("[").append(section).append("]\r\n");
  if (s.size() + header.size() > SETTINGS_MAX_BYTES) return std::string::npos;
  s += header;
  return s.size();
}

// Offset of the line holding `key` in the body starting at `body`, or npos.
size_t FindKeyLine(const std::string& s, size_t body, const char* key) {
  const size_t n = strlen(key);
  for (size_t pos = body; pos < s.size() && s[pos] != '['; pos = NextLine(s, pos)) {
    size_t p = pos;
    while (p < s.size() && (s[p] == ' ' || s[p] == '\t')) ++p;
    if (p + n < s.size() && strncasecmp(&s[p], key, n) == 0 &&
        (s[p + n] == ' ' || s[p + n] == '\t' || s[p + n] == '=')) {
      return pos;
    }
  }
  return std::string::npos;
}

// The text right after the key on its line, or null when the key is missing. Adds the
// section header to the store when the section is missing (the file changes only at the
// next write).
const char* FindValue(const char* section, const char* key) {
  if (!g_store.is_initialised || section == nullptr || key == nullptr || key[0] == 0) {
    return nullptr;
  }
  const size_t body = FindSection(g_store.text, section);
  if (body == std::string::npos) return nullptr;
  const size_t line = FindKeyLine(g_store.text, body, key);
  if (line == std::string::npos) return nullptr;
  const char* p = g_store.text.c_str() + line;
  while (*p == ' ' || *p == '\t') ++p;
  return p + strlen(key);
}

// Writes the store to a temporary file beside the settings file and renames it over it. The
// temporary file is this writer's own (named by its thread id, unique on the machine): two
// instances of the program saving at once each replace the file whole, instead of one renaming
// the other's half-written file away.
bool Save(PendingError& error) {
  const std::string& path = g_store.path;
  const std::string temp = path + ".tmp" + std::to_string(SYS_GetCurrentThreadId());
  SYS_File f = SYS_OpenFile(temp.c_str(), kWriteFlags, kOpenRetries, kOpenDelayMs);
  if (f == SYS_INVALID_FILE) {
    APP_FormatFileError(path.c_str(), "save", error.text, sizeof error.text);
    return false;
  }
  const uint32_t size = static_cast<uint32_t>(g_store.text.size());
  const bool written = SYS_WriteFile(f, g_store.text.data(), size) == static_cast<int32_t>(size) &&
                       SYS_FlushFile(f) == 0;
  SYS_CloseFile(f);
  if (!written) {
    SYS_DeleteFile(temp.c_str());
    snprintf(error.text, sizeof error.text, "Could not save file [%s]\nFailed to write data!",
             path.c_str());
    return false;
  }
  if (SYS_ReplaceFile(temp.c_str(), path.c_str()) != 0) {
    APP_FormatFileError(path.c_str(), "save", error.text, sizeof error.text);
    SYS_DeleteFile(temp.c_str());
    return false;
  }
  return true;
}

// Replaces (or adds) the key's line, first in its section, then saves.
int WriteLine(const char* section, const char* key, const std::string& line) {
  PendingError error;
  std::lock_guard<std::mutex> g(g_store.lock);
  if (!g_store.is_initialised || section == nullptr || key == nullptr || key[0] == 0) return -1;
  std::string s = g_store.text;
  size_t body = FindSection(s, section);
  if (body == std::string::npos) return -1;
  const size_t old_line = FindKeyLine(s, body, key);
  if (old_line != std::string::npos) {
    s.erase(old_line, NextLine(s, old_line) - old_line);
    body = FindSection(s, section);  // present: no change to the text
  }
  if (s.size() + line.size() > SETTINGS_MAX_BYTES) return -1;
  s.insert(body, line);
  g_store.text.swap(s);
  return Save(error) ? 0 : -1;
}

void FolderOf(const char* file_path, char* folder, size_t size) {
  const char* slash = strrchr(file_path, '/');
  const size_t n = slash != nullptr ? static_cast<size_t>(slash - file_path) + 1 : 0;
  if (size == 0) return;
  const size_t kept = n < size - 1 ? n : size - 1;
  memcpy(folder, file_path, kept);
  folder[kept] = 0;
}

}  // namespace

int SETTINGS_Init(const char* file_name) {
  if (file_name == nullptr || file_name[0] == 0) return -1;
  PendingError error;
  std::lock_guard<std::mutex> g(g_store.lock);
  g_store.is_initialised = false;
  g_store.text.clear();
  char folder[PATH_MAX];
  if (SYS_GetAppDataFolder(folder, sizeof folder) != 0) {
    snprintf(error.text, sizeof error.text,
             "Could not open file [%s]!\nThe application data folder cannot be created!",
             file_name);
    return -1;
  }
  g_store.path = std::string(folder) + "/" + file_name;
  // Rewrites replace the file that a link points to, not the link.
  char real[PATH_MAX];
  if (realpath(g_store.path.c_str(), real) != nullptr) g_store.path = real;
  const char* path = g_store.path.c_str();
  if (SYS_FileExists(path)) {
    SYS_File f = SYS_OpenFile(path, kReadFlags, kOpenRetries, kOpenDelayMs);
    if (f == SYS_INVALID_FILE) {
      APP_FormatFileError(path, "open", error.text, sizeof error.text);
      return -1;
    }
    const uint32_t size = SYS_GetFileSize(f);
    if (size > SETTINGS_MAX_BYTES) {
      SYS_CloseFile(f);
      snprintf(error.text, sizeof error.text,
               "Could not open file [%s]\nFile too large - maximum file size (%d bytes) exceeded!",
               path, static_cast<int>(SETTINGS_MAX_BYTES));
      return -1;
    }
    std::string text(size, '\0');
    const int32_t got = SYS_ReadFile(f, text.data(), size);
    SYS_CloseFile(f);
    if (got != static_cast<int32_t>(size)) {
      snprintf(error.text, sizeof error.text, "Could not open file [%s]\nFailed to read data!",
               path);
      return -1;
    }
    // The store is a text: stray NUL bytes would hide everything behind them.
    for (char& c : text) {
      if (c == 0) c = ' ';
    }
    g_store.text.swap(text);
  }
  g_store.is_initialised = true;
  return 0;
}

int SETTINGS_ReadInt(const char* section, const char* key, int32_t* value) {
  PendingError error;
  std::lock_guard<std::mutex> g(g_store.lock);
  const char* p = FindValue(section, key);
  if (p == nullptr) return -1;
  char message[64] = {};
  long v = 0;
  SYS_SkipBlanks(&p, message, sizeof message);
  SYS_ExpectChar(&p, '=', message, sizeof message);
  SYS_SkipBlanks(&p, message, sizeof message);
  SYS_ParseInt(&p, &v, 0, 2147483647L, message, sizeof message);
  if (message[0] != 0) {
    error.Set(message);
    return -1;
  }
  if (value != nullptr) *value = static_cast<int32_t>(v);
  return 0;
}

int SETTINGS_ReadString(const char* section, const char* key, char* text, size_t capacity) {
  if (text != nullptr && capacity != 0) text[0] = 0;
  PendingError error;
  std::lock_guard<std::mutex> g(g_store.lock);
  const char* p = FindValue(section, key);
  if (p == nullptr) return -1;
  while (*p == ' ' || *p == '\t') ++p;
  bool ok = *p == '=';
  if (ok) {
    ++p;
    while (*p == ' ' || *p == '\t') ++p;
    ok = *p == '"';
  }
  const char* start = p + 1;
  const char* end = start;
  if (ok) {
    while (!IsLineEnd(*end) && *end != '"') ++end;  // a value never spans lines
    ok = *end == '"';
  }
  if (!ok) {
    if (key != nullptr && key[0] != 0) {
      snprintf(error.text, sizeof error.text,
               "Error while parsing subkey \"%s\" in settings file. Syntax error.", key);
    } else {
      error.Set("Error while parsing settings file. Syntax error.");
    }
    return -1;
  }
  if (text != nullptr && capacity != 0) {
    const size_t n = static_cast<size_t>(end - start);
    const size_t kept = n < capacity - 1 ? n : capacity - 1;
    memcpy(text, start, kept);
    text[kept] = 0;
  }
  return 0;
}

int SETTINGS_WriteInt(const char* section, const char* key, int32_t value) {
  char line[320];
  if (key == nullptr) return -1;
  const int n = snprintf(line, sizeof line, "%s = %d\r\n", key, value);
  if (n < 0 || static_cast<size_t>(n) >= sizeof line) return -1;
  return WriteLine(section, key, line);
}

int SETTINGS_WriteString(const char* section, const char* key, const char* text) {
  if (key == nullptr || text == nullptr) return -1;
  // The format has no escapes: such a value could not be read back.
  if (strpbrk(text, "\"\r\n") != nullptr || strpbrk(key, "=\r\n[") != nullptr) return -1;
  return WriteLine(section, key, std::string(key) + "=\"" + text + "\"\r\n");
}

void SETTINGS_GetDataFilesFolder(char* text, size_t capacity) {
  if (SETTINGS_ReadString("PATH", "DataFiles", text, capacity) != 0 &&
      SYS_GetModuleFolder(text, capacity) != 0 && text != nullptr && capacity != 0) {
    text[0] = 0;
  }
}

void SETTINGS_GetELFFilesFolder(char* text, size_t capacity) {
  SETTINGS_ReadString("PATH", "ELFFiles", text, capacity);
}

void SETTINGS_GetProjectFile(char* text, size_t capacity) {
  SETTINGS_ReadString("PATH", "ProjectFiles", text, capacity);
}

int32_t SETTINGS_GetIntDefaultHex() {
  int32_t v = 0;
  return SETTINGS_ReadInt("VALUES", "IntDefaultHex", &v) == 0 ? v : 0;
}

int32_t SETTINGS_GetLaunchOptions() {
  int32_t v = 0;
  return SETTINGS_ReadInt("LAUNCH", "LaunchOptions", &v) == 0 ? v : 0;
}

int SETTINGS_SetDataFilesFolder(const char* file_path) {
  if (file_path == nullptr || file_path[0] == 0) return -1;
  char folder[PATH_MAX];
  FolderOf(file_path, folder, sizeof folder);
  return SETTINGS_WriteString("PATH", "DataFiles", folder);
}

int SETTINGS_SetELFFilesFolder(const char* file_path) {
  if (file_path == nullptr || file_path[0] == 0) return -1;
  char folder[PATH_MAX];
  FolderOf(file_path, folder, sizeof folder);
  return SETTINGS_WriteString("PATH", "ELFFiles", folder);
}

int SETTINGS_SetProjectFile(const char* path) {
  if (path == nullptr || path[0] == 0) return -1;
  return SETTINGS_WriteString("PATH", "ProjectFiles", path);
}

int SETTINGS_SetIntDefaultHex(int32_t value) {
  return SETTINGS_WriteInt("VALUES", "IntDefaultHex", value);
}

int SETTINGS_SetLaunchOptions(int32_t value) {
  return SETTINGS_WriteInt("LAUNCH", "LaunchOptions", value);
}

void SETTINGS_GetFilePath(char* text, size_t capacity) {
  std::lock_guard<std::mutex> g(g_store.lock);
  SYS_CopyText(text, capacity, g_store.path.c_str());
}
