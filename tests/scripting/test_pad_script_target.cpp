// End to end through the simulated target running the demo firmware: a virtual game pad's
// stick moves the motor's setpoint, and a script copies the motor speed into g_device.id
// every 10 ms while the speed is above 500 rpm, and stops when it falls below.
#include <gtest/gtest.h>

#include <functional>

#include "core/app_active_list.h"
#include "core/app_mode.h"
#include "core/app_sampling.h"
#include "core/job_engine.h"
#include "input/gamepad_runtime.h"
#include "logic/logic_eval.h"
#include "platform/sys_text.h"
#include "platform/sys_thread.h"
#include "platform/sys_time.h"
#include "probe/probe_library.h"
#include "probe/probe_session.h"
#include "scripting/script_edit.h"
#include "scripting/script_runner.h"
#include "symbols/elf_reader.h"
#include "symbols/symbol_tree.h"
#include "tests/scripting/virtual_pad.h"

namespace {

const std::string kElf = std::string(VISTRO_SOURCE_DIR) + "/firmware/demo/demo.elf";
constexpr int32_t kSpeedLimit = 500;

void Wait(const JOB_BUSY& busy) {
  while (busy.load() != 0) SYS_Sleep(1);
}

double Read(ACTIVE_SYMBOL* s) {
  VALUE_NODE* v = LOGIC_NewSymbolValue(*s);
  VALUE_SLOT slot{};
  uint32_t type = 0;
  bool saturate = false;
  LOGIC_ReadValueNode(v, &slot, &type, &saturate);
  LOGIC_FreeValue(v);
  switch (type) {
    case TYPEID_FLOAT: return slot.f32;
    case TYPEID_U32: return slot.u32;
    default: return 0.0;
  }
}

// Polls like the main window's refresh until `done` or `timeout_ms`.
bool RefreshUntil(const std::function<bool()>& done, uint32_t timeout_ms) {
  const uint32_t start = SYS_GetTickMs();
  while (SYS_GetTickMs() - start < timeout_ms) {
    GAMEPAD_Refresh();
    if (done()) return true;
    SYS_Sleep(10);
  }
  return false;
}

class PadAndScriptOnTarget : public ::testing::Test {
 protected:
  void SetUp() override {
    PROBE_SetLibrarySearch(nullptr);
    ASSERT_TRUE(PROBE_LoadLibrary(false)) << "simulated probe library missing beside the test";
    ELF_FILE* elf = ELF_Open(kElf.c_str(), true);
    ASSERT_NE(elf, nullptr);
    SYMTREE_TREE tree;
    ASSERT_GT(SYMTREE_Build(elf, SYMTREE_OPTIONS{}, nullptr, tree), 0);
    ELF_Close(elf);
    tree_ = tree.pRoot;
    for (const char* path : {"g_motor.setpoint_rpm", "g_motor.speed_rpm", "g_device.id"}) {
      auto* node = const_cast<ACTIVE_SYMBOL*>(SYMTREE_FindPath(tree_, path));
      ASSERT_NE(node, nullptr) << path;
      ASSERT_GE(APP_AddActiveSymbol(node), 0);
      symbols_.push_back(node);
    }
    config_.Connection = PROBE_CONNECTION_USB;
    config_.TargetInterface = PROBE_TIF_SWD;
    config_.InterfaceSpeed = 4000;
    config_.SamplingPeriod = 1000;
    SYS_CopyText(config_.TargetDevice, sizeof(config_.TargetDevice), "VSIM32H743");
    SYS_CopyText(config_.ElfFile, sizeof(config_.ElfFile), kElf.c_str());
  }
  void TearDown() override {
    SCRIPT_StopTask();
    GAMEPAD_StopRunMode();
    GAMEPAD_ClearMappings();
    APP_StopAllPeriodicWrites();
    JOB_BUSY busy{0};
    APP_ReadStop(&busy);
    Wait(busy);
    APP_SetAppMode(APP_MODE_EDIT);
    JOB_StopWorker(10000);
    SCRIPT_ClearPublished();
    for (ACTIVE_SYMBOL* s : symbols_) APP_FreeHistory(s);
    APP_ClearActiveSymbols();
    SYMTREE_Free(tree_);
    PROBE_Disconnect();
  }
  // Programs the target with the demo firmware and lets it run.
  void Download() {
    PROBE_SetConfiguration(config_);
    ASSERT_GE(PROBE_Connect(), 0);
    ASSERT_GE(PROBE_VELTRA_DownloadFile(kElf.c_str(), 0), 0);
    if (PROBE_VELTRA_IsHalted() > 0) PROBE_VELTRA_Go();
    if (PROBE_IsHSSRunning()) {
      PROBE_VELTRA_HSS_Stop();
      PROBE_SetHSSRunning(false);
    }
    PROBE_FreeHSSBlockList();
    PROBE_Disconnect();
  }

  ACTIVE_SYMBOL* tree_ = nullptr;
  std::vector<ACTIVE_SYMBOL*> symbols_;
  PROJECT_CONFIG config_;
};

TEST_F(PadAndScriptOnTarget, StickMovesTheSetpointAndTheScriptFollowsTheSpeed) {
  ACTIVE_SYMBOL* setpoint = symbols_[0];
  ACTIVE_SYMBOL* speed = symbols_[1];
  ACTIVE_SYMBOL* id = symbols_[2];
  setpoint->MinWrite = -2000;
  setpoint->MaxWrite = 2000;
  Download();
  PROBE_SetConfiguration(config_);
  JOB_BUSY busy{0};
  APP_ReadStart(&busy);
  Wait(busy);
  ASSERT_TRUE(APP_IsReading());
  APP_SetAppMode(APP_MODE_RUN);

  // if (g_motor.speed_rpm > 500) g_device.id := g_motor.speed_rpm
  FORMULA_NODE* formula = LOGIC_NewFormulaNode(JUNC_NONE);
  formula->pLeftCondition = LOGIC_NewConditionNode(COND_GT);
  formula->pLeftCondition->pLeftCalc = LOGIC_NewSymbolCalculation(speed);
  formula->pLeftCondition->pRightCalc = LOGIC_NewCalculationNode(CALC_NOP);
  VALUE_SLOT limit{};
  limit.f32 = kSpeedLimit;
  formula->pLeftCondition->pRightCalc->pLeftValue =
      LOGIC_NewConstantValue(TYPEID_FLOAT, limit, BASE_DECIMAL);
  SCRIPT_RECORD* list = nullptr;
  ASSERT_TRUE(SCRIPT_Append(&list, formula));
  ASSERT_TRUE(SCRIPT_AddWrite(list, 0, id));
  list->pWrites[0]->pCalculation = LOGIC_NewSymbolCalculation(speed);
  ASSERT_EQ(SCRIPT_Publish(list), 0);
  SCRIPT_FreeList(list);
  SCRIPT_StartTask();

  ASSERT_TRUE(GAMEPAD_Init());
  VirtualPad pad;
  GAMEPAD_MAPPING pads[GAMEPAD_SLOTS];
  pads[0].Configured = 1;
  pads[0].Inputs[17].pPressSymbol = LOGIC_NewSymbolId(*setpoint);  // "Stick left Y"
  ASSERT_TRUE(GAMEPAD_SetMappings(pads));
  GAMEPAD_Clear(pads[0]);

  const double initial_id = Read(id);
  pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, -32768);  // pushed fully up
  ASSERT_TRUE(RefreshUntil([&] { return Read(setpoint) > 1990.0; }, 5000)) << Read(setpoint);
  ASSERT_TRUE(RefreshUntil([&] { return Read(speed) > kSpeedLimit + 200; }, 15000)) << Read(speed);
  // The script has copied the speed into the untouched g_device.id, and keeps writing.
  ASSERT_TRUE(RefreshUntil([&] { return Read(id) > kSpeedLimit && Read(id) != initial_id; }, 5000))
      << Read(id);
  const uint64_t before = SCRIPT_WriteCount();
  SYS_Sleep(300);
  EXPECT_GE(SCRIPT_WriteCount() - before, 10u) << "one write per 10 ms period while it holds";
  EXPECT_TRUE(SCRIPT_IsActive(0));
  EXPECT_EQ(SCRIPT_LastFlags(0, 0), 0u);

  pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, 0);  // back to rest: the setpoint goes to about 0
  ASSERT_TRUE(RefreshUntil([&] { return Read(setpoint) < 1.0; }, 5000)) << Read(setpoint);
  ASSERT_TRUE(RefreshUntil([&] { return Read(speed) < kSpeedLimit - 100; }, 15000)) << Read(speed);
  SYS_Sleep(50);
  const uint64_t stopped = SCRIPT_WriteCount();
  SYS_Sleep(300);
  EXPECT_EQ(SCRIPT_WriteCount(), stopped) << "no writes while the formula is false";
  EXPECT_FALSE(SCRIPT_IsActive(0));
}

}  // namespace
