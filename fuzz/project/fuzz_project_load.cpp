// Fuzz target: loads arbitrary bytes as a project file and saves what loaded. Nothing may
// crash, hang or leak; a load either installs the whole project or leaves nothing.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/app_active_list.h"
#include "core/app_project.h"
#include "persist/project/project_content.h"
#include "persist/project/project_file.h"
#include "platform/sys_msgbox.h"

namespace {

void Quiet(SYS_MsgBoxRequest& r) { r.cancelled = 1; }

// A private folder for the input file and the saved copy.
const std::string& Folder() {
  // Never destroyed, so that the clean-up at exit can still name it.
  static const std::string& folder = *[] {
    char tmpl[] = "/tmp/vistro-fuzz-project-XXXXXX";
    const char* made = mkdtemp(tmpl);
    if (made == nullptr) return new std::string("/tmp");
    std::atexit([] { std::filesystem::remove_all(Folder()); });
    return new std::string(made);
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SYS_SetMsgBoxHandler(Quiet);
  const std::string input = Folder() + "/in.vistro";
  FILE* f = std::fopen(input.c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  if (PROJECT_Load(input.c_str()) != 0) {
    PROJECT_SaveTo((Folder() + "/out/out.vistro").c_str());
  } else if (MAIN_pActiveSymbols != nullptr) {
    std::abort();  // a failed load must leave nothing behind
  }
  APP_ClearProjectStore();
  PROJECT_ClearContent();
  return 0;
}
