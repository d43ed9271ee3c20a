// vistro-cli project FILE [--save OUT]: loads a project file with the project loader alone (no
// probe, no window), prints its records one per line, and with --save writes it again through
// the normal save.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/app_active_list.h"
#include "core/app_project.h"
#include "modules/records/module_settings.h"
#include "modules/records/module_types.h"
#include "persist/project/project_content.h"
#include "persist/project/project_file.h"
#include "persist/project/project_modules.h"
#include "persist/project/project_sections.h"
#include "persist/project/project_xml.h"
#include "platform/sys_msgbox.h"
#include "tools/cli_command.h"

namespace {

void PrintProject() {
  const PROJECT_FILE_VERSION version = PROJECT_GetFileVersion();
  std::printf("version=%d.%d\n", version.major, version.minor);
  PROJECT_CONFIG c;
  APP_GetConfiguration(c);
  std::printf("elf=%s\n", PROJECT_BaseName(c.ElfFile).c_str());
  std::printf("connection=%u device=%s interface=%s speed_khz=%u period_us=%u\n",
              c.ExistingSession ? 4u : c.Connection, c.TargetDevice,
              PROJECT_InterfaceName(c.TargetInterface), c.InterfaceSpeed, c.SamplingPeriod);
  uint32_t index = 0;
  for (const ACTIVE_SYMBOL_CELL* cell = MAIN_pActiveSymbols; cell != nullptr; cell = cell->pNext) {
    const ACTIVE_SYMBOL& s = *cell->pSymbol;
    std::printf("symbol index=%u address=0x%08X type=%s typeid=%u size=%u virtual=%u name=%s\n",
                index++, s.Address, s.TypeName, s.RawType, s.Size, s.Virtual, s.Name);
  }
  index = 0;
  for (const MODULE_SETTINGS& m : PROJECT_GetModules()) {
    std::printf("module index=%u type=%u x=%d y=%d w=%d h=%d layer=%u kind=%s\n", index++,
                m.Type(), m.X, m.Y, m.Width, m.Height, m.Layer, MODULE_DisplayName(m.Type()));
  }
  SCRIPT_RECORD* scripts = PROJECT_GetScripts();
  index = 0;
  for (const SCRIPT_RECORD* s = scripts; s != nullptr; s = s->pNext) {
    std::printf("script index=%u enabled=%u writes=%u\n", index++, s->Enabled, s->WriteCount);
  }
  SCRIPT_FreeList(scripts);
  GAMEPAD_MAPPING pads[GAMEPAD_SLOTS];
  PROJECT_GetPads(pads);
  for (uint32_t slot = 0; slot < GAMEPAD_SLOTS; ++slot) {
    if (pads[slot].Configured) {
      std::printf("pad slot=%u buttons=%u axes=%u\n", slot, pads[slot].NumButtons,
                  pads[slot].NumAxes);
    }
    GAMEPAD_Clear(pads[slot]);
  }
}

int RunProject(std::span<char* const> args) {
  const char* file = nullptr;
  const char* out = nullptr;
  for (size_t i = 0; i < args.size(); ++i) {
    if (std::strcmp(args[i], "--save") == 0 && i + 1 < args.size()) {
      out = args[++i];
    } else if (file == nullptr && args[i][0] != '-') {
      file = args[i];
    } else {
      file = nullptr;
      break;
    }
  }
  if (file == nullptr) {
    std::fprintf(stderr, "usage: vistro-cli project FILE [--save OUT]\n");
    return CLI_USAGE;
  }
  int status = CLI_OK;
  if (PROJECT_Load(file) == 0) {
    SYS_ErrorBox("Failed to load project");
    status = CLI_FAILED;
  } else {
    APP_SetProjectPath(file);
    APP_SetProjectOpen(true);
    PrintProject();
    if (out != nullptr) {
      if (PROJECT_SaveTo(out) != 0) {
        SYS_ErrorBox("Failed to save project");
        status = CLI_FAILED;
      } else {
        char saved[PROJECT_PATH_SIZE];
        APP_GetProjectPath(saved, sizeof saved);
        std::printf("saved=%s\n", saved);
      }
    }
  }
  APP_ClearProjectStore();
  PROJECT_ClearContent();
  return status;
}

}  // namespace

CLI_REGISTER("project", "project FILE [--save OUT]", RunProject);
