// One-off and periodic writes: the WriteSymbolData job, direct writes on the worker, the
// periodic constant-operation and calculation tasks and their stop jobs.
#include "core/app_write.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <new>
#include <vector>

#include "core/app_active_list.h"
#include "core/app_engine_notify.h"
#include "core/app_jobs.h"
#include "core/app_probe_ops.h"
#include "core/app_sampling.h"
#include "core/app_symbol_access.h"
#include "core/app_write_jobs.h"
#include "logic/logic_eval.h"
#include "platform/sys_memory.h"
#include "platform/sys_msgbox.h"

namespace {

// Ids of the periodic writes started since the last stop of them all (ended ones included:
// stopping an ended task is harmless).
std::mutex g_started_lock;
std::vector<JOB_TaskId> g_started_tasks;

APP_WriteTask Remember(APP_WriteTask id) {
  if (id != 0) {
    std::lock_guard<std::mutex> lock(g_started_lock);
    g_started_tasks.push_back(id);
  }
  return id;
}

struct WRITE_PARAMS {
  JOB_PARAMS_HEAD head;
  SYMBOL_ID Symbol;
  VALUE_SLOT Storage;  // the bytes written to the target
  VALUE_SLOT Value;    // the same value in the symbol's value type (the current value)
  int32_t* pResult = nullptr;
};

struct STOP_PARAMS {
  JOB_PARAMS_HEAD head;
  JOB_TaskId Task = 0;
};

struct PERIODIC_OP_PARAMS {
  SYMBOL_ID Symbol;
  uint32_t Operation = 0;
  uint64_t Operand = 0;
};

struct PERIODIC_CALC_PARAMS {
  SYMBOL_ID Symbol;
  CALCULATION_NODE* pCalc = nullptr;  // private copy, owned
};

// Writes the storage bytes of a target symbol; the probe's result (bytes written or negative).
// Symbols whose size does not fit a value slot are never written.
int WriteTarget(const ACTIVE_SYMBOL& s, const VALUE_SLOT& storage) {
  if (s.Size < 1 || s.Size > sizeof(VALUE_SLOT) || s.BitSize != 0) return -1;
  return APP_GetProbeOps().WriteMem(s.Address, s.Size, storage.bytes);
}

// After a write reached the target (or a virtual symbol was written).
void Commit(ACTIVE_SYMBOL& s, const VALUE_SLOT& value) {
  APP_StoreCurrentValue(s, value);
  APP_StoreValuePending(s, true);
}

// Computes a constant operation: the storage form and the value form. False when refused.
bool ComputeBoth(const ACTIVE_SYMBOL& s, uint32_t op, uint64_t operand, VALUE_SLOT* storage,
                 VALUE_SLOT* value) {
  if (APP_ComputeWriteValue(&s, op, operand, storage) <= 0) return false;
  return APP_StorageToValue(s, *storage, value);
}

void WriteCompletion(JOB_RECORD* job) {
  auto* p = static_cast<WRITE_PARAMS*>(job->pParams);
  if (p->pResult != nullptr) *p->pResult = job->Result;
  JOB_StandardCompletion(job);
}

// The task record and its parameter block, or null after "Insufficient memory!".
JOB_PERIODIC_TASK* NewTask(uint32_t params_size, const char* task_label, const char* params_label) {
  void* task_block = SYS_Alloc(sizeof(JOB_PERIODIC_TASK), task_label);
  void* params = task_block != nullptr ? SYS_Alloc(params_size, params_label) : nullptr;
  if (params == nullptr) {
    SYS_Free(task_block);
    SYS_ErrorBox("Insufficient memory!");
    return nullptr;
  }
  auto* task = new (task_block) JOB_PERIODIC_TASK;
  task->pParams = params;
  return task;
}

// One periodic write: the bytes go to the target (virtual symbols have none), and the value
// counts as the symbol's current value only when the write went through. The task stays.
int32_t WritePeriodic(ACTIVE_SYMBOL& s, const VALUE_SLOT& storage, const VALUE_SLOT& value) {
  if (s.Virtual == 0 && WriteTarget(s, storage) < 0) {
    APP_NotifySymbolWritten(s);
    return 0;
  }
  Commit(s, value);
  APP_NotifySymbolWritten(s);
  return 0;
}

int32_t PeriodicOperation(JOB_PERIODIC_TASK* task) {
  const auto* p = static_cast<const PERIODIC_OP_PARAMS*>(task->pParams);
  ACTIVE_SYMBOL* s = APP_FindActiveSymbol(&p->Symbol);
  if (s == nullptr) return 1;
  VALUE_SLOT storage{}, value{};
  if (!ComputeBoth(*s, p->Operation, p->Operand, &storage, &value)) return 0;
  if (!APP_GetProbeOps().IsReady()) return 0;
  return WritePeriodic(*s, storage, value);
}

void ReleaseCalc(JOB_PERIODIC_TASK* task) {
  auto* p = static_cast<PERIODIC_CALC_PARAMS*>(task->pParams);
  if (p == nullptr) return;
  LOGIC_FreeCalculation(p->pCalc);
  p->pCalc = nullptr;
}

int32_t PeriodicCalculation(JOB_PERIODIC_TASK* task) {
  auto* p = static_cast<PERIODIC_CALC_PARAMS*>(task->pParams);
  ACTIVE_SYMBOL* s = APP_FindActiveSymbol(&p->Symbol);
  if (s == nullptr) return 1;
  VALUE_SLOT value{};
  uint32_t type = 0;
  // A calculation that fails (a division by a symbol that reads 0, a symbol that left the
  // list, ...) ends its task for good.
  if (LOGIC_EvalCalculation(p->pCalc, &value, &type) != 0) return 1;
  // A real NaN has no integer or bool counterpart: this run writes nothing.
  if (LOGIC_IsRealType(type) && !LOGIC_IsRealType(s->ValueType) &&
      std::isnan(type == TYPEID_FLOAT ? static_cast<double>(value.f32) : value.f64)) {
    return 0;
  }
  LOGIC_ConvertValue(&value, type, s->ValueType);
  if (!APP_GetProbeOps().IsReady()) return 0;
  // The result is set like the value of a single write: kept inside the symbol's write limits
  // and, for a symbol shown in Q format, written as its fixed-point raw number.
  VALUE_SLOT storage{};
  if (!ComputeBoth(*s, APP_WRITE_SET, value.raw, &storage, &value)) return 0;
  return WritePeriodic(*s, storage, value);
}

// Ends the listed task with this id when it runs `callback` (a stale id names nothing).
void EndTask(JOB_TaskId id, JOB_TaskCallback callback) {
  JOB_PERIODIC_TASK* task = JOB_FindPeriodic(id);
  if (task == nullptr || task->pfCallback != callback) return;
  JOB_RemovePeriodic(task);
  if (task->pfRelease != nullptr) task->pfRelease(task);
  SYS_Free(task->pParams);
  SYS_Free(task);
}

void QueueStop(uint32_t job_id, const char* job_label, const char* params_label, JOB_BUSY* busy,
               JOB_TaskId task) {
  if (task == 0) return;
  APP_RegisterEngineHandlers();
  JOB_RECORD* job = JOB_CreateJob(job_id, sizeof(STOP_PARAMS), job_label, params_label, busy,
                                  nullptr, JOB_StandardCompletion);
  if (job == nullptr) return;
  static_cast<STOP_PARAMS*>(job->pParams)->Task = task;
  JOB_Submit(job);
}

}  // namespace

// ---- job handlers ------------------------------------------------------------------------

void APP_WriteSymbolDataHandler(JOB_RECORD* job) {
  auto* p = static_cast<WRITE_PARAMS*>(job->pParams);
  job->Result = -1;
  ACTIVE_SYMBOL* s = APP_FindActiveSymbol(&p->Symbol);
  if (s == nullptr) return;
  if (!APP_GetProbeOps().IsReady()) {
    // Refused: the value never reached the target, so it must not stand in for the next
    // sample either.
    APP_StoreValuePending(*s, false);
    return;
  }
  if (s->Virtual == 0 && WriteTarget(*s, p->Storage) < 0) {
    APP_StoreValuePending(*s, false);
    APP_NotifySymbolWritten(*s);
    return;
  }
  Commit(*s, p->Value);
  APP_NotifySymbolWritten(*s);
  job->Result = 0;
}

void APP_WriteSymbolDataStopHandler(JOB_RECORD* job) {
  EndTask(static_cast<STOP_PARAMS*>(job->pParams)->Task, PeriodicOperation);
  job->Result = 0;
}

void APP_WriteSymbolCalcStopHandler(JOB_RECORD* job) {
  EndTask(static_cast<STOP_PARAMS*>(job->pParams)->Task, PeriodicCalculation);
  job->Result = 0;
}

// ---- public functions --------------------------------------------------------------------

int32_t APP_WriteSymbolData(JOB_BUSY* busy, const APP_WRITE_REQUEST* request, int32_t* result) {
  if (request == nullptr) return -1;
  APP_RegisterEngineHandlers();
  JOB_RECORD* job = JOB_CreateJob(APP_JOB_WRITE_SYMBOL_DATA, sizeof(WRITE_PARAMS),
                                  "APP: <WriteSymbolData> Job context",
                                  "APP: <WriteSymbolData> Job params", busy, nullptr, WriteCompletion);
  if (job == nullptr) return -1;
  auto* p = new (job->pParams) WRITE_PARAMS;
  p->head.pBusy = busy;
  ACTIVE_SYMBOL* s = APP_FindActiveSymbol(&request->Symbol);
  if (s == nullptr ||
      !ComputeBoth(*s, request->Operation, request->Operand, &p->Storage, &p->Value)) {
    if (busy != nullptr) busy->store(0);
    JOB_FreeJob(job);
    return -1;
  }
  p->Symbol = request->Symbol;
  p->pResult = result;
  // The new value stands for the symbol until a newer sample arrives, so that a further
  // operation queued before this one ran starts from it.
  Commit(*s, p->Value);
  return JOB_Submit(job) == 0 ? 0 : -1;
}

int32_t APP_WriteSymbolNow(const APP_WRITE_REQUEST* request) {
  if (request == nullptr || !APP_GetProbeOps().IsReady()) return -1;
  ACTIVE_SYMBOL* s = APP_FindActiveSymbol(&request->Symbol);
  if (s == nullptr) return -1;
  VALUE_SLOT storage{}, value{};
  if (!ComputeBoth(*s, request->Operation, request->Operand, &storage, &value)) return -1;
  Commit(*s, value);
  if (s->Virtual == 0 && WriteTarget(*s, storage) != static_cast<int>(s->Size)) {
    APP_StoreValuePending(*s, false);
    return -1;
  }
  APP_NotifySymbolWritten(*s);
  return 0;
}

APP_WriteTask APP_PeriodicWriteOperation(const APP_WRITE_REQUEST* request, uint32_t period_ms) {
  if (request == nullptr) return 0;
  JOB_PERIODIC_TASK* task = NewTask(sizeof(PERIODIC_OP_PARAMS), "APP: <PeriodicWriteOperation> Job context",
                                    "APP: <PeriodicWriteOperation> Job params");
  if (task == nullptr) return 0;
  auto* p = new (task->pParams) PERIODIC_OP_PARAMS;
  p->Symbol = request->Symbol;
  p->Operation = request->Operation;
  p->Operand = request->Operand;
  task->pfCallback = PeriodicOperation;
  task->PeriodMs = std::max(period_ms, APP_MIN_WRITE_PERIOD_MS);
  return Remember(JOB_StartPeriodic(task));
}

APP_WriteTask APP_PeriodicWriteCalcStart(const SYMBOL_ID* id, const CALCULATION_NODE* calc,
                                         uint32_t period_ms) {
  if (id == nullptr || calc == nullptr) return 0;
  JOB_PERIODIC_TASK* task = NewTask(sizeof(PERIODIC_CALC_PARAMS), "APP: <PeriodicWriteCalcStart> Job context",
                                    "APP: <PeriodicWriteCalcStart> Job params");
  if (task == nullptr) return 0;
  auto* p = new (task->pParams) PERIODIC_CALC_PARAMS;
  p->Symbol = *id;
  p->pCalc = LOGIC_CloneCalculation(calc);
  if (p->pCalc == nullptr) {
    SYS_Free(task->pParams);
    SYS_Free(task);
    SYS_ErrorBox("Insufficient memory!");
    return 0;
  }
  task->pfCallback = PeriodicCalculation;
  task->pfRelease = ReleaseCalc;
  task->PeriodMs = std::max(period_ms, APP_MIN_WRITE_PERIOD_MS);
  return Remember(JOB_StartPeriodic(task));
}

void APP_WriteSymbolDataStop(JOB_BUSY* busy, APP_WriteTask task) {
  QueueStop(APP_JOB_WRITE_SYMBOL_DATA_STOP, "APP: <WriteSymbolDataStop> Job context",
            "APP: <WriteSymbolDataStop> job params", busy, task);
}

void APP_WriteSymbolCalcStop(JOB_BUSY* busy, APP_WriteTask task) {
  QueueStop(APP_JOB_WRITE_SYMBOL_CALC_STOP, "APP: <WriteSymbolCalcStop> Job context",
            "APP: <WriteSymbolCalcStop> job params", busy, task);
}

void APP_StopAllPeriodicWrites() {
  std::vector<JOB_TaskId> ids;
  {
    std::lock_guard<std::mutex> lock(g_started_lock);
    ids.swap(g_started_tasks);
  }
  for (JOB_TaskId id : ids) JOB_StopPeriodic(id);
}
