// Shared by `vistro-cli sample` and `vistro-cli write`: the symbol tree of an ELF file, the
// symbols selected by path as the active symbol list, and sampling started and stopped
// through the job engine and the sampling engine on the worker thread.
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "symbols/active_symbol.h"
#include "tools/cli_probe_common.h"

struct CLI_EngineSession {
  ACTIVE_SYMBOL* tree = nullptr;          // root of the symbol tree (owned)
  std::vector<ACTIVE_SYMBOL*> symbols;    // selected nodes, in the order of the paths
  std::vector<std::string> paths;
  bool worker_started = false;
};

// Opens the ELF file, builds its tree and makes the nodes at `paths` the active symbols.
// Returns CLI_OK, or the exit status after printing the reason (a path that names no leaf
// of a supported type is bad input).
int CLI_OpenSymbols(const char* elf, const std::vector<std::string>& paths, CLI_EngineSession& session);

// Hands the connection to the probe session and starts sampling through the ReadStart job.
// False (the session's messages printed) when sampling did not start.
bool CLI_StartSampling(const CLI_Connection& connection, CLI_EngineSession& session);
// Stops sampling through the ReadStop job (when it runs).
void CLI_StopSampling();
// Ends the worker and frees the list, the histories and the tree.
void CLI_CloseSymbols(CLI_EngineSession& session);

// Writes the history of `symbols` to `out` as CSV (`names` head the columns). False when
// the output could not be written.
bool CLI_WriteHistoryCsv(FILE* out, std::span<const std::string> names,
                         std::span<const ACTIVE_SYMBOL* const> symbols);
