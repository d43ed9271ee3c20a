// The modules on the board's refresh: each display module shows a virtual symbol's value in Run
// mode, and the push button writes what its press, hold and release call for when worked with
// the mouse (counted with the recording sink).
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <memory>

#include "core/app_active_list.h"
#include "display_test_util.h"
#include "core/app_mode.h"
#include "logic/logic_parser.h"
#include "modules/angular_gauge_module.h"
#include "modules/digital_display_module.h"
#include "modules/led_module.h"
#include "modules/linear_gauge_module.h"
#include "modules/push_button_module.h"
#include "platform/sys_text.h"
#include "recording_sink.h"

namespace {

class DisplayModules : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureGuiApp(); }
  void SetUp() override { APP_ClearActiveSymbols(); }
  void TearDown() override {
    APP_SetAppMode(APP_MODE_EDIT);
    APP_ClearActiveSymbols();
  }
  ACTIVE_SYMBOL* Virtual(const char* name, uint32_t type, uint64_t raw) {
    symbols_.push_back(std::make_unique<ACTIVE_SYMBOL>());
    ACTIVE_SYMBOL* s = symbols_.back().get();
    SYS_CopyText(s->Name, sizeof s->Name, name);
    s->Address = 0x100 + static_cast<uint32_t>(symbols_.size()) * 8;
    s->ValueType = s->RawType = type;
    s->Virtual = 1;
    s->CurrentValue.raw = raw;
    EXPECT_EQ(APP_AddActiveSymbol(s), 0);
    return s;
  }
  std::vector<std::unique_ptr<ACTIVE_SYMBOL>> symbols_;
};

TEST_F(DisplayModules, ShowVirtualSymbolsInRunMode) {
  ACTIVE_SYMBOL* speed = Virtual("speed", TYPEID_I32, 70);
  ACTIVE_SYMBOL* big = Virtual("big", TYPEID_U32, 0xFFFFFFF0u);
  ACTIVE_SYMBOL* flag = Virtual("flag", TYPEID_BOOL, 2);
  ACTIVE_SYMBOL* reg = Virtual("reg", TYPEID_I8, 0xFF);

  AngularGaugeModule angular(nullptr);
  angular.resize(200, 200);
  ASSERT_TRUE(angular.CanAddSymbol());
  ASSERT_TRUE(angular.AddSymbol(speed));
  EXPECT_FALSE(angular.CanAddSymbol());
  EXPECT_EQ(angular.PaintState().value, 25);  // until Run mode sets it
  LinearGaugeModule linear(nullptr), wide(nullptr);
  linear.AddSymbol(flag);
  wide.AddSymbol(big);
  DigitalDisplayModule digits(nullptr);
  digits.AddSymbol(reg);
  auto settings = digits.GetSettings();
  settings.As<DIGITAL_DISPLAY_SETTINGS>()->NumberBase = 16;
  digits.SetSettings(settings);

  APP_SetAppMode(APP_MODE_RUN);
  for (ToolModule* m : std::initializer_list<ToolModule*>{&angular, &linear, &wide, &digits}) m->Update();
  EXPECT_EQ(angular.PaintState().value, 70);
  EXPECT_DOUBLE_EQ(AngularGaugeNeedleDeg(angular.PaintState()), 225.0 - 0.7 * 270.0);
  EXPECT_EQ(linear.PaintState().value, 1);           // a bool shows as a flag
  EXPECT_EQ(wide.PaintState().value, 4294967280);    // not negative
  EXPECT_EQ(digits.PaintState().text, QStringLiteral("FF"));
  EXPECT_TRUE(angular.GetInfoText().startsWith(QStringLiteral("Display: speed")));

  // The symbol goes: the gauge keeps its last value and takes a dropped symbol again.
  angular.RemoveSymbol(speed);
  angular.Update();
  EXPECT_EQ(angular.PaintState().value, 70);
}

TEST_F(DisplayModules, LedLightsWhileItsFormulaHolds) {
  ACTIVE_SYMBOL* flag = Virtual("flag", TYPEID_BOOL, 1);
  LEDModule led(nullptr);
  led.resize(40, 40);
  FORMULA_NODE* formula = nullptr;
  ASSERT_EQ(LOGIC_ParseFormulaText("flag == 1", &formula).flags, 0u);
  auto settings = led.GetSettings();
  settings.As<LED_SETTINGS>()->Formula.reset(formula);
  led.SetSettings(settings);
  EXPECT_TRUE(led.ReadsSymbol(flag));
  led.Update();
  EXPECT_FALSE(led.PaintState().lit);  // Edit mode: dark
  APP_SetAppMode(APP_MODE_RUN);
  led.Update();
  EXPECT_TRUE(led.PaintState().lit);
  flag->CurrentValue.raw = 0;
  led.Update();
  EXPECT_FALSE(led.PaintState().lit);
  flag->CurrentValue.raw = 1;
  led.Update();
  APP_SetAppMode(APP_MODE_PREVIEW);
  EXPECT_FALSE(led.PaintState().lit);  // dark outside Run mode at the next paint
}

// Pressed inside and let go outside the button: the repeat writes stop and the release
// operations are written once. A symbol dropped on the button writes 1 on press, 0 on release.
TEST_F(DisplayModules, PushButtonWithTheMouse) {
  ACTIVE_SYMBOL* s = Virtual("motor", TYPEID_U8, 0);
  RecordingSink sink;
  PushButtonModule button(nullptr);
  button.resize(120, 40);
  button.show();
  ASSERT_TRUE(button.AddSymbol(s));
  auto settings = button.GetSettings();
  settings.As<PUSH_BUTTON_SETTINGS>()->HoldRepeat = 1;
  settings.As<PUSH_BUTTON_SETTINGS>()->IntervalMS = 20;
  button.SetSettings(settings);
  EXPECT_EQ(button.GetInfoText(), QStringLiteral("On press: 1 writes\nwith repeat cycle: 20\nOn release: 1 writes"));

  APP_SetAppMode(APP_MODE_PREVIEW);
  QTest::mousePress(button.Button(), Qt::LeftButton);
  QTest::mouseRelease(button.Button(), Qt::LeftButton);
  EXPECT_EQ(sink.Log(), "");

  APP_SetAppMode(APP_MODE_RUN);
  button.EnterRunMode();
  QTest::mousePress(button.Button(), Qt::LeftButton);
  EXPECT_EQ(sink.Log(), "set motor=1;");
  QTest::qWait(70);
  EXPECT_EQ(sink.Log(), "set motor=1;start motor/20;");
  QTest::mouseRelease(button.Button(), Qt::LeftButton, {}, QPoint(-10, -10));
  EXPECT_EQ(sink.Log(), "set motor=1;start motor/20;stop 1;set motor=0;");
  QTest::qWait(50);  // no timer left running
  EXPECT_EQ(sink.Log(), "set motor=1;start motor/20;stop 1;set motor=0;");
  EXPECT_NE(button.GetFrameStyleSheet().indexOf(QStringLiteral("text-align: center center; ")), -1);
}

}  // namespace
