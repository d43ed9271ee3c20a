#include "core/app_mode.h"

#include <atomic>

#include "logic/logic_eval.h"

namespace {
std::atomic<int32_t> g_app_mode{APP_MODE_EDIT};
}

void APP_SetAppMode(int32_t mode) {
  if (mode != APP_MODE_RUN && mode != APP_MODE_PREVIEW) mode = APP_MODE_EDIT;
  g_app_mode.store(mode, std::memory_order_relaxed);
  LOGIC_SetRunMode(mode == APP_MODE_RUN);
}

void APP_LeaveRunMode() {
  int32_t run = APP_MODE_RUN;
  if (g_app_mode.compare_exchange_strong(run, APP_MODE_EDIT, std::memory_order_relaxed)) {
    LOGIC_SetRunMode(false);
  }
}

int32_t APP_GetAppMode() { return g_app_mode.load(std::memory_order_relaxed); }
