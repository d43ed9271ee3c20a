#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "core/app_active_list.h"
#include "core/app_bridge.h"
#include "core/app_jobs.h"
#include "core/app_probe_ops.h"
#include "core/app_project.h"
#include "core/app_sampling.h"
#include "core/lifecycle/app_lifecycle.h"
#include "core/lifecycle/app_lifecycle_internal.h"
#include "logic/logic_tree.h"
#include "persist/project/project_content.h"
#include "platform/sys_file.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "probe/probe_library.h"
#include "symbols/elf_reader.h"
#include "symbols/symbol_tree.h"

namespace {

// Open flags of the time-stamp reads: read access, others may read and write meanwhile.
constexpr uint32_t kStampOpenFlags = SYS_OPEN_READ | SYS_OPEN_SHARE_READ | SYS_OPEN_SHARE_WRITE;

struct PARSE_PARAMS {
  JOB_PARAMS_HEAD head;
  char Path[PROJECT_PATH_SIZE] = {};
  uint8_t Match = 0;
};

struct PREPARE_PARAMS {
  JOB_PARAMS_HEAD head;
  uint8_t ForceDownload = 0;
  uint8_t* pAllowed = nullptr;
};

std::mutex g_retired_lock;
std::vector<ACTIVE_SYMBOL*> g_retired;  // trees replaced while their nodes may be listed

// The modification check warns once about a missing ELF file until it is found again, and
// asks once per changed time stamp that the user declined.
bool g_missing_warned = false;
SYS_DateTime g_declined_stamp;
bool g_has_declined = false;

bool ReadElfStamp(const char* path, SYS_DateTime* stamp) {
  SYS_File f = SYS_OpenFile(path, kStampOpenFlags, 0, 0);
  if (f == SYS_INVALID_FILE) return false;
  SYS_DateTime access;
  const bool ok = SYS_GetFileTimes(f, &access, stamp) == 0;
  SYS_CloseFile(f);
  return ok;
}

// Takes the user's options of each old symbol over to the node it was found again as.
void CarrySettings(const std::vector<SYMTREE_MATCH>& matches) {
  for (const SYMTREE_MATCH& m : matches) {
    const ACTIVE_SYMBOL& o = *m.pOld;
    ACTIVE_SYMBOL& n = *m.pNew;
    n.MinWrite = o.MinWrite;
    n.MaxWrite = o.MaxWrite;
    n.UseQFormat = o.UseQFormat;
    n.QFormatSigned = o.QFormatSigned;
    n.QFormatIntBits = o.QFormatIntBits;
    n.QFormatFracBits = o.QFormatFracBits;
    n.CatchOverflow = o.CatchOverflow;
    n.Read = o.Read;
    n.AcCoupling = o.AcCoupling;
    n.HexDisplay = o.HexDisplay;
    if (n.UseQFormat) n.ValueType = TYPEID_FLOAT;
  }
}

struct RENAME {
  SYMBOL_ID from;
  SYMBOL_ID to;
};

void Readdress(SYMBOL_ID& id, void* user) {
  for (const RENAME& r : *static_cast<std::vector<RENAME>*>(user)) {
    if (id.Address == r.from.Address && LOGIC_NamesEqual(id.Name, r.from.Name)) {
      id = r.to;
      return;
    }
  }
}

// The new active list: the old one's order, each symbol replaced by its match, virtual
// symbols kept, symbols not found again dropped. Identities of moved symbols in modules,
// scripts and pads follow them.
void SwapInMatches(const std::vector<SYMTREE_MATCH>& matches) {
  std::vector<ACTIVE_SYMBOL*> next;
  std::vector<RENAME> renames;
  for (const ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    ACTIVE_SYMBOL* old = c->pSymbol;
    if (old == nullptr) continue;
    if (old->Virtual) {
      next.push_back(old);
      continue;
    }
    for (const SYMTREE_MATCH& m : matches) {
      if (m.pOld != old) continue;
      next.push_back(m.pNew);
      if (m.pNew->Address != old->Address || std::strcmp(m.pNew->Name, old->Name) != 0) {
        RENAME r;
        SYS_CopyText(r.from.Name, sizeof r.from.Name, old->Name);
        r.from.Address = old->Address;
        SYS_CopyText(r.to.Name, sizeof r.to.Name, m.pNew->Name);
        r.to.Address = m.pNew->Address;
        renames.push_back(r);
      }
      break;
    }
  }
  APP_LockGui();
  APP_ClearActiveSymbols();
  for (ACTIVE_SYMBOL* s : next) APP_AddActiveSymbol(s);
  APP_RecountActiveSymbols();
  APP_UnlockGui();
  if (!renames.empty()) {
    PROJECT_ForEachSymbolId(Readdress, &renames);
    APP_Notify(APP_Signal::UpdateGUILoadModules);
  }
}

void ParseCompletion(JOB_RECORD* job) {
  APP_SetScreenUpdates(true);
  APP_Notify(APP_Signal::UpdateGUI);
  JOB_StandardCompletion(job);
}

}  // namespace

void APP_FreeRetiredTrees() {
  std::lock_guard<std::mutex> g(g_retired_lock);
  for (ACTIVE_SYMBOL* t : g_retired) SYMTREE_Free(t);
  g_retired.clear();
}

int32_t APP_ParseElf(const char* elf_path, bool match) {
  APP_SetScreenUpdates(false);
  APP_Notify(APP_Signal::Reset);
  ELF_FILE* elf = ELF_Open(elf_path, true);
  if (elf == nullptr) {
    SYS_ErrorBox("Could not open ELF file!");
    return -1;
  }
  const int32_t progress = APP_RequestProgress(0, "Parsing ELF file ...", 1, 0);
  SYMTREE_OPTIONS options;
  options.int_default_hex = APP_GetIntDefaultHex() != 0;
  SYMTREE_TREE tree;
  const int64_t count = SYMTREE_Build(elf, options, MAIN_pActiveSymbols, tree);
  APP_RequestProgress(progress, nullptr, 1, -1);
  ELF_Close(elf);
  if (count < 0) {
    SYMTREE_Free(tree.pRoot);
    SYS_ErrorBox("Could not open ELF file!");
    return -1;
  }
  ACTIVE_SYMBOL* old_tree = APP_ExchangeSymbolTree(tree.pRoot);
  SYS_DateTime stamp;
  if (ReadElfStamp(elf_path, &stamp)) APP_SetElfTimeStamp(stamp);
  g_missing_warned = false;
  g_has_declined = false;
  CarrySettings(tree.rematch);
  if (match) {
    SwapInMatches(tree.rematch);
    SYMTREE_Free(old_tree);
    APP_FreeRetiredTrees();
    APP_FreeUnlistedOwnedSymbols();
  } else if (old_tree != nullptr) {
    // Listed symbols may still be nodes of the old tree: it goes when the project closes.
    std::lock_guard<std::mutex> g(g_retired_lock);
    g_retired.push_back(old_tree);
  }
  return 0;
}

void APP_ParseElfHandler(JOB_RECORD* job) {
  const auto* params = static_cast<PARSE_PARAMS*>(job->pParams);
  job->Result = APP_ParseElf(params->Path, params->Match != 0);
}

int32_t APP_ParseELFFile(const char* elf_path, bool match, JOB_BUSY* busy) {
  return APP_QueueJob<PARSE_PARAMS>(
      APP_JOB_PARSE_ELF_FILE, "APP: <ParseELFFile> Job context",
      "APP: <ParseELFFile> Job params", busy, nullptr, ParseCompletion, [&](PARSE_PARAMS& p) {
        SYS_CopyText(p.Path, sizeof p.Path, elf_path != nullptr ? elf_path : "");
        p.Match = match ? 1 : 0;
      });
}

void APP_CheckElfNow() {
  if (!APP_IsProjectOpen() || !APP_HasSymbolDatabase()) return;
  PROJECT_CONFIG config;
  APP_GetConfiguration(config);
  SYS_DateTime now;
  if (!ReadElfStamp(config.ElfFile, &now)) {
    const uint32_t error = SYS_GetLastError();
    if ((error == SYS_ERROR_FILE_NOT_FOUND || error == SYS_ERROR_PATH_NOT_FOUND) &&
        !g_missing_warned) {
      g_missing_warned = true;
      SYS_WarningBoxF("The elf file at\n%s\nwas deleted or moved to a different location.\n",
                      config.ElfFile);
    }
    return;
  }
  g_missing_warned = false;
  SYS_DateTime parsed;
  if (!APP_GetElfTimeStamp(&parsed) || APP_DateTimesEqual(parsed, now)) return;
  if (g_has_declined && APP_DateTimesEqual(g_declined_stamp, now)) return;
  char text[516];
  std::snprintf(text, sizeof text,
                "The elf file at\n%s\nwas modified.\nShould Vistro reparse the elf file and try "
                "to match the selected symbols?",
                config.ElfFile);
  const uint32_t answer = SYS_QuestionBox(text, "Reparse & Match symbols",
                                          "Reparse & Clear symbols", 0,
                                          SYS_MB_ICON_INFORMATION, static_cast<uint32_t>(-1));
  if (answer == static_cast<uint32_t>(-1)) {
    // Not now: asked again only when the file changes once more.
    g_declined_stamp = now;
    g_has_declined = true;
    return;
  }
  if (answer == 1) {
    APP_LockGui();
    APP_ClearActiveSymbols();
    APP_UnlockGui();
  }
  APP_ParseElf(config.ElfFile, true);
  APP_SetScreenUpdates(true);
  APP_Notify(APP_Signal::UpdateGUI);
}

void APP_CheckElfHandler(JOB_RECORD* /*job*/) { APP_CheckElfNow(); }

int32_t APP_CheckELFModifications(JOB_BUSY* busy) {
  return APP_QueueJob<JOB_PARAMS_HEAD>(
      APP_JOB_CHECK_ELF_MODIFICATIONS, "APP: <CheckELFModifications> Job context",
      "APP: <CheckELFModifications> Job params", busy, nullptr, JOB_StandardCompletion,
      [](JOB_PARAMS_HEAD&) {});
}

void APP_PrepareRunHandler(JOB_RECORD* job) {
  auto* params = static_cast<PREPARE_PARAMS*>(job->pParams);
  const APP_PROBE_OPS& ops = APP_GetProbeOps();
  if (!ops.IsConnected() && ops.Connect() < 0) {
    SYS_QuestionBox("Failed to initialize Veltra!", "OK", nullptr, 0, 0, 0);
    return;
  }
  bool download = params->ForceDownload != 0;
  if (!download) {
    if (!APP_GetOfferDownload()) {
      *params->pAllowed = 1;
      return;
    }
    download = SYS_QuestionBox("Do you want Vistro to program the target with the project's ELF "
                               "file?",
                               "Yes", "No", 0, 0, 1) == 0;
  }
  if (download) {
    PROJECT_CONFIG config;
    APP_GetConfiguration(config);
    if (PROBE_VELTRA_DownloadFile(config.ElfFile, 0) < 0) {
      SYS_WarningBox("Failed to program target with ELF file");
      // Edit mode stays, and Edit mode holds no probe: the HSS started by the connection
      // would otherwise buffer records of the old program for the next Run period.
      APP_ReadStopNow();
      return;
    }
  }
  APP_SetOfferDownload(false);
  *params->pAllowed = 1;
}

int32_t APP_PrepareSetRunMode(bool force_download, uint8_t* allowed, JOB_BUSY* busy) {
  static uint8_t ignored = 0;
  uint8_t* target = allowed != nullptr ? allowed : &ignored;
  *target = 0;
  return APP_QueueJob<PREPARE_PARAMS>(
      APP_JOB_PREPARE_SET_RUN_MODE, "APP: <PrepareSetRunMode> Job context",
      "APP: <PrepareSetRunMode> Job params", busy, nullptr, JOB_StandardCompletion,
      [&](PREPARE_PARAMS& p) {
        p.ForceDownload = force_download ? 1 : 0;
        p.pAllowed = target;
      });
}
