#include <gtest/gtest.h>

#include "core/app_probe_ops.h"
#include "core/lifecycle/app_lifecycle.h"
#include "input/gamepad_mapping.h"
#include "platform/sys_thread.h"
#include "project_fixture.h"

namespace {

TEST(GamepadMapping, OperationsAreCheckedAgainstTheSymbolType) {
  const struct {
    uint32_t op;
    double value;
    uint32_t type;
    const char* message;
  } cases[] = {
      {GAMEPAD_OP_AND, 1, TYPEID_DOUBLE, "Invalid operation for symbol of type double (64 bit)"},
      {GAMEPAD_OP_SHL, 1, TYPEID_FLOAT, "Invalid operation for symbol of type float (32 bit)"},
      {GAMEPAD_OP_DIV, 2, TYPEID_FLOAT, nullptr},
      {GAMEPAD_OP_ADD, 1, TYPEID_BOOL, "Invalid operation for symbol of type bool (1 bit)"},
      {GAMEPAD_OP_XOR, 1, TYPEID_BOOL, nullptr},
      {GAMEPAD_OP_DIV, 0, TYPEID_U8, "Invalid Operation: devision by zero"},
      {GAMEPAD_OP_MOD, 256, TYPEID_U8, "Invalid Operation: devision by zero"},  // low 8 bits
      {GAMEPAD_OP_MOD, 0.5, TYPEID_DOUBLE, "Invalid operation for symbol of type double (64 bit)"},
      {GAMEPAD_OP_DIV, 0.5, TYPEID_I16, "Invalid Operation: devision by zero"},  // integer part
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(GAMEPAD_OperationName(c.op));
    const char* got = GAMEPAD_CheckOperation(c.op, c.value, c.type);
    EXPECT_STREQ(got, c.message);
  }
  EXPECT_EQ(GAMEPAD_ConvertValue(-1, TYPEID_U16), 65535);
  EXPECT_EQ(GAMEPAD_ConvertValue(200, TYPEID_I8), -56);
  EXPECT_EQ(GAMEPAD_ConvertValue(1e30, TYPEID_I32), 0);
}

TEST(GamepadMapping, MappingsReadFromFilesAreSanitized) {
  ClearProject();
  AddSymbol("level", 0x20000000, TYPEID_DOUBLE, "double", 8);
  GAMEPAD_MAPPING pad;
  pad.Configured = 1;
  pad.Inputs[0].PressOperation = 99;                                     // unknown code
  pad.Inputs[1].IntervalMs = -5;                                         // negative interval
  pad.Inputs[2].PressOperation = GAMEPAD_OP_AND;                         // refused for double
  pad.Inputs[2].pPressSymbol = LOGIC_NewSymbolIdFrom("LEVEL", 0x20000000);
  pad.Inputs[3].PressOperation = GAMEPAD_OP_AND;                         // symbol not active
  pad.Inputs[3].pPressSymbol = LOGIC_NewSymbolIdFrom("gone", 0x20000010);
  pad.Inputs[4].PressOperation = GAMEPAD_OP_MUL;
  pad.Inputs[4].pPressSymbol = LOGIC_NewSymbolIdFrom("level", 0x20000000);
  EXPECT_EQ(GAMEPAD_Sanitize(pad), 3u);
  EXPECT_EQ(pad.Inputs[2].pPressSymbol, nullptr);
  EXPECT_NE(pad.Inputs[3].pPressSymbol, nullptr);
  EXPECT_NE(pad.Inputs[4].pPressSymbol, nullptr);
  GAMEPAD_MAPPING copy;
  ASSERT_TRUE(GAMEPAD_Copy(pad, copy));
  EXPECT_TRUE(GAMEPAD_Equals(pad, copy));
  copy.Inputs[4].PressValue = 2;
  EXPECT_FALSE(GAMEPAD_Equals(pad, copy));
  GAMEPAD_Clear(copy);
  GAMEPAD_Clear(pad);
  ClearProject();
}

// The inputs of configured pads that write a symbol; only button operations other than "Set"
// need its current value. Unlinking clears the symbol and keeps the rest.
TEST(GamepadMapping, InputsUsingASymbolAreCountedAndUnlinked) {
  ClearProject();
  ACTIVE_SYMBOL* level = AddSymbol("level", 0x20000000, TYPEID_U8, "unsigned char", 1);
  GAMEPAD_MAPPING pads[GAMEPAD_SLOTS];
  pads[0].Configured = 1;
  pads[0].Inputs[0].pPressSymbol = LOGIC_NewSymbolIdFrom("level", 0x20000000);
  pads[0].Inputs[0].pReleaseSymbol = LOGIC_NewSymbolIdFrom("level", 0x20000000);  // one input
  pads[0].Inputs[1].pPressSymbol = LOGIC_NewSymbolIdFrom("other", 0x20000010);
  pads[0].Inputs[GAMEPAD_BUTTONS].pPressSymbol = LOGIC_NewSymbolIdFrom("level", 0x20000000);
  pads[0].Inputs[GAMEPAD_BUTTONS].PressOperation = GAMEPAD_OP_ADD;  // axes only set
  pads[2].Inputs[0].pPressSymbol = LOGIC_NewSymbolIdFrom("level", 0x20000000);  // slot not configured
  bool needs = false;
  EXPECT_EQ(GAMEPAD_CountInputsUsing(pads, *level, &needs), 2u);
  EXPECT_FALSE(needs);
  pads[0].Inputs[0].ReleaseOperation = GAMEPAD_OP_SUB;
  EXPECT_EQ(GAMEPAD_CountInputsUsing(pads, *level, &needs), 2u);
  EXPECT_TRUE(needs);
  EXPECT_TRUE(GAMEPAD_UnlinkSymbol(pads[0], *level));
  EXPECT_EQ(GAMEPAD_CountInputsUsing(pads, *level, nullptr), 0u);
  EXPECT_NE(pads[0].Inputs[1].pPressSymbol, nullptr);
  EXPECT_FALSE(GAMEPAD_UnlinkSymbol(pads[0], *level));
  for (GAMEPAD_MAPPING& p : pads) GAMEPAD_Clear(p);
  ClearProject();
}

// Run mode without a forced download and without the offer neither asks nor downloads.
TEST(PrepareRunMode, AsksOnlyWhileTheDownloadIsOffered) {
  static bool connected = true;
  APP_PROBE_OPS ops = APP_DefaultProbeOps();
  ops.IsConnected = [] { return connected; };
  ops.Connect = [] { return -1; };
  APP_SetProbeOps(&ops);
  APP_RegisterProjectJobs();
  MessageLog log;
  const auto run = [](bool force) {
    JOB_BUSY busy{0};
    uint8_t allowed = 7;
    EXPECT_EQ(APP_PrepareSetRunMode(force, &allowed, &busy), 0);
    while (busy.load() != 0) SYS_Sleep(1);
    return allowed;
  };
  APP_SetOfferDownload(false);
  EXPECT_EQ(run(false), 1);
  EXPECT_EQ(log.text, "");
  APP_SetOfferDownload(true);
  MessageLog::answer = 1;  // "No"
  EXPECT_EQ(run(false), 1);
  EXPECT_EQ(log.text, "Do you want Vistro to program the target with the project's ELF file?\n");
  EXPECT_FALSE(APP_GetOfferDownload());
  connected = false;  // the probe does not come up: Run mode is refused
  log.text.clear();
  EXPECT_EQ(run(false), 0);
  EXPECT_EQ(log.text, "Failed to initialize Veltra!\n");
  EXPECT_EQ(JOB_StopWorker(10000), 0);
  EXPECT_EQ(JOB_Reset(), 0);
  APP_SetProbeOps(nullptr);
}

}  // namespace
