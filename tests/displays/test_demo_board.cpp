// End to end on the demo firmware through the simulated board: a push button bound to the
// motor setpoint is pressed in Run mode and a gauge bound to the motor speed follows.
#include <gtest/gtest.h>

#include "core/app_mode.h"
#include "demo_board.h"
#include "logic/logic_eval.h"
#include "modules/gauge_scale.h"
#include "modules/push_button_writes.h"

namespace {

TEST(DemoBoard, PushButtonDrivesTheMotorAndTheGaugeFollows) {
  DemoBoard board;
  ASSERT_TRUE(board.Start({"g_motor.setpoint_rpm", "g_motor.speed_rpm"}));
  APP_SetAppMode(APP_MODE_RUN);
  ACTIVE_SYMBOL* setpoint = board.Symbol(0);
  ACTIVE_SYMBOL* speed = board.Symbol(1);
  SYMBOL_ID id;
  SYS_CopyText(id.Name, sizeof id.Name, setpoint->Name);
  id.Address = setpoint->Address;
  VALUE_SLOT rpm{};
  rpm.f32 = 1000.0f;
  CALCULATION_NODE* press_calc = LOGIC_NewCalculationNode(CALC_NOP);
  press_calc->pLeftValue = LOGIC_NewConstantValue(TYPEID_FLOAT, rpm, BASE_DECIMAL);
  CALCULATION_NODE* release_calc = LOGIC_NewConstantCalculation(TYPEID_FLOAT);
  const CONTROL_WRITE_OP press[] = {{&id, press_calc, true}};
  const CONTROL_WRITE_OP release[] = {{&id, release_calc, true}};
  CALCULATION_NODE* gauge_calc = LOGIC_NewSymbolCalculation(speed);

  auto gauge = [&] {
    VALUE_SLOT v{};
    uint32_t type = 0;
    int64_t shown = -1;
    if (LOGIC_EvalCalculation(gauge_calc, &v, &type) == 0) GAUGE_ResultToInteger(v, type, false, &shown);
    return shown;
  };
  auto wait_for = [&](auto done) {
    const uint32_t start = SYS_GetTickMs();
    while (!done() && SYS_GetTickMs() - start < 10000) SYS_Sleep(10);
    return done();
  };
  PushButtonWrites button;
  button.Press(CONTROL_GetWriteSink(), press, false);
  EXPECT_TRUE(wait_for([&] { return gauge() > 900; })) << gauge();
  button.Release(CONTROL_GetWriteSink(), release);
  EXPECT_TRUE(wait_for([&] { return gauge() < 100; })) << gauge();
  APP_SetAppMode(APP_MODE_EDIT);
  LOGIC_FreeCalculation(press_calc);
  LOGIC_FreeCalculation(release_calc);
  LOGIC_FreeCalculation(gauge_calc);
}

}  // namespace
