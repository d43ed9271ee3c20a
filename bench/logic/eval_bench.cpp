// Evaluation speed of calculation trees over active symbols. Evaluation must allocate
// nothing: every operator new in this program is counted, and each benchmark reports the
// allocations per evaluation (it must read 0) next to the time per evaluation.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "logic/logic_eval.h"
#include "logic/logic_parser.h"
#include "logic/logic_tree.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"

namespace {

std::atomic<uint64_t> g_news{0};

}  // namespace

// Replacing the global allocation functions pairs malloc with free on purpose; g++ cannot
// see that the replaced operator delete matches the replaced operator new.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t n) {
  g_news.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  g_news.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(n == 0 ? 1 : n);
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Eight symbols of mixed types, one catching overflow, each with a latest sample.
struct BenchSymbols {
  ACTIVE_SYMBOL records[8];
  VALUE_SLOT samples[8] = {};
  ACTIVE_SYMBOL_CELL cells[8];
  BenchSymbols() {
    const char* names[8] = {"a", "b", "c", "d", "e", "f", "g", "h"};
    const uint32_t types[8] = {TYPEID_U16, TYPEID_U16, TYPEID_I16, TYPEID_I16,
                               TYPEID_U8,  TYPEID_I32, TYPEID_U8,  TYPEID_U32};
    for (int i = 0; i < 8; ++i) {
      SYS_CopyText(records[i].Name, sizeof records[i].Name, names[i]);
      records[i].ValueType = types[i];
      records[i].Address = 0x20000000u + 4u * static_cast<uint32_t>(i);
      records[i].CatchOverflow = i == 0 ? 1 : 0;
      samples[i].u32 = 10u + 3u * static_cast<uint32_t>(i);
      records[i].pLatestSample = &samples[i];
      cells[i].pSymbol = &records[i];
      cells[i].pNext = i + 1 < 8 ? &cells[i + 1] : nullptr;
    }
    MAIN_pActiveSymbols = &cells[0];
  }
};

int CountNodes(const CALCULATION_NODE* c) {
  if (c == nullptr) return 0;
  return 1 + CountNodes(c->pLeftCalc) + CountNodes(c->pRightCalc);
}

CALCULATION_NODE* Parse(const char* text) {
  static BenchSymbols symbols;
  CALCULATION_NODE* c = nullptr;
  const LOGIC_TextResult r = LOGIC_ParseCalculationText(text, &c);
  if (r.flags != 0) {
    LOGIC_FreeCalculation(c);
    return nullptr;
  }
  return c;
}

void RunEval(benchmark::State& state, const char* text, int want_nodes) {
  CALCULATION_NODE* calc = Parse(text);
  if (calc == nullptr || CountNodes(calc) != want_nodes) {
    state.SkipWithError("the calculation did not parse into the expected tree");
    LOGIC_FreeCalculation(calc);
    return;
  }
  VALUE_SLOT v{};
  uint32_t type = 0;
  const uint64_t before = g_news.load();
  for (auto _ : state) {
    const uint32_t flags = LOGIC_EvalCalculation(calc, &v, &type);
    benchmark::DoNotOptimize(flags);
    benchmark::DoNotOptimize(v);
  }
  const uint64_t allocations = g_news.load() - before;
  state.counters["nodes"] = want_nodes;
  state.counters["allocs_per_eval"] =
      static_cast<double>(allocations) / static_cast<double>(state.iterations());
  if (allocations != 0) state.SkipWithError("evaluation allocated memory");
  LOGIC_FreeCalculation(calc);
}

// Baseline: one node over two symbols.
void BM_EvalOneNode(benchmark::State& state) { RunEval(state, "a + b", 1); }

// Contender: ten nodes over eight symbols of six types, mixing every operator family,
// promotions, a saturating node and a division by a constant.
void BM_EvalTenNodes(benchmark::State& state) {
  RunEval(state, "((a + b) * (c - d)) + ((e * 3) - (f / 2)) + (g & 7) - h", 10);
}

}  // namespace

BENCHMARK(BM_EvalOneNode);
BENCHMARK(BM_EvalTenNodes);
