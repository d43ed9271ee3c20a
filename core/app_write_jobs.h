// Internal: the job handlers of the write engine, registered by APP_RegisterEngineHandlers.
#pragma once

#include "core/job_engine.h"

void APP_WriteSymbolDataHandler(JOB_RECORD* job);      // job 12
void APP_WriteSymbolDataStopHandler(JOB_RECORD* job);  // job 13
void APP_WriteSymbolCalcStopHandler(JOB_RECORD* job);  // job 14
