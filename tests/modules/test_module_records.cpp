// Settings records as plain values: every type's defaults, deep copies that never share a
// tree, release, and the type table's fixed texts.
#include <gtest/gtest.h>

#include <cstring>

#include "modules/records/module_settings.h"
#include "modules/records/module_types.h"

namespace {

SymbolIdPtr Sym(const char* name, uint32_t address) {
  return SymbolIdPtr(LOGIC_NewSymbolIdFrom(name, address));
}

WRITE_OPERATION Write(const char* name, uint32_t address) {
  WRITE_OPERATION op;
  op.Symbol = Sym(name, address);
  op.Calculation = CalculationPtr(LOGIC_NewUnitCalculation(TYPEID_U16));
  return op;
}

// A record of the type with every owned tree and list populated.
MODULE_SETTINGS Populated(uint32_t type) {
  MODULE_SETTINGS s = *MODULE_DefaultSettings(type);
  s.X = 4;
  s.Y = 6;
  s.Width = 50;
  s.Height = 70;
  s.Layer = 3;
  if (auto* p = s.As<PUSH_BUTTON_SETTINGS>()) {
    p->Press.push_back(Write("press", 0x20000000));
    p->Release.push_back(Write("release", 0x20000004));
  } else if (auto* p = s.As<SLIDER_SETTINGS>()) {
    p->Symbol = Sym("slider", 0x20000008);
  } else if (auto* p = s.As<CHECK_BOX_SETTINGS>()) {
    p->Symbol = Sym("check", 0x2000000C);
  } else if (auto* p = s.As<RADIO_BUTTONS_SETTINGS>()) {
    p->Buttons[1].Symbol = Sym("radio", 0x20000010);
  } else if (auto* p = s.As<GRAPHER_SETTINGS>()) {
    p->Channels.push_back(MODULE_NewGrapherChannel(0));
    p->Channels[0].Symbol = Sym("trace", 0x20000014);
  } else if (auto* p = s.As<TIMER_SETTINGS>()) {
    p->Writes.push_back(Write("tick", 0x20000018));
  } else if (auto* p = s.As<TOGGLE_BUTTON_SETTINGS>()) {
    p->Symbol = Sym("toggle", 0x2000001C);
  } else if (auto* p = s.As<IMAGE_SETTINGS>()) {
    p->Image = "./logo.png";
  }
  return s;
}

// Changes one owned member so that the record no longer equals its source.
void Disturb(MODULE_SETTINGS& s) {
  std::visit(
      [](auto& part) {
        using T = std::decay_t<decltype(part)>;
        if constexpr (std::is_same_v<T, PUSH_BUTTON_SETTINGS>) {
          part.Press[0].Symbol->Address += 4;
        } else if constexpr (std::is_same_v<T, SLIDER_SETTINGS> ||
                             std::is_same_v<T, CHECK_BOX_SETTINGS> ||
                             std::is_same_v<T, TOGGLE_BUTTON_SETTINGS>) {
          part.Symbol->Name[0] = 'X';
        } else if constexpr (std::is_same_v<T, RADIO_BUTTONS_SETTINGS>) {
          part.Buttons[1].Symbol->Address = 1;
        } else if constexpr (std::is_same_v<T, GRAPHER_SETTINGS>) {
          part.Channels[0].Symbol->Address = 1;
        } else if constexpr (std::is_same_v<T, TIMER_SETTINGS>) {
          part.Writes[0].Calculation.reset(LOGIC_NewConstantCalculation(TYPEID_U16));
        } else if constexpr (std::is_same_v<T, DIGITAL_DISPLAY_SETTINGS> ||
                             std::is_same_v<T, LINEAR_GAUGE_SETTINGS> ||
                             std::is_same_v<T, ANGULAR_GAUGE_SETTINGS>) {
          part.Calculation.reset(LOGIC_NewUnitCalculation(TYPEID_U8));
        } else if constexpr (std::is_same_v<T, LED_SETTINGS>) {
          part.Formula.reset();
        } else if constexpr (std::is_same_v<T, LABEL_SETTINGS>) {
          part.Text += "!";
        } else if constexpr (std::is_same_v<T, IMAGE_SETTINGS>) {
          part.Image.clear();
        } else if constexpr (std::is_same_v<T, FRAME_BUFFER_SETTINGS>) {
          part.Encoding = 5;
        }
      },
      s.Part);
}

TEST(ModuleRecords, EveryTypeClonesDeeplyComparesAndReleases) {
  for (uint32_t type = 0; type < MODULE_TYPE_COUNT; ++type) {
    SCOPED_TRACE(MODULE_DisplayName(type));
    MODULE_SETTINGS original = Populated(type);
    ASSERT_EQ(original.Type(), type);

    MODULE_SETTINGS copy = MODULE_CloneSettings(original);
    EXPECT_TRUE(MODULE_SettingsEqual(copy, original));
    Disturb(copy);
    EXPECT_FALSE(MODULE_SettingsEqual(copy, original)) << "the copy shares a tree";

    // The copy outlives the original and an assignment over it (sanitizers see any sharing).
    MODULE_SETTINGS survivor = original;
    { MODULE_SETTINGS doomed = std::move(original); }
    const MODULE_SETTINGS& alias = survivor;
    survivor = alias;  // self-assignment keeps the trees
    MODULE_SETTINGS again = Populated(type);
    EXPECT_EQ(survivor, again);

    MODULE_SETTINGS header_moved = again;
    header_moved.Layer = 4;
    EXPECT_NE(header_moved, again);

    MODULE_ReleaseSettings(again);
    EXPECT_EQ(again.Type(), type);
    EXPECT_EQ(again.X, 4);
    EXPECT_EQ(again.Layer, 3u);
  }
}

TEST(ModuleRecords, DefaultsOfTypesWithTrees) {
  const CalculationPtr u8_zero(LOGIC_NewConstantCalculation(TYPEID_U8));
  const FormulaPtr always_false(LOGIC_NewDefaultFormula());
  EXPECT_EQ(MODULE_DefaultSettings(8)->As<ANGULAR_GAUGE_SETTINGS>()->Calculation, u8_zero);
  EXPECT_EQ(MODULE_DefaultSettings(7)->As<LINEAR_GAUGE_SETTINGS>()->Calculation, u8_zero);
  EXPECT_EQ(MODULE_DefaultSettings(3)->As<DIGITAL_DISPLAY_SETTINGS>()->Calculation, u8_zero);
  EXPECT_EQ(MODULE_DefaultSettings(9)->As<LED_SETTINGS>()->Formula, always_false);
  EXPECT_EQ(MODULE_DefaultSettings(1)->As<SLIDER_SETTINGS>()->Formula, always_false);
  EXPECT_EQ(MODULE_DefaultSettings(8)->As<ANGULAR_GAUGE_SETTINGS>()->ColorBackgroundRGBA,
            MODULE_Rgba(228, 228, 228, 16));
  EXPECT_FALSE(MODULE_DefaultSettings(MODULE_TYPE_COUNT).has_value());
  EXPECT_EQ(MODULE_DefaultSettings(0)->X, -1);
}

TEST(ModuleRecords, TypeTable) {
  struct Row {
    uint32_t type;
    const char* title;
    int w, h;
    const char* payload;
  };
  const Row rows[] = {
      {0, "Push Button Settings", 40, 24, "ModuleCreation: PushButton"},
      {3, "Digtial Display Settings", 64, 24, "ModuleCreation: DigitalDisplay"},
      {6, "Grapher Settings", 136, 80, "ModuleCreation: Grapher"},
      {12, "Framebuffer Settings", 96, 72, "ModuleCreation: FrameBuffer"},
      {13, "Module Settings", 64, 24, "ModuleCreation: ToggleButton"},
  };
  for (const Row& row : rows) {
    const MODULE_TYPE_INFO* info = MODULE_GetTypeInfo(row.type);
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(MODULE_DialogTitle(row.type), row.title);
    EXPECT_EQ(info->DefaultWidth, row.w);
    EXPECT_EQ(info->DefaultHeight, row.h);
    EXPECT_EQ(MODULE_DragPayload(row.type), row.payload);
    EXPECT_EQ(MODULE_TypeFromDragPayload(row.payload), static_cast<int32_t>(row.type));
  }
  EXPECT_STREQ(MODULE_DialogTitle(99), "Module Settings");
  EXPECT_EQ(MODULE_GetTypeInfo(14), nullptr);
  EXPECT_EQ(MODULE_TypeFromDragPayload("ModuleCreation: Gauge"), -1);
}

}  // namespace
