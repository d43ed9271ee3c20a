#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "persist/project/project_file.h"
#include "persist/project/project_files.h"
#include "project_fixture.h"

namespace {

class ProjectFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearProject();
    elf_ = (dir_.path / "build" / "app.elf").string();
    picture_ = (dir_.path / "art" / "panel.png").string();
    WriteText(elf_, "ELF image bytes");
    WriteText(picture_, "PNG bytes");
  }
  void TearDown() override { ClearProject(); }

  // Saves under `name` (the project folder rule applies) and returns the written path.
  std::string Save(const std::string& name) {
    EXPECT_EQ(PROJECT_SaveTo((dir_.path / name).c_str()), 0);
    char path[PROJECT_PATH_SIZE];
    APP_GetProjectPath(path, sizeof path);
    return path;
  }

  ScratchDir dir_;
  MessageLog log_;
  std::string elf_;
  std::string picture_;
};

TEST_F(ProjectFile, SaveLoadSaveIsByteIdenticalAndGathersFiles) {
  BuildFullProject(elf_, picture_);
  const std::string first_path = Save("motor.vistro");
  EXPECT_EQ(first_path, (dir_.path / "motor" / "motor.vistro").string());
  const std::string first = ReadText(first_path);
  EXPECT_EQ(ReadText(dir_.path / "motor" / "app.elf"), "ELF image bytes");
  EXPECT_EQ(ReadText(dir_.path / "motor" / "panel.png"), "PNG bytes");

  // Values that a six-digit or 32-bit integer format would change.
  for (const char* text : {"Minimum=\"-2147483648\"", "Maximum=\"0.1\"", "YMinSampled=\"-1e-300\"",
                           "vU32=\"4294967295\"", "vU32=\"2147483648\"", "vFloat=\"2.5\"",
                           "Address=\"-2147483648\"", "Address=\"0x80000000\"",
                           "MaxValue=\"18446744073709551616\"", "SerialNo=\"-1294967295\"",
                           "Border=\"29\"", "YOffset=\"-1.75\"", "PressOperationValue=\"2.5\"",
                           "Name=\".\\app.elf\"", "Image=\".\\panel.png\"", "SavedOnWindows=\"1\"",
                           "QFromatIntBits=\"9\"", "TimeResolutionUs=\"20000\"", "Alignment=\"65\"", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"}) {
    EXPECT_NE(first.find(text), std::string::npos) << text;
  }

  ClearProject();
  ASSERT_NE(PROJECT_Load(first_path.c_str()), 0) << log_.text;
  EXPECT_EQ(PROJECT_GetModuleCount(), MODULE_TYPE_COUNT);
  // Saving the loaded project again, in place, gives the same bytes; the ELF file that is
  // already in the project folder is not copied onto itself (which would empty it).
  EXPECT_EQ(PROJECT_SaveTo(first_path.c_str()), 0);
  EXPECT_EQ(ReadText(first_path), first);
  EXPECT_EQ(ReadText(dir_.path / "motor" / "app.elf"), "ELF image bytes");
  EXPECT_EQ(log_.text, "");

  EXPECT_EQ(PROJECT_GetModules()[0].As<PUSH_BUTTON_SETTINGS>()->Alignment, 0x41u);

  // Symbol options read back as set.
  const ACTIVE_SYMBOL* id = MAIN_pActiveSymbols->pNext->pSymbol;
  EXPECT_EQ(id->Address, 0x80000000u);
  EXPECT_EQ(id->ValueType, static_cast<uint32_t>(TYPEID_FLOAT));
  EXPECT_EQ(id->RawType, static_cast<uint32_t>(TYPEID_U32));
  EXPECT_EQ(id->QFormatFracBits, 22);
  EXPECT_EQ(id->CatchOverflow, 0);
}

TEST_F(ProjectFile, WriteListsKeepSixteenAndTooDeepTreesAreNeverSaved) {
  BuildFullProject(elf_, picture_);
  std::vector<MODULE_SETTINGS> modules = PROJECT_GetModules();
  auto* push = modules[0].As<PUSH_BUTTON_SETTINGS>();
  while (push->Press.size() < 17) push->Press.push_back(Write("g_small", 0x20000100, "1", true));
  PROJECT_AdoptModules(std::vector<MODULE_SETTINGS>(modules));
  const std::string path = Save("lists.vistro");
  ClearProject();
  ASSERT_NE(PROJECT_Load(path.c_str()), 0);
  EXPECT_EQ(PROJECT_GetModules()[0].As<PUSH_BUTTON_SETTINGS>()->Press.size(), 16u);

  // A calculation nested deeper than the reader accepts: the save fails, the file stays.
  const std::string before = ReadText(path);
  CALCULATION_NODE* deep = Calc("g_small");
  for (int i = 0; i < 100; ++i) {
    CALCULATION_NODE* up = LOGIC_NewCalculationNode(CALC_INVERT);
    up->pLeftCalc = deep;
    deep = up;
  }
  modules = PROJECT_GetModules();
  modules[3].As<DIGITAL_DISPLAY_SETTINGS>()->Calculation.reset(deep);
  PROJECT_AdoptModules(std::move(modules));
  EXPECT_EQ(PROJECT_SaveTo(path.c_str()), -1);
  EXPECT_NE(log_.text.find("nested too deeply"), std::string::npos);
  EXPECT_EQ(ReadText(path), before);
}

TEST_F(ProjectFile, FailedSaveKeepsTheOldFile) {
  BuildFullProject(elf_, picture_);
  const std::string path = Save("keep.vistro");
  const std::string before = ReadText(path);
  // The temporary file cannot be created: a folder is in its place.
  fs::create_directories(path + ".saving");
  PROJECT_SetScripts(nullptr);
  EXPECT_EQ(PROJECT_SaveTo(path.c_str()), -1);
  EXPECT_EQ(ReadText(path), before);
}

// A project file as other installations and older versions write it, with the other path
// separator and without TypeID.
constexpr const char* kForeign = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<VistroProject>
  <FileVersion major="1" minor="0"/>
  <Project>
    <Configuration>
      <Veltra><Options Connection="4" OpenOptions="0"/></Veltra>
      <OS SavedOnWindows="0"/>
      <ElfFile Name="./firmware/app.elf"/>
      <Wallpaper Name="C:\art\wall.png" ScaleType="1"/>
      <Scope><Options TimeResolutionUs="1000"/></Scope>
    </Configuration>
    <Windows><Graph Show="0"/></Windows>
    <SelectedSymbols>
      <Symbol><Options Name="counter" Address="536870912" IsVirtual="0" CatchOverflow="1"
        Type="short int" IsSigned="1" Size="0x2" MaxValue="32767" File="main.c"
        Minimum="-100" Maximum="100"/></Symbol>
    </SelectedSymbols>
    <InputDevices><Device NumBtns="14" NumAxes="6"/><Device/><Device/><Device/></InputDevices>
    <CreatedToolModules>
      <Module><Options X="1" Y="2" Width="24" Height="64" ModuleType="7" Layer="99"
        MinValue="0" MaxValue="100" IsHorizontal="0" ColorPenRGBA="-16777216"
        ColorBackgroundRGBA="0" Blur="0">
        <Colors><Color RGBA="1" Border="0"/><Color RGBA="2" Border="25"/><Color RGBA="3" Border="75"/></Colors>
        <Symbol><Options Name="COUNTER" Address="0x20000000"/></Symbol>
      </Options></Module>
      <Module/>
    </CreatedToolModules>
  </Project>
</VistroProject>
)";

TEST_F(ProjectFile, ForeignSeparatorsAndOlderFilesLoad) {
  const fs::path file = dir_.path / "foreign" / "foreign.vistro";
  WriteText(file, kForeign);
  ASSERT_NE(PROJECT_Load(file.c_str()), 0) << log_.text;
  PROJECT_CONFIG c;
  APP_GetConfiguration(c);
  EXPECT_EQ(std::string(c.ElfFile), (dir_.path / "foreign" / "app.elf").string());
  EXPECT_EQ(c.ExistingSession, 1);
  PROJECT_VIEW view;
  APP_GetViewSettings(view);
  EXPECT_EQ(std::string(view.Wallpaper), (dir_.path / "foreign" / "wall.png").string());
  EXPECT_EQ(view.ShowGraph, 0);
  EXPECT_EQ(view.ShowWatch, 1);
  EXPECT_EQ(view.TimeResolutionUs, 1000);
  const ACTIVE_SYMBOL* s = MAIN_pActiveSymbols->pSymbol;
  EXPECT_EQ(s->RawType, static_cast<uint32_t>(TYPEID_I16));
  EXPECT_EQ(s->Size, 2u);
  EXPECT_EQ(s->QFormatIntBits, 8);
  // The old gauge names its symbol: it gets a calculation over it; layer 99 loads as 0.
  const std::vector<MODULE_SETTINGS> modules = PROJECT_GetModules();
  ASSERT_EQ(modules.size(), 1u);
  EXPECT_EQ(modules[0].Layer, 0u);
  EXPECT_NE(modules[0].As<LINEAR_GAUGE_SETTINGS>()->Calculation.get(), nullptr);
  EXPECT_DOUBLE_EQ(modules[0].As<LINEAR_GAUGE_SETTINGS>()->Indicators.Borders[1], 0.75);
  // Pads of a file not saved on this kind of system are dropped with the warning.
  EXPECT_NE(log_.text.find("Input Devices were not configured"), std::string::npos);
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST_F(ProjectFile, BadFilesFailWithoutLeavingAnything) {
  BuildFullProject(elf_, picture_);
  const std::string good = ReadText(Save("good.vistro"));
  ClearProject();
  // Formulas nested deeper than a tree may be, yet within what the XML reader accepts.
  std::string deep = "<CreatedScripts><Script Enabled=\"1\">";
  for (int i = 0; i < 85; ++i) deep += "<Formula JunctionType=\"1\">";
  for (int i = 0; i < 85; ++i) deep += "</Formula>";
  deep += "<SymbolWriteCalculations/></Script>";
  const struct {
    const char* name;
    std::string text;
    bool loads;
    const char* message;
  } cases[] = {
      {"empty", "", false, ""},
      {"truncated", good.substr(0, good.size() / 2), false, ""},
      {"not xml", "VistroProject", false, ""},
      {"wrong root", Replace(good, "VistroProject>", "OtherProject>"), false, ""},
      {"newer minor", Replace(good, "minor=\"1\"", "minor=\"2\""), true, "newer file version"},
      {"newer major", Replace(good, "major=\"1\"", "major=\"2\""), true, "newer file version"},
      {"no device", Replace(good, "TargetDevice=\"STM32F407VG\"", ""), false, ""},
      {"lower-case interface", Replace(good, "\"JTAG\"", "\"jtag\""), false, ""},
      {"no windows", Replace(Replace(good, "<Windows>", "<Other>"), "</Windows>", "</Other>"), false, ""},
      {"unknown module", Replace(good, "ModuleType=\"13\"", "ModuleType=\"14\""), false, ""},
      {"missing attribute", Replace(good, "Blinking=\"0\"", ""), false, ""},
      {"symbol size", Replace(good, "Size=\"8\"", "Size=\"99999999\""), false, ""},
      {"script without condition",
       Replace(good, "<CreatedScripts>",
               "<CreatedScripts><Script Enabled=\"1\"><Formula JunctionType=\"0\"/>"
               "<SymbolWriteCalculations/></Script>"),
       false, ""},
      {"deep formula", Replace(good, "<CreatedScripts>", deep), false, ""},
      {"bad address", Replace(good, "Address=\"0x20000004\"", "Address=\"0x1FFFFFFFF\""), false, ""},
      {"huge frame buffer", Replace(good, "PxWidth=\"96\"", "PxWidth=\"2000000000\""), true, ""},
      {"escaping name", Replace(good, "Name=\".\\app.elf\"", "Name=\"..\\..\\..\\etc\\passwd\""), true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    log_.text.clear();
    const fs::path file = dir_.path / "bad" / "bad.vistro";
    WriteText(file, c.text);
    EXPECT_EQ(PROJECT_Load(file.c_str()) != 0, c.loads);
    EXPECT_NE(log_.text.find(c.message), std::string::npos) << log_.text;
    if (c.loads) {
      PROJECT_CONFIG config;
      APP_GetConfiguration(config);
      EXPECT_EQ(PROJECT_FolderOf(config.ElfFile), (dir_.path / "bad").string());
      for (const MODULE_SETTINGS& m : PROJECT_GetModules()) {
        if (auto* fb = m.As<FRAME_BUFFER_SETTINGS>()) {
          EXPECT_LE(fb->PxWidth, 4096u);
        }
      }
    } else {
      EXPECT_EQ(MAIN_pActiveSymbols, nullptr);
    }
    ClearProject();
  }
}

TEST_F(ProjectFile, TenThousandModulesLoad) {
  std::string text = kForeign;
  std::string many;
  for (int i = 0; i < 10000; ++i) {
    many += "<Module><Options X=\"" + std::to_string(i) +
            "\" Y=\"0\" Width=\"0\" Height=\"0\" ModuleType=\"10\" Layer=\"1\" Image=\"\" "
            "Alpha=\"255\" ScaleMode=\"1\"/></Module>";
  }
  text = Replace(text, "<Module/>", many);
  const fs::path file = dir_.path / "many" / "many.vistro";
  WriteText(file, text);
  ASSERT_NE(PROJECT_Load(file.c_str()), 0);
  EXPECT_EQ(PROJECT_GetModuleCount(), 10001u);
}

}  // namespace
