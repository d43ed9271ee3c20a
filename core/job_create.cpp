// Creating, queueing and releasing job records with their parameter blocks.
#include <cstring>

#include "core/job_engine.h"
#include "platform/sys_memory.h"
#include "platform/sys_msgbox.h"

namespace {

JOB_BUSY* BusyOf(JOB_RECORD* job) {
  if (job == nullptr || job->pParams == nullptr) return nullptr;
  return static_cast<JOB_PARAMS_HEAD*>(job->pParams)->pBusy;
}

}  // namespace

JOB_RECORD* JOB_CreateJob(uint32_t job_id, uint32_t params_size, const char* job_label,
                          const char* params_label, JOB_BUSY* busy, void* owner,
                          JOB_Completion completion) {
  if (params_size < sizeof(JOB_PARAMS_HEAD)) params_size = sizeof(JOB_PARAMS_HEAD);
  void* job_area = SYS_Alloc(sizeof(JOB_RECORD), job_label);
  void* params = job_area != nullptr ? SYS_Alloc(params_size, params_label) : nullptr;
  if (params == nullptr) {
    SYS_Free(job_area);
    SYS_ErrorBox("Insufficient memory!");
    return nullptr;
  }
  memset(params, 0, params_size);
  new (params) JOB_PARAMS_HEAD{busy};
  auto* job = new (job_area) JOB_RECORD;
  job->pfCompletion = completion;
  job->pParams = params;
  job->pOwner = owner;
  job->JobId = job_id;
  if (busy != nullptr) busy->store(1);
  return job;
}

int32_t JOB_Submit(JOB_RECORD* job) {
  if (job == nullptr) return -1;
  const int32_t result = JOB_Queue(job);
  if (result != 0) {
    if (JOB_BUSY* busy = BusyOf(job)) busy->store(0);
    JOB_FreeJob(job);
  }
  return result;
}

void JOB_FreeJob(JOB_RECORD* job) {
  if (job == nullptr) return;
  SYS_Free(job->pParams);
  SYS_Free(job);
}

void JOB_StandardCompletion(JOB_RECORD* job) {
  if (JOB_BUSY* busy = BusyOf(job)) busy->store(0);
  JOB_FreeJob(job);
}
