// The symbol write engine: computes a symbol's new value from an operation and a constant
// operand (or takes a calculation's result), keeps it inside the symbol's write limits,
// converts it to the symbol's fixed-point storage when it uses Q format, writes it into
// target memory through the probe, records it as the symbol's current value and tells the
// symbol watch (app_engine_notify.h).
//
// Writes are refused while the probe session is not ready (not connected).
#pragma once

#include <cstdint>

#include "core/job_engine.h"
#include "logic/logic_tree.h"
#include "symbols/active_symbol.h"

// Write operation codes.
enum APP_WriteOp : uint32_t {
  APP_WRITE_SET = 0,
  APP_WRITE_INVERT = 1,
  APP_WRITE_ADD = 2,
  APP_WRITE_SUB = 3,
  APP_WRITE_MUL = 4,
  APP_WRITE_DIV = 5,
  APP_WRITE_MOD = 6,
  APP_WRITE_AND = 7,
  APP_WRITE_OR = 8,
  APP_WRITE_XOR = 9,
  APP_WRITE_SHL = 10,
  APP_WRITE_SHR = 11,
  APP_WRITE_OP_COUNT = 12,
};

// One write: the symbol, the operation and its operand. The operand is read at the width
// of the symbol's value type: the low 8, 16 or 32 bits for integers and bool, the low 32
// bits as a float for float, all 64 bits as a double for double.
struct APP_WRITE_REQUEST {
  SYMBOL_ID Symbol;
  uint32_t Operation = APP_WRITE_SET;
  uint64_t Operand = 0;
};

// Computes the new value into *out (cleared first): the target's storage form, that is the
// Q raw number for a symbol shown in Q format. 1 when a value was produced; 0 for an
// operation code outside 0..11; negative when refused (no output, no symbol, unsupported
// type, no base value, operation not allowed for the type, division by zero, failed Q
// conversion). Any thread.
//
// Integer results wrap at the type's width unless the symbol catches overflow, in which case
// they saturate at the write limits. Every result but bool's is kept inside the write
// limits, which are first brought into the type's range.
int32_t APP_ComputeWriteValue(const ACTIVE_SYMBOL* symbol, uint32_t operation, uint64_t operand,
                              VALUE_SLOT* out);

// The base value an operation starts from: the current value while a write is pending, else
// the latest sample; a virtual symbol's current value. False when there is neither.
bool APP_GetWriteBase(const ACTIVE_SYMBOL& symbol, VALUE_SLOT* out);

// The symbol's value in its value type for a value in storage form (converts a Q raw number
// back to a float). False when the Q format is invalid.
bool APP_StorageToValue(const ACTIVE_SYMBOL& symbol, const VALUE_SLOT& storage, VALUE_SLOT* out);

// GUI thread: computes the value, makes it the current value (pending) and queues the
// WriteSymbolData job, which writes it on the worker. 0 when queued; negative when the
// request was dropped (no such active symbol, refused, out of memory): nothing is queued and
// the busy flag is left clear. With `result`, the job's outcome is stored there before the
// busy flag drops: 0 written, -1 refused or failed (not connected, write failed).
int32_t APP_WriteSymbolData(JOB_BUSY* busy, const APP_WRITE_REQUEST* request,
                            int32_t* result = nullptr);

// Worker: computes and writes at once. 0, or -1 (not ready, no such symbol, refused, write
// failed).
int32_t APP_WriteSymbolNow(const APP_WRITE_REQUEST* request);

// Periodic writes, started from any thread (usually the GUI). The handle names the task
// until it ends; a handle of a task that already ended names nothing.
using APP_WriteTask = JOB_TaskId;

// Shorter periods (0 above all: due on every idle pass, the worker would spin a core) are
// raised to this floor; every period a user can enter in milliseconds is kept.
constexpr uint32_t APP_MIN_WRITE_PERIOD_MS = 1;

// Repeats the constant operation every `period_ms`. 0 for a null request or after
// "Insufficient memory!". The task ends when its symbol leaves the active list.
APP_WriteTask APP_PeriodicWriteOperation(const APP_WRITE_REQUEST* request, uint32_t period_ms);
// Evaluates a private copy of `calc` every `period_ms` and writes its result converted to the
// symbol's type, as a single write would set it (inside the write limits, Q raw form). 0 when
// identity or calculation is missing, or after "Insufficient memory!". The task ends when its symbol leaves the list or when the
// calculation reports a check flag.
APP_WriteTask APP_PeriodicWriteCalcStart(const SYMBOL_ID* id, const CALCULATION_NODE* calc,
                                         uint32_t period_ms);
// Queue the jobs that end a constant-operation / calculation task. A zero handle queues
// nothing; a stale handle is harmless.
void APP_WriteSymbolDataStop(JOB_BUSY* busy, APP_WriteTask task);
void APP_WriteSymbolCalcStop(JOB_BUSY* busy, APP_WriteTask task);
// Any thread: ends every periodic write still running (leaving Run mode; a module or game
// pad that missed its own stop leaves no write behind).
void APP_StopAllPeriodicWrites();
