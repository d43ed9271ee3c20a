// The data sampling engine. In Run mode a periodic task on the worker reads the probe's
// High-Speed Sampling (HSS) stream every 10 ms, stores every record's time stamp in a shared
// ring and every sampled symbol's value in the symbol's own history ring (both 1048576
// entries), keeps each symbol's latest sample and sampled extremes, and asks the GUI to
// refresh.
//
// Threads: the jobs, the read task and the decoding run on the worker; the history access
// functions may be called from any thread (they read without locks and may see the newest
// record one refresh late). The active symbol list is maintained by app_active_list.h.
#pragma once

#include <cstdint>

#include "core/job_engine.h"
#include "symbols/active_symbol.h"

constexpr uint32_t APP_HISTORY_SLOTS = 1048576;
// Bytes fetched from the probe per HSS read at most (rounded down to whole records).
constexpr uint32_t APP_HSS_READ_BYTES = 2097152;
constexpr uint32_t APP_READ_PERIOD_MS = 10;

// The history ring of one symbol: 8 bytes per sample, the value in the low bytes
// (little-endian), the rest cleared. Allocated when sampling first starts; kept until the
// record goes (APP_FreeHistory).
struct SAMPLE_HISTORY {
  VALUE_SLOT Slots[APP_HISTORY_SLOTS];
};

// ---- jobs ------------------------------------------------------------------------------

// GUI thread: queues ReadStart. On failure its completion shows "Failed to start data
// sampling." and asks the GUI back to Edit mode; it always emits UpdateGUI.
void APP_ReadStart(JOB_BUSY* busy);
// GUI thread: queues ReadStop while the read task exists; otherwise does nothing.
void APP_ReadStop(JOB_BUSY* busy);
// Worker: stops sampling at once (read task, HSS, probe connection).
void APP_ReadStopNow();
// Registers the handlers of the sampling and write jobs (5, 6, 7, 12, 13, 14) with the
// application's handler table. The creating functions do it on first use; the main window
// may call it earlier. Idempotent.
void APP_RegisterEngineHandlers();

// ---- engine state ----------------------------------------------------------------------

bool APP_IsReading();         // sampling started
bool APP_IsPaused();          // values are not stored
bool APP_IsTargetRunning();   // the CPU was not halted when sampling started
bool APP_HasReadTask();       // the 10 ms read task exists
// Project closed: clears HSS running, the counts and the indices, sets paused, first start
// and history reset pending, and resets the probe session's project state. Worker.
void APP_ResetSamplingProject();

// ---- history access (any thread) -------------------------------------------------------

// Samples stored: APP_HISTORY_SLOTS once the ring has wrapped, else the number of records
// taken since the last history reset.
uint32_t APP_GetSampleCount();
// The sample at position i counted from the oldest (before the wrap: slot i; after it the
// slot (S - 1 + i) modulo the ring size, so that position APP_HISTORY_SLOTS - 1 is the newest
// sample). False (out cleared) when i is not below APP_HISTORY_SLOTS or the symbol has no
// history.
bool APP_GetSampleAt(const ACTIVE_SYMBOL* symbol, uint32_t i, VALUE_SLOT* out);
// The time stamp at position i counted from the oldest; before the wrap an i beyond the
// newest record gives the newest stamp; 0 when i is not below APP_HISTORY_SLOTS.
uint32_t APP_GetTimestampAt(uint32_t i);
// The ring itself (APP_HISTORY_SLOTS entries, or null before the first start). Readers on
// other threads should prefer APP_GetTimestampAt.
const uint32_t* APP_GetTimestampRing();
uint32_t APP_GetLatestTimestamp();
// The time stamps unwrapped to 64 bits (microseconds since sampling start, growing past the
// 32-bit counter's wrap after 71.6 minutes): position i as for APP_GetTimestampAt, and the
// newest record's stamp (0 before the first record).
uint64_t APP_GetTimestamp64At(uint32_t i);
uint64_t APP_GetLatestTimestamp64();

// A consistent look at the history for readers that walk it in bulk: `count` samples, the
// oldest in ring slot `oldest_slot`, position i in slot (oldest_slot + i) modulo
// APP_HISTORY_SLOTS, in the 64-bit stamp ring and in every symbol's ring alike. Slots are
// read with APP_LoadSlot and stamps with atomic_ref loads; the worker may overwrite the
// oldest slots meanwhile (a reader then sees newer values there, never torn ones).
struct APP_HISTORY_VIEW {
  const uint64_t* stamps = nullptr;  // APP_HISTORY_SLOTS entries; null before the first start
  uint32_t count = 0;
  uint32_t oldest_slot = 0;
};
APP_HISTORY_VIEW APP_GetHistoryView();
uint32_t APP_GetWriteIndex();   // W: next slot to fill
uint32_t APP_GetLatestIndex();  // L: slot of the newest record
uint32_t APP_GetStartIndex();   // S: 0 before the wrap, then one slot ahead of W
// The newest sample of the symbol (false before the first one).
bool APP_GetLatestValue(const ACTIVE_SYMBOL* symbol, VALUE_SLOT* out);

// ---- worker-side building blocks (also used by tests and benchmarks) ---------------------

// History reset: clears every active symbol's has-data flag and latest-sample pointer and
// the ring indices; the next APP_PrepareHistories clears the rings.
void APP_ResetHistory();
// Gives every sampled or virtual active symbol a cleared history and clears the time-stamp
// ring. 0, or -1 after a message when a ring cannot be allocated (nothing is then decoded
// into a missing ring: symbols without history are skipped).
int32_t APP_PrepareHistories();
// Decodes `n_bytes` of HSS records of `record_size` bytes (a trailing partial record is
// ignored) into the rings, for the active symbols in list order.
void APP_DecodeHSSRecords(const uint8_t* data, uint32_t n_bytes, uint32_t record_size);
// Sets or clears the paused flag (the Pause job; tests).
void APP_SetPaused(bool paused);
// Frees the symbol's history (when its record goes away).
void APP_FreeHistory(ACTIVE_SYMBOL* symbol);
// Frees the time-stamp ring and the read buffer (end of program; tests).
void APP_ReleaseSamplingBuffers();

// Allocation of history rings; replaceable so that tests can make it fail.
using APP_HistoryAllocator = SAMPLE_HISTORY* (*)();
void APP_SetHistoryAllocator(APP_HistoryAllocator allocator);  // null: the default
