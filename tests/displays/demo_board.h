// The simulated board running the demo firmware, reached in process through our probe library
// (found beside the test program): downloads the firmware, makes the named symbols active and
// starts sampling through the ReadStart job, as Run mode does.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_active_list.h"
#include "core/app_sampling.h"
#include "core/job_engine.h"
#include "platform/sys_text.h"
#include "platform/sys_thread.h"
#include "platform/sys_time.h"
#include "probe/probe_config.h"
#include "probe/probe_library.h"
#include "probe/probe_session.h"
#include "symbols/elf_reader.h"
#include "symbols/symbol_tree.h"

class DemoBoard {
 public:
  // False (with a test failure) when the firmware could not be started or sampled.
  bool Start(const std::vector<std::string>& paths) {
    home_ = std::filesystem::temp_directory_path() / ("vistro-demo-board-" + std::to_string(getpid()));
    std::filesystem::create_directories(home_);
    setenv("XDG_CONFIG_HOME", home_.c_str(), 1);  // the simulator's flash image
    const std::string elf_path = std::string(VISTRO_SOURCE_DIR) + "/firmware/demo/demo.elf";
    ELF_FILE* elf = ELF_Open(elf_path.c_str(), true);
    if (elf == nullptr) return Fail("cannot open the demo firmware");
    SYMTREE_TREE tree;
    const int64_t built = SYMTREE_Build(elf, SYMTREE_OPTIONS{}, nullptr, tree);
    ELF_Close(elf);
    if (built < 0) return Fail("no symbol tree");
    tree_ = tree.pRoot;
    for (const std::string& path : paths) {
      auto* node = const_cast<ACTIVE_SYMBOL*>(SYMTREE_FindPath(tree_, path));
      if (node == nullptr || APP_AddActiveSymbol(node) < 0) return Fail("no symbol " + path);
      symbols_.push_back(node);
    }
    PROJECT_CONFIG config;
    SYS_CopyText(config.TargetDevice, sizeof config.TargetDevice, "VSIM32H743");
    SYS_CopyText(config.ElfFile, sizeof config.ElfFile, elf_path.c_str());
    config.Connection = PROBE_CONNECTION_USB;
    config.TargetInterface = PROBE_TIF_SWD;
    config.InterfaceSpeed = 4000;
    config.SamplingPeriod = 1000;
    PROBE_SetConfiguration(config);
    if (PROBE_Connect() < 0) return Fail("cannot connect");
    if (PROBE_VELTRA_DownloadFile(elf_path.c_str(), 0) < 0) return Fail("cannot download");
    if (PROBE_VELTRA_IsHalted() > 0) PROBE_VELTRA_Go();
    PROBE_Disconnect();
    JOB_BUSY busy{0};
    APP_ReadStart(&busy);
    Wait(busy);
    started_ = APP_IsReading();
    return started_ || Fail("sampling did not start");
  }

  ~DemoBoard() {
    if (started_) {
      JOB_BUSY busy{0};
      APP_ReadStop(&busy);
      Wait(busy);
    }
    JOB_StopWorker(10000);
    for (ACTIVE_SYMBOL* s : symbols_) APP_FreeHistory(s);
    APP_ClearActiveSymbols();
    SYMTREE_Free(tree_);
    JOB_Reset();
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
  }

  ACTIVE_SYMBOL* Symbol(size_t i) const { return symbols_.at(i); }

 private:
  static void Wait(const JOB_BUSY& busy) {
    const uint32_t start = SYS_GetTickMs();
    while (busy.load() != 0 && SYS_GetTickMs() - start < 20000) SYS_Sleep(1);
  }
  static bool Fail(const std::string& why) {
    ADD_FAILURE() << why;
    return false;
  }

  std::filesystem::path home_;
  ACTIVE_SYMBOL* tree_ = nullptr;
  std::vector<ACTIVE_SYMBOL*> symbols_;
  bool started_ = false;
};
