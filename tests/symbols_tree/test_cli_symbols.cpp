// vistro-cli symbols and symbols --tree print the tree in the documented formats.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/symbols_tree/tree_fixture.h"

namespace {

const std::string kCli = std::string(VISTRO_BINARY_DIR) + "/bin/vistro-cli";

std::vector<std::string> RunLines(const std::string& cmd, int* status) {
  std::vector<std::string> lines;
  FILE* pipe = popen(cmd.c_str(), "r");
  if (pipe == nullptr) return lines;
  char buffer[4096];
  std::string line;
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
    line += buffer;
    if (!line.empty() && line.back() == '\n') {
      line.pop_back();
      lines.push_back(line);
      line.clear();
    }
  }
  *status = pclose(pipe);
  return lines;
}

std::string Hex8(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", v);
  return text;
}

TEST(CliSymbols, LeafLinesAndTreeLinesFollowTheTree) {
  if (!std::filesystem::exists(kCli)) GTEST_SKIP() << "vistro-cli is not built";
  std::string why;
  const std::string elf = FixtureElf("cpp4", &why);
  if (elf.empty()) GTEST_SKIP() << why;
  auto t = BuildTree(elf);

  int status = -1;
  const auto leaves = RunLines(kCli + " symbols " + elf, &status);
  EXPECT_EQ(status, 0);
  const auto want = CollectLeaves(t->tree.pRoot);
  ASSERT_EQ(leaves.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    const ACTIVE_SYMBOL& n = *want[i].node;
    const std::string expected = want[i].path + "\t" + Hex8(n.Address) + "\t" +
                                 std::to_string(n.Size) + "\t" + std::to_string(n.ValueType) +
                                 "\t" + n.TypeName + "\t" + n.SourceFile;
    EXPECT_EQ(leaves[i], expected);
  }
  const auto tree = RunLines(kCli + " symbols --tree " + elf, &status);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(tree.size(), t->tree.node_count);
  size_t row = 0;
  SYMTREE_ForEach(t->tree.pRoot, [&](const ACTIVE_SYMBOL& node, uint32_t depth) {
    const std::string name = depth == 0 ? node.SourceFile : node.Name;
    const std::string expected = std::string(depth * 2, ' ') + name + "\t" + node.TypeName +
                                 "\t" + std::to_string(node.Size) + "\t" + Hex8(node.Address) +
                                 "\t" + std::to_string(node.ValueType);
    EXPECT_EQ(tree[row++], expected);
  });
}

TEST(CliSymbols, BadInputExitsWithAStatus) {
  if (!std::filesystem::exists(kCli)) GTEST_SKIP() << "vistro-cli is not built";
  struct Case {
    const char* name;
    std::string args;
    int want;
  };
  const Case cases[] = {
      {"no file", "symbols", 2},
      {"unknown option", "symbols --bogus x.elf", 2},
      {"missing file", "symbols /nonexistent/file.elf", 1},
      {"not an ELF file", "symbols " + std::string(SYMTREE_FIXTURE_DIR) + "/tree_c.c", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int status = -1;
    RunLines(kCli + " " + c.args + " 2>/dev/null", &status);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.want);
  }
}

}  // namespace
