// Building and freeing the symbol tree. Each case runs twice: element by element from the
// debug information queries (baseline) and with array elements copied from the first one
// (the default). Counters: nodes of the tree and the bytes of their records.
//
//   bench_symbols_tree --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "symbols/elf_reader.h"
#include "symbols/symbol_tree.h"

namespace {

// The frame buffer fixture, compiled once into a temporary folder (empty without gcc).
const std::string& FrameBufferElf() {
  static const std::string path = [] {
    const std::string out =
        (std::filesystem::temp_directory_path() / "vistro_bench_symtree_fb.elf").string();
    const std::string cmd = "gcc -no-pie -g -O0 -o " + out + " " SYMTREE_FIXTURE_DIR "/fb.c";
    return std::system(cmd.c_str()) == 0 ? out : std::string();
  }();
  return path;
}

std::string CorpusFile(const char* name) {
  return std::string(VISTRO_SHARED_DIR) + "/corpus/files/" + name;
}

void BuildTree(benchmark::State& state, const std::string& path, bool copy_elements) {
  if (path.empty() || !std::filesystem::exists(path)) {
    state.SkipWithError("input file missing");
    return;
  }
  ELF_FILE* elf = ELF_Open(path.c_str(), true);
  if (elf == nullptr) {
    state.SkipWithError("cannot open the ELF file");
    return;
  }
  SYMTREE_OPTIONS options;
  options.copy_elements = copy_elements;
  uint64_t nodes = 0;
  for (auto _ : state) {
    SYMTREE_TREE tree;
    benchmark::DoNotOptimize(SYMTREE_Build(elf, options, nullptr, tree));
    nodes = tree.node_count;
    SYMTREE_Free(tree.pRoot);
  }
  ELF_Close(elf);
  state.counters["nodes"] = double(nodes);
  state.counters["record_MB"] = double(nodes * sizeof(ACTIVE_SYMBOL)) / (1024.0 * 1024.0);
}

void BM_FrameBuffer_QueryEach(benchmark::State& s) { BuildTree(s, FrameBufferElf(), false); }
void BM_FrameBuffer_CopyElements(benchmark::State& s) { BuildTree(s, FrameBufferElf(), true); }
void BM_Jemalloc_QueryEach(benchmark::State& s) {
  BuildTree(s, CorpusFile("x86_64_fbsd_clang19_jemalloc_static.elf"), false);
}
void BM_Jemalloc_CopyElements(benchmark::State& s) {
  BuildTree(s, CorpusFile("x86_64_fbsd_clang19_jemalloc_static.elf"), true);
}
void BM_XtensaRust_CopyElements(benchmark::State& s) {
  BuildTree(s, CorpusFile("xtensa_rust_esp32s3.elf"), true);
}

BENCHMARK(BM_FrameBuffer_QueryEach)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FrameBuffer_CopyElements)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Jemalloc_QueryEach)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Jemalloc_CopyElements)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_XtensaRust_CopyElements)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
