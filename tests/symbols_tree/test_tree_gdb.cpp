// Every leaf that is not a bitfield has the address and size gdb gives for the same member
// or element expression.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/symbols_tree/tree_fixture.h"

namespace {

// The C/C++ expression of a leaf path: "<Anonymous>" and "<Inherited>" levels are reached
// without naming them; the function-local static is named with its function.
std::string GdbExpression(const std::string& path) {
  std::string e = path;
  for (const char* hidden : {"<Anonymous>.", "<Inherited>."}) {
    for (size_t at; (at = e.find(hidden)) != std::string::npos;) e.erase(at, std::strlen(hidden));
  }
  if (e == "calls") e = "get_counter::calls";
  // Static data members defined at file scope are named with their class.
  for (const char* member : {"shared_count", "instance"}) {
    if (e == member) e = std::string("Derived::") + member;
  }
  for (const char* member : {"red.", "green."}) {
    if (e.rfind(member, 0) == 0) e = "Color::" + e;
  }
  return e;
}

class SymbolTreeGdb : public testing::TestWithParam<const char*> {};

TEST_P(SymbolTreeGdb, LeafAddressesAndSizesAgreeWithGdb) {
  if (!HaveGdb()) GTEST_SKIP() << "gdb is not installed";
  std::string why;
  const std::string elf = FixtureElf(GetParam(), &why);
  if (elf.empty()) GTEST_SKIP() << why;
  auto t = BuildTree(elf);
  ASSERT_GT(t->result, 0);
  std::vector<TREE_LEAF> leaves;
  for (const TREE_LEAF& leaf : CollectLeaves(t->tree.pRoot)) {
    if (leaf.node->BitSize == 0) leaves.push_back(leaf);
  }
  ASSERT_GT(leaves.size(), 20u);
  std::vector<std::string> exprs;
  for (const TREE_LEAF& leaf : leaves) exprs.push_back(GdbExpression(leaf.path));
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
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace
