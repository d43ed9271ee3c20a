// Shared by the "calc" and "formula" subcommands: the options that declare virtual symbols,
// and the active symbol list they form while the command runs.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "symbols/active_symbol.h"

struct CLI_LogicSession {
  // Records and list cells of the declared symbols; the list is linked into
  // MAIN_pActiveSymbols by CLI_ParseLogicArgs and unlinked (restored) on destruction.
  std::vector<std::unique_ptr<ACTIVE_SYMBOL>> symbols;
  std::vector<std::unique_ptr<VALUE_SLOT>> samples;  // each symbol's one "sample": its value
  std::vector<std::unique_ptr<ACTIVE_SYMBOL_CELL>> cells;
  ACTIVE_SYMBOL_CELL* previous_list = nullptr;
  bool linked = false;
  bool run_mode = false;
  std::string text;

  CLI_LogicSession() = default;
  CLI_LogicSession(const CLI_LogicSession&) = delete;
  CLI_LogicSession& operator=(const CLI_LogicSession&) = delete;
  ~CLI_LogicSession();
};

// Parses [--symbol NAME:TYPE=VALUE]... [--catch-overflow NAME]... [--run] TEXT, declares
// the symbols as active virtual symbols and sets the logic engine's mode. Returns CLI_OK, or
// CLI_USAGE after printing "error: ..." to stderr.
int CLI_ParseLogicArgs(std::span<char* const> args, CLI_LogicSession& session);
