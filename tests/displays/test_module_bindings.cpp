// Each display and control module with a symbol dropped on it: what it then uses and reads,
// its info text, and that removing the symbol unbinds it. The control modules worked through
// their widgets write only in Run mode, with the values their entry into Run mode calls for.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <functional>
#include <memory>

#include "core/app_active_list.h"
#include "core/app_mode.h"
#include "display_test_util.h"
#include "modules/angular_gauge_module.h"
#include "modules/check_box_module.h"
#include "modules/digital_display_module.h"
#include "modules/linear_gauge_module.h"
#include "modules/push_button_module.h"
#include "modules/radio_button_module.h"
#include "modules/slider_module.h"
#include "modules/timer_module.h"
#include "modules/toggle_button_module.h"
#include "platform/sys_text.h"
#include "recording_sink.h"

namespace {

class ModuleBindings : public testing::Test {
 protected:
  void SetUp() override {
    EnsureGuiApp();
    APP_ClearActiveSymbols();
    SYS_CopyText(sym_.Name, sizeof sym_.Name, "rpm");
    sym_.Address = 0x20000000;
    sym_.ValueType = sym_.RawType = TYPEID_I16;
    sym_.Virtual = 1;
    ASSERT_EQ(APP_AddActiveSymbol(&sym_), 0);
  }
  void TearDown() override {
    APP_SetAppMode(APP_MODE_EDIT);
    APP_ClearActiveSymbols();
  }
  ACTIVE_SYMBOL sym_;
};

TEST_F(ModuleBindings, DroppedSymbolIsUsedReadAndRemoved) {
  struct Case {
    const char* name;
    std::function<std::unique_ptr<ToolModule>()> make;
    bool reads;
    const char* info;
  } cases[] = {
      {"angular gauge", [] { return std::make_unique<AngularGaugeModule>(nullptr); }, true,
       "Display: rpm\nMinimum: 0\nMaximum: 100\n"},
      {"linear gauge", [] { return std::make_unique<LinearGaugeModule>(nullptr); }, true,
       "Display: rpm\nMinimum: 0\nMaximum: 100\nOrientation: Vertical\n"},
      {"digital display", [] { return std::make_unique<DigitalDisplayModule>(nullptr); }, true,
       "Display: rpm\nNumber base: Decimal\nDigits: 8\n"},
      {"push button", [] { return std::make_unique<PushButtonModule>(nullptr); }, false,
       "On press: 1 writes\nOn release: 1 writes"},
      {"toggle button", [] { return std::make_unique<ToggleButtonModule>(nullptr); }, true,
       "Symbol: rpm\nDefault state: Off\nState A Value: 0\nState B Value: 1\n"},
      {"slider", [] { return std::make_unique<SliderModule>(nullptr); }, false,
       "Symbol: rpm\nMode: Write only\nMinimum: 0\nMaximum: 1\nOrientation: Vertical\n"},
      {"check box", [] { return std::make_unique<CheckBoxModule>(nullptr); }, false,
       "Symbol: rpm\nChecked Value: 1\nUnchecked Value: 0\nChecked by dafault: false\nForce value: false\n"},
      {"timer", [] { return std::make_unique<TimerModule>(nullptr); }, false,
       "If time is up: 1 writes\nRepeat cycle: 1000ms\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto m = c.make();
    ASSERT_TRUE(m->CanAddSymbol());
    ASSERT_TRUE(m->AddSymbol(&sym_));
    EXPECT_TRUE(m->UsesSymbol(&sym_));
    EXPECT_EQ(m->ReadsSymbol(&sym_), c.reads);
    EXPECT_EQ(m->GetInfoText().toStdString(), c.info);
    m->RemoveSymbol(&sym_);
    EXPECT_FALSE(m->UsesSymbol(&sym_));
  }
}

// Clicked in Preview mode the controls react and write nothing; entering Run mode writes their
// current or default values, and working them writes the new ones.
TEST_F(ModuleBindings, ControlsWriteOnlyInRunMode) {
  RecordingSink sink;
  ToggleButtonModule toggle(nullptr);
  CheckBoxModule check(nullptr);
  SliderModule slider(nullptr);
  RadioButtonModule radio(nullptr);
  TimerModule timer(nullptr);
  std::vector<ToolModule*> all = {&toggle, &check, &slider, &radio, &timer};
  for (ToolModule* m : all) {
    m->resize(120, 60);
    m->show();
    if (m != &radio) {
      ASSERT_TRUE(m->AddSymbol(&sym_));
    }
  }
  auto settings = radio.GetSettings();
  for (RADIO_BUTTON_ENTRY& b : settings.As<RADIO_BUTTONS_SETTINGS>()->Buttons) {
    b.Symbol = SymbolIdPtr(LOGIC_NewSymbolIdFrom("rpm", 0x20000000));
    b.CheckedValue = b.Text == "Option 1" ? 11 : 22;
  }
  radio.SetSettings(settings);

  APP_SetAppMode(APP_MODE_PREVIEW);
  for (ToolModule* m : all) m->EnterPreviewMode();
  QTest::mouseClick(toggle.Button(), Qt::LeftButton);
  check.CheckBox()->click();
  slider.Slider()->setValue(SLIDER_MAX_POSITION);
  radio.Buttons()[1]->click();
  EXPECT_TRUE(toggle.Button()->isChecked());  // reacts on screen
  EXPECT_EQ(sink.Log(), "");

  APP_SetAppMode(APP_MODE_RUN);
  for (ToolModule* m : all) m->EnterRunMode();
  // Toggle: its default state; check box: its current (clicked) state; slider: its position;
  // radio buttons: the default button; timer: its periodic write.
  EXPECT_EQ(sink.Log(), "set rpm=0;set rpm=1;set rpm=1;set rpm=11;start rpm/1000;");
  EXPECT_FALSE(toggle.Button()->isChecked());  // back to its default state
  sink.FinishAll();
  sink.Clear();
  QTest::mouseClick(toggle.Button(), Qt::LeftButton);
  check.CheckBox()->click();
  radio.Buttons()[1]->click();
  EXPECT_EQ(sink.Log(), "set rpm=1;set rpm=0;set rpm=0;set rpm=22;");  // radio: 1st unchecked, 2nd checked

  sink.Clear();
  APP_SetAppMode(APP_MODE_EDIT);
  for (ToolModule* m : all) m->EnterEditMode();
  EXPECT_EQ(sink.Log(), "stop 1;");
  EXPECT_EQ(timer.RunningWrites(), 0);
}

// A new record shows its button texts whether the buttons are kept (same count) or rebuilt,
// and a click selects by the new order.
TEST_F(ModuleBindings, RadioButtonsFollowTheirRecord) {
  RadioButtonModule radio(nullptr);
  radio.resize(120, 90);
  radio.show();
  const std::vector<std::vector<std::string>> records = {{"Low", "High"}, {"A", "B", "C"}, {"x", "y", "z"}};
  for (const auto& texts : records) {
    auto settings = radio.GetSettings();
    auto& buttons = settings.As<RADIO_BUTTONS_SETTINGS>()->Buttons;
    buttons.resize(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) buttons[i].Text = texts[i];
    radio.SetSettings(settings);
    ASSERT_EQ(radio.Buttons().size(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(radio.Buttons()[i]->text().toStdString(), texts[i]);
    radio.Buttons().back()->click();
    EXPECT_TRUE(radio.Buttons().back()->isChecked());
    EXPECT_FALSE(radio.Buttons().front()->isChecked());
  }
}

}  // namespace
