#include "probe/probe_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sys_file.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"

namespace {

// Index of each export in the entry point cache.
enum FunctionId : int {
#define PROBE_FUNCTION_ID(name) kId_##name,
  VELTRA_FOR_EACH_FUNCTION(PROBE_FUNCTION_ID)
#undef PROBE_FUNCTION_ID
  kFunctionCount
};

constexpr const char* kFunctionNames[kFunctionCount] = {
#define PROBE_FUNCTION_NAME(name) #name,
    VELTRA_FOR_EACH_FUNCTION(PROBE_FUNCTION_NAME)
#undef PROBE_FUNCTION_NAME
};

constexpr const char* kRegistrySections[] = {"Software\\Tarvik\\Veltra",
                                             "Software\\Tarvik\\Burnix"};
constexpr size_t kInstallPathMax = 259;  // the value must fit 260 bytes with its terminator

// The handle is published once and never unloaded; the mutex only orders concurrent searches.
std::mutex g_load_mutex;
std::atomic<void*> g_library{nullptr};
char g_library_path[PROBE_SEARCH_PATH_SIZE] = {};  // written under the mutex before publishing
bool g_has_search_override = false;
PROBE_LibrarySearch g_search_override;  // guarded by g_load_mutex

// Entry points; resolving twice stores the same value.
std::atomic<void*> g_entries[kFunctionCount] = {};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                           text.back() == '\n')) {
    text.remove_suffix(1);
  }
  return text;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) std::fclose(f);
  }
};

// Sections of an INI file with their "InstallPath" value (empty when the key is absent).
struct RegistryKey {
  std::string section;
  bool has_value = false;
  std::string value;
};

std::vector<RegistryKey> ReadRegistryFile(const char* path) {
  std::vector<RegistryKey> keys;
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path, "r"));
  if (!file) return keys;
  std::string line;
  int c = 0;
  bool done = false;
  while (!done) {
    line.clear();
    while ((c = std::fgetc(file.get())) != EOF && c != '\n') {
      if (line.size() < 65536) line.push_back(static_cast<char>(c));
    }
    done = (c == EOF);
    std::string_view text = Trim(line);
    if (text.empty() || text.front() == ';' || text.front() == '#') continue;
    if (text.front() == '[') {
      const size_t close = text.find(']');
      if (close == std::string_view::npos) continue;
      keys.push_back(RegistryKey{std::string(Trim(text.substr(1, close - 1))), false, {}});
      continue;
    }
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos || keys.empty()) continue;
    if (!EqualsIgnoreCase(Trim(text.substr(0, equals)), "InstallPath")) continue;
    std::string_view value = Trim(text.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    keys.back().has_value = true;
    keys.back().value.assign(value);
  }
  return keys;
}

std::string JoinPath(std::string_view folder, std::string_view file) {
  std::string path(folder);
  if (!path.empty() && path.back() != '/') path.push_back('/');
  path.append(file);
  return path;
}

// Candidate files in search order, without duplicates.
std::vector<std::string> ListCandidates(const PROBE_LibrarySearch& search) {
  std::vector<std::string> list;
  auto add = [&list](std::string path) {
    for (const std::string& p : list) {
      if (p == path) return;
    }
    list.push_back(std::move(path));
  };
  if (search.module_folder[0] != '\0') add(JoinPath(search.module_folder, PROBE_LIBRARY_FILE));
  if (search.program_folder[0] != '\0') {
    add(JoinPath(search.program_folder, PROBE_LIBRARY_FILE));
  }
  for (const char* ini : {search.user_registry, search.machine_registry}) {
    char folder[PROBE_SEARCH_PATH_SIZE];
    if (ini[0] == '\0' || !PROBE_ReadInstallFolder(ini, folder, sizeof(folder))) continue;
    add(std::string(folder) + PROBE_LIBRARY_FILE);
    add(std::string(folder) + "bin_x64/" + PROBE_LIBRARY_FILE);
  }
  return list;
}

// The folder of the file holding this code (the executable, as the binding is linked
// statically), or "" when it cannot be told.
void GetBindingFolder(char* buffer, size_t size) {
  buffer[0] = '\0';
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&PROBE_LoadLibrary), &info) == 0 ||
      info.dli_fname == nullptr) {
    return;
  }
  char resolved[PATH_MAX];
  if (realpath(info.dli_fname, resolved) == nullptr) return;
  char* slash = std::strrchr(resolved, '/');
  if (slash == nullptr) return;
  *slash = '\0';
  SYS_CopyText(buffer, size, resolved[0] != '\0' ? resolved : "/");
}

void ShowBindingError(const char* text) {
  SYS_SystemMessageBox(text, PROBE_ERROR_TITLE, PROBE_ERROR_BOX_FLAGS);
}

void* Resolve(FunctionId id) {
  void* entry = g_entries[id].load(std::memory_order_acquire);
  if (entry != nullptr) return entry;
  if (!PROBE_LoadLibrary(true)) return nullptr;
  entry = dlsym(g_library.load(std::memory_order_acquire), kFunctionNames[id]);
  if (entry == nullptr) {
    std::string text = std::string("DLL function ") + kFunctionNames[id] + "(...) not found !";
    ShowBindingError(text.c_str());
    return nullptr;
  }
  g_entries[id].store(entry, std::memory_order_release);
  return entry;
}

template <typename Fn>
Fn Entry(FunctionId id) {
  return reinterpret_cast<Fn>(Resolve(id));
}

}  // namespace

PROBE_LibrarySearch PROBE_DefaultLibrarySearch() {
  PROBE_LibrarySearch search;
  GetBindingFolder(search.module_folder, sizeof(search.module_folder));
  if (SYS_GetModuleFolder(search.program_folder, sizeof(search.program_folder)) != 0) {
    search.program_folder[0] = '\0';
  }
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  if (config != nullptr && config[0] == '/') {
    std::snprintf(search.user_registry, sizeof(search.user_registry),
                  "%s/Tarvik/registry.ini", config);
  } else if (home != nullptr && home[0] == '/') {
    std::snprintf(search.user_registry, sizeof(search.user_registry),
                  "%s/.config/Tarvik/registry.ini", home);
  }
  SYS_CopyText(search.machine_registry, sizeof(search.machine_registry),
               "/etc/Tarvik/registry.ini");
  return search;
}

void PROBE_SetLibrarySearch(const PROBE_LibrarySearch* search) {
  std::lock_guard<std::mutex> lock(g_load_mutex);
  g_has_search_override = search != nullptr;
  if (search != nullptr) g_search_override = *search;
}

bool PROBE_ReadInstallFolder(const char* ini_path, char* folder, size_t size) {
  if (folder == nullptr || size == 0) return false;
  folder[0] = '\0';
  if (ini_path == nullptr) return false;
  const std::vector<RegistryKey> keys = ReadRegistryFile(ini_path);
  for (const char* section : kRegistrySections) {
    for (const RegistryKey& key : keys) {
      if (!EqualsIgnoreCase(key.section, section)) continue;
      // The first section that exists decides, even when it has no usable value.
      if (!key.has_value || key.value.empty() || key.value.size() > kInstallPathMax) {
        return false;
      }
      const size_t last = key.value.find_last_of("/\\");
      if (last == std::string::npos || last + 1 >= size) return false;
      std::memcpy(folder, key.value.data(), last + 1);
      folder[last + 1] = '\0';
      return true;
    }
  }
  return false;
}

bool PROBE_LoadLibrary(bool report) {
  if (g_library.load(std::memory_order_acquire) != nullptr) return true;
  std::lock_guard<std::mutex> lock(g_load_mutex);
  if (g_library.load(std::memory_order_acquire) != nullptr) return true;
  const PROBE_LibrarySearch search =
      g_has_search_override ? g_search_override : PROBE_DefaultLibrarySearch();
  const std::vector<std::string> candidates = ListCandidates(search);
  for (const std::string& path : candidates) {
    if (access(path.c_str(), F_OK) != 0) continue;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) continue;  // not loadable (wrong format, missing dependency)
    SYS_CopyText(g_library_path, sizeof(g_library_path), path.c_str());
    g_library.store(handle, std::memory_order_release);
    return true;
  }
  if (report) {
    const std::string first = candidates.empty() ? std::string(PROBE_LIBRARY_FILE)
                                                 : candidates.front();
    const std::string text = "Target DLL " + first + " not found !";
    ShowBindingError(text.c_str());
  }
  return false;
}

bool PROBE_IsLibraryLoaded() { return g_library.load(std::memory_order_acquire) != nullptr; }

const char* PROBE_GetLibraryPath() { return PROBE_IsLibraryLoaded() ? g_library_path : ""; }

// One wrapper per export: resolve, then call; 0 (or nothing) when unresolved.
#define PROBE_CALL(name, ...)                                              \
  do {                                                                     \
    if (auto fn = Entry<PFN_##name>(kId_##name)) return fn(__VA_ARGS__);   \
  } while (0)

const char* PROBE_VELTRAARM_OpenEx(VELTRA_LOG_FUNC* log, VELTRA_LOG_FUNC* error) {
  PROBE_CALL(VELTRAARM_OpenEx, log, error);
  return nullptr;
}
void PROBE_VELTRAARM_Close() { PROBE_CALL(VELTRAARM_Close); }
int PROBE_VELTRAARM_IsOpen() {
  PROBE_CALL(VELTRAARM_IsOpen);
  return 0;
}
int PROBE_VELTRAARM_EMU_SelectByUSBSN(uint32_t serial_no) {
  PROBE_CALL(VELTRAARM_EMU_SelectByUSBSN, serial_no);
  return 0;
}
int PROBE_VELTRAARM_SelectIP(const char* host, int port) {
  PROBE_CALL(VELTRAARM_SelectIP, host, port);
  return 0;
}
int PROBE_VELTRAARM_ExecCommand(const char* cmd, char* err, int err_size) {
  PROBE_CALL(VELTRAARM_ExecCommand, cmd, err, err_size);
  return 0;
}
int PROBE_VELTRAARM_DEVICE_SelectDialog(void* owner, uint32_t flags, VELTRA_DEVICE_INFO* info) {
  PROBE_CALL(VELTRAARM_DEVICE_SelectDialog, owner, flags, info);
  return 0;
}
int PROBE_VELTRAARM_DEVICE_GetInfo(int index, VELTRA_DEVICE_INFO* info) {
  PROBE_CALL(VELTRAARM_DEVICE_GetInfo, index, info);
  return 0;
}
void PROBE_VELTRAARM_TIF_Select(int tif) { PROBE_CALL(VELTRAARM_TIF_Select, tif); }
void PROBE_VELTRAARM_SetSpeed(uint32_t speed_khz) { PROBE_CALL(VELTRAARM_SetSpeed, speed_khz); }
void PROBE_VELTRAARM_ConfigJTAG(int ir_pre, int dr_pre) {
  PROBE_CALL(VELTRAARM_ConfigJTAG, ir_pre, dr_pre);
}
int PROBE_VELTRAARM_Connect() {
  PROBE_CALL(VELTRAARM_Connect);
  return 0;
}
int PROBE_VELTRAARM_EMU_HasCapEx(int cap) {
  PROBE_CALL(VELTRAARM_EMU_HasCapEx, cap);
  return 0;
}
int PROBE_VELTRAARM_GetDLLVersion() {
  PROBE_CALL(VELTRAARM_GetDLLVersion);
  return 0;
}
int PROBE_VELTRAARM_GetSN() {
  PROBE_CALL(VELTRAARM_GetSN);
  return 0;
}
int PROBE_VELTRAARM_IsHalted() {
  PROBE_CALL(VELTRAARM_IsHalted);
  return 0;
}
int PROBE_VELTRAARM_ReadMem(uint32_t addr, uint32_t num_bytes, void* buf) {
  PROBE_CALL(VELTRAARM_ReadMem, addr, num_bytes, buf);
  return 0;
}
int PROBE_VELTRA_WriteMem(uint32_t addr, uint32_t num_bytes, const void* data) {
  PROBE_CALL(VELTRA_WriteMem, addr, num_bytes, data);
  return 0;
}
int PROBE_VELTRA_DownloadFile(const char* path, uint32_t addr) {
  PROBE_CALL(VELTRA_DownloadFile, path, addr);
  return 0;
}
int PROBE_VELTRA_IsHalted() {
  PROBE_CALL(VELTRA_IsHalted);
  return 0;
}
void PROBE_VELTRA_Go() { PROBE_CALL(VELTRA_Go); }
int PROBE_VELTRA_HSS_GetCaps(VELTRA_HSS_CAPS* caps) {
  PROBE_CALL(VELTRA_HSS_GetCaps, caps);
  return 0;
}
int PROBE_VELTRA_HSS_Start(VELTRA_HSS_BLOCK* blocks, int num_blocks, int period_us, int flags) {
  PROBE_CALL(VELTRA_HSS_Start, blocks, num_blocks, period_us, flags);
  return 0;
}
int PROBE_VELTRA_HSS_Read(void* buf, uint32_t buf_size) {
  PROBE_CALL(VELTRA_HSS_Read, buf, buf_size);
  return 0;
}
int PROBE_VELTRA_HSS_Stop() {
  PROBE_CALL(VELTRA_HSS_Stop);
  return 0;
}
