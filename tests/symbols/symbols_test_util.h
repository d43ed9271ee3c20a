// Helpers of the symbol database tests: fixture paths, captured reader messages, oracle
// files and a variable index by address.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "symbols/dwarf_db.h"
#include "symbols/elf_reader.h"

std::string FixturePath(const std::string& name);
std::string CorpusDir();  // "" when the shared corpus is not there
std::vector<uint8_t> ReadBytes(const std::string& path);
std::vector<std::vector<std::string>> ReadTsv(const std::string& path, bool skip_header);

// Installs a message sink (and debug log hook) for its lifetime and keeps what arrives.
class MessageCapture {
 public:
  MessageCapture();
  ~MessageCapture();
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;
  std::vector<int> codes;        // our codes; library errors are stored as -code
  std::vector<std::string> log;  // debug log lines
};

// Closes the handle at the end of a scope.
struct ElfCloser {
  ELF_FILE* elf;
  ~ElfCloser() { ELF_Close(elf); }
};

// One variable of the database, as vistro-cli vars shows it.
struct VarRow {
  SYM_HANDLE handle = 0;
  std::string name;
  uint64_t address = 0;
  uint64_t size = 0;
  std::string type_name;
  bool is_static_local = false;
};
std::vector<VarRow> ListVariables(const ELF_FILE* elf);
const VarRow* FindVar(const std::vector<VarRow>& vars, const std::string& name);
