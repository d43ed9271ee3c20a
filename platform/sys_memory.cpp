#include "platform/sys_memory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sys_msgbox.h"

#include <atomic>

namespace {

constexpr uint32_t kSystemBoxError = 0x42010;

void ReportAllocFailure(uint32_t size) {
  char text[64];
  snprintf(text, sizeof text, "Failed to allocate 0x%08X bytes of memory!", size);
  SYS_SystemMessageBox(text, "Error", kSystemBoxError);
}

}  // namespace

#ifndef VISTRO_MEMORY_GUARD

namespace {

// Live blocks are counted in every configuration (a relaxed counter costs next to nothing),
// so that a block a test expects freed is seen to be freed.
std::atomic<uint32_t> g_live_count{0};

}  // namespace

void* SYS_Alloc(uint32_t size, const char* /*label*/) {
  void* area = malloc(size == 0 ? 1 : size);
  if (area == nullptr) {
    ReportAllocFailure(size);
    return nullptr;
  }
  g_live_count.fetch_add(1, std::memory_order_relaxed);
  return area;
}

void SYS_Free(void* area) {
  if (area == nullptr) return;
  g_live_count.fetch_sub(1, std::memory_order_relaxed);
  free(area);
}

uint32_t SYS_GetLiveBlockCount() { return g_live_count.load(std::memory_order_relaxed); }
uint64_t SYS_GetLiveBlockBytes() { return 0; }

#else  // guard configuration

namespace {

constexpr uint32_t kSignature = 0xDEADBEEFu;
constexpr uint8_t kFill = 0xCE;
constexpr size_t kTrailerSize = 32;
constexpr uint32_t kSystemBoxWarning = 0x42030;

// 32 bytes in front of the caller's area.
struct BlockHeader {
  uint32_t size;
  uint32_t signature;
  const char* label;
  BlockHeader* next;
  BlockHeader* prev;
};
static_assert(sizeof(BlockHeader) == 32, "the header keeps the caller's area 16-byte aligned");

// The live list (newest first) and its totals, guarded by a spin lock.
std::atomic<int> g_spin{0};
BlockHeader* g_head = nullptr;
uint32_t g_live_count = 0;
uint64_t g_live_bytes = 0;

struct SpinGuard {
  SpinGuard() {
    while (g_spin.exchange(1, std::memory_order_acquire) != 0) {
    }
  }
  ~SpinGuard() { g_spin.exchange(0, std::memory_order_release); }
};

}  // namespace

void* SYS_Alloc(uint32_t size, const char* label) {
  auto* raw = static_cast<uint8_t*>(malloc(static_cast<size_t>(size) + sizeof(BlockHeader) +
                                           kTrailerSize));
  if (raw == nullptr) {
    ReportAllocFailure(size);
    return nullptr;
  }
  auto* h = reinterpret_cast<BlockHeader*>(raw);
  h->size = size;
  h->signature = kSignature;
  h->label = label;
  h->prev = nullptr;
  memset(raw + sizeof(BlockHeader) + size, kFill, kTrailerSize);
  {
    SpinGuard g;
    h->next = g_head;
    if (g_head != nullptr) g_head->prev = h;
    g_head = h;
    g_live_count++;
    g_live_bytes += size;
  }
  return raw + sizeof(BlockHeader);
}

void SYS_Free(void* area) {
  if (area == nullptr) return;
  auto* raw = static_cast<uint8_t*>(area) - sizeof(BlockHeader);
  auto* h = reinterpret_cast<BlockHeader*>(raw);
  if (h->signature != kSignature) {
    SYS_SystemMessageBox("Wrong alloc signature in memory block !", " Debug Error",
                         kSystemBoxWarning);
    free(raw);
    return;
  }
  const uint8_t* trailer = raw + sizeof(BlockHeader) + h->size;
  int overflowed = 0;  // damaged trailer bytes
  for (size_t i = 0; i < kTrailerSize; ++i) {
    if (trailer[i] != kFill) overflowed++;
  }
  if (overflowed != 0) {
    char text[80];
    snprintf(text, sizeof text, "Buffer overflow in memory block. %d bytes overflowed.",
             overflowed);
    SYS_SystemMessageBox(text, " Debug Error", kSystemBoxWarning);
    free(raw);
    return;
  }
  memset(area, kFill, h->size);
  {
    SpinGuard g;
    if (h->prev != nullptr) h->prev->next = h->next; else g_head = h->next;
    if (h->next != nullptr) h->next->prev = h->prev;
    g_live_count--;
    g_live_bytes -= h->size;
  }
  free(raw);
}

uint32_t SYS_GetLiveBlockCount() {
  SpinGuard g;
  return g_live_count;
}

uint64_t SYS_GetLiveBlockBytes() {
  SpinGuard g;
  return g_live_bytes;
}

#endif

void* SYS_AllocAnon(uint32_t size) { return SYS_Alloc(size, nullptr); }
