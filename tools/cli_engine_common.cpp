#include "tools/cli_engine_common.h"

#include <cstdio>

#include "core/app_active_list.h"
#include "core/app_history_csv.h"
#include "core/app_sampling.h"
#include "core/job_engine.h"
#include "logic/logic_value.h"
#include "platform/sys_file.h"
#include "platform/sys_thread.h"
#include "probe/probe_session.h"
#include "symbols/elf_reader.h"
#include "symbols/symbol_tree.h"
#include "tools/cli_command.h"

namespace {

void PrintElfMessage(const ELF_MESSAGE& message, void* /*user*/) {
  std::fprintf(stderr, "error %d: %s\n", message.code, message.text ? message.text : "");
}

void WaitForJob(const JOB_BUSY& busy) {
  while (busy.load() != 0) SYS_Sleep(1);
}

}  // namespace

int CLI_OpenSymbols(const char* elf_path, const std::vector<std::string>& paths,
                    CLI_EngineSession& session) {
  if (!SYS_FileExists(elf_path)) {
    std::fprintf(stderr, "error: ELF file '%s' not found\n", elf_path);
    return CLI_USAGE;
  }
  ELF_SetMessageSink(PrintElfMessage, nullptr);
  ELF_FILE* elf = ELF_Open(elf_path, true);
  if (elf == nullptr) return CLI_FAILED;
  SYMTREE_TREE tree;
  const int64_t count = SYMTREE_Build(elf, SYMTREE_OPTIONS{}, nullptr, tree);
  ELF_Close(elf);
  if (count < 0) return CLI_FAILED;
  session.tree = tree.pRoot;
  for (const std::string& path : paths) {
    // The tree is read-only except for the fields the engines own; selecting a node puts
    // the node itself into the active list.
    auto* node = const_cast<ACTIVE_SYMBOL*>(SYMTREE_FindPath(session.tree, path));
    if (node == nullptr || node->Leaf == 0) {
      std::fprintf(stderr, "error: symbol '%s' not found\n", path.c_str());
      return CLI_USAGE;
    }
    if (!LOGIC_IsSupportedType(node->ValueType)) {
      std::fprintf(stderr, "error: symbol '%s' has a type that cannot be sampled (%s)\n",
                   path.c_str(), node->TypeName);
      return CLI_USAGE;
    }
    for (const ACTIVE_SYMBOL* s : session.symbols) {
      if (s == node) {
        std::fprintf(stderr, "error: symbol '%s' given twice\n", path.c_str());
        return CLI_USAGE;
      }
    }
    if (APP_AddActiveSymbol(node) < 0) return CLI_FAILED;
    session.symbols.push_back(node);
    session.paths.push_back(path);
  }
  return CLI_OK;
}

bool CLI_StartSampling(const CLI_Connection& connection, CLI_EngineSession& session) {
  PROBE_SetConfiguration(connection.config);
  session.worker_started = true;
  JOB_BUSY busy{0};
  APP_ReadStart(&busy);
  WaitForJob(busy);
  return APP_IsReading();
}

void CLI_StopSampling() {
  JOB_BUSY busy{0};
  APP_ReadStop(&busy);
  WaitForJob(busy);
}

void CLI_CloseSymbols(CLI_EngineSession& session) {
  if (session.worker_started) {
    CLI_StopSampling();
    JOB_StopWorker(10000);
  }
  for (ACTIVE_SYMBOL* s : session.symbols) APP_FreeHistory(s);
  APP_ClearActiveSymbols();
  SYMTREE_Free(session.tree);
  session.tree = nullptr;
  session.symbols.clear();
}

bool CLI_WriteHistoryCsv(FILE* out, std::span<const std::string> names,
                         std::span<const ACTIVE_SYMBOL* const> symbols) {
  std::vector<APP_CSV_COLUMN> columns;
  for (size_t i = 0; i < symbols.size() && i < names.size(); ++i) {
    columns.push_back(APP_CsvColumn(names[i], symbols[i]));
  }
  const int32_t result = APP_WriteHistoryCsv(APP_GetHistoryView(), columns, 0, APP_HISTORY_SLOTS,
                                             [out](std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), out) == text.size();
  });
  return result == APP_CSV_OK && std::fflush(out) == 0 && std::ferror(out) == 0;
}
