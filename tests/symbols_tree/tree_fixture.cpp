#include "tests/symbols_tree/tree_fixture.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "symbols/elf_reader.h"

namespace {

// A private folder for this process's fixtures, removed at exit.
struct TempFolder {
  std::string path;
  TempFolder() {
    char pattern[] = "/tmp/vistro_symtree_XXXXXX";
    if (mkdtemp(pattern) != nullptr) path = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
};
const std::string& Folder() {
  static TempFolder folder;
  return folder.path;
}

bool HaveTool(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Shell recipes: tool, commands ($S is the fixture source folder, $O the output folder).
#define C_SOURCES " $S/tree_c.c $S/tree_c_other.c $S/tree_main.c"
#define HOST_C(name, flags, sources) {name, {"gcc", "gcc -no-pie " flags " -o $O/" name ".elf " sources}}
const std::map<std::string, std::pair<const char*, const char*>> kRecipes = {
    HOST_C("c", "-g -O0", C_SOURCES),
    HOST_C("c_dwarf4", "-gdwarf-4 -O0", C_SOURCES),
    HOST_C("deep", "-g -O0", "$S/deep.c"),
    HOST_C("locs", "-g -O2", "$S/locs.c"),
    HOST_C("fb", "-g -O0", "$S/fb.c"),
    {"cpp4", {"g++", "g++ -no-pie -gdwarf-4 -O0 -o $O/cpp4.elf $S/tree_cpp.cpp"}},
    {"cpp5", {"g++", "g++ -no-pie -g -O0 -o $O/cpp5.elf $S/tree_cpp.cpp"}},
    {"cpp_clang", {"clang++", "clang++ -fno-pie -no-pie -g -O0 -o $O/cpp_clang.elf $S/tree_cpp.cpp"}},
    {"rep", {"gcc", "gcc -g -c -DPART=1 -o $O/rep1.o $S/rep.c && gcc -g -c -o $O/other.o "
                    "$S/tree_c_other.c && gcc -g -c -DPART=2 -o $O/rep2.o $S/rep.c && "
                    "gcc -no-pie -o $O/rep.elf $O/rep1.o $O/other.o $O/rep2.o"}},
    // The unit's name is blanked in the assembly: its variables have no source file.
    {"empty", {"gcc", "cd $S && gcc -gdwarf-4 -S -o $O/empty.s empty_src.c && "
                      "sed 's/^\t[.]string\t\"empty_src[.]c\"$/\t.string\t\"\"/' $O/empty.s > "
                      "$O/empty2.s && grep -q '^\t[.]string\t\"\"$' $O/empty2.s && "
                      "gcc -c -o $O/empty.o $O/empty2.s && "
                      "gcc -no-pie -g -o $O/empty.elf $O/empty.o $S/tree_c_other.c"}},
    {"thumb", {"clang", "clang --target=thumbv7em-none-eabi -mcpu=cortex-m7 -mfpu=fpv5-d16 "
                        "-mfloat-abi=hard -ffreestanding -nostdlib -fuse-ld=lld -g -O0 "
                        "-Wl,--entry=main -Wl,-Ttext=0x08000000 -Wl,-Tdata=0x20000000 "
                        "-Wl,-Tbss=0x20010000 -o $O/thumb.elf" C_SOURCES}},
};

}  // namespace

std::string FixtureElf(const std::string& name, std::string* why) {
  static std::map<std::string, std::string> built;
  if (auto it = built.find(name); it != built.end()) return it->second;
  std::string& result = built[name];
  auto recipe = kRecipes.find(name);
  std::string problem;
  if (recipe == kRecipes.end() || Folder().empty()) {
    problem = "no recipe or no temporary folder for " + name;
  } else if (!HaveTool(recipe->second.first)) {
    problem = std::string(recipe->second.first) + " is not installed";
  } else {
    const std::string cmd = "S='" SYMTREE_FIXTURE_DIR "'; O='" + Folder() + "'; (" +
                            recipe->second.second + ") >$O/" + name + ".log 2>&1";
    if (std::system(cmd.c_str()) == 0) return result = Folder() + "/" + name + ".elf";
    problem = "building fixture " + name + " failed: " + cmd;
  }
  if (why) *why = problem;
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
  if (!HaveGdb() || Folder().empty()) return answers;
  static int serial = 0;
  const std::string base = Folder() + "/gdb" + std::to_string(++serial);
  std::ofstream(base + ".py") << kGdbScript;
  {
    std::ofstream in(base + ".in");
    for (const std::string& e : exprs) in << e << '\n';
  }
  const std::string cmd = std::string(GdbProgram()) + " -nx -batch -ex 'file " + elf_path +
                          "' -ex 'python IN_FILE=\"" + base + ".in\"; OUT_FILE=\"" + base +
                          ".out\"' -x " + base + ".py >" + base + ".log 2>&1";
  if (std::system(cmd.c_str()) != 0) return answers;
  std::ifstream out(base + ".out");
  for (std::string line, tag; std::getline(out, line);) {
    GDB_ANSWER a;
    std::istringstream words(line);
    a.ok = (words >> tag) && tag == "OK" && (words >> a.address >> a.size);
    if (!a.ok) a.error = line;
    answers.push_back(a);
  }
  return answers;
}
