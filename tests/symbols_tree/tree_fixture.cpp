#include "tests/symbols_tree/tree_fixture.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "symbols/elf_reader.h"

namespace fs = std::filesystem;

namespace {

// A private folder for this process's fixtures, removed at exit.
struct TempFolder {
  fs::path path;
  TempFolder() {
    char pattern[] = "/tmp/vistro_symtree_XXXXXX";
    if (mkdtemp(pattern) != nullptr) path = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
};

TempFolder& Folder() {
  static TempFolder folder;
  return folder;
}

bool HaveTool(const char* tool) {
  std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

// Shell recipes; $S is the fixture source folder, $O the output folder.
struct RECIPE {
  const char* tool;
  const char* commands;
};

const std::map<std::string, RECIPE>& Recipes() {
  static const std::map<std::string, RECIPE> recipes = {
      {"c", {"gcc", "gcc -no-pie -g -O0 -o $O/c.elf $S/tree_c.c $S/tree_c_other.c $S/tree_main.c"}},
      {"c_dwarf4",
       {"gcc", "gcc -no-pie -gdwarf-4 -O0 -o $O/c_dwarf4.elf $S/tree_c.c $S/tree_c_other.c "
               "$S/tree_main.c"}},
      {"cpp4", {"g++", "g++ -no-pie -gdwarf-4 -O0 -o $O/cpp4.elf $S/tree_cpp.cpp $S/cpp_main.cpp"}},
      {"cpp5", {"g++", "g++ -no-pie -g -O0 -o $O/cpp5.elf $S/tree_cpp.cpp $S/cpp_main.cpp"}},
      {"cpp_clang",
       {"clang++", "clang++ -fno-pie -no-pie -g -O0 -o $O/cpp_clang.elf $S/tree_cpp.cpp "
                   "$S/cpp_main.cpp"}},
      {"deep", {"gcc", "gcc -no-pie -g -O0 -o $O/deep.elf $S/deep.c"}},
      {"locs", {"gcc", "gcc -no-pie -g -O2 -o $O/locs.elf $S/locs.c"}},
      {"rep",
       {"gcc", "gcc -g -c -DPART=1 -o $O/rep1.o $S/rep.c && "
               "gcc -g -c -o $O/other.o $S/tree_c_other.c && "
               "gcc -g -c -DPART=2 -o $O/rep2.o $S/rep.c && "
               "gcc -no-pie -o $O/rep.elf $O/rep1.o $O/other.o $O/rep2.o"}},
      {"empty",
       {"gcc", "cd $S && gcc -gdwarf-4 -S -o $O/empty.s empty_src.c && "
               "sed 's/^\t[.]string\t\"empty_src[.]c\"$/\t.string\t\"\"/' $O/empty.s > $O/empty2.s && "
               "grep -q '^\t[.]string\t\"\"$' $O/empty2.s && "
               "gcc -c -o $O/empty.o $O/empty2.s && "
               "gcc -no-pie -g -o $O/empty.elf $O/empty.o $S/tree_c_other.c"}},
      {"fb", {"gcc", "gcc -no-pie -g -O0 -o $O/fb.elf $S/fb.c"}},
      {"thumb",
       {"clang", "clang --target=thumbv7em-none-eabi -mcpu=cortex-m7 -mfpu=fpv5-d16 "
                 "-mfloat-abi=hard -ffreestanding -nostdlib -fuse-ld=lld -g -O0 "
                 "-Wl,--entry=main -Wl,-Ttext=0x08000000 -Wl,-Tdata=0x20000000 "
                 "-Wl,-Tbss=0x20010000 -o $O/thumb.elf $S/tree_c.c $S/tree_c_other.c "
                 "$S/tree_main.c"}},
  };
  return recipes;
}

std::string Expand(const std::string& text, const std::string& src, const std::string& out) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '$' && i + 1 < text.size() && (text[i + 1] == 'S' || text[i + 1] == 'O')) {
      result += text[i + 1] == 'S' ? src : out;
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

}  // namespace

std::string FixtureElf(const std::string& name, std::string* why) {
  static std::map<std::string, std::string> built;
  auto it = built.find(name);
  if (it != built.end()) return it->second;
  std::string& result = built[name];
  auto recipe = Recipes().find(name);
  if (recipe == Recipes().end() || Folder().path.empty()) {
    if (why) *why = "no recipe or no temporary folder for " + name;
    return result;
  }
  if (!HaveTool(recipe->second.tool)) {
    if (why) *why = std::string(recipe->second.tool) + " is not installed";
    return result;
  }
  const std::string out = Folder().path.string();
  const std::string cmd =
      "(" + Expand(recipe->second.commands, SYMTREE_FIXTURE_DIR, out) + ") >" + out + "/" + name +
      ".log 2>&1";
  if (std::system(cmd.c_str()) != 0) {
    if (why) *why = "building fixture " + name + " failed: " + cmd;
    return result;
  }
  result = out + "/" + name + ".elf";
  return result;
}

TreeUnderTest::~TreeUnderTest() {
  SYMTREE_Free(tree.pRoot);
  if (elf != nullptr) ELF_Close(elf);
}

std::unique_ptr<TreeUnderTest> BuildTree(const std::string& elf_path,
                                         const SYMTREE_OPTIONS& options,
                                         const ACTIVE_SYMBOL_CELL* previous) {
  auto t = std::make_unique<TreeUnderTest>();
  t->elf = ELF_Open(elf_path.c_str(), true);
  if (t->elf != nullptr) t->result = SYMTREE_Build(t->elf, options, previous, t->tree);
  return t;
}

std::vector<TREE_LEAF> CollectLeaves(const ACTIVE_SYMBOL* root) {
  std::vector<TREE_LEAF> leaves;
  SYMTREE_ForEachPath(root, [&](const ACTIVE_SYMBOL& node, uint32_t depth, const std::string& p) {
    if (depth > 0 && node.Leaf) leaves.push_back(TREE_LEAF{p, &node});
  });
  return leaves;
}

std::vector<const ACTIVE_SYMBOL*> Children(const ACTIVE_SYMBOL& node) {
  std::vector<const ACTIVE_SYMBOL*> out;
  for (const ACTIVE_SYMBOL* c = node.pFirstChild; c != nullptr; c = c->pNextSibling) {
    out.push_back(c);
  }
  return out;
}

namespace {

const char* GdbProgram() {
  static const char* program = HaveTool("gdb-multiarch") ? "gdb-multiarch"
                               : HaveTool("gdb")         ? "gdb"
                                                         : nullptr;
  return program;
}

constexpr const char* kGdbScript = R"(import gdb
with open(IN_FILE) as src, open(OUT_FILE, 'w') as out:
    for line in src:
        e = line.rstrip('\n')
        try:
            a = int(gdb.parse_and_eval('(unsigned long long)&(%s)' % e))
            s = int(gdb.parse_and_eval('sizeof(%s)' % e))
            out.write('OK %d %d\n' % (a, s))
        except Exception as ex:
            out.write('ERR %s\n' % str(ex).replace('\n', ' '))
)";

}  // namespace

bool HaveGdb() { return GdbProgram() != nullptr; }

std::vector<GDB_ANSWER> AskGdb(const std::string& elf_path,
                               const std::vector<std::string>& exprs) {
  std::vector<GDB_ANSWER> answers;
  if (!HaveGdb() || Folder().path.empty()) return answers;
  static int serial = 0;
  const std::string base = Folder().path.string() + "/gdb" + std::to_string(++serial);
  {
    std::ofstream script(base + ".py");
    script << kGdbScript;
    std::ofstream in(base + ".in");
    for (const std::string& e : exprs) in << e << '\n';
  }
  const std::string cmd = std::string(GdbProgram()) + " -nx -batch -ex 'file " + elf_path +
                          "' -ex 'python IN_FILE=\"" + base + ".in\"; OUT_FILE=\"" + base +
                          ".out\"' -x " + base + ".py >" + base + ".log 2>&1";
  if (std::system(cmd.c_str()) != 0) return answers;
  std::ifstream out(base + ".out");
  std::string line;
  while (std::getline(out, line)) {
    GDB_ANSWER a;
    std::istringstream words(line);
    std::string tag;
    words >> tag;
    if (tag == "OK") {
      a.ok = static_cast<bool>(words >> a.address >> a.size);
    } else {
      a.error = line;
    }
    answers.push_back(a);
  }
  return answers;
}
