// The history rings: allocation, reset, decoding of HSS records, and access from any thread.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>
#include <vector>

#include "core/app_qformat.h"
#include "core/app_sampling.h"
#include "core/app_sampling_state.h"
#include "core/app_symbol_access.h"
#include "symbols/bitfield_member.h"
#include "platform/sys_memory.h"
#include "platform/sys_msgbox.h"

namespace {

// The ring indices and the time-stamp ring. The worker writes them; any thread reads.
struct Rings {
  std::atomic<uint32_t*> stamps{nullptr};  // APP_HISTORY_SLOTS entries; allocated once
  std::atomic<uint32_t> write_index{0};   // W
  std::atomic<uint32_t> latest_index{0};  // L
  std::atomic<uint32_t> start_index{0};   // S
  std::atomic<uint32_t> latest_stamp{0};
  std::atomic<bool> stored_any{false};    // a record was stored since the last reset
  // The same stamps unwrapped to 64 bits: the probe's 32-bit microsecond counter wraps
  // after 71.6 minutes, and the time axis, searches and auto scroll need a time that only
  // grows. Allocated together with `stamps`.
  std::atomic<uint64_t*> stamps64{nullptr};
  std::atomic<uint64_t> latest_stamp64{0};
  uint64_t unwrap_last = 0;    // worker only: the last unwrapped stamp
  bool unwrap_valid = false;   // worker only: false until the first record after a reset
};

Rings g_rings;
APP_SAMPLING_STATE g_state;

SAMPLE_HISTORY* DefaultAllocator() {
  return static_cast<SAMPLE_HISTORY*>(SYS_Alloc(sizeof(SAMPLE_HISTORY), "APP: Sample history"));
}

std::atomic<APP_HistoryAllocator> g_allocator{DefaultAllocator};

uint32_t LoadStamp(uint32_t* stamps, uint32_t index) {
  return std::atomic_ref<uint32_t>(stamps[index]).load(std::memory_order_relaxed);
}

void StoreStamp(uint32_t* stamps, uint32_t index, uint32_t stamp) {
  std::atomic_ref<uint32_t>(stamps[index]).store(stamp, std::memory_order_relaxed);
}

uint64_t LoadStamp64(const uint64_t* stamps, uint32_t index) {
  return std::atomic_ref<uint64_t>(const_cast<uint64_t&>(stamps[index])).load(std::memory_order_relaxed);
}

void StoreStamp64(uint64_t* stamps, uint32_t index, uint64_t stamp) {
  std::atomic_ref<uint64_t>(stamps[index]).store(stamp, std::memory_order_relaxed);
}

// The 64-bit time of a 32-bit stamp that follows `last`: the step is taken as a signed
// 32-bit difference, so a wrap of the counter continues the time, and a stamp a little
// older than the previous one (a probe that repeats or reorders) does not count as a wrap.
// Steps of 35 minutes or more between two records would be misread; sampling periods end
// far below that.
uint64_t Unwrap(uint64_t last, uint32_t stamp) {
  const int32_t step = static_cast<int32_t>(stamp - static_cast<uint32_t>(last));
  if (step < 0 && static_cast<uint64_t>(-static_cast<int64_t>(step)) > last) return 0;
  return last + static_cast<uint64_t>(static_cast<int64_t>(step));
}

void ClearSlots(VALUE_SLOT* slots, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) APP_StoreSlot(slots[i], 0);
}

// ---- decoding ----------------------------------------------------------------------------

// How one symbol's value is taken from a record and folded into its extremes.
enum class Kind : uint8_t { kU8, kI8, kU16, kI16, kU32, kI32, kF32, kF64, kQ, kBits, kRaw };

struct PlanEntry {
  ACTIVE_SYMBOL* symbol = nullptr;
  VALUE_SLOT* slots = nullptr;
  uint32_t offset = 0;
  uint32_t size = 0;
  Kind kind = Kind::kRaw;
  uint32_t fold_type = 0;  // kRaw: the type the slot is folded as (0: not folded)
  bool is_virtual = false;
  uint64_t virtual_raw = 0;
  APP_QFORMAT q;
  uint32_t bit_offset = 0;  // kBits: the member's bits within the loaded word
  uint32_t bit_size = 0;
  double min = 0.0;
  double max = 0.0;
};

Kind KindOf(const ACTIVE_SYMBOL& s) {
  if (s.UseQFormat != 0 && s.ValueType == TYPEID_FLOAT) return Kind::kQ;
  if (s.BitSize != 0) return ACTSYM_IsReadableBitfield(s) ? Kind::kBits : Kind::kRaw;
  switch (s.ValueType) {
    case TYPEID_BOOL: case TYPEID_U8: return s.Size == 1 ? Kind::kU8 : Kind::kRaw;
    case TYPEID_I8: return s.Size == 1 ? Kind::kI8 : Kind::kRaw;
    case TYPEID_U16: return s.Size == 2 ? Kind::kU16 : Kind::kRaw;
    case TYPEID_I16: return s.Size == 2 ? Kind::kI16 : Kind::kRaw;
    case TYPEID_U32: return s.Size == 4 ? Kind::kU32 : Kind::kRaw;
    case TYPEID_I32: return s.Size == 4 ? Kind::kI32 : Kind::kRaw;
    case TYPEID_FLOAT: return s.Size == 4 ? Kind::kF32 : Kind::kRaw;
    case TYPEID_DOUBLE: return s.Size == 8 ? Kind::kF64 : Kind::kRaw;
    default: return Kind::kRaw;
  }
}

// The slot read as the type and converted to double; false for types that are not folded.
bool SlotAsDouble(const VALUE_SLOT& v, uint32_t type, double* out) {
  switch (type) {
    case TYPEID_FLOAT: *out = v.f32; return true;
    case TYPEID_DOUBLE: *out = v.f64; return true;
    case TYPEID_BOOL: case TYPEID_U8: *out = v.u8; return true;
    case TYPEID_U16: *out = v.u16; return true;
    case TYPEID_U32: *out = v.u32; return true;
    case TYPEID_I8: *out = v.i8; return true;
    case TYPEID_I16: *out = v.i16; return true;
    case TYPEID_I32: *out = v.i32; return true;
    default: return false;
  }
}

void Fold(PlanEntry& e, double v) {
  if (v > e.max) e.max = v;
  if (v < e.min) e.min = v;
}

uint64_t LoadBytes(const uint8_t* p, uint32_t size) {
  uint64_t raw = 0;
  std::memcpy(&raw, p, size);  // little-endian host: the value lands in the low bytes
  return raw;
}

// Stores one column of `n` records for a symbol of plain type T and folds records
// `fold_from`.. into the extremes.
template <typename T>
void DecodeColumn(const uint8_t* rec, uint32_t record_size, uint32_t n, uint32_t fold_from,
                  PlanEntry& e, VALUE_SLOT* dst) {
  T lo = std::numeric_limits<T>::has_infinity ? std::numeric_limits<T>::infinity()
                                              : std::numeric_limits<T>::max();
  T hi = std::numeric_limits<T>::has_infinity ? -std::numeric_limits<T>::infinity()
                                              : std::numeric_limits<T>::lowest();
  bool any = false;  // a block of NaN only leaves the extremes as they were
  const uint8_t* p = rec + e.offset;
  uint32_t r = 0;
  for (; r < fold_from && r < n; ++r, p += record_size) {
    uint64_t raw = 0;
    std::memcpy(&raw, p, sizeof(T));
    APP_StoreSlot(dst[r], raw);
  }
  for (; r < n; ++r, p += record_size) {
    T v;
    std::memcpy(&v, p, sizeof v);
    uint64_t raw = 0;
    std::memcpy(&raw, &v, sizeof v);
    APP_StoreSlot(dst[r], raw);
    if constexpr (std::is_floating_point_v<T>) {
      if (std::isnan(v)) continue;
    }
    any = true;
    hi = v > hi ? v : hi;
    lo = v < lo ? v : lo;
  }
  if (any) {
    Fold(e, static_cast<double>(hi));
    Fold(e, static_cast<double>(lo));
  }
}

void DecodeColumnQ(const uint8_t* rec, uint32_t record_size, uint32_t n, uint32_t fold_from,
                   PlanEntry& e, VALUE_SLOT* dst) {
  const uint8_t* p = rec + e.offset;
  for (uint32_t r = 0; r < n; ++r, p += record_size) {
    VALUE_SLOT v;
    v.raw = LoadBytes(p, e.size);
    float real = 0.0f;
    if (APP_QToReal(v.raw, e.q, &real)) {
      v.raw = 0;
      v.f32 = real;
    }
    APP_StoreSlot(dst[r], v.raw);
    if (r >= fold_from) Fold(e, v.f32);
  }
}

// A bitfield member: its bits taken from the loaded word, sign-extended for a signed type,
// stored as the member's own (smallest) integer type.
void DecodeColumnBits(const uint8_t* rec, uint32_t record_size, uint32_t n, uint32_t fold_from,
                      PlanEntry& e, VALUE_SLOT* dst) {
  const uint8_t* p = rec + e.offset;
  for (uint32_t r = 0; r < n; ++r, p += record_size) {
    VALUE_SLOT v;
    v.raw = ACTSYM_ExtractBits(LoadBytes(p, e.size), e.bit_offset, e.bit_size, e.fold_type);
    APP_StoreSlot(dst[r], v.raw);
    double d = 0.0;
    if (r >= fold_from && SlotAsDouble(v, e.fold_type, &d)) Fold(e, d);
  }
}

void DecodeColumnRaw(const uint8_t* rec, uint32_t record_size, uint32_t n, uint32_t fold_from,
                     PlanEntry& e, VALUE_SLOT* dst) {
  const uint8_t* p = rec + e.offset;
  for (uint32_t r = 0; r < n; ++r, p += record_size) {
    VALUE_SLOT v;
    v.raw = LoadBytes(p, e.size);
    APP_StoreSlot(dst[r], v.raw);
    double d = 0.0;
    if (r >= fold_from && SlotAsDouble(v, e.fold_type, &d)) Fold(e, d);
  }
}

void DecodeVirtual(uint32_t n, uint32_t fold_from, PlanEntry& e, VALUE_SLOT* dst) {
  for (uint32_t r = 0; r < n; ++r) APP_StoreSlot(dst[r], e.virtual_raw);
  VALUE_SLOT v;
  v.raw = e.virtual_raw;
  double d = 0.0;
  if (fold_from < n && SlotAsDouble(v, e.fold_type, &d)) Fold(e, d);
}

// The decoding plan of the current list; rebuilt for every read (the list is short next to
// the records of one read), its storage kept so that decoding does not allocate.
std::vector<PlanEntry> g_plan;

void BuildPlan(uint32_t record_size) {
  g_plan.clear();
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    ACTIVE_SYMBOL* s = c->pSymbol;
    if (s == nullptr || s->pHistory == nullptr) continue;  // never write through a missing ring
    PlanEntry e;
    e.symbol = s;
    e.slots = s->pHistory->Slots;
    e.min = APP_LoadSampledMin(*s);
    e.max = APP_LoadSampledMax(*s);
    e.fold_type = s->ValueType;
    if (s->Virtual != 0) {
      e.is_virtual = true;
      VALUE_SLOT v = APP_LoadCurrentValue(*s);
      if (s->Size >= 1 && s->Size < 8) v.raw &= (uint64_t{1} << (8 * s->Size)) - 1;
      e.virtual_raw = v.raw;
    } else {
      if (s->Read == 0) continue;
      // A layout that does not fit the records (a list changed after the start) is skipped.
      if (s->Size < 1 || s->Size > 8 || s->RecordOffset < 4 ||
          uint64_t{s->RecordOffset} + s->Size > record_size) {
        continue;
      }
      e.offset = s->RecordOffset;
      e.size = s->Size;
      e.kind = KindOf(*s);
      e.bit_offset = s->BitOffset;
      e.bit_size = s->BitSize;
      if (e.kind == Kind::kQ) {
        e.q = APP_GetQFormat(*s);
        e.fold_type = TYPEID_FLOAT;
      }
    }
    g_plan.push_back(e);
  }
}

void DecodeBlock(const uint8_t* rec, uint32_t record_size, uint32_t n, uint32_t fold_from,
                 uint32_t slot_index) {
  for (PlanEntry& e : g_plan) {
    VALUE_SLOT* dst = e.slots + slot_index;
    if (e.is_virtual) {
      DecodeVirtual(n, fold_from, e, dst);
      continue;
    }
    switch (e.kind) {
      case Kind::kU8: DecodeColumn<uint8_t>(rec, record_size, n, fold_from, e, dst); break;
      case Kind::kI8: DecodeColumn<int8_t>(rec, record_size, n, fold_from, e, dst); break;
      case Kind::kU16: DecodeColumn<uint16_t>(rec, record_size, n, fold_from, e, dst); break;
      case Kind::kI16: DecodeColumn<int16_t>(rec, record_size, n, fold_from, e, dst); break;
      case Kind::kU32: DecodeColumn<uint32_t>(rec, record_size, n, fold_from, e, dst); break;
      case Kind::kI32: DecodeColumn<int32_t>(rec, record_size, n, fold_from, e, dst); break;
      case Kind::kF32: DecodeColumn<float>(rec, record_size, n, fold_from, e, dst); break;
      case Kind::kF64: DecodeColumn<double>(rec, record_size, n, fold_from, e, dst); break;
      case Kind::kQ: DecodeColumnQ(rec, record_size, n, fold_from, e, dst); break;
      case Kind::kBits: DecodeColumnBits(rec, record_size, n, fold_from, e, dst); break;
      case Kind::kRaw: DecodeColumnRaw(rec, record_size, n, fold_from, e, dst); break;
    }
  }
}

// Records per column pass: the block of records stays in the cache while every symbol's
// column is taken from it.
constexpr uint32_t kBlockRecords = 256;

}  // namespace

APP_SAMPLING_STATE& APP_SamplingState() { return g_state; }

void APP_SetHistoryAllocator(APP_HistoryAllocator allocator) {
  g_allocator.store(allocator != nullptr ? allocator : DefaultAllocator);
}

void APP_FreeHistory(ACTIVE_SYMBOL* symbol) {
  if (symbol == nullptr || symbol->pHistory == nullptr) return;
  APP_StoreLatestSample(*symbol, nullptr);
  SYS_Free(symbol->pHistory);
  symbol->pHistory = nullptr;
}

void APP_ReleaseSamplingBuffers() {
  SYS_Free(g_rings.stamps.exchange(nullptr));
  SYS_Free(g_rings.stamps64.exchange(nullptr));
  g_plan = std::vector<PlanEntry>();
}

void APP_ResetHistory() {
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (c->pSymbol == nullptr) continue;
    APP_StoreHasData(*c->pSymbol, false);
    APP_StoreLatestSample(*c->pSymbol, nullptr);
    APP_StoreSampledExtremes(*c->pSymbol, DBL_MAX, -DBL_MAX);
  }
  g_rings.stored_any.store(false, std::memory_order_relaxed);
  g_rings.write_index.store(0, std::memory_order_release);
  g_rings.latest_index.store(0, std::memory_order_release);
  g_rings.start_index.store(0, std::memory_order_release);
  g_rings.latest_stamp.store(0, std::memory_order_relaxed);
  g_rings.latest_stamp64.store(0, std::memory_order_relaxed);
  g_rings.unwrap_last = 0;
  g_rings.unwrap_valid = false;
}

namespace {

// The time-stamp ring `ring` (allocated on first use) with every entry cleared; null after
// "Insufficient memory!".
template <typename T>
T* ClearedStampRing(std::atomic<T*>& ring, const char* label) {
  T* stamps = ring.load();
  if (stamps == nullptr) {
    stamps = static_cast<T*>(SYS_Alloc(APP_HISTORY_SLOTS * sizeof(T), label));
    if (stamps == nullptr) {
      SYS_ErrorBox("Insufficient memory!");
      return nullptr;
    }
  }
  for (uint32_t i = 0; i < APP_HISTORY_SLOTS; ++i) std::atomic_ref<T>(stamps[i]).store(0, std::memory_order_relaxed);
  ring.store(stamps);
  return stamps;
}

}  // namespace

int32_t APP_PrepareHistories() {
  if (ClearedStampRing(g_rings.stamps, "APP: Time stamp ring") == nullptr ||
      ClearedStampRing(g_rings.stamps64, "APP: Time stamp ring (64 bits)") == nullptr) {
    return -1;
  }
  int32_t result = 0;
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    ACTIVE_SYMBOL* s = c->pSymbol;
    if (s == nullptr || (s->Read == 0 && s->Virtual == 0)) continue;
    if (s->pHistory == nullptr) {
      SAMPLE_HISTORY* history = g_allocator.load()();
      if (history == nullptr) {
        if (result == 0) {
          SYS_ErrorBoxF("Insufficient memory for the sample history of '%.200s'!", s->Name);
        }
        result = -1;
        continue;
      }
      s->pHistory = history;
    }
    ClearSlots(s->pHistory->Slots, APP_HISTORY_SLOTS);
  }
  return result;
}

void APP_SetPaused(bool paused) { g_state.paused.store(paused); }

void APP_DecodeHSSRecords(const uint8_t* data, uint32_t n_bytes, uint32_t record_size) {
  uint32_t* stamps = g_rings.stamps.load(std::memory_order_relaxed);
  uint64_t* stamps64 = g_rings.stamps64.load(std::memory_order_relaxed);
  if (data == nullptr || record_size < 4 || stamps == nullptr || stamps64 == nullptr) return;
  uint32_t n_records = n_bytes / record_size;
  if (n_records == 0) return;
  const bool paused = g_state.paused.load();
  if (!paused) BuildPlan(record_size);

  uint32_t w = g_rings.write_index.load(std::memory_order_relaxed);
  uint32_t s = g_rings.start_index.load(std::memory_order_relaxed);
  const uint8_t* rec = data;
  bool touched = false;
  while (n_records > 0) {
    const uint32_t segment = std::min(n_records, APP_HISTORY_SLOTS - w);
    for (uint32_t done = 0; done < segment;) {
      const uint32_t n = std::min(kBlockRecords, segment - done);
      const uint8_t* block = rec + static_cast<size_t>(done) * record_size;
      const uint32_t slot = w + done;
      for (uint32_t r = 0; r < n; ++r) {
        uint32_t stamp;
        std::memcpy(&stamp, block + static_cast<size_t>(r) * record_size, sizeof stamp);
        StoreStamp(stamps, slot + r, stamp);
        const uint64_t stamp64 = g_rings.unwrap_valid ? Unwrap(g_rings.unwrap_last, stamp) : stamp;
        g_rings.unwrap_last = stamp64;
        g_rings.unwrap_valid = true;
        StoreStamp64(stamps64, slot + r, stamp64);
      }
      if (!paused) {
        // The very first record after a reset does not count for the extremes.
        const bool first = slot == 0 && !g_rings.stored_any.load(std::memory_order_relaxed);
        DecodeBlock(block, record_size, n, first ? 1 : 0, slot);
        touched = true;
      }
      g_rings.stored_any.store(true, std::memory_order_relaxed);
      done += n;
    }
    const uint32_t last = w + segment - 1;
    uint32_t last_stamp;
    std::memcpy(&last_stamp, rec + static_cast<size_t>(segment - 1) * record_size, sizeof last_stamp);
    if (touched) {
      for (PlanEntry& e : g_plan) APP_StoreLatestSample(*e.symbol, &e.slots[last]);
    }
    rec += static_cast<size_t>(segment) * record_size;
    n_records -= segment;
    // Advance: once the ring has wrapped, S stays one slot ahead of W.
    w += segment;
    if (s != 0) s = w + 1;
    if (w == APP_HISTORY_SLOTS) {
      w = 0;
      s = 1;
    }
    g_rings.latest_stamp.store(last_stamp, std::memory_order_relaxed);
    g_rings.latest_stamp64.store(g_rings.unwrap_last, std::memory_order_relaxed);
    g_rings.latest_index.store(last, std::memory_order_release);
    g_rings.start_index.store(s, std::memory_order_release);
    g_rings.write_index.store(w, std::memory_order_release);
  }
  if (!touched) return;
  for (PlanEntry& e : g_plan) {
    APP_StoreSampledExtremes(*e.symbol, e.min, e.max);
    APP_StoreHasData(*e.symbol, true);
    if (!e.is_virtual) APP_StoreValuePending(*e.symbol, false);
  }
}

// ---- access ----------------------------------------------------------------------------

namespace {

// The slot of position i counted from the oldest sample. Once the ring has wrapped, S is
// one slot ahead of W, and the oldest sample sits at W (the slot the next record
// overwrites), that is at S - 1; the newest sits at W - 1.
uint32_t RingSlot(uint32_t i) {
  const uint32_t s = g_rings.start_index.load(std::memory_order_acquire);
  if (s == 0) return i;
  return static_cast<uint32_t>((uint64_t{s} + APP_HISTORY_SLOTS - 1 + i) % APP_HISTORY_SLOTS);
}

}  // namespace

uint32_t APP_GetSampleCount() {
  if (g_rings.start_index.load(std::memory_order_acquire) != 0) return APP_HISTORY_SLOTS;
  return g_rings.write_index.load(std::memory_order_acquire);
}

bool APP_GetSampleAt(const ACTIVE_SYMBOL* symbol, uint32_t i, VALUE_SLOT* out) {
  if (out != nullptr) out->raw = 0;
  if (symbol == nullptr || out == nullptr || i >= APP_HISTORY_SLOTS) return false;
  const SAMPLE_HISTORY* history = symbol->pHistory;
  if (history == nullptr) return false;
  *out = APP_LoadSlot(history->Slots[RingSlot(i)]);
  return true;
}

uint32_t APP_GetTimestampAt(uint32_t i) {
  uint32_t* stamps = g_rings.stamps.load(std::memory_order_acquire);
  if (i >= APP_HISTORY_SLOTS || stamps == nullptr) return 0;
  if (g_rings.start_index.load(std::memory_order_acquire) != 0) return LoadStamp(stamps, RingSlot(i));
  const uint32_t l = g_rings.latest_index.load(std::memory_order_acquire);
  return LoadStamp(stamps, i <= l ? i : l);
}

uint64_t APP_GetTimestamp64At(uint32_t i) {
  const uint64_t* stamps = g_rings.stamps64.load(std::memory_order_acquire);
  if (i >= APP_HISTORY_SLOTS || stamps == nullptr) return 0;
  if (g_rings.start_index.load(std::memory_order_acquire) != 0) return LoadStamp64(stamps, RingSlot(i));
  const uint32_t l = g_rings.latest_index.load(std::memory_order_acquire);
  return LoadStamp64(stamps, i <= l ? i : l);
}

APP_HISTORY_VIEW APP_GetHistoryView() {
  APP_HISTORY_VIEW view;
  view.stamps = g_rings.stamps64.load(std::memory_order_acquire);
  if (view.stamps == nullptr) return view;
  // One load of W decides both the count and the oldest slot, so that the two agree.
  const bool wrapped = g_rings.start_index.load(std::memory_order_acquire) != 0;
  const uint32_t w = g_rings.write_index.load(std::memory_order_acquire);
  view.count = wrapped ? APP_HISTORY_SLOTS : w;
  view.oldest_slot = wrapped ? w : 0;
  return view;
}

const uint32_t* APP_GetTimestampRing() { return g_rings.stamps.load(std::memory_order_acquire); }
uint64_t APP_GetLatestTimestamp64() { return g_rings.latest_stamp64.load(std::memory_order_relaxed); }
uint32_t APP_GetLatestTimestamp() { return g_rings.latest_stamp.load(std::memory_order_relaxed); }
uint32_t APP_GetWriteIndex() { return g_rings.write_index.load(std::memory_order_acquire); }
uint32_t APP_GetLatestIndex() { return g_rings.latest_index.load(std::memory_order_acquire); }
uint32_t APP_GetStartIndex() { return g_rings.start_index.load(std::memory_order_acquire); }

bool APP_GetLatestValue(const ACTIVE_SYMBOL* symbol, VALUE_SLOT* out) {
  if (out != nullptr) out->raw = 0;
  if (symbol == nullptr || out == nullptr) return false;
  const VALUE_SLOT* slot = APP_LoadLatestSample(*symbol);
  if (slot == nullptr) return false;
  *out = APP_LoadSlot(*slot);
  return true;
}
