// The board's costs with 1,000 modules across the 16 layers (100 on layer 0, 60 on each other
// layer). Goal: at most one frame (16 ms) per 100 modules for each operation.
#include <benchmark/benchmark.h>

#include <memory>

#include <QApplication>

#include "core/app_mode.h"
#include "modules/records/module_settings.h"
#include "modules/tool_module.h"
#include "modules/tool_module_board.h"

namespace {

constexpr int kModules = 1000;
constexpr int kOnLayerZero = 100;

QApplication& App() {
  static int argc = 1;
  static char arg0[] = "bench_module_board";
  static char* argv[] = {arg0, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

MODULE_SETTINGS RecordFor(int i) {
  MODULE_SETTINGS s = *MODULE_DefaultSettings(static_cast<uint32_t>(i) % MODULE_TYPE_COUNT);
  s.Layer = i < kOnLayerZero ? 0 : 1 + static_cast<uint32_t>(i - kOnLayerZero) % 15;
  s.X = (i % 40) * 144;
  s.Y = (i / 40) * 96;
  return s;
}

std::vector<MODULE_SETTINGS> Records() {
  std::vector<MODULE_SETTINGS> records;
  for (int i = 0; i < kModules; ++i) records.push_back(RecordFor(i));
  return records;
}

std::unique_ptr<ToolModuleBoard> FullBoard() {
  App();
  APP_SetAppMode(APP_MODE_EDIT);
  auto board = std::make_unique<ToolModuleBoard>();
  board->resize(1600, 900);
  board->show();
  board->LoadModules(Records());
  return board;
}

// Loading a project's modules: built from their records and placed.
void BM_PlaceAll(benchmark::State& state) {
  App();
  APP_SetAppMode(APP_MODE_EDIT);
  const std::vector<MODULE_SETTINGS> records = Records();
  for (auto _ : state) {
    state.PauseTiming();
    auto board = std::make_unique<ToolModuleBoard>();
    board->resize(1600, 900);
    board->show();
    state.ResumeTiming();
    board->LoadModules(records);
    state.PauseTiming();
    board.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_PlaceAll)->Unit(benchmark::kMillisecond);

void BM_ZoomStep(benchmark::State& state) {
  auto board = FullBoard();
  bool in = true;
  for (auto _ : state) {
    benchmark::DoNotOptimize(in ? board->ZoomIn() : board->ZoomOut());
    in = !in;
  }
}
BENCHMARK(BM_ZoomStep)->Unit(benchmark::kMillisecond);

void BM_GroupMove100(benchmark::State& state) {
  auto board = FullBoard();
  board->SetCurrentLayer(0);
  board->_SlotOnGroupAll();
  if (board->Group().size() != kOnLayerZero) state.SkipWithError("group is not 100 modules");
  int direction = 1;  // down, then up
  for (auto _ : state) {
    board->_SlotOnMoveGroup(direction);
    direction = 1 - direction;
  }
}
BENCHMARK(BM_GroupMove100)->Unit(benchmark::kMillisecond);

void BM_UpdateModulesRun(benchmark::State& state) {
  auto board = FullBoard();
  board->EnterRunMode();
  for (auto _ : state) board->UpdateModules();
  board->EnterEditMode();
}
BENCHMARK(BM_UpdateModulesRun)->Unit(benchmark::kMicrosecond);

}  // namespace
