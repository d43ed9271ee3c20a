#include "project_fixture.h"

#include <vector>

#include "core/app_project_settings.h"

namespace {

MODULE_SETTINGS Module(uint32_t type, int32_t x, int32_t y, uint32_t layer) {
  MODULE_SETTINGS m = *MODULE_DefaultSettings(type);
  m.X = x;
  m.Y = y;
  m.Width = 40 + static_cast<int32_t>(type);
  m.Height = 24;
  m.Layer = layer;
  return m;
}

}  // namespace

void BuildFullProject(const std::string& elf, const std::string& picture) {
  PROJECT_SETTINGS settings;
  PROJECT_CONFIG& c = settings.Config;
  SYS_CopyText(c.TargetDevice, sizeof c.TargetDevice, "STM32F407VG");
  SYS_CopyText(c.ElfFile, sizeof c.ElfFile, elf.c_str());
  SYS_CopyText(c.ScriptFile, sizeof c.ScriptFile, "C:\\scripts\\init.jlinkscript");
  c.SerialNo = 3000000001u;
  c.TargetInterface = PROBE_TIF_JTAG;
  c.InterfaceSpeed = 12000;
  c.SamplingPeriod = 250;
  c.JTAG_IRPre = 4;
  c.JTAG_DRPre = -1;
  c.OpenOptions = 1;
  SYS_CopyText(settings.View.Wallpaper, sizeof settings.View.Wallpaper, picture.c_str());
  settings.View.WallpaperScaleType = 2;
  settings.View.ShowGraph = 0;
  settings.View.TimeResolutionUs = 20000;
  APP_InstallSettings(settings);

  ACTIVE_SYMBOL* speed = AddSymbol("speed_rpm", 0x20000004, TYPEID_FLOAT, "float", 4);
  speed->MinWrite = -2147483648.0;
  speed->MaxWrite = 0.1;
  speed->SampledMin = -1.0e-300;
  ACTIVE_SYMBOL* id = AddSymbol("dev_id", 0x80000000u, TYPEID_U32, "unsigned int", 4);
  id->UseQFormat = 1;
  id->QFormatSigned = 1;
  id->QFormatIntBits = 9;
  id->QFormatFracBits = 22;
  id->ValueType = TYPEID_FLOAT;
  id->CatchOverflow = 0;
  id->AcCoupling = 1;
  id->RecordOffset = 12;
  AddSymbol("g_small", 0x20000100, TYPEID_I8, "signed char", 1);
  AddSymbol("g_flag", 0x20000101, TYPEID_BOOL, "_Bool", 1);
  AddSymbol("g_big", 0x20000108, TYPEID_U64, "unsigned long long", 8);
  AddSymbol("g_ratio", 0x20000110, TYPEID_DOUBLE, "double", 8);
  ACTIVE_SYMBOL* v = AddSymbol("v_counter", 0, TYPEID_I32, "int", 4);
  v->Virtual = 1;
  v->Read = 0;

  std::vector<MODULE_SETTINGS> modules;
  for (uint32_t t = 0; t < MODULE_TYPE_COUNT; ++t) modules.push_back(Module(t, t * 10, t * 3, t % 16));
  auto* push = modules[0].As<PUSH_BUTTON_SETTINGS>();
  push->Text = "Start <motor> & \"go\"";
  push->HoldRepeat = 1;
  push->Alignment = 0x41;  // bottom left
  push->Press.push_back(Write("g_small", 0x20000100, "g_small + 5", true));
  push->Press.push_back(Write("dev_id", 0x80000000u, "4294967295", false));
  push->Release.push_back(Write("g_ratio", 0x20000110, "g_ratio * 1.5f", true));
  auto* slider = modules[1].As<SLIDER_SETTINGS>();
  slider->Symbol = Id("speed_rpm", 0x20000004);
  slider->MinValue = -2147483648.0;
  slider->MaxValue = 3000.25;
  slider->Formula.reset(Formula("g_flag == true && g_small < 3"));
  modules[3].As<DIGITAL_DISPLAY_SETTINGS>()->Calculation.reset(Calc("dev_id >> 4"));
  modules[4].As<CHECK_BOX_SETTINGS>()->Symbol = Id("g_flag", 0x20000101);
  auto* radio = modules[5].As<RADIO_BUTTONS_SETTINGS>();
  radio->Buttons[0].Symbol = Id("g_small", 0x20000100);
  radio->Buttons[1].CheckedValue = -7.25;
  auto* grapher = modules[6].As<GRAPHER_SETTINGS>();
  for (uint32_t i = 0; i < 2; ++i) {
    GRAPHER_CHANNEL ch = MODULE_NewGrapherChannel(i);
    ch.Symbol = Id(i == 0 ? "speed_rpm" : "g_ratio", i == 0 ? 0x20000004 : 0x20000110);
    ch.YOffset = -1.75;
    ch.DrawStyle = i;
    grapher->Channels.push_back(std::move(ch));
  }
  auto* linear = modules[7].As<LINEAR_GAUGE_SETTINGS>();
  linear->Indicators.Borders[0] = 0.29;
  linear->Calculation.reset(Calc("speed_rpm / 2.5f"));
  modules[8].As<ANGULAR_GAUGE_SETTINGS>()->Angle = 180;
  modules[9].As<LED_SETTINGS>()->Formula.reset(Formula("!(g_ratio > 0.5) || g_small != 0"));
  modules[10].As<IMAGE_SETTINGS>()->Image = picture;
  modules[11].As<TIMER_SETTINGS>()->Writes.push_back(
      Write("v_counter", 0, "v_counter + 1", true));
  modules[12].As<FRAME_BUFFER_SETTINGS>()->Address = 0xC0000000u;
  modules[13].As<TOGGLE_BUTTON_SETTINGS>()->Symbol = Id("g_flag", 0x20000101);
  PROJECT_AdoptModules(std::move(modules));

  SCRIPT_RECORD* first = SCRIPT_NewRecord();
  first->pFormula = Formula("g_small > 3");
  for (uint32_t i = 0; i < 3; ++i) {
    SCRIPT_WRITE* w = SCRIPT_NewWrite();
    w->pSymbol = LOGIC_NewSymbolIdFrom("dev_id", 0x80000000u);
    w->pCalculation = Calc("2147483648 + 1");
    first->pWrites[first->WriteCount] = w;
    first->WriteEnabled[first->WriteCount++] = i != 1;
  }
  SCRIPT_RECORD* second = SCRIPT_NewRecord();
  second->Enabled = 0;
  second->pFormula = Formula("g_flag == false");
  first->pNext = second;
  PROJECT_AdoptScripts(first);

  GAMEPAD_MAPPING pads[GAMEPAD_SLOTS];
  pads[0].Configured = 1;
  GAMEPAD_INPUT& a = pads[0].Inputs[10];
  a.PressOperation = GAMEPAD_OP_ADD;
  a.PressValue = 2.5;
  a.HoldRepeat = 1;
  a.IntervalMs = 200;
  a.ReleaseOperation = GAMEPAD_OP_SET;
  a.ReleaseValue = -3;
  a.pPressSymbol = LOGIC_NewSymbolIdFrom("speed_rpm", 0x20000004);
  a.pReleaseSymbol = LOGIC_NewSymbolIdFrom("g_small", 0x20000100);
  pads[0].Inputs[16].OnlyOnChange = 1;
  pads[0].Inputs[16].pPressSymbol = LOGIC_NewSymbolIdFrom("g_ratio", 0x20000110);
  pads[2].Configured = 1;
  PROJECT_AdoptPads(pads);
}
