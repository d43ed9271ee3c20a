// The fixed properties of the fourteen module types: class name, display name (status and
// timeline texts), the text a new-module drag carries, the settings dialog's title (spelt as
// the program always has), and the default size in cells, which is also the minimum size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "modules/records/module_settings.h"

struct MODULE_TYPE_INFO {
  uint32_t Type;
  const char* ClassName;    // "PushButtonModule"
  const char* DisplayName;  // "Push Button"
  const char* DragText;     // "%1: PushButton"; %1 becomes MODULE_DRAG_PREFIX
  const char* DialogTitle;  // "Push Button Settings"
  int32_t DefaultWidth;     // cells; also the minimum
  int32_t DefaultHeight;
};

// What a drag out of the module collection starts with.
constexpr const char* MODULE_DRAG_PREFIX = "ModuleCreation";
// Title of a settings dialog of a type without its own.
constexpr const char* MODULE_GENERIC_DIALOG_TITLE = "Module Settings";

// The row of the type, or null for 14 and above.
const MODULE_TYPE_INFO* MODULE_GetTypeInfo(uint32_t type);
// "Module Settings" for an unknown type.
const char* MODULE_DialogTitle(uint32_t type);
// "" for an unknown type.
const char* MODULE_DisplayName(uint32_t type);
// The drag payload of a new module of the type: "ModuleCreation: PushButton"; "" if unknown.
std::string MODULE_DragPayload(uint32_t type);
// The type a drag payload names, or -1 when the text is no new-module payload.
int32_t MODULE_TypeFromDragPayload(std::string_view text);
