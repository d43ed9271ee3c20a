// vistro-cli symbols [--tree] ELF: the symbol tree of an ELF file.
//   symbols ELF         one line per leaf, in tree order:
//                       path 0xADDRESS size typeid type-name source-file (tab-separated)
//   symbols --tree ELF  every node, file nodes too, indented two blanks per depth:
//                       name type-name size 0xADDRESS typeid (tab-separated)
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "symbols/dwarf_db.h"
#include "symbols/elf_reader.h"
#include "symbols/symbol_tree.h"
#include "tools/cli_command.h"
#include "tools/cli_symbols_common.h"

namespace {

void PrintLeaves(const ACTIVE_SYMBOL* root) {
  SYMTREE_ForEachPath(root, [](const ACTIVE_SYMBOL& node, uint32_t depth, const std::string& path) {
    if (depth == 0 || !node.Leaf) return;
    std::printf("%s\t0x%08X\t%u\t%u\t%s\t%s\n", path.c_str(), node.Address, node.Size,
                node.ValueType, node.TypeName, node.SourceFile);
  });
}

void PrintTree(const ACTIVE_SYMBOL* root) {
  SYMTREE_ForEach(root, [](const ACTIVE_SYMBOL& node, uint32_t depth) {
    // File nodes carry only their source file; show it as their name.
    const char* name = depth == 0 ? node.SourceFile : node.Name;
    std::printf("%*s%s\t%s\t%u\t0x%08X\t%u\n", int(depth * 2), "", name, node.TypeName,
                node.Size, node.Address, node.ValueType);
  });
}

int RunSymbols(std::span<char* const> args) {
  bool tree_mode = false;
  const char* path = nullptr;
  for (char* arg : args) {
    if (std::strcmp(arg, "--tree") == 0) {
      tree_mode = true;
    } else if (path == nullptr && arg[0] != '-') {
      path = arg;
    } else {
      std::fprintf(stderr, "usage: vistro-cli symbols [--tree] ELF\n");
      return CLI_USAGE;
    }
  }
  if (path == nullptr) {
    std::fprintf(stderr, "usage: vistro-cli symbols [--tree] ELF\n");
    return CLI_USAGE;
  }
  // Like `vars`: the reader's errors are shown when the file cannot be opened; reports of
  // single entries during the parse and the build are not.
  CLI_ElfCapture capture;
  ELF_FILE* elf = CLI_OpenElfCaptured(path, capture);
  if (elf == nullptr) {
    for (const std::string& e : capture.errors) std::fprintf(stderr, "%s\n", e.c_str());
    return CLI_FAILED;
  }
  SYMTREE_TREE tree;
  const int64_t count = SYMTREE_Build(elf, SYMTREE_OPTIONS{}, nullptr, tree);
  ELF_Close(elf);
  if (count < 0) return CLI_FAILED;
  if (tree_mode) {
    PrintTree(tree.pRoot);
  } else {
    PrintLeaves(tree.pRoot);
  }
  SYMTREE_Free(tree.pRoot);
  return CLI_OK;
}

}  // namespace

CLI_REGISTER("symbols", "symbols [--tree] ELF", RunSymbols);
