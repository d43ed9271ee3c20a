// The tree of every executable of the shared ELF corpus builds, stays within its limits and
// names the variables gdb lists at their addresses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/symbols_tree/tree_fixture.h"

namespace {

const std::string kCorpus = std::string(VISTRO_SHARED_DIR) + "/corpus";

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, '\t')) fields.push_back(field);
  return fields;
}

// Executables of the manifest (e_type EXEC).
std::vector<std::string> CorpusExecutables() {
  std::vector<std::string> files;
  std::ifstream manifest(kCorpus + "/MANIFEST.tsv");
  std::string line;
  std::getline(manifest, line);
  while (std::getline(manifest, line)) {
    auto f = SplitTabs(line);
    if (f.size() > 4 && f[4] == "EXEC") files.push_back(f[0]);
  }
  return files;
}

// Addresses of the variables of a file's reference list (gdb's names are qualified where
// the tree's are plain, so addresses are compared).
std::set<uint64_t> ReferenceAddresses(const std::string& file) {
  std::set<uint64_t> vars;
  std::ifstream ref(kCorpus + "/ref/" + file + ".vars.tsv");
  std::string line;
  std::getline(ref, line);
  while (std::getline(ref, line)) {
    auto f = SplitTabs(line);
    if (f.size() < 3 || f[2].empty()) continue;
    vars.insert(std::stoull(f[2], nullptr, 0));
  }
  return vars;
}

TEST(SymbolTreeCorpus, EveryExecutableBuildsItsTree) {
  const auto files = CorpusExecutables();
  if (files.empty()) GTEST_SKIP() << "no corpus at " << kCorpus;
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    auto t = BuildTree(kCorpus + "/files/" + file);
    ASSERT_NE(t->elf, nullptr);
    ASSERT_GE(t->result, 0);
    EXPECT_FALSE(t->tree.truncated);
    uint64_t visited = 0;
    uint64_t variables = 0, found_in_reference = 0;
    const auto reference = ReferenceAddresses(file);
    bool sound = true;
    SYMTREE_ForEach(t->tree.pRoot, [&](const ACTIVE_SYMBOL& node, uint32_t depth) {
      ++visited;
      if (depth == 0) {
        sound &= node.Name[0] == 0 && node.ValueType == TYPEID_UNSUPPORTED;
        return;
      }
      sound &= node.Leaf == (node.pFirstChild == nullptr ? 1 : 0);
      sound &= node.Leaf || node.ValueType == TYPEID_UNSUPPORTED;
      sound &= node.ValueType != TYPEID_BITFIELD;
      sound &= depth - 1 < SYMTREE_MAX_DEPTH;
      if (depth == 1) {
        ++variables;
        sound &= node.Address != 0 && node.pParent == nullptr;
        if (reference.count(node.Address) != 0) ++found_in_reference;
      }
    });
    EXPECT_TRUE(sound);
    EXPECT_EQ(visited, t->tree.node_count);
    // Where gdb lists variables, the tree's variables are found among them.
    if (!reference.empty() && variables > 0) {
      EXPECT_GT(found_in_reference, 0u) << variables << " variables";
    }
  }
}

}  // namespace
