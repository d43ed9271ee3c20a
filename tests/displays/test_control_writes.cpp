// Control modules' write decisions counted with a recording sink: press, hold past the repeat
// interval, release inside and outside, select, Run entry and Preview entry, and the value
// conversions into the symbol's type.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/app_active_list.h"
#include "core/app_mode.h"
#include "logic/logic_tree.h"
#include "modules/check_box_writes.h"
#include "modules/push_button_writes.h"
#include "modules/radio_button_writes.h"
#include "modules/slider_writes.h"
#include "modules/timer_writes.h"
#include "modules/toggle_button_writes.h"
#include "platform/sys_text.h"
#include "recording_sink.h"

namespace {

class ControlWrites : public testing::Test {
 protected:
  void SetUp() override {
    APP_ClearActiveSymbols();
    APP_SetAppMode(APP_MODE_RUN);
  }
  void TearDown() override {
    APP_SetAppMode(APP_MODE_EDIT);
    APP_ClearActiveSymbols();
    for (CALCULATION_NODE* c : calcs_) LOGIC_FreeCalculation(c);
  }
  // A virtual symbol of `type` in the active list, holding `value`.
  ACTIVE_SYMBOL* Symbol(const char* name, uint32_t type, uint64_t value = 0) {
    symbols_.push_back(std::make_unique<ACTIVE_SYMBOL>());
    ACTIVE_SYMBOL* s = symbols_.back().get();
    SYS_CopyText(s->Name, sizeof s->Name, name);
    s->Address = 0x20000000u + static_cast<uint32_t>(symbols_.size()) * 8;
    s->ValueType = s->RawType = type;
    s->Virtual = 1;
    s->CurrentValue.raw = value;
    EXPECT_EQ(APP_AddActiveSymbol(s), 0);
    ids_.push_back(std::make_unique<SYMBOL_ID>());
    SYS_CopyText(ids_.back()->Name, sizeof ids_.back()->Name, name);
    ids_.back()->Address = s->Address;
    return s;
  }
  const SYMBOL_ID& Id(const ACTIVE_SYMBOL* s) {
    for (auto& id : ids_)
      if (id->Address == s->Address) return *id;
    return *ids_.front();
  }
  CONTROL_WRITE_OP Op(const ACTIVE_SYMBOL* s, CALCULATION_NODE* calc, bool enabled = true) {
    calcs_.push_back(calc);
    return {&Id(s), calc, enabled};
  }
  // Sets the symbol's latest sample (as the sampling engine would).
  void Sample(ACTIVE_SYMBOL* s, uint64_t raw) {
    samples_.push_back(std::make_unique<VALUE_SLOT>());
    samples_.back()->raw = raw;
    s->pLatestSample = samples_.back().get();
    s->ValuePending = 0;
  }

  RecordingSink sink;
  std::vector<std::unique_ptr<ACTIVE_SYMBOL>> symbols_;
  std::vector<std::unique_ptr<SYMBOL_ID>> ids_;
  std::vector<std::unique_ptr<VALUE_SLOT>> samples_;
  std::vector<CALCULATION_NODE*> calcs_;
};

TEST(ControlConversion, DoublesIntoSymbolTypes) {
  struct Case {
    const char* name;
    double value;
    uint32_t type;
    bool written;
    uint64_t raw;
  } cases[] = {
      {"I8 truncates toward zero", -5.9, TYPEID_I8, true, 0xFB},
      {"U8 saturates above", 300.0, TYPEID_U8, true, 255},
      {"U8 saturates below", -3.0, TYPEID_U8, true, 0},
      {"I16 saturates", -1e9, TYPEID_I16, true, 0x8000},
      {"U32 keeps values above 2^31", 4e9, TYPEID_U32, true, 4000000000u},
      {"I32 saturates at +inf", INFINITY, TYPEID_I32, true, 0x7FFFFFFF},
      {"bool from 0.5", 0.5, TYPEID_BOOL, true, 1},
      {"bool from 0", 0.0, TYPEID_BOOL, true, 0},
      {"NaN is skipped", NAN, TYPEID_U8, false, 0},
      {"unsupported type", 1.0, TYPEID_U64, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VALUE_SLOT out{};
    ASSERT_EQ(CONTROL_ConvertDouble(c.value, c.type, &out), c.written);
    if (c.written) {
      EXPECT_EQ(out.raw, c.raw);
    }
  }
  VALUE_SLOT f{};
  ASSERT_TRUE(CONTROL_ConvertDouble(1e300, TYPEID_FLOAT, &f));
  EXPECT_FALSE(std::isinf(f.f32));
}

// Press writes once; the periodic writes start only after the repeat interval while held and
// stop before the release operations are written, also when released outside the button.
TEST_F(ControlWrites, PushButtonPressHoldRelease) {
  ACTIVE_SYMBOL* s = Symbol("setpoint", TYPEID_U8);
  ACTIVE_SYMBOL* other = Symbol("other", TYPEID_U16);
  const CONTROL_WRITE_OP press[] = {Op(s, LOGIC_NewUnitCalculation(TYPEID_U8)),
                                    Op(other, LOGIC_NewUnitCalculation(TYPEID_U16), false)};
  const CONTROL_WRITE_OP release[] = {Op(s, LOGIC_NewConstantCalculation(TYPEID_U8))};
  PushButtonWrites b;

  EXPECT_TRUE(b.Press(sink, press, true));
  EXPECT_EQ(sink.Log(), "set setpoint=1;");
  EXPECT_TRUE(b.HoldRepeat(sink, press, true, 100));  // interval passed, still held
  EXPECT_TRUE(b.HoldRepeat(sink, press, true, 100));  // already running: nothing new
  EXPECT_EQ(sink.Log(), "set setpoint=1;start setpoint/100;");
  b.Release(sink, release);  // the released signal: inside or outside the button alike
  EXPECT_EQ(sink.Log(), "set setpoint=1;start setpoint/100;stop 1;set setpoint=0;");
  EXPECT_FALSE(b.HoldRepeat(sink, press, true, 100));  // a late timer starts nothing
  EXPECT_EQ(b.RunningCount(), 0);

  // Released before the interval: no periodic write at all; a 0 ms interval becomes 1 ms.
  sink.Clear();
  b.Press(sink, press, false);
  b.Release(sink, release);
  EXPECT_EQ(sink.Log(), "set setpoint=1;set setpoint=0;");
  sink.Clear();
  b.Press(sink, press, true);
  b.HoldRepeat(sink, press, true, 0);
  EXPECT_EQ(sink.Log(), "set setpoint=1;start setpoint/1;");
  b.StopAll(sink);  // Edit entry while held

  // Outside Run mode nothing is written or started, but a held button still lets go.
  for (int32_t mode : {APP_MODE_PREVIEW, APP_MODE_EDIT}) {
    sink.Clear();
    APP_SetAppMode(mode);
    EXPECT_FALSE(b.Press(sink, press, true));
    EXPECT_FALSE(b.HoldRepeat(sink, press, true, 100));
    b.Release(sink, release);
    EXPECT_EQ(sink.Log(), "");
  }
}

TEST_F(ControlWrites, ToggleButtonWritesAndFollows) {
  ACTIVE_SYMBOL* flag = Symbol("flag", TYPEID_BOOL);
  TOGGLE_VALUES v{Id(flag), {0.0, 0.5}};
  ToggleButtonWrites t;
  t.EnterPreview(true);
  EXPECT_EQ(sink.Log(), "");
  t.EnterRun(sink, v, false);
  t.Toggle(sink, v, true);  // 0.5 on a bool is 1
  EXPECT_EQ(sink.Log(), "set flag=0;");  // the second write waits for the first
  sink.FinishAll();
  t.Follow(sink, v);
  EXPECT_EQ(sink.Log(), "set flag=0;set flag=1;");
  sink.FinishAll();

  // While the written value is not yet confirmed the old sample does not flip the button.
  flag->ValuePending = 1;
  flag->pLatestSample = &flag->CurrentValue;  // still 0
  EXPECT_FALSE(t.Follow(sink, v));
  EXPECT_TRUE(t.State());
  Sample(flag, 0);  // the target set it back: the button follows without writing
  EXPECT_TRUE(t.Follow(sink, v));
  EXPECT_FALSE(t.State());
  EXPECT_EQ(sink.Log(), "set flag=0;set flag=1;");

  // Both states convert to the same value: no flipping on every refresh.
  TOGGLE_VALUES same{Id(flag), {1.0, 2.0}};
  Sample(flag, 1);
  EXPECT_FALSE(t.Follow(sink, same));
  EXPECT_FALSE(t.Follow(sink, same));
}

TEST_F(ControlWrites, CheckBoxForcedValueOncePerConfirmation) {
  ACTIVE_SYMBOL* s = Symbol("mode", TYPEID_I16);
  CHECK_BOX_VALUES v{Id(s), -1.0, 7.0, true};
  CheckBoxWrites c;
  c.EnterEdit(true);
  c.EnterRun(sink, v);
  EXPECT_EQ(sink.Log(), "set mode=7;");
  sink.FinishAll();
  Sample(s, 7);
  c.Refresh(sink, v);
  EXPECT_EQ(sink.Log(), "set mode=7;");  // as it should be
  Sample(s, 3);                           // the target changed it back
  c.Refresh(sink, v);
  c.Refresh(sink, v);  // the rewrite is still outstanding: no second one
  EXPECT_EQ(sink.Log(), "set mode=7;set mode=7;");
  sink.FinishAll();
  s->ValuePending = 1;  // written, not yet sampled
  c.Refresh(sink, v);
  EXPECT_EQ(sink.Log(), "set mode=7;set mode=7;");
  c.Toggle(sink, v, false);
  EXPECT_EQ(sink.Log(), "set mode=7;set mode=7;set mode=-1;");
  APP_SetAppMode(APP_MODE_PREVIEW);
  c.EnterPreview(true);
  c.Toggle(sink, v, false);
  c.Refresh(sink, v);
  EXPECT_EQ(sink.Log(), "set mode=7;set mode=7;set mode=-1;");
}

TEST_F(ControlWrites, SliderModesAndDrags) {
  ACTIVE_SYMBOL* s = Symbol("trim", TYPEID_I8);
  SLIDER_VALUES v{Id(s), -10.0, 10.0, SLIDER_WRITE_ONLY};
  SliderWrites w;
  w.EnterRun(sink, v, 2147483647 / 4, false);
  EXPECT_EQ(sink.Log(), "set trim=-5;");
  // A drag: every change while the write is outstanding replaces the waiting one.
  for (int32_t pos : {0, 1 << 30, 2147483647}) w.Moved(sink, v, pos, false);
  EXPECT_EQ(sink.Log(), "set trim=-5;");
  EXPECT_EQ(sink.Outstanding(), 1);
  sink.FinishAll();
  w.Refresh(sink, v, false);
  EXPECT_EQ(sink.Log(), "set trim=-5;set trim=10;");
  sink.FinishAll();

  v.mode = SLIDER_READ_ONLY;
  w.EnterRun(sink, v, 0, false);
  w.Moved(sink, v, 12345, false);
  Sample(s, 0xFB);  // -5
  EXPECT_EQ(w.Refresh(sink, v, false), 2147483647 / 4);
  v.mode = SLIDER_READ_WRITE;
  w.Moved(sink, v, 0, true);  // reading while the formula holds
  EXPECT_EQ(w.Refresh(sink, v, false), std::nullopt);
  EXPECT_EQ(sink.Log(), "set trim=-5;set trim=10;");

  EXPECT_EQ(SLIDER_PositionFor(3.0, 2.0, 2.0), 0);  // min = max
  EXPECT_EQ(SLIDER_PositionFor(99.0, -10.0, 10.0), 2147483647);
  EXPECT_EQ(SLIDER_PositionFor(NAN, -10.0, 10.0), std::nullopt);
}

TEST_F(ControlWrites, RadioButtonsSelectAndEntry) {
  ACTIVE_SYMBOL* a = Symbol("a", TYPEID_U8);
  ACTIVE_SYMBOL* b = Symbol("b", TYPEID_U8);
  const RADIO_ENTRY entries[] = {{&Id(a), 1, 0}, {&Id(b), 2, 9}, {&Id(a), 3, 4}};
  RadioButtonWrites r;
  APP_SetAppMode(APP_MODE_PREVIEW);
  r.EnterPreview(1);
  r.Select(sink, entries, 2);
  EXPECT_EQ(r.Selected(), 2);
  APP_SetAppMode(APP_MODE_RUN);
  r.EnterRun(sink, entries, 1);
  r.Select(sink, entries, 0);
  r.Select(sink, entries, 0);
  r.Select(sink, entries, 2);
  EXPECT_EQ(sink.Log(), "set b=2;set b=9;set a=1;set a=0;set a=3;");
}

TEST_F(ControlWrites, TimerStartsAtRunEntryAndStopsAtEditEntry) {
  ACTIVE_SYMBOL* s = Symbol("tick", TYPEID_U32);
  const CONTROL_WRITE_OP ops[] = {Op(s, LOGIC_NewUnitCalculation(TYPEID_U32)),
                                  Op(s, LOGIC_NewUnitCalculation(TYPEID_U32), false),
                                  Op(s, LOGIC_NewConstantCalculation(TYPEID_U32))};
  TimerWrites t;
  APP_SetAppMode(APP_MODE_PREVIEW);
  t.EnterRun(sink, ops, 250, 0);
  EXPECT_EQ(sink.Log(), "");
  APP_SetAppMode(APP_MODE_RUN);
  t.EnterRun(sink, ops, 250, 1000);
  t.EnterRun(sink, ops, 250, 1000);  // already running
  EXPECT_EQ(sink.Log(), "start tick/250;start tick/250;");
  EXPECT_DOUBLE_EQ(t.Progress(250, 1300), 0.2);
  t.StopAll(sink);
  EXPECT_EQ(sink.Log(), "start tick/250;start tick/250;stop 1;stop 2;");
  EXPECT_EQ(t.Progress(250, 1400), 0.0);
}

}  // namespace
