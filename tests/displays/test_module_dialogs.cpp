// The settings dialogs of the display and control modules give back the record they were opened
// with (every field read into a control and written out of it again), and the gauges refuse a
// scale whose maximum is not above its minimum.
#include <gtest/gtest.h>

#include <QLabel>

#include "display_test_util.h"
#include "modules/angular_gauge_dialog.h"
#include "modules/check_box_dialog.h"
#include "modules/digital_display_dialog.h"
#include "modules/image_dialog.h"
#include "modules/label_dialog.h"
#include "modules/led_dialog.h"
#include "modules/linear_gauge_dialog.h"
#include "modules/push_button_dialog.h"
#include "modules/radio_button_dialog.h"
#include "modules/slider_dialog.h"
#include "modules/timer_dialog.h"
#include "modules/toggle_button_dialog.h"
#include "platform/sys_msgbox.h"

namespace {

std::unique_ptr<ToolModuleDialog> Open(const MODULE_SETTINGS& s) {
  switch (s.Type()) {
    case MODULE_TYPE_PUSH_BUTTON: return std::make_unique<PushButtonDialog>(nullptr, s, nullptr);
    case MODULE_TYPE_SLIDER: return std::make_unique<SliderDialog>(nullptr, s, nullptr);
    case MODULE_TYPE_LABEL: return std::make_unique<LabelDialog>(nullptr, s, nullptr);
    case MODULE_TYPE_DIGITAL_DISPLAY: return std::make_unique<DigitalDisplayDialog>(nullptr, s, nullptr);
    case MODULE_TYPE_CHECK_BOX: return std::make_unique<CheckBoxDialog>(nullptr, s, nullptr);
    case MODULE_TYPE_RADIO_BUTTONS: return std::make_unique<RadioButtonDialog>(nullptr, s, nullptr);
    case MODULE_TYPE_LINEAR_GAUGE: return std::make_unique<LinearGaugeDialog>(nullptr, s, nullptr);
    case MODULE_TYPE_ANGULAR_GAUGE: return std::make_unique<AngularGaugeDialog>(nullptr, s, nullptr);
    case MODULE_TYPE_LED: return std::make_unique<LEDDialog>(nullptr, s, nullptr);
    case MODULE_TYPE_IMAGE: return std::make_unique<ImageDialog>(nullptr, s, nullptr);
    case MODULE_TYPE_TIMER: return std::make_unique<TimerDialog>(nullptr, s, nullptr);
    default: return std::make_unique<ToggleButtonDialog>(nullptr, s, nullptr);
  }
}

TEST(ModuleDialogs, GiveBackTheRecordTheyWereOpenedWith) {
  EnsureGuiApp();
  std::vector<MODULE_SETTINGS> records;
  for (uint32_t type : {0u, 1u, 2u, 3u, 4u, 5u, 7u, 8u, 9u, 10u, 11u, 13u}) records.push_back(*MODULE_DefaultSettings(type));
  // Records whose fields all differ from the defaults and from each other.
  MODULE_SETTINGS gauge = *MODULE_DefaultSettings(MODULE_TYPE_ANGULAR_GAUGE);
  auto* g = gauge.As<ANGULAR_GAUGE_SETTINGS>();
  *g = {std::move(g->Calculation), -5, 7, 180, {{1, 2, 3}, {0.25, 0.5}}, MODULE_Rgba(4, 5, 6), MODULE_Rgba(7, 8, 9, 10), 1, 1};
  records.push_back(gauge);
  MODULE_SETTINGS button = *MODULE_DefaultSettings(MODULE_TYPE_PUSH_BUTTON);
  auto* b = button.As<PUSH_BUTTON_SETTINGS>();
  b->Text = "Go";
  b->Alignment = 0x41;
  b->Font = {1, 20};
  b->HoldRepeat = 1;
  b->IntervalMS = 250;
  b->ColorText = MODULE_Rgba(1, 2, 3);
  b->ColorBackground = MODULE_Rgba(4, 5, 6);
  b->Press.push_back({SymbolIdPtr(LOGIC_NewSymbolIdFrom("gone", 0x20)), CalculationPtr(LOGIC_NewUnitCalculation(TYPEID_I16)), 0});
  records.push_back(button);
  MODULE_SETTINGS toggle = *MODULE_DefaultSettings(MODULE_TYPE_TOGGLE_BUTTON);
  auto* t = toggle.As<TOGGLE_BUTTON_SETTINGS>();
  t->ValueStateA = -2.5;
  t->ValueStateB = 7.25;
  t->LabelA = "Stop";
  t->LabelB = "Run";
  t->DefaultState = 1;
  t->IsVertical = 1;
  records.push_back(toggle);

  for (const MODULE_SETTINGS& r : records) {
    SCOPED_TRACE(r.Type());
    const auto dialog = Open(r);
    EXPECT_TRUE(dialog->GetDialogSettings().Part == r.Part);  // the position is the base dialog's
  }
}

TEST(ModuleDialogs, GaugesRefuseAnEmptyOrReversedScale) {
  EnsureGuiApp();
  static std::vector<std::string> shown;
  SYS_SetMsgBoxHandler([](SYS_MsgBoxRequest& r) {
    shown.push_back(r.text);
    r.pressed_button = r.default_result;
  });
  for (uint32_t type : {MODULE_TYPE_ANGULAR_GAUGE, MODULE_TYPE_LINEAR_GAUGE}) {
    for (int32_t max : {0, -1, 1}) {
      MODULE_SETTINGS s = *MODULE_DefaultSettings(type);
      if (auto* a = s.As<ANGULAR_GAUGE_SETTINGS>()) a->MaxValue = max;
      if (auto* l = s.As<LINEAR_GAUGE_SETTINGS>()) l->MaxValue = max;
      shown.clear();
      EXPECT_EQ(Open(s)->Validate(), max > 0);
      EXPECT_EQ(shown, max > 0 ? std::vector<std::string>{} : std::vector<std::string>{"Invalid Range!"});
    }
  }
  SYS_SetMsgBoxHandler(nullptr);
}

TEST(ModuleDialogs, WriteLimitsTexts) {
  ACTIVE_SYMBOL i16, flag, hex;
  i16.ValueType = TYPEID_I16;
  i16.MinWrite = -100;
  i16.MaxWrite = 2.5;
  flag.ValueType = TYPEID_BOOL;
  hex.ValueType = TYPEID_U8;
  hex.HexDisplay = HEX_MIN_WRITE | HEX_MAX_WRITE;
  hex.MinWrite = -1e30;  // typed in the watch, far beyond the type
  hex.MaxWrite = 255;
  const std::string none = "Minimum write value: -\nMaximum write value: -\nCan be modified in Symbol Watch";
  EXPECT_EQ(WriteLimitsText(nullptr).toStdString(), none);
  EXPECT_EQ(WriteLimitsText(&flag).toStdString(), none);
  EXPECT_EQ(WriteLimitsText(&i16).toStdString(),
            "Minimum write value: -100\nMaximum write value: 2.5\nCan be modified in Symbol Watch");
  EXPECT_EQ(WriteLimitsText(&hex).toStdString(),
            "Minimum write value: 0x0\nMaximum write value: 0xFF\nCan be modified in Symbol Watch");
}

}  // namespace
