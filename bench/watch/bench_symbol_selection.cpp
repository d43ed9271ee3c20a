// The symbol selection dialog on a firmware with 100,000 leaves (100 source files of 100
// structures with 10 U32 members each): the time to fill the dialog and to apply a filter
// that matches a few symbols, then one that matches none. Goals: fill <= 1 s, filter <= 100 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <cstdio>

#include "gui/symbol_selection.h"
#include "symbols/symbol_tree.h"

namespace {

ACTIVE_SYMBOL* BuildTree() {
  ACTIVE_SYMBOL* root = nullptr;
  ACTIVE_SYMBOL* last_file = nullptr;
  uint32_t address = 0x20000000;
  for (int f = 0; f < 100; ++f) {
    auto* file = new ACTIVE_SYMBOL;
    std::snprintf(file->SourceFile, sizeof file->SourceFile, "src/module_%03d.c", f);
    if (root == nullptr) root = file; else SYMTREE_AppendSibling(*last_file, file);
    last_file = file;
    ACTIVE_SYMBOL* last_var = nullptr;
    for (int v = 0; v < 100; ++v) {
      auto* var = new ACTIVE_SYMBOL;
      std::snprintf(var->Name, sizeof var->Name, "g_state_%03d_%03d", f, v);
      std::snprintf(var->TypeName, sizeof var->TypeName, "struct State");
      var->Address = address;
      var->Size = 40;
      last_var = SYMTREE_AppendChild(*file, last_var, var);
      ACTIVE_SYMBOL* last_member = nullptr;
      for (int m = 0; m < 10; ++m) {
        auto* member = new ACTIVE_SYMBOL;
        std::snprintf(member->Name, sizeof member->Name, "field_%d", m);
        std::snprintf(member->TypeName, sizeof member->TypeName, "uint32_t");
        member->ValueType = member->RawType = TYPEID_U32;
        member->Address = address;
        member->Size = 4;
        member->Leaf = 1;
        address += 4;
        last_member = SYMTREE_AppendChild(*var, last_member, member);
      }
    }
  }
  return root;
}

QApplication& App() {
  static int argc = 1;
  static char name[] = "bench";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

ACTIVE_SYMBOL* Tree() {
  static ACTIVE_SYMBOL* tree = BuildTree();
  return tree;
}

void BM_FillSelection(benchmark::State& state) {
  App();
  for (auto _ : state) {
    SymbolSelection dialog(Tree(), {});
    benchmark::DoNotOptimize(&dialog);
  }
}
BENCHMARK(BM_FillSelection)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FilterSelection(benchmark::State& state) {
  App();
  SymbolSelection dialog(Tree(), {});
  const char* const texts[] = {"g_state_042_01", "no_such_symbol", ""};
  const char* text = texts[state.range(0)];
  for (auto _ : state) {
    dialog.FilterEdit()->setText(QString::fromLatin1(text));
    state.PauseTiming();
    dialog.FilterEdit()->setText(QStringLiteral("x"));  // back to a different filter
    state.ResumeTiming();
  }
  state.SetLabel(text[0] == 0 ? "(cleared)" : text);
}
BENCHMARK(BM_FilterSelection)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
