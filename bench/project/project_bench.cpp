// Loading and saving a project of 1,000 symbols and 1,000 modules (a mix of every module
// type, each bound to symbols through calculations, formulas and write lists). Goal: each
// under 100 ms.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_active_list.h"
#include "core/app_project.h"
#include "logic/logic_tree.h"
#include "modules/records/module_settings.h"
#include "persist/project/project_content.h"
#include "persist/project/project_file.h"
#include "persist/project/project_modules.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"

namespace {

constexpr int kSymbols = 1000;
constexpr int kModules = 1000;

void Quiet(SYS_MsgBoxRequest& r) { r.cancelled = 1; }

std::string Folder() {
  // Never destroyed, so that the clean-up at exit can still name it.
  static const std::string& folder = *[] {
    char tmpl[] = "/tmp/vistro-bench-project-XXXXXX";
    const char* made = mkdtemp(tmpl);
    if (made == nullptr) return new std::string("/tmp");
    std::atexit([] { std::filesystem::remove_all(Folder()); });
    return new std::string(made);
  }();
  return folder;
}

CALCULATION_NODE* SymbolTimesTwo(const ACTIVE_SYMBOL* s) {
  CALCULATION_NODE* c = LOGIC_NewCalculationNode(CALC_MUL);
  c->pLeftCalc = LOGIC_NewSymbolCalculation(s);
  VALUE_SLOT two{};
  two.i32 = 2;
  c->pRightValue = LOGIC_NewConstantValue(TYPEID_I32, two, 0);
  return c;
}

// Builds the project in the store and saves it once; returns the file.
std::string Build() {
  SYS_SetMsgBoxHandler(Quiet);
  APP_ClearProjectStore();
  PROJECT_ClearContent();
  std::vector<ACTIVE_SYMBOL*> symbols;
  for (int i = 0; i < kSymbols; ++i) {
    ACTIVE_SYMBOL* s = ACTSYM_New("Symbol Node", false);
    std::snprintf(s->Name, sizeof s->Name, "g_signal_%d", i);
    SYS_CopyText(s->TypeName, sizeof s->TypeName, "int");
    SYS_CopyText(s->SourceFile, sizeof s->SourceFile, "signals.c");
    ACTSYM_ApplyTypeDefaults(*s, TYPEID_I32);
    s->Address = 0x20000000u + 4u * static_cast<uint32_t>(i);
    s->Size = 4;
    s->MinWrite = -1000.5;
    APP_AdoptSymbol(s);
    APP_AddActiveSymbol(s);
    symbols.push_back(s);
  }
  std::vector<MODULE_SETTINGS> modules;
  for (int i = 0; i < kModules; ++i) {
    const uint32_t type = static_cast<uint32_t>(i) % MODULE_TYPE_COUNT;
    MODULE_SETTINGS m = *MODULE_DefaultSettings(type);
    m.X = i % 100;
    m.Y = i / 100;
    const ACTIVE_SYMBOL* s = symbols[static_cast<size_t>(i) % symbols.size()];
    if (auto* p = m.As<DIGITAL_DISPLAY_SETTINGS>()) p->Calculation.reset(SymbolTimesTwo(s));
    if (auto* p = m.As<ANGULAR_GAUGE_SETTINGS>()) p->Calculation.reset(SymbolTimesTwo(s));
    if (auto* p = m.As<TIMER_SETTINGS>()) {
      WRITE_OPERATION w;
      w.Symbol.reset(LOGIC_NewSymbolId(*s));
      w.Calculation.reset(SymbolTimesTwo(s));
      p->Writes.push_back(std::move(w));
    }
    modules.push_back(std::move(m));
  }
  PROJECT_AdoptModules(std::move(modules));
  const std::string path = Folder() + "/big/big.vistro";
  PROJECT_SaveTo(path.c_str());
  return path;
}

void BM_LoadProject(benchmark::State& state) {
  const std::string path = Build();
  for (auto _ : state) {
    APP_ClearProjectStore();
    PROJECT_ClearContent();
    if (PROJECT_Load(path.c_str()) == 0) state.SkipWithError("load failed");
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}
BENCHMARK(BM_LoadProject)->Unit(benchmark::kMillisecond);

void BM_SaveProject(benchmark::State& state) {
  const std::string path = Build();
  for (auto _ : state) {
    if (PROJECT_SaveTo(path.c_str()) != 0) state.SkipWithError("save failed");
  }
}
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond);

}  // namespace
