// Fuzz target for the settings file: arbitrary bytes are stored as a settings file and loaded;
// every known key is read, then values are written and must read back (from the store and
// from the file after a reload) without disturbing a key of another section.
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "persist/settings_file.h"
#include "platform/sys_file.h"
#include "platform/sys_msgbox.h"

namespace {

void Quiet(SYS_MsgBoxRequest& request) { request.pressed_button = request.default_result; }

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "settings fuzz: %s\n", what);
  abort();
}

struct Target {
  std::string name;  // file name in the app-data folder, one per process
  std::string path;

  Target() {
    SYS_SetMsgBoxHandler(&Quiet);
    if (getenv("XDG_CONFIG_HOME") == nullptr) {
      static char dir[] = "/tmp/vistro-settings-fuzz-XXXXXX";
      if (mkdtemp(dir) != nullptr) setenv("XDG_CONFIG_HOME", dir, 1);
    }
    char folder[PATH_MAX];
    Check(SYS_GetAppDataFolder(folder, sizeof folder) == 0, "no app-data folder");
    name = "FuzzSettings-" + std::to_string(getpid()) + ".ini";
    path = std::string(folder) + "/" + name;
  }
};

std::string ReadLaunch() {
  char text[64];
  int32_t v = -1;
  const int rc = SETTINGS_ReadInt("LAUNCH", "LaunchOptions", &v);
  std::snprintf(text, sizeof text, "%d:%d", rc, rc == 0 ? v : 0);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Target target;
  FILE* f = std::fopen(target.path.c_str(), "wb");
  Check(f != nullptr, "cannot write the input file");
  Check(std::fwrite(data, 1, size, f) == size, "short write");
  std::fclose(f);
  const int init = SETTINGS_Init(target.name.c_str());
  Check((init == 0) == (size <= SETTINGS_MAX_BYTES), "load result disagrees with the size");
  if (init != 0) return 0;

  // The first write meets the file as it was loaded (reads may add section headers).
  const std::string launch = ReadLaunch();
  const int32_t value = int32_t(size % 1000);
  if (SETTINGS_WriteInt("VALUES", "IntDefaultHex", value) == 0) {
    int32_t back = -1;
    Check(SETTINGS_ReadInt("VALUES", "IntDefaultHex", &back) == 0 && back == value,
          "written number does not read back");
  }
  char text[300];
  (void)SETTINGS_ReadString("PATH", "DataFiles", text, sizeof text);
  SETTINGS_GetELFFilesFolder(text, sizeof text);
  SETTINGS_GetProjectFile(text, sizeof text);
  (void)SETTINGS_GetIntDefaultHex();

  const char* project = "/home/user/My Projects/motor [v2].vpj";
  const bool project_written = SETTINGS_SetProjectFile(project) == 0;
  if (project_written) {
    SETTINGS_GetProjectFile(text, sizeof text);
    Check(std::strcmp(text, project) == 0, "written text does not read back");
  }
  Check(ReadLaunch() == launch, "a write changed a key of another section");

  // The file holds what the store holds.
  Check(SETTINGS_Init(target.name.c_str()) == 0, "saved file does not load");
  Check(ReadLaunch() == launch, "reloaded file lost a key");
  if (project_written) {
    SETTINGS_GetProjectFile(text, sizeof text);
    Check(std::strcmp(text, project) == 0, "reloaded text differs");
  }
  return 0;
}
