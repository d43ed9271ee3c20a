#include "scripting/script_runner.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "core/app_mode.h"
#include "core/app_write.h"
#include "logic/logic_eval.h"
#include "platform/sys_memory.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "platform/sys_time.h"

namespace {

struct ScriptState {
  std::atomic<int32_t> active_ms{0};
  std::array<std::atomic<uint32_t>, SCRIPT_MAX_WRITES> flags{};
  void Clear() {
    active_ms.store(0);
    for (auto& f : flags) f.store(0);
  }
};

// A published list with its run-time state; immutable apart from the atomics.
struct Published {
  SCRIPT_RECORD* list = nullptr;
  std::vector<ScriptState> states;
  explicit Published(SCRIPT_RECORD* l) : list(l), states(SCRIPT_CountList(l)) {}
  ~Published() { SCRIPT_FreeList(list); }
  Published(const Published&) = delete;
  Published& operator=(const Published&) = delete;
};

std::mutex g_lock;  // guards g_published (the pointer, not the list)
std::shared_ptr<Published> g_published;
uint64_t g_last_run_ticks = 0;  // worker only
bool g_has_run = false;         // worker only
std::atomic<uint64_t> g_writes{0};
std::atomic<JOB_TaskId> g_task{0};

std::shared_ptr<Published> Current() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_published;
}

// The flags that say a tree cannot work, leaving out those that depend on the values at run
// time (a divisor reading 0) or on which symbols are active now (an unknown symbol, which
// also reads without a type).
uint32_t StructuralFlags(uint32_t flags) {
  flags &= ~CHECK_DIVISION_BY_ZERO;
  if ((flags & CHECK_UNKNOWN_SYMBOL) != 0) flags &= ~(CHECK_UNKNOWN_SYMBOL | CHECK_UNSUPPORTED_TYPE);
  return flags;
}

void WriteResult(const ACTIVE_SYMBOL& target, VALUE_SLOT value, uint32_t type, bool queued) {
  LOGIC_ConvertValue(&value, type, target.ValueType);
  APP_WRITE_REQUEST request;
  SYS_CopyText(request.Symbol.Name, sizeof(request.Symbol.Name), target.Name);
  request.Symbol.Address = target.Address;
  request.Operation = APP_WRITE_SET;
  request.Operand = value.raw;
  const int32_t r = queued ? APP_WriteSymbolData(nullptr, &request) : APP_WriteSymbolNow(&request);
  if (r >= 0) g_writes.fetch_add(1);
}

void RunScript(SCRIPT_RECORD& script, ScriptState& state, uint32_t elapsed_ms, bool queued) {
  const bool holds = script.Enabled != 0 && LOGIC_EvalFormula(script.pFormula);
  for (uint32_t i = 0; i < script.WriteCount && i < SCRIPT_MAX_WRITES; ++i) {
    SCRIPT_WRITE* w = script.pWrites[i];
    if (w == nullptr || w->pCalculation == nullptr) continue;
    // A target that is not active now is skipped, and kept for when it is active again.
    const ACTIVE_SYMBOL* target = LOGIC_FindActiveSymbol(w->pSymbol);
    if (target == nullptr || script.WriteEnabled[i] == 0 || !holds) continue;
    VALUE_SLOT value{};
    uint32_t type = 0;
    const uint32_t flags = LOGIC_EvalCalculation(w->pCalculation, &value, &type);
    state.flags[i].store(flags);
    if (flags == 0) WriteResult(*target, value, type, queued);
  }
  if (holds) {
    state.active_ms.store(SCRIPT_ACTIVE_MS);
    return;
  }
  const int32_t left = state.active_ms.load() - static_cast<int32_t>(elapsed_ms);
  if (left <= 0) {
    state.Clear();
  } else {
    state.active_ms.store(left);
  }
}

int32_t ScriptTask(JOB_PERIODIC_TASK* /*task*/) {
  SCRIPT_Run(false);
  return 0;
}

bool ScriptUses(const SCRIPT_RECORD* s, const ACTIVE_SYMBOL* symbol, bool targets_count) {
  if (LOGIC_FormulaUsesSymbol(s->pFormula, symbol)) return true;
  for (uint32_t i = 0; i < s->WriteCount && i < SCRIPT_MAX_WRITES; ++i) {
    const SCRIPT_WRITE* w = s->pWrites[i];
    if (w == nullptr) continue;
    if (targets_count && w->pSymbol != nullptr && LOGIC_SymbolIdMatches(*w->pSymbol, *symbol)) {
      return true;
    }
    if (LOGIC_CalculationUsesSymbol(w->pCalculation, symbol)) return true;
  }
  return false;
}

}  // namespace

bool SCRIPT_CheckList(const SCRIPT_RECORD* list) {
  for (const SCRIPT_RECORD* s = list; s != nullptr; s = s->pNext) {
    if (StructuralFlags(LOGIC_CheckFormula(s->pFormula)) != 0) return false;
    if (s->WriteCount > SCRIPT_MAX_WRITES) return false;
    for (uint32_t i = 0; i < s->WriteCount; ++i) {
      const SCRIPT_WRITE* w = s->pWrites[i];
      if (w == nullptr) return false;
      if (w->pCalculation != nullptr && StructuralFlags(LOGIC_CheckCalculation(w->pCalculation)) != 0) {
        return false;
      }
    }
  }
  return true;
}

SCRIPT_RECORD* SCRIPT_CopyList() {
  const std::shared_ptr<Published> p = Current();
  return p == nullptr ? nullptr : SCRIPT_CloneList(p->list);
}

int32_t SCRIPT_Publish(const SCRIPT_RECORD* list) {
  if (!SCRIPT_CheckList(list)) return -1;
  bool ok = true;
  SCRIPT_RECORD* copy = SCRIPT_CloneList(list, &ok);
  if (!ok) return -1;
  std::shared_ptr<Published> next;
  try {
    next = std::make_shared<Published>(copy);
  } catch (const std::bad_alloc&) {
    SCRIPT_FreeList(copy);
    SYS_ErrorBox("Insufficient memory!");
    return -1;
  }
  std::shared_ptr<Published> old;
  {
    std::lock_guard<std::mutex> hold(g_lock);
    old = std::move(g_published);
    g_published = std::move(next);
  }
  return 0;  // `old` is freed here, or by the runner when it ends its pass
}

void SCRIPT_ClearPublished() {
  std::shared_ptr<Published> old;
  std::lock_guard<std::mutex> hold(g_lock);
  old = std::move(g_published);
}

void SCRIPT_Run(bool queued) {
  const std::shared_ptr<Published> p = Current();
  const uint64_t now = SYS_GetHighResTicks();
  const uint32_t elapsed_ms =
      g_has_run ? static_cast<uint32_t>(SYS_GetElapsedUs(g_last_run_ticks) / 1000) : 0;
  g_last_run_ticks = now;
  g_has_run = true;
  if (p == nullptr) return;
  if (!APP_IsRunMode()) {
    for (ScriptState& st : p->states) st.Clear();
    return;
  }
  size_t index = 0;
  for (SCRIPT_RECORD* s = p->list; s != nullptr && index < p->states.size(); s = s->pNext) {
    RunScript(*s, p->states[index++], elapsed_ms, queued);
  }
}

uint64_t SCRIPT_WriteCount() { return g_writes.load(); }

bool SCRIPT_IsActive(uint32_t script) {
  const std::shared_ptr<Published> p = Current();
  if (p == nullptr || !APP_IsRunMode() || script >= p->states.size()) return false;
  return p->states[script].active_ms.load() > 0;
}

uint32_t SCRIPT_LastFlags(uint32_t script, uint32_t write) {
  const std::shared_ptr<Published> p = Current();
  if (p == nullptr || !APP_IsRunMode() || script >= p->states.size() || write >= SCRIPT_MAX_WRITES) {
    return 0;
  }
  return p->states[script].flags[write].load();
}

namespace {

bool AnyScriptUses(const ACTIVE_SYMBOL* symbol, bool targets_count) {
  const std::shared_ptr<Published> p = Current();
  if (p == nullptr || symbol == nullptr) return false;
  for (const SCRIPT_RECORD* s = p->list; s != nullptr; s = s->pNext) {
    if (ScriptUses(s, symbol, targets_count)) return true;
  }
  return false;
}

}  // namespace

bool SCRIPT_UsesSymbol(const ACTIVE_SYMBOL* symbol) { return AnyScriptUses(symbol, true); }
bool SCRIPT_ReadsSymbol(const ACTIVE_SYMBOL* symbol) { return AnyScriptUses(symbol, false); }

void SCRIPT_StartTask() {
  if (g_task.load() != 0) return;
  void* block = SYS_Alloc(sizeof(JOB_PERIODIC_TASK), "SCRIPT: <ScriptPeriodic>");
  if (block == nullptr) {
    SYS_ErrorBox("Insufficient memory!");
    return;
  }
  auto* task = new (block) JOB_PERIODIC_TASK;
  task->pfCallback = ScriptTask;
  task->PeriodMs = SCRIPT_PERIOD_MS;
  g_task.store(JOB_StartPeriodic(task));
}

void SCRIPT_StopTask() {
  const JOB_TaskId id = g_task.exchange(0);
  if (id != 0) JOB_StopPeriodic(id);
  // The counters of the next Run mode start cleared.
  const std::shared_ptr<Published> p = Current();
  if (p != nullptr) {
    for (ScriptState& st : p->states) st.Clear();
  }
}
