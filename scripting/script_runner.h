// The published script list and its runner. The scripting view edits private copies and
// publishes them whole; the runner on the worker walks only the published list, every 10 ms
// in Run mode, and writes each enabled write's result while its script's formula holds.
//
// Hand-over: a published list is immutable and shared (reference counted) together with its
// activity counters and result slots; one short lock guards only the swap of that pointer.
// The runner holds its own reference for a whole pass, so publishing never frees a list the
// worker is walking, and neither side waits for probe writes of the other.
#pragma once

#include <cstdint>

#include "core/job_engine.h"
#include "scripting/script_record.h"

// Activity shown after a formula was last true.
constexpr int32_t SCRIPT_ACTIVE_MS = 333;
constexpr uint32_t SCRIPT_PERIOD_MS = 10;

// A deep copy of the published list for editing (null when empty or out of memory).
SCRIPT_RECORD* SCRIPT_CopyList();
// Checks the list; when it passes, installs a deep copy (the caller keeps its list) with
// fresh counters and result slots. 0, or -1 when the check fails or memory ran out (the
// published list is then kept). A target or a symbol that is not active does not fail the
// check: such a write is kept and skipped while its symbol is missing.
int32_t SCRIPT_Publish(const SCRIPT_RECORD* list);
// True when every formula is complete, no script has more than 16 writes and every present
// calculation is complete (values that only fail at run time, such as a divisor reading 0,
// do not count).
bool SCRIPT_CheckList(const SCRIPT_RECORD* list);
// Empties the published list (closing a project).
void SCRIPT_ClearPublished();

// One pass of the runner. With `queued` the writes go through the write job
// (APP_WriteSymbolData, GUI thread) instead of being written at once (APP_WriteSymbolNow,
// worker). Outside Run mode it only clears counters and result slots.
void SCRIPT_Run(bool queued);
// Number of writes the runner has issued (tests and the benchmark).
uint64_t SCRIPT_WriteCount();

// In Run mode: whether the script's formula held within the last 333 ms.
bool SCRIPT_IsActive(uint32_t script);
// In Run mode: the check flags of the write's last evaluation (0 outside or out of range).
uint32_t SCRIPT_LastFlags(uint32_t script, uint32_t write);
// True when a published formula, calculation or target refers to the symbol.
bool SCRIPT_UsesSymbol(const ACTIVE_SYMBOL* symbol);
// True when a published formula or calculation reads the symbol's current value (a write
// target alone does not).
bool SCRIPT_ReadsSymbol(const ACTIVE_SYMBOL* symbol);

// The 10 ms script task on the worker, started when Run mode is entered and ended when it
// is left. Starting twice keeps one task.
void SCRIPT_StartTask();
void SCRIPT_StopTask();
