#include "scripting/project_runtime.h"

#include "input/gamepad_runtime.h"
#include "persist/project/project_content.h"
#include "scripting/script_runner.h"

void SCRIPT_InstallProjectContent() {
  SCRIPT_RECORD* scripts = PROJECT_GetScripts();
  SCRIPT_Publish(scripts);
  SCRIPT_FreeList(scripts);
  GAMEPAD_MAPPING pads[GAMEPAD_SLOTS];
  PROJECT_GetPads(pads);
  GAMEPAD_SetMappings(pads);
  for (GAMEPAD_MAPPING& p : pads) GAMEPAD_Clear(p);
}
