// vistro-cli symbols [--tree] ELF: the symbol tree of an ELF file.
//   symbols ELF         one line per leaf, in tree order:
//                       path 0xADDRESS size typeid type-name source-file (tab-separated)
//   symbols --tree ELF  every node, file nodes too, indented two blanks per depth:
//                       name type-name size 0xADDRESS typeid (tab-separated)
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "symbols/dwarf_db.h"
#include "symbols/elf_reader.h"
#include "symbols/symbol_tree.h"
#include "tools/cli_command.h"

namespace {

void PrintElfMessage(const ELF_MESSAGE& message, void* /*user*/) {
  std::fprintf(stderr, "error %d: %s", message.code, message.text ? message.text : "");
  for (const char* detail : message.details) {
    if (detail != nullptr) std::fprintf(stderr, " %s", detail);
  }
  std::fputc('\n', stderr);
}

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
  ELF_SetMessageSink(PrintElfMessage, nullptr);
  ELF_FILE* elf = ELF_Open(path, true);
  if (elf == nullptr) return CLI_FAILED;
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
