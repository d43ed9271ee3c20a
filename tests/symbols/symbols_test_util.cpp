#include "tests/symbols/symbols_test_util.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "symbols/locations.h"

std::string FixturePath(const std::string& name) {
  return std::string(VISTRO_SYMBOL_FIXTURES) + "/" + name;
}

std::string CorpusDir() {
  const std::string dir = std::string(VISTRO_SHARED_DIR) + "/corpus";
  return std::filesystem::exists(dir + "/MANIFEST.tsv") ? dir : std::string();
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::vector<std::string>> ReadTsv(const std::string& path, bool skip_header) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream in(path);
  std::string line, cell;
  if (skip_header) std::getline(in, line);
  while (std::getline(in, line)) {
    std::stringstream cells(line);
    rows.emplace_back();
    while (std::getline(cells, cell, '\t')) rows.back().push_back(cell);
  }
  return rows;
}

namespace {

void Sink(const ELF_MESSAGE& m, void* user) {
  static_cast<MessageCapture*>(user)->codes.push_back(m.from_library ? -m.code : m.code);
}

void Log(const char* line, void* user) { static_cast<MessageCapture*>(user)->log.push_back(line); }

}  // namespace

MessageCapture::MessageCapture() {
  ELF_SetMessageSink(Sink, this);
  ELF_SetDebugLogHook(Log, this);
}

MessageCapture::~MessageCapture() {
  ELF_SetMessageSink(nullptr, nullptr);
  ELF_SetDebugLogHook(nullptr, nullptr);
}

std::vector<VarRow> ListVariables(const ELF_FILE* elf) {
  std::vector<VarRow> rows;
  const uint64_t n = DWARF_GetCategoryCount(elf, DWARF_CAT_VARIABLES);
  for (uint64_t i = 0; i < n; ++i) {
    VarRow r;
    r.handle = DWARF_GetCategoryEntry(elf, DWARF_CAT_VARIABLES, i);
    r.name = DWARF_GetName(r.handle);
    r.address = LOC_GetTargetAddress(r.handle);
    r.size = DWARF_GetByteSize(r.handle);
    r.type_name = DWARF_GetTypeName(r.handle);
    r.is_static_local = DWARF_IsFunctionLocal(r.handle);
    rows.push_back(r);
  }
  return rows;
}

const VarRow* FindVar(const std::vector<VarRow>& vars, const std::string& name) {
  for (const VarRow& v : vars) {
    if (v.name == name) return &v;
  }
  return nullptr;
}
