// End to end on the demo firmware through the simulated board: a push button module bound to
// the motor setpoint is pressed with the mouse in Run mode, and an angular gauge module bound to
// the motor speed follows it on the board's refresh.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include "core/app_mode.h"
#include "demo_board.h"
#include "modules/angular_gauge_module.h"
#include "modules/push_button_module.h"

namespace {

TEST(DemoBoard, PushButtonDrivesTheMotorAndTheGaugeFollows) {
  int argc = 1;
  char name[] = "test_displays_demo";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  DemoBoard board;
  ASSERT_TRUE(board.Start({"g_motor.setpoint_rpm", "g_motor.speed_rpm"}));
  ACTIVE_SYMBOL* setpoint = board.Symbol(0);
  ACTIVE_SYMBOL* speed = board.Symbol(1);

  PushButtonModule button(nullptr);
  button.resize(120, 40);
  button.show();
  ASSERT_TRUE(button.AddSymbol(setpoint));  // 1 on press, 0 on release
  auto settings = button.GetSettings();
  VALUE_SLOT rpm{};
  rpm.f32 = 1000.0f;
  auto& press = settings.As<PUSH_BUTTON_SETTINGS>()->Press.front();
  press.Calculation.reset(LOGIC_NewCalculationNode(CALC_NOP));
  press.Calculation->pLeftValue = LOGIC_NewConstantValue(TYPEID_FLOAT, rpm, BASE_DECIMAL);
  button.SetSettings(settings);

  AngularGaugeModule gauge(nullptr);
  gauge.resize(200, 200);
  ASSERT_TRUE(gauge.AddSymbol(speed));
  settings = gauge.GetSettings();
  settings.As<ANGULAR_GAUGE_SETTINGS>()->MaxValue = 1200;
  gauge.SetSettings(settings);

  APP_SetAppMode(APP_MODE_RUN);
  button.EnterRunMode();
  gauge.EnterRunMode();
  // The board's refresh, every 10 ms, until the gauge shows `done` (10 s at most).
  auto refresh_until = [&](auto done) {
    for (int i = 0; i < 1000 && !done(); ++i) {
      QTest::qWait(10);
      gauge.Update();
    }
    return done();
  };
  EXPECT_TRUE(refresh_until([&] { return gauge.PaintState().value == 0; }));
  QTest::mousePress(button.Button(), Qt::LeftButton);
  EXPECT_TRUE(refresh_until([&] { return gauge.PaintState().value > 950; })) << gauge.PaintState().value;
  EXPECT_LE(gauge.PaintState().value, 1100);
  QTest::mouseRelease(button.Button(), Qt::LeftButton);
  EXPECT_TRUE(refresh_until([&] { return gauge.PaintState().value < 50; })) << gauge.PaintState().value;
  APP_SetAppMode(APP_MODE_EDIT);
}

}  // namespace
