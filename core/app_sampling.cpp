// The jobs and the periodic read task of the sampling engine.
#include "core/app_sampling.h"

#include <mutex>
#include <new>

#include "core/app_active_list.h"
#include "core/app_bridge.h"
#include "core/app_engine_notify.h"
#include "core/app_jobs.h"
#include "core/app_mode.h"
#include "core/app_probe_ops.h"
#include "core/app_sampling_state.h"
#include "core/app_symbol_access.h"
#include "core/app_write_jobs.h"
#include "platform/sys_memory.h"
#include "platform/sys_msgbox.h"
#include "probe/probe_session.h"

namespace {

// HSS reads per run of the read task at most: a probe that buffered more than one read's
// worth since the last run is drained in the same run.
constexpr int kMaxReadsPerRun = 8;

// Worker only.
uint8_t* g_read_buffer = nullptr;  // APP_HSS_READ_BYTES, allocated at the first read
// Set when a read failed; the task then reads nothing until sampling stops.
std::atomic<bool> g_read_failed{false};

// Reads and decodes what the probe has buffered. False on a read or allocation failure.
bool ReadHSS() {
  const APP_PROBE_OPS& ops = APP_GetProbeOps();
  if (ops.GetHSSSymbolCount() == 0) return true;
  const uint32_t record_size = ops.GetRecordSize();
  if (record_size < 4 || record_size > APP_HSS_READ_BYTES) return false;
  const uint32_t size = APP_HSS_READ_BYTES - APP_HSS_READ_BYTES % record_size;
  if (g_read_buffer == nullptr) {
    g_read_buffer = static_cast<uint8_t*>(SYS_Alloc(APP_HSS_READ_BYTES, "APP: <ReadPeriodic> HSS buffer"));
    if (g_read_buffer == nullptr) return false;
  }
  if (!ops.IsHSSRunning()) return true;
  for (int i = 0; i < kMaxReadsPerRun; ++i) {
    const int n = ops.HSS_Read(g_read_buffer, size);
    if (n < 0) return false;
    const uint32_t got = static_cast<uint32_t>(n) < size ? static_cast<uint32_t>(n) : size;
    APP_DecodeHSSRecords(g_read_buffer, got, record_size);
    if (got < size) break;
  }
  if (APP_SamplingState().target_running.load()) APP_Notify(APP_Signal::UpdateGUI);
  return true;
}

int32_t ReadTask(JOB_PERIODIC_TASK* /*task*/) {
  APP_GetProbeOps().RefreshConfiguration();
  if (g_read_failed.load()) return 0;
  if (!ReadHSS()) {
    g_read_failed.store(true);
    APP_ReadStop(nullptr);
  }
  return 0;
}

void StartReadTask() {
  APP_SAMPLING_STATE& st = APP_SamplingState();
  if (st.read_task_id.load() != 0) return;
  void* block = SYS_Alloc(sizeof(JOB_PERIODIC_TASK), "APP: <ReadPeriodic>");
  if (block == nullptr) {
    SYS_ErrorBox("Insufficient memory!");
    return;
  }
  auto* task = new (block) JOB_PERIODIC_TASK;
  task->pfCallback = ReadTask;
  task->PeriodMs = APP_READ_PERIOD_MS;
  task->NextDueMs = 0;
  g_read_failed.store(false);
  st.read_task_id.store(JOB_StartPeriodic(task));
}

void StopReadTask() {
  const JOB_TaskId id = APP_SamplingState().read_task_id.exchange(0);
  if (id != 0) JOB_StopPeriodic(id);
}

void ReadStartHandler(JOB_RECORD* job) {
  const APP_PROBE_OPS& ops = APP_GetProbeOps();
  APP_SAMPLING_STATE& st = APP_SamplingState();
  ops.RefreshConfiguration();
  if (!ops.IsConnected()) {
    const int result = ops.Connect();
    if (result < 0) {
      APP_ReadStopNow();
      job->Result = result;
      APP_Notify(APP_Signal::UpdateTable);
      return;
    }
  }
  ops.ComputeHSSLayout();
  if (st.first_start.load()) {
    APP_ResetHistory();
    st.reset_pending.store(true);
  }
  if (st.reset_pending.load()) {
    if (APP_PrepareHistories() < 0) {
      APP_ReadStopNow();
      job->Result = -1;
      return;
    }
    st.reset_pending.store(false);
  }
  if (ops.IsConnected()) st.target_running.store(ops.IsHalted() == 0);
  st.reading.store(true);
  st.paused.store(false);
  st.first_start.store(false);
  job->Result = 0;
  // From here on calculations follow the Run-mode rules: a division by a symbol that reads
  // 0 ends a periodic write, and a written symbol reads its written value.
  APP_SetAppMode(APP_MODE_RUN);
  StartReadTask();
}

void ReadStartCompletion(JOB_RECORD* job) {
  if (job->Result < 0) {
    SYS_ErrorBox("Failed to start data sampling.");
    APP_RequestEditMode();
  }
  APP_Notify(APP_Signal::UpdateGUI);
  if (job->Result >= 0) {
    APP_SAMPLING_STATE& st = APP_SamplingState();
    st.reading.store(true);
    st.paused.store(false);
    st.first_start.store(false);
  }
  JOB_StandardCompletion(job);
}

void ReadPauseHandler(JOB_RECORD* job) {
  APP_SetPaused(true);
  job->Result = 0;
}

void ReadStopHandler(JOB_RECORD* job) {
  APP_ReadStopNow();
  job->Result = 0;
}

}  // namespace

void APP_RegisterEngineHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    APP_SetJobHandler(APP_JOB_READ_START, ReadStartHandler);
    APP_SetJobHandler(APP_JOB_READ_PAUSE, ReadPauseHandler);
    APP_SetJobHandler(APP_JOB_READ_STOP, ReadStopHandler);
    APP_SetJobHandler(APP_JOB_WRITE_SYMBOL_DATA, APP_WriteSymbolDataHandler);
    APP_SetJobHandler(APP_JOB_WRITE_SYMBOL_DATA_STOP, APP_WriteSymbolDataStopHandler);
    APP_SetJobHandler(APP_JOB_WRITE_SYMBOL_CALC_STOP, APP_WriteSymbolCalcStopHandler);
    APP_RegisterJobHandlers();
  });
}

void APP_ReadStart(JOB_BUSY* busy) {
  APP_RegisterEngineHandlers();
  JOB_RECORD* job = JOB_CreateJob(APP_JOB_READ_START, sizeof(JOB_PARAMS_HEAD), "APP: <ReadStart>",
                                  "APP: <ReadStart> Job params", busy, nullptr, ReadStartCompletion);
  if (job != nullptr) JOB_Submit(job);
}

void APP_ReadStop(JOB_BUSY* busy) {
  if (APP_SamplingState().read_task_id.load() == 0) return;
  APP_RegisterEngineHandlers();
  JOB_RECORD* job = JOB_CreateJob(APP_JOB_READ_STOP, sizeof(JOB_PARAMS_HEAD), "APP: <ReadStop>",
                                  "APP: <ReadStop> Job params", busy, nullptr, JOB_StandardCompletion);
  if (job != nullptr) JOB_Submit(job);
}

void APP_ReadStopNow() {
  const APP_PROBE_OPS& ops = APP_GetProbeOps();
  APP_SAMPLING_STATE& st = APP_SamplingState();
  StopReadTask();
  // Take what the probe buffered since the last read, so that a stop loses no record
  // (not after a failed read: the stream is gone then).
  if (st.reading.load() && !g_read_failed.load() && ops.IsConnected() && ops.IsHSSRunning()) {
    ReadHSS();
  }
  if (ops.IsHSSRunning() && !ops.IsExistingSession()) ops.HSS_Stop();
  ops.FreeHSSBlockList();
  ops.ClearConfiguration();
  ops.Disconnect();
  st.target_running.store(false);
  ops.SetHSSRunning(false);
  st.reading.store(false);
  st.paused.store(true);
  st.first_start.store(true);
  APP_LeaveRunMode();
  SYS_Free(g_read_buffer);
  g_read_buffer = nullptr;
  APP_Notify(APP_Signal::UpdateGUI);
}

bool APP_IsReading() { return APP_SamplingState().reading.load(); }
bool APP_IsPaused() { return APP_SamplingState().paused.load(); }
bool APP_IsTargetRunning() { return APP_SamplingState().target_running.load(); }
bool APP_HasReadTask() { return APP_SamplingState().read_task_id.load() != 0; }

void APP_ResetSamplingProject() {
  APP_SAMPLING_STATE& st = APP_SamplingState();
  StopReadTask();
  APP_GetProbeOps().SetHSSRunning(false);
  PROBE_ResetProject();
  APP_ResetHistory();
  st.target_running.store(false);
  st.reading.store(false);
  st.paused.store(true);
  st.first_start.store(true);
  st.reset_pending.store(true);
}
