// Game pads driven by SDL virtual controllers (no hardware): the writes of press, hold past
// the repeat interval and release, axis scaling and "Only on change", one write outstanding
// per axis, leaving Run mode and new mappings while a button is held, and slots following
// controllers plugged in and out.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "input/gamepad_runtime.h"
#include "platform/sys_thread.h"
#include "tests/editor/editor_test_support.h"
#include "tests/scripting/virtual_pad.h"

namespace {

struct Recorded {
  std::string kind;  // "write", "repeat", "stop"
  std::string symbol;
  uint32_t op = 0;
  VALUE_SLOT value{};
};

class RecordingSink : public GamepadWriteSink {
 public:
  int32_t Write(const APP_WRITE_REQUEST& r, JOB_BUSY* busy) override {
    Add("write", r);
    if (busy != nullptr && hold_busy) {
      busy->store(1);  // the job is still queued
      pending.push_back(busy);
    }
    return 0;
  }
  APP_WriteTask StartRepeat(const APP_WRITE_REQUEST& r, uint32_t period_ms) override {
    Add("repeat", r);
    last_period = period_ms;
    return ++next_task;
  }
  void StopRepeat(APP_WriteTask task) override {
    Recorded rec;
    rec.kind = "stop";
    rec.op = static_cast<uint32_t>(task);
    log.push_back(rec);
  }
  std::vector<std::string> Kinds() const {
    std::vector<std::string> k;
    for (const Recorded& r : log) k.push_back(r.kind);
    return k;
  }
  // The queued jobs finish.
  void Complete() {
    for (JOB_BUSY* b : pending) b->store(0);
    pending.clear();
  }
  std::vector<Recorded> log;
  std::vector<JOB_BUSY*> pending;
  bool hold_busy = false;
  uint32_t last_period = 0;
  APP_WriteTask next_task = 0;

 private:
  void Add(const char* kind, const APP_WRITE_REQUEST& r) {
    Recorded rec;
    rec.kind = kind;
    rec.symbol = r.Symbol.Name;
    rec.op = r.Operation;
    rec.value.raw = r.Operand;
    log.push_back(rec);
  }
};

class Gamepad : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(GAMEPAD_Init()) << SDL_GetError(); }
  void SetUp() override {
    led_ = &symbols_.Add("g_led", 0x20000100, TYPEID_BOOL, 0, 1);
    count_ = &symbols_.Add("g_count", 0x20000104, TYPEID_U8, 0, 255);
    setpoint_ = &symbols_.Add("g_setpoint", 0x20000108, TYPEID_FLOAT, -100, 100);
    GAMEPAD_SetWriteSink(&sink_);
  }
  void TearDown() override {
    GAMEPAD_ClearMappings();
    GAMEPAD_SetWriteSink(nullptr);
  }
  void Install(GAMEPAD_MAPPING& pad, uint32_t slot = 0) {
    GAMEPAD_MAPPING pads[GAMEPAD_SLOTS];
    pad.Configured = 1;
    GAMEPAD_Copy(pad, pads[slot]);
    ASSERT_TRUE(GAMEPAD_SetMappings(pads));
    for (GAMEPAD_MAPPING& p : pads) GAMEPAD_Clear(p);
    GAMEPAD_Clear(pad);
  }
  static SYMBOL_ID* Id(const ACTIVE_SYMBOL* s) { return LOGIC_NewSymbolId(*s); }

  TestSymbols symbols_;
  RecordingSink sink_;
  ACTIVE_SYMBOL* led_ = nullptr;
  ACTIVE_SYMBOL* count_ = nullptr;
  ACTIVE_SYMBOL* setpoint_ = nullptr;
};

constexpr uint32_t kA = 10;
constexpr uint32_t kTriggerRight = 15;
constexpr uint32_t kStickLeftY = 17;

TEST_F(Gamepad, PressHoldPastTheIntervalAndRelease) {
  VirtualPad pad;
  GAMEPAD_MAPPING m;
  GAMEPAD_INPUT& a = m.Inputs[kA];
  a.PressOperation = GAMEPAD_OP_ADD;
  a.PressValue = 259;  // U8 keeps the low 8 bits: 3
  a.HoldRepeat = 1;
  a.IntervalMs = 60;
  a.pPressSymbol = Id(count_);
  a.ReleaseOperation = GAMEPAD_OP_SET;
  a.ReleaseValue = 1;
  a.pReleaseSymbol = Id(led_);
  Install(m);

  GAMEPAD_Refresh();
  EXPECT_TRUE(sink_.log.empty());
  pad.Button(SDL_CONTROLLER_BUTTON_A, true);
  GAMEPAD_Refresh();
  GAMEPAD_Refresh();  // held, interval not over
  ASSERT_EQ(sink_.Kinds(), std::vector<std::string>{"write"});
  EXPECT_EQ(sink_.log[0].symbol, "g_count");
  EXPECT_EQ(sink_.log[0].op, static_cast<uint32_t>(APP_WRITE_ADD));
  EXPECT_EQ(sink_.log[0].value.u8, 3);
  SYS_Sleep(80);
  GAMEPAD_Refresh();
  GAMEPAD_Refresh();  // one repeat only
  EXPECT_EQ(sink_.Kinds(), (std::vector<std::string>{"write", "repeat"}));
  EXPECT_EQ(sink_.last_period, 60u);
  pad.Button(SDL_CONTROLLER_BUTTON_A, false);
  GAMEPAD_Refresh();
  ASSERT_EQ(sink_.Kinds(), (std::vector<std::string>{"write", "repeat", "stop", "write"}));
  EXPECT_EQ(sink_.log[3].symbol, "g_led");
  EXPECT_EQ(sink_.log[3].value.b, true);
}

// Leaving Run mode ends the repeat and forgets the press; so does installing new mappings.
TEST_F(Gamepad, HeldButtonIsResetByLeavingRunModeAndByNewMappings) {
  VirtualPad pad;
  for (int pass = 0; pass < 2; ++pass) {
    sink_.log.clear();
    GAMEPAD_MAPPING m;
    m.Inputs[kA].HoldRepeat = 1;
    m.Inputs[kA].IntervalMs = 1;
    m.Inputs[kA].PressValue = 7;
    m.Inputs[kA].pPressSymbol = Id(count_);
    Install(m);
    pad.Button(SDL_CONTROLLER_BUTTON_A, true);
    GAMEPAD_Refresh();
    SYS_Sleep(5);
    GAMEPAD_Refresh();
    ASSERT_EQ(sink_.Kinds(), (std::vector<std::string>{"write", "repeat"}));
    if (pass == 0) {
      GAMEPAD_StopRunMode();
    } else {
      GAMEPAD_MAPPING other;
      Install(other);
    }
    EXPECT_EQ(sink_.Kinds(), (std::vector<std::string>{"write", "repeat", "stop"}));
    pad.Button(SDL_CONTROLLER_BUTTON_A, false);
    GAMEPAD_Refresh();  // no release write for a press that was forgotten
    EXPECT_EQ(sink_.log.size(), 3u);
  }
}

TEST_F(Gamepad, AxesScaleIntoTheWriteRange) {
  VirtualPad pad;
  struct Case {
    uint32_t input;
    SDL_GameControllerAxis axis;
    int16_t raw;
    double expected;  // g_setpoint in -100..100
  };
  const Case cases[] = {
      {kStickLeftY, SDL_CONTROLLER_AXIS_LEFTY, -32768, 100.0},  // pushed up
      {kStickLeftY, SDL_CONTROLLER_AXIS_LEFTY, 32767, -100.0},  // pulled down
      {kStickLeftY, SDL_CONTROLLER_AXIS_LEFTY, 0, 0.0015},      // at rest: just above the middle
      {kTriggerRight, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767, 100.0},
      // A virtual trigger spans the whole axis range: its middle reads 16383, 127 of 255.
      {kTriggerRight, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0, -0.39},
  };
  for (const Case& c : cases) {
    sink_.log.clear();
    GAMEPAD_MAPPING m;
    m.Inputs[c.input].pPressSymbol = Id(setpoint_);
    Install(m);
    pad.Axis(c.axis, c.raw);
    GAMEPAD_Refresh();
    ASSERT_EQ(sink_.log.size(), 1u) << c.raw;
    EXPECT_EQ(sink_.log[0].op, static_cast<uint32_t>(APP_WRITE_SET));
    EXPECT_NEAR(sink_.log[0].value.f32, c.expected, 0.01) << c.input << " " << c.raw;
    pad.Axis(c.axis, c.input == kTriggerRight ? INT16_MIN : 0);
  }
}

// Without "Only on change" an axis writes on every refresh, but never queues a second write
// while its last one is outstanding; with it, a kept position writes once.
TEST_F(Gamepad, AxisWritesAreBounded) {
  VirtualPad pad;
  for (uint8_t only_on_change : {0, 1}) {
    sink_.log.clear();
    GAMEPAD_MAPPING m;
    m.Inputs[kStickLeftY].pPressSymbol = Id(setpoint_);
    m.Inputs[kStickLeftY].OnlyOnChange = only_on_change;
    Install(m);
    sink_.hold_busy = only_on_change == 0;
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, -16000);
    for (int i = 0; i < 5; ++i) GAMEPAD_Refresh();
    EXPECT_EQ(sink_.log.size(), 1u) << int(only_on_change);
    sink_.Complete();
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, 0);
  }
  sink_.hold_busy = false;
}

// A controller keeps its slot while plugged in; a new one takes the lowest free slot.
TEST_F(Gamepad, SlotsFollowControllersPluggedAndUnplugged) {
  auto first = std::make_unique<VirtualPad>();
  auto second = std::make_unique<VirtualPad>();
  GAMEPAD_Poll();
  EXPECT_TRUE(GAMEPAD_IsConnected(0));
  EXPECT_TRUE(GAMEPAD_IsConnected(1));
  second->Button(SDL_CONTROLLER_BUTTON_B, true);
  first->Unplug();
  GAMEPAD_Poll();
  EXPECT_FALSE(GAMEPAD_IsConnected(0));
  EXPECT_EQ(GAMEPAD_StateWord(1), 1u << 11);  // B stays on the second slot
  VirtualPad third;
  third.Button(SDL_CONTROLLER_BUTTON_X, true);
  GAMEPAD_Poll();
  GAMEPAD_Poll();
  EXPECT_EQ(GAMEPAD_StateWord(0), 1u << 12);
  EXPECT_EQ(GAMEPAD_StateWord(1), 1u << 11);
}

TEST(GamepadValues, ControllerRangesToMappingRanges) {
  EXPECT_EQ(GAMEPAD_TriggerFromController(0), 0);
  EXPECT_EQ(GAMEPAD_TriggerFromController(32767), 255);
  EXPECT_EQ(GAMEPAD_TriggerFromController(-5), 0);
  EXPECT_EQ(GAMEPAD_StickYFromController(0), 0);
  EXPECT_EQ(GAMEPAD_StickYFromController(-32768), 32767);
  EXPECT_EQ(GAMEPAD_StickYFromController(32767), -32767);
}

}  // namespace
