#include "modules/records/module_types.h"

#include <array>
#include <cstring>

namespace {

constexpr std::array<MODULE_TYPE_INFO, MODULE_TYPE_COUNT> kTypes = {{
    {0, "PushButtonModule", "Push Button", "%1: PushButton", "Push Button Settings", 40, 24},
    {1, "SliderModule", "Slider", "%1: Slider", "Slider Settings", 24, 64},
    {2, "LabelModule", "Label", "%1: Label", "Label Settings", 48, 24},
    {3, "DigitalDisplayModule", "Digital Display", "%1: DigitalDisplay",
     "Digtial Display Settings", 64, 24},
    {4, "CheckBoxModule", "Checkbox", "%1: CheckBox", "Checkbox Settings", 40, 24},
    {5, "RadioButtonModule", "Radio Buttons", "%1: RadioButton", "Radio Buttons Settings", 64,
     80},
    {6, "GrapherModule", "Grapher", "%1: Grapher", "Grapher Settings", 136, 80},
    {7, "LinearGaugeModule", "Linear Gauge", "%1: LinearGauge", "Linear Gauge Settings", 24, 64},
    {8, "AngularGaugeModule", "Angular Gauge", "%1: AngularGauge", "Angular Gauge Settings", 64,
     64},
    {9, "LEDModule", "LED", "%1: LED", "LED Settings", 24, 24},
    {10, "ImageModule", "Image", "%1: Image", "Image Settings", 128, 72},
    {11, "TimerModule", "Timer", "%1: Timer", "Timer Settings", 24, 24},
    {12, "FrameBufferModule", "Frame Buffer", "%1: FrameBuffer", "Framebuffer Settings", 96, 72},
    {13, "ToggleButtonModule", "Toggle Button", "%1: ToggleButton", MODULE_GENERIC_DIALOG_TITLE,
     64, 24},
}};

}  // namespace

const MODULE_TYPE_INFO* MODULE_GetTypeInfo(uint32_t type) {
  return type < kTypes.size() ? &kTypes[type] : nullptr;
}

const char* MODULE_DialogTitle(uint32_t type) {
  const MODULE_TYPE_INFO* info = MODULE_GetTypeInfo(type);
  return info ? info->DialogTitle : MODULE_GENERIC_DIALOG_TITLE;
}

const char* MODULE_DisplayName(uint32_t type) {
  const MODULE_TYPE_INFO* info = MODULE_GetTypeInfo(type);
  return info ? info->DisplayName : "";
}

std::string MODULE_DragPayload(uint32_t type) {
  const MODULE_TYPE_INFO* info = MODULE_GetTypeInfo(type);
  if (!info) return {};
  std::string text = info->DragText;
  text.replace(0, 2, MODULE_DRAG_PREFIX);  // every drag text starts with "%1"
  return text;
}

int32_t MODULE_TypeFromDragPayload(std::string_view text) {
  for (const MODULE_TYPE_INFO& info : kTypes) {
    if (text == MODULE_DragPayload(info.Type)) return static_cast<int32_t>(info.Type);
  }
  return -1;
}
