#include "modules/module_factory.h"

#include "modules/push_button_module.h"
#include "modules/slider_module.h"
#include "modules/label_module.h"
#include "modules/digital_display_module.h"
#include "modules/check_box_module.h"
#include "modules/radio_button_module.h"
#include "modules/grapher_module.h"
#include "modules/linear_gauge_module.h"
#include "modules/angular_gauge_module.h"
#include "modules/led_module.h"
#include "modules/image_module.h"
#include "modules/timer_module.h"
#include "modules/frame_buffer_module.h"
#include "modules/toggle_button_module.h"

std::unique_ptr<ToolModule> CreateModule(uint32_t type, ModuleHost* host, QWidget* parent) {
  switch (type) {
    case MODULE_TYPE_PUSH_BUTTON:
      return std::make_unique<PushButtonModule>(host, parent);
    case MODULE_TYPE_SLIDER:
      return std::make_unique<SliderModule>(host, parent);
    case MODULE_TYPE_LABEL:
      return std::make_unique<LabelModule>(host, parent);
    case MODULE_TYPE_DIGITAL_DISPLAY:
      return std::make_unique<DigitalDisplayModule>(host, parent);
    case MODULE_TYPE_CHECK_BOX:
      return std::make_unique<CheckBoxModule>(host, parent);
    case MODULE_TYPE_RADIO_BUTTONS:
      return std::make_unique<RadioButtonModule>(host, parent);
    case MODULE_TYPE_GRAPHER:
      return std::make_unique<GrapherModule>(host, parent);
    case MODULE_TYPE_LINEAR_GAUGE:
      return std::make_unique<LinearGaugeModule>(host, parent);
    case MODULE_TYPE_ANGULAR_GAUGE:
      return std::make_unique<AngularGaugeModule>(host, parent);
    case MODULE_TYPE_LED:
      return std::make_unique<LEDModule>(host, parent);
    case MODULE_TYPE_IMAGE:
      return std::make_unique<ImageModule>(host, parent);
    case MODULE_TYPE_TIMER:
      return std::make_unique<TimerModule>(host, parent);
    case MODULE_TYPE_FRAME_BUFFER:
      return std::make_unique<FrameBufferModule>(host, parent);
    case MODULE_TYPE_TOGGLE_BUTTON:
      return std::make_unique<ToggleButtonModule>(host, parent);
    default:
      return nullptr;
  }
}

std::unique_ptr<ToolModule> CreateModuleFromSettings(const MODULE_SETTINGS& settings,
                                                     ModuleHost* host, QWidget* parent) {
  std::unique_ptr<ToolModule> module = CreateModule(settings.Type(), host, parent);
  if (!module) return nullptr;
  module->SetLayer(settings.Layer);
  module->SetSettings(settings);
  return module;
}
