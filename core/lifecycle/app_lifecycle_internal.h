// Shared pieces of the lifecycle job files.
#pragma once

#include <cstdint>

#include "core/job_engine.h"

// Parameter block of the jobs that report a result to the caller.
struct APP_RESULT_PARAMS {
  JOB_PARAMS_HEAD head;
  int32_t* pResult = nullptr;
};

// Completion: stores the handler's Result where the caller asked, then the standard one.
void APP_ResultCompletion(JOB_RECORD* job);
// Creates and queues a job whose parameter block is `T` (filled by `fill`). Queueing result.
template <typename T, typename Fill>
int32_t APP_QueueJob(uint32_t id, const char* job_label, const char* params_label,
                     JOB_BUSY* busy, void* owner, JOB_Completion completion, Fill fill) {
  JOB_RECORD* job = JOB_CreateJob(id, sizeof(T), job_label, params_label, busy, owner, completion);
  if (job == nullptr) return -1;
  fill(*static_cast<T*>(job->pParams));
  return JOB_Submit(job);
}

// Handlers of the ELF jobs (app_elf_jobs.cpp).
void APP_ParseElfHandler(JOB_RECORD* job);
void APP_ParseElfCompletion(JOB_RECORD* job);
void APP_CheckElfHandler(JOB_RECORD* job);
void APP_PrepareRunHandler(JOB_RECORD* job);
// Frees the trees replaced by reparses without match (their nodes may still be listed).
void APP_FreeRetiredTrees();
