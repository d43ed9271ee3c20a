// The application mode, one value for the whole program: Edit (0), Run (1), Preview (2).
// Setting it keeps the logic engine's Run-mode flag in step, so that evaluations follow the
// Run-mode rules (division by a symbol reading 0, reads of written values) exactly while the
// program is in Run mode.
#pragma once

#include <cstdint>

enum : int32_t { APP_MODE_EDIT = 0, APP_MODE_RUN = 1, APP_MODE_PREVIEW = 2 };

// Any thread may read the mode. The GUI thread (or a headless driver) sets it when the user
// switches; the sampling engine sets Run when sampling starts and leaves it when sampling
// stops, so that the mode always matches what the core does.
void APP_SetAppMode(int32_t mode);
// Run becomes Edit; any other mode stays (a switch to Preview meanwhile is kept).
void APP_LeaveRunMode();
int32_t APP_GetAppMode();
inline bool APP_IsRunMode() { return APP_GetAppMode() == APP_MODE_RUN; }
