// The tree against independent readers: gdb's addresses and sizes of every fixture leaf, the
// shared ELF corpus, and the output of vistro-cli symbols.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/symbols_tree/tree_fixture.h"

namespace {

// The C/C++ expression of a leaf path: "<Anonymous>" and "<Inherited>" levels are reached
// without naming them; statics are named with their function or class.
std::string GdbExpression(std::string e) {
  for (const char* hidden : {"<Anonymous>.", "<Inherited>."}) {
    for (size_t at; (at = e.find(hidden)) != std::string::npos;) e.erase(at, std::strlen(hidden));
  }
  if (e == "calls") return "get_counter::calls";
  if (e == "shared_count" || e == "instance") return "Derived::" + e;
  if (e.rfind("red.", 0) == 0 || e.rfind("green.", 0) == 0) return "Color::" + e;
  return e;
}

class SymbolTreeGdb : public testing::TestWithParam<const char*> {};

TEST_P(SymbolTreeGdb, LeafAddressesAndSizesAgreeWithGdb) {
  if (!HaveGdb()) GTEST_SKIP() << "gdb is not installed";
  std::string why;
  const std::string elf = FixtureElf(GetParam(), &why);
  ASSERT_FALSE(elf.empty()) << why;
  auto t = BuildTree(elf);
  std::vector<TREE_LEAF> leaves;
  std::vector<std::string> exprs;
  for (const TREE_LEAF& leaf : CollectLeaves(t->tree.pRoot)) {
    if (leaf.node->BitSize != 0) continue;
    leaves.push_back(leaf);
    exprs.push_back(GdbExpression(leaf.path));
  }
  ASSERT_GT(leaves.size(), 20u);
  const std::vector<GDB_ANSWER> answers = AskGdb(elf, exprs);
  ASSERT_EQ(answers.size(), leaves.size()) << "gdb did not answer";
  for (size_t i = 0; i < leaves.size(); ++i) {
    SCOPED_TRACE(leaves[i].path);
    ASSERT_TRUE(answers[i].ok) << answers[i].error;
    EXPECT_EQ(answers[i].address, leaves[i].node->Address);
    EXPECT_EQ(answers[i].size, leaves[i].node->Size);
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, SymbolTreeGdb,
                         testing::Values("c", "c_dwarf4", "cpp4", "cpp5", "cpp_clang", "thumb",
                                         "deep"),
                         [](const auto& info) { return std::string(info.param); });

// Every executable (e_type EXEC) of the corpus manifest builds a sound tree.
TEST(SymbolTreeCorpus, EveryExecutableBuildsItsTree) {
  const std::string corpus = std::string(VISTRO_SHARED_DIR) + "/corpus";
  std::ifstream manifest(corpus + "/MANIFEST.tsv");
  std::string line;
  int files = 0;
  for (std::getline(manifest, line); std::getline(manifest, line);) {
    const std::string file = line.substr(0, line.find('\t'));
    if (line.find("\tEXEC\t") == std::string::npos) continue;
    SCOPED_TRACE(file);
    ++files;
    auto t = BuildTree(corpus + "/files/" + file);
    ASSERT_GE(t->result, 0);
    EXPECT_FALSE(t->tree.truncated);
    uint64_t visited = 0;
    bool sound = true;
    SYMTREE_ForEach(t->tree.pRoot, [&](const ACTIVE_SYMBOL& node, uint32_t depth) {
      ++visited;
      if (depth == 0) {
        sound &= node.Name[0] == 0 && node.ValueType == TYPEID_UNSUPPORTED;
        return;
      }
      sound &= node.Leaf == (node.pFirstChild == nullptr ? 1 : 0);
      sound &= node.Leaf || node.ValueType == TYPEID_UNSUPPORTED;
      sound &= node.ValueType != TYPEID_BITFIELD && depth - 1 < SYMTREE_MAX_DEPTH;
      if (depth == 1) sound &= node.Address != 0 && node.pParent == nullptr;
    });
    EXPECT_TRUE(sound);
    EXPECT_EQ(visited, t->tree.node_count);
  }
  if (files == 0) GTEST_SKIP() << "no corpus at " << corpus;
}

const std::string kCli = std::string(VISTRO_BINARY_DIR) + "/bin/vistro-cli";

std::vector<std::string> RunLines(const std::string& cmd, int* status) {
  std::vector<std::string> lines;
  FILE* pipe = popen(cmd.c_str(), "r");
  char buffer[4096];
  for (std::string line; pipe != nullptr && fgets(buffer, sizeof buffer, pipe) != nullptr;) {
    line += buffer;
    if (line.back() != '\n') continue;
    line.pop_back();
    lines.push_back(std::move(line));
    line.clear();
  }
  *status = pipe != nullptr ? pclose(pipe) : -1;
  return lines;
}

std::string Hex8(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", v);
  return text;
}

TEST(CliSymbols, LeafLinesTreeLinesAndBadInput) {
  if (!std::filesystem::exists(kCli)) GTEST_SKIP() << "vistro-cli is not built";
  std::string why;
  const std::string elf = FixtureElf("cpp4", &why);
  ASSERT_FALSE(elf.empty()) << why;
  auto t = BuildTree(elf);
  std::vector<std::string> want;
  for (const TREE_LEAF& leaf : CollectLeaves(t->tree.pRoot)) {
    const ACTIVE_SYMBOL& n = *leaf.node;
    want.push_back(leaf.path + "\t" + Hex8(n.Address) + "\t" + std::to_string(n.Size) + "\t" +
                   std::to_string(n.ValueType) + "\t" + n.TypeName + "\t" + n.SourceFile);
  }
  int status = -1;
  EXPECT_EQ(RunLines(kCli + " symbols " + elf, &status), want);
  EXPECT_EQ(status, 0);
  want.clear();
  SYMTREE_ForEach(t->tree.pRoot, [&](const ACTIVE_SYMBOL& node, uint32_t depth) {
    want.push_back(std::string(depth * 2, ' ') + (depth == 0 ? node.SourceFile : node.Name) +
                   "\t" + node.TypeName + "\t" + std::to_string(node.Size) + "\t" +
                   Hex8(node.Address) + "\t" + std::to_string(node.ValueType));
  });
  EXPECT_EQ(RunLines(kCli + " symbols --tree " + elf, &status), want);
  EXPECT_EQ(status, 0);

  struct Case {
    const char* name;
    std::string args;
    int want;
  };
  const Case cases[] = {
      {"no file", "symbols", 2},
      {"unknown option", "symbols --bogus x.elf", 2},
      {"missing file", "symbols /nonexistent/file.elf", 1},
      {"not an ELF file", "symbols " SYMTREE_FIXTURE_DIR "/tree_c.c", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunLines(kCli + " " + c.args + " 2>/dev/null", &status);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.want);
  }
}

}  // namespace
