// The published script list and its runner without a target: the publishing check, outcomes
// per write, activity, the published copy left untouched, and publishing while running.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/app_mode.h"
#include "logic/logic_parser.h"
#include "logic/logic_render.h"
#include "platform/sys_thread.h"
#include "scripting/script_edit.h"
#include "scripting/script_runner.h"
#include "tests/editor/editor_test_support.h"

namespace {

class ScriptRunner : public ::testing::Test {
 protected:
  void SetUp() override {
    speed_ = &symbols_.Add("speed", 0x20000010, TYPEID_I32);
    limit_ = &symbols_.Add("limit", 0x20000020, TYPEID_I32);
    out_ = &symbols_.Add("out", 0x20000030, TYPEID_I32);
    SCRIPT_ClearPublished();
  }
  void TearDown() override {
    APP_SetAppMode(APP_MODE_EDIT);
    SCRIPT_ClearPublished();
    SCRIPT_FreeList(list_);
  }
  // Appends a script; each write is "target := calculation" (empty calculation: none).
  SCRIPT_RECORD* Script(const char* formula, std::initializer_list<std::pair<ACTIVE_SYMBOL*, const char*>> writes) {
    FORMULA_NODE* f = nullptr;
    (void)LOGIC_ParseFormulaText(formula, &f);
    EXPECT_TRUE(SCRIPT_Append(&list_, f));
    const uint32_t index = SCRIPT_CountList(list_) - 1;
    SCRIPT_RECORD* s = SCRIPT_At(list_, index);
    for (const auto& [target, calc] : writes) {
      EXPECT_TRUE(SCRIPT_AddWrite(list_, index, target));
      if (*calc != '\0') (void)LOGIC_ParseCalculationText(calc, &s->pWrites[s->WriteCount - 1]->pCalculation);
    }
    return s;
  }
  void Set(ACTIVE_SYMBOL* s, int32_t v) { s->CurrentValue.i32 = v; }

  TestSymbols symbols_;
  MessageLog log_;
  ACTIVE_SYMBOL* speed_ = nullptr;
  ACTIVE_SYMBOL* limit_ = nullptr;
  ACTIVE_SYMBOL* out_ = nullptr;
  SCRIPT_RECORD* list_ = nullptr;
};

TEST_F(ScriptRunner, PublishingCheck) {
  Script("speed > 0", {{out_, "speed * 2"}, {nullptr, ""}});
  ASSERT_EQ(SCRIPT_Publish(list_), 0);
  SCRIPT_RECORD* good = SCRIPT_CopyList();
  // A write entry missing from the used range, and a calculation that misses an operand.
  SCRIPT_RECORD* s = SCRIPT_At(list_, 0);
  SCRIPT_WRITE* kept = s->pWrites[1];
  s->pWrites[1] = nullptr;
  EXPECT_EQ(SCRIPT_Publish(list_), -1);
  s->pWrites[1] = kept;
  (void)LOGIC_ParseCalculationText("speed + 1", &kept->pCalculation);
  LOGIC_FreeValue(kept->pCalculation->pRightValue);
  kept->pCalculation->pRightValue = nullptr;
  EXPECT_EQ(SCRIPT_Publish(list_), -1);
  LOGIC_FreeCalculation(kept->pCalculation);
  kept->pCalculation = nullptr;
  // Seventeen writes.
  for (int i = 0; i < 14; ++i) SCRIPT_AddWrite(list_, 0, out_);
  EXPECT_EQ(s->WriteCount, SCRIPT_MAX_WRITES);
  EXPECT_FALSE(SCRIPT_AddWrite(list_, 0, out_));
  s->WriteCount = SCRIPT_MAX_WRITES + 1;
  EXPECT_EQ(SCRIPT_Publish(list_), -1);
  s->WriteCount = SCRIPT_MAX_WRITES;
  // Each refusal kept the list published first.
  SCRIPT_RECORD* now = SCRIPT_CopyList();
  EXPECT_TRUE(SCRIPT_ListEquals(now, good));
  SCRIPT_FreeList(now);
  SCRIPT_FreeList(good);
}

// A symbol that is not active (removed, or gone after a re-parse) neither fails publishing
// nor is the write dropped: it is skipped until the symbol is active again.
TEST_F(ScriptRunner, OutcomesAndInactiveTargetsAreKept) {
  Script("speed > 0", {{out_, "speed * 2"}, {out_, "10 / limit"}, {out_, ""}, {limit_, "speed"}});
  symbols_.Clear();  // rebuild the active list without "limit"
  speed_ = &symbols_.Add("speed", 0x20000010, TYPEID_I32);
  out_ = &symbols_.Add("out", 0x20000030, TYPEID_I32);
  ASSERT_EQ(SCRIPT_Publish(list_), 0);
  APP_SetAppMode(APP_MODE_RUN);
  Set(speed_, 5);
  SCRIPT_Run(false);
  EXPECT_TRUE(SCRIPT_IsActive(0));
  EXPECT_EQ(SCRIPT_LastFlags(0, 0), 0u);
  EXPECT_NE(SCRIPT_LastFlags(0, 1), 0u);  // "limit" reads without a type
  EXPECT_EQ(SCRIPT_LastFlags(0, 3), 0u);  // skipped: never evaluated
  EXPECT_FALSE(SCRIPT_IsActive(1));
  EXPECT_EQ(SCRIPT_LastFlags(0, SCRIPT_MAX_WRITES), 0u);
  // The runner changed nothing of what the view would copy and the project would save.
  SCRIPT_RECORD* copy = SCRIPT_CopyList();
  EXPECT_TRUE(SCRIPT_ListEquals(copy, list_));
  SCRIPT_FreeList(copy);
  // With the symbol active again, the division by its 0 is caught.
  limit_ = &symbols_.Add("limit", 0x20000020, TYPEID_I32);
  SCRIPT_Run(false);
  EXPECT_EQ(SCRIPT_LastFlags(0, 1), CHECK_DIVISION_BY_ZERO);
  EXPECT_TRUE(SCRIPT_UsesSymbol(limit_));
}

// Unlinking: writes aimed at the symbol lose their target, calculations and formulas that
// read it are dropped; whatever does not name it stays. A target alone is not a read.
TEST_F(ScriptRunner, UnlinkTakesTheSymbolOutOfFormulasCalculationsAndTargets) {
  Script("speed > 0", {{out_, "1"}});
  Script("limit > 0", {{speed_, "2"}, {out_, "speed * 2"}, {out_, "limit"}});
  ASSERT_EQ(SCRIPT_Publish(list_), 0);
  EXPECT_TRUE(SCRIPT_ReadsSymbol(speed_));
  EXPECT_FALSE(SCRIPT_ReadsSymbol(out_));
  EXPECT_TRUE(SCRIPT_UsesSymbol(out_));
  EXPECT_TRUE(SCRIPT_UnlinkSymbol(list_, *speed_));
  EXPECT_FALSE(SCRIPT_UnlinkSymbol(list_, *speed_));
  ASSERT_EQ(SCRIPT_Publish(list_), 0);
  EXPECT_FALSE(SCRIPT_UsesSymbol(speed_));
  EXPECT_TRUE(SCRIPT_UsesSymbol(limit_));
  const SCRIPT_RECORD* second = SCRIPT_At(list_, 1);
  EXPECT_EQ(second->pWrites[0]->pSymbol, nullptr);
  EXPECT_NE(second->pWrites[0]->pCalculation, nullptr);
  EXPECT_EQ(second->pWrites[1]->pCalculation, nullptr);
  EXPECT_NE(second->pWrites[2]->pCalculation, nullptr);
}

TEST_F(ScriptRunner, ActivityOutlastsTheFormulaBy333ms) {
  Script("speed > 0", {{out_, "speed"}});
  ASSERT_EQ(SCRIPT_Publish(list_), 0);
  APP_SetAppMode(APP_MODE_RUN);
  Set(speed_, 1);
  SCRIPT_Run(false);
  Set(speed_, 0);
  SCRIPT_Run(false);
  EXPECT_TRUE(SCRIPT_IsActive(0));
  SYS_Sleep(SCRIPT_ACTIVE_MS + 20);
  SCRIPT_Run(false);
  EXPECT_FALSE(SCRIPT_IsActive(0));
  // Outside Run mode nothing is active and a pass clears the counters.
  Set(speed_, 1);
  SCRIPT_Run(false);
  APP_SetAppMode(APP_MODE_EDIT);
  EXPECT_FALSE(SCRIPT_IsActive(0));
  SCRIPT_Run(false);
  APP_SetAppMode(APP_MODE_RUN);
  EXPECT_FALSE(SCRIPT_IsActive(0));
}

// The runner keeps its own reference to the list it walks: publishing meanwhile frees
// nothing under it (a sanitizer build sees any use after free).
TEST_F(ScriptRunner, PublishingWhileTheWorkerRuns) {
  Script("speed > 0", {{out_, "speed + 1"}, {out_, "speed * 3"}});
  ASSERT_EQ(SCRIPT_Publish(list_), 0);
  APP_SetAppMode(APP_MODE_RUN);
  Set(speed_, 2);
  std::atomic<bool> stop{false};
  std::thread runner([&stop] {
    while (!stop.load()) SCRIPT_Run(false);
  });
  for (int i = 0; i < 300; ++i) {
    SCRIPT_RECORD* copy = SCRIPT_CopyList();
    SCRIPT_Move(&copy, 0, 0);
    EXPECT_EQ(SCRIPT_Publish(copy), 0);
    SCRIPT_FreeList(copy);
    (void)SCRIPT_IsActive(0);
  }
  stop.store(true);
  runner.join();
  SCRIPT_Run(false);
  EXPECT_TRUE(SCRIPT_IsActive(0));
}

TEST_F(ScriptRunner, ListEditsRefuseIndicesBeyondTheList) {
  Script("speed > 0", {});
  Script("speed > 1", {});
  Script("speed > 2", {});
  ASSERT_TRUE(SCRIPT_Move(&list_, 0, 2));
  std::vector<std::string> order;
  for (SCRIPT_RECORD* s = list_; s != nullptr; s = s->pNext) order.push_back(LOGIC_FormulaText(s->pFormula));
  EXPECT_NE(order[2].find('0'), std::string::npos);
  EXPECT_NE(order[0].find('1'), std::string::npos);
  EXPECT_FALSE(SCRIPT_Move(&list_, 3, 0));
  EXPECT_FALSE(SCRIPT_Move(&list_, 0, 3));
  EXPECT_FALSE(SCRIPT_Remove(&list_, 3));
  EXPECT_FALSE(SCRIPT_RemoveWrite(list_, 0, 0));
  EXPECT_EQ(log_.Take(), (std::vector<std::string>{
                             "FromScriptID is too big as ScriptList is not that long.",
                             "ToScriptID is too big as ScriptList is not that long.",
                             "ScriptID is too big as ScriptList is not that long.",
                             "ID is too big as ScriptList is not that long."}));
  EXPECT_EQ(SCRIPT_CountList(list_), 3u);
}

}  // namespace
