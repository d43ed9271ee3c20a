#include "sim/sim_target.h"

#include <unicorn/unicorn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "sim/sim_flash_store.h"

namespace {

constexpr uint32_t kScsBase = 0xE000E000u;
constexpr uint32_t kScsSize = 0x1000u;
// Register offsets inside the system control space.
constexpr uint32_t kSystCsr = 0x010, kSystRvr = 0x014, kSystCvr = 0x018, kSystCalib = 0x01C;
constexpr uint32_t kCpuid = 0xD00, kIcsr = 0xD04, kVtor = 0xD08, kAircr = 0xD0C;

constexpr uint32_t kSysTickException = 15;
constexpr uint32_t kExcReturnThreadMsp = 0xFFFFFFF9u;
constexpr uint32_t kIntnoBreakpoint = 7;
constexpr uint32_t kIntnoExceptionExit = 8;
constexpr uint16_t kWfiOpcode = 0xBF30;

constexpr uint64_t kMaxSliceUs = 100;   // longest slice between two looks at the host
constexpr int64_t kMaxLagUs = 20000;    // a target further behind wall time forgets the debt

int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

uint32_t LoadU32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
void StoreU32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

uint32_t RegRead(uc_engine* uc, int reg) {
  uint32_t v = 0;
  uc_reg_read(uc, reg, &v);
  return v;
}
void RegWrite(uc_engine* uc, int reg, uint32_t v) { uc_reg_write(uc, reg, &v); }

// Registers stacked on exception entry, in frame order.
constexpr int kFrameRegs[8] = {UC_ARM_REG_R0, UC_ARM_REG_R1, UC_ARM_REG_R2, UC_ARM_REG_R3,
                               UC_ARM_REG_R12, UC_ARM_REG_LR, UC_ARM_REG_PC, UC_ARM_REG_XPSR};

}  // namespace

// Record buffer and schedule of one HSS session.
struct SIM_Target::Hss {
  struct Block {
    const uint8_t* src = nullptr; // inside flash_ or ram_
    uint32_t size = 0;
  };
  std::vector<Block> blocks;
  uint32_t period_us = 0;
  uint64_t next_us = 0;   // target time of the next sample (guarded by mu_)
  size_t record_size = 4;
  // Ring of records (guarded by hss_mu_).
  std::vector<uint8_t> ring;
  size_t capacity = 0;    // records
  size_t head = 0;        // oldest record
  size_t count = 0;
  uint64_t total = 0;
  uint64_t dropped = 0;
};

// Host access: makes the target thread yield between slices, then holds mu_.
class SIM_Target::HostLock {
 public:
  explicit HostLock(SIM_Target& t) : t_(t) {
    t_.host_waiting_.fetch_add(1);
    lock_ = std::unique_lock<std::mutex>(t_.mu_);
    t_.host_waiting_.fetch_sub(1);
  }
  ~HostLock() {
    lock_.unlock();
    t_.cv_.notify_all();
  }

 private:
  SIM_Target& t_;
  std::unique_lock<std::mutex> lock_;
};

SIM_Target::SIM_Target(const SIM_Device& device) : device_(device) {
  flash_.assign(device_.flash_size, 0xFF);
  ram_.assign(device_.ram_size, 0);
  (void)SIM_FlashStoreLoad(device_.name, flash_);
  if (!CreateEngine()) return;
  ResetCore();
  wall_origin_ns_ = SteadyNs();
  thread_ = std::thread([this] { Run(); });
}

SIM_Target::~SIM_Target() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    quit_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable()) thread_.join();
  DestroyEngine();
}

bool SIM_Target::CreateEngine() {
  uc_engine* uc = nullptr;
  uc_err err = uc_open(UC_ARCH_ARM, uc_mode(UC_MODE_THUMB | UC_MODE_MCLASS), &uc);
  if (err != UC_ERR_OK) {
    error_ = std::string("cannot create the CPU emulator: ") + uc_strerror(err);
    return false;
  }
  uc_ = uc;
  uc_hook hook = 0;
  if ((err = uc_ctl_set_cpu_model(uc, device_.cpu_model)) != UC_ERR_OK ||
      (err = uc_mem_map_ptr(uc, device_.flash_addr, device_.flash_size, UC_PROT_READ | UC_PROT_EXEC, flash_.data())) != UC_ERR_OK ||
      (err = uc_mem_map_ptr(uc, device_.ram_addr, device_.ram_size, UC_PROT_ALL, ram_.data())) != UC_ERR_OK ||
      (err = uc_mmio_map(uc, kScsBase, kScsSize, &SIM_Target::MmioRead, this, &SIM_Target::MmioWrite, this)) != UC_ERR_OK ||
      (err = uc_hook_add(uc, &hook, UC_HOOK_INTR, reinterpret_cast<void*>(&SIM_Target::OnInterrupt), this, 1, 0)) != UC_ERR_OK) {
    error_ = std::string("cannot set up the CPU emulator: ") + uc_strerror(err);
    DestroyEngine();
    return false;
  }
  return true;
}

void SIM_Target::DestroyEngine() {
  if (uc_) uc_close(uc_);
  uc_ = nullptr;
}

void SIM_Target::ResetCore() {
  std::memset(scs_, 0, sizeof scs_);
  scs_[kVtor / 4] = device_.flash_addr;
  scs_[kSystCalib / 4] = 0x40000000u | (ipus_ * 1000u - 1u); // no reference clock; 1 ms
  systick_pending_ = false;
  sleeping_ = false;
  in_handler_ = false;
  reset_request_ = false;
  stop_request_ = false;
  faulted_ = false;
  fault_text_.clear();
  const uint8_t* vectors = HostPtr(device_.flash_addr, 8, false);
  for (int r = UC_ARM_REG_R0; r <= UC_ARM_REG_R12; ++r) RegWrite(uc_, r, 0);
  RegWrite(uc_, UC_ARM_REG_CONTROL, 0);
  RegWrite(uc_, UC_ARM_REG_PRIMASK, 0);
  RegWrite(uc_, UC_ARM_REG_XPSR, 1u << 24);
  RegWrite(uc_, UC_ARM_REG_LR, 0xFFFFFFFFu);
  RegWrite(uc_, UC_ARM_REG_SP, LoadU32(vectors) & ~3u);
  RegWrite(uc_, UC_ARM_REG_PC, LoadU32(vectors + 4) | 1u);
  halted_ = false;
}

uint8_t* SIM_Target::HostPtr(uint32_t addr, uint32_t size, bool writable) {
  const uint64_t end = uint64_t(addr) + size;
  if (addr >= device_.ram_addr && end <= uint64_t(device_.ram_addr) + device_.ram_size)
    return ram_.data() + (addr - device_.ram_addr);
  if (!writable && addr >= device_.flash_addr && end <= uint64_t(device_.flash_addr) + device_.flash_size)
    return flash_.data() + (addr - device_.flash_addr);
  return nullptr;
}

uint64_t SIM_Target::NowUs() const { return time_base_us_ + (cycles_ - cycle_base_) / ipus_; }

uint64_t SIM_Target::CycleAtUs(uint64_t us) const {
  return us <= time_base_us_ ? cycle_base_ : cycle_base_ + (us - time_base_us_) * ipus_;
}

void SIM_Target::RebaseWall() { wall_origin_ns_ = SteadyNs() - int64_t(NowUs()) * 1000; }

// ---- target thread ------------------------------------------------------------------------------

void SIM_Target::Run() {
  std::unique_lock<std::mutex> lock(mu_);
  while (!quit_) {
    if (host_waiting_.load() > 0) {
      cv_.wait(lock, [this] { return quit_ || host_waiting_.load() == 0; });
      continue;
    }
    if (halted_ || !uc_) {
      cv_.wait(lock);
      continue;
    }
    RunOnce(lock);
  }
}

void SIM_Target::RunOnce(std::unique_lock<std::mutex>& lock) {
  const int64_t now_ns = SteadyNs();
  const uint64_t t_us = NowUs();
  int64_t ahead_us = (now_ns - wall_origin_ns_) / 1000 - int64_t(t_us); // wall time still to catch up
  if (ahead_us > kMaxLagUs) {
    wall_origin_ns_ = now_ns - (int64_t(t_us) + kMaxLagUs) * 1000;
    ahead_us = kMaxLagUs;
  }
  const bool systick_on = (scs_[kSystCsr / 4] & 1u) != 0;
  if (ahead_us <= 0) {
    // Emulated time has reached wall time: wait (host calls wake us early).
    int64_t wait_us = 100;
    if (sleeping_ && !systick_pending_)
      wait_us = systick_on ? int64_t((systick_wrap_cycle_ - std::min(systick_wrap_cycle_, cycles_)) / ipus_) : 2000;
    wait_us = std::clamp<int64_t>(wait_us - ahead_us, 50, 2000);
    cv_.wait_for(lock, std::chrono::microseconds(wait_us));
    return;
  }

  const uint64_t limit = cycles_ + std::min<uint64_t>(uint64_t(ahead_us), kMaxSliceUs) * ipus_;
  UpdateSysTick();
  TakeDueSamples();
  if (systick_pending_ && !in_handler_) {
    sleeping_ = false; // a pending exception ends WFI even while masked
    if ((RegRead(uc_, UC_ARM_REG_PRIMASK) & 1u) == 0 && !TakeException()) return;
  }

  uint64_t next = limit;
  if (systick_on) next = std::min(next, systick_wrap_cycle_);
  if (sleeping_) {
    // Idle until the next event; memory does not change, so due samples are taken in a batch.
    cycles_ = std::max(cycles_, next);
    UpdateSysTick();
    TakeDueSamples();
    return;
  }
  if (hss_) next = std::min(next, CycleAtUs(hss_->next_us));
  if (next <= cycles_) next = cycles_ + 1;
  const uint64_t count = next - cycles_;

  const uint32_t pc = RegRead(uc_, UC_ARM_REG_PC);
  const uc_err err = uc_emu_start(uc_, pc | 1u, 0xFFFFFFFFu, 0, count);
  cycles_ += count;
  instructions_ += count;
  if (err != UC_ERR_OK) {
    char text[160];
    std::snprintf(text, sizeof text, "core fault at PC 0x%08X: %s", RegRead(uc_, UC_ARM_REG_PC), uc_strerror(err));
    Fault(text);
    return;
  }
  if (reset_request_) {
    ResetCore();
    return;
  }
  if (stop_request_) {
    stop_request_ = false;
    return;
  }
  const uint32_t new_pc = RegRead(uc_, UC_ARM_REG_PC);
  if (const uint8_t* prev = HostPtr(new_pc - 2, 2, false); prev && (prev[0] | prev[1] << 8) == kWfiOpcode)
    sleeping_ = true;
  UpdateSysTick();
  TakeDueSamples();
}

void SIM_Target::Fault(const std::string& text) {
  halted_ = true;
  faulted_ = true;
  fault_text_ = text;
}

void SIM_Target::UpdateSysTick() {
  uint32_t& csr = scs_[kSystCsr / 4];
  if ((csr & 1u) == 0 || cycles_ < systick_wrap_cycle_) return;
  const uint64_t period = uint64_t(scs_[kSystRvr / 4] & 0xFFFFFFu) + 1;
  systick_wrap_cycle_ += ((cycles_ - systick_wrap_cycle_) / period + 1) * period;
  csr |= 1u << 16; // COUNTFLAG
  if (csr & 2u) systick_pending_ = true;
}

// Exception entry for SysTick: stack the basic frame on the main stack, enter handler mode.
bool SIM_Target::TakeException() {
  const uint32_t sp = RegRead(uc_, UC_ARM_REG_SP);
  uint32_t frame = sp - 32;
  const bool realign = (frame & 4u) != 0;
  if (realign) frame -= 4;
  uint8_t* p = HostPtr(frame, 32, true);
  if (!p) {
    char text[96];
    std::snprintf(text, sizeof text, "core fault: exception stack at 0x%08X outside RAM", frame);
    Fault(text);
    return false;
  }
  for (int i = 0; i < 8; ++i) {
    uint32_t v = RegRead(uc_, kFrameRegs[i]);
    if (kFrameRegs[i] == UC_ARM_REG_PC) v &= ~1u;
    if (kFrameRegs[i] == UC_ARM_REG_XPSR) v = (v & ~(1u << 9)) | (realign ? 1u << 9 : 0) | (1u << 24);
    StoreU32(p + 4 * i, v);
  }
  for (int i = 0; i < 16; ++i) saved_fp_[i] = RegRead(uc_, UC_ARM_REG_S0 + i);
  saved_fp_[16] = RegRead(uc_, UC_ARM_REG_FPSCR);
  const uint8_t* vector = HostPtr(scs_[kVtor / 4] + 4 * kSysTickException, 4, false);
  if (!vector) {
    Fault("core fault: vector table outside memory");
    return false;
  }
  RegWrite(uc_, UC_ARM_REG_SP, frame);
  RegWrite(uc_, UC_ARM_REG_LR, kExcReturnThreadMsp);
  RegWrite(uc_, UC_ARM_REG_IPSR, kSysTickException);
  RegWrite(uc_, UC_ARM_REG_PC, LoadU32(vector) | 1u);
  systick_pending_ = false;
  in_handler_ = true;
  return true;
}

// Exception return (called from the interrupt hook inside a slice).
void SIM_Target::ExceptionReturn() {
  const uint32_t sp = RegRead(uc_, UC_ARM_REG_SP);
  const uint8_t* p = HostPtr(sp, 32, false);
  if (!p) {
    Fault("core fault: exception return with SP outside RAM");
    stop_request_ = true;
    uc_emu_stop(uc_);
    return;
  }
  uint32_t xpsr = LoadU32(p + 28);
  for (int i = 0; i < 7; ++i) {
    if (kFrameRegs[i] != UC_ARM_REG_PC) RegWrite(uc_, kFrameRegs[i], LoadU32(p + 4 * i));
  }
  const uint32_t ret_pc = LoadU32(p + 24);
  RegWrite(uc_, UC_ARM_REG_SP, sp + 32 + ((xpsr & (1u << 9)) ? 4 : 0));
  xpsr &= ~((1u << 9) | 0x1FFu);
  RegWrite(uc_, UC_ARM_REG_XPSR, xpsr | (1u << 24));
  for (int i = 0; i < 16; ++i) RegWrite(uc_, UC_ARM_REG_S0 + i, saved_fp_[i]);
  RegWrite(uc_, UC_ARM_REG_FPSCR, saved_fp_[16]);
  in_handler_ = false;
  RegWrite(uc_, UC_ARM_REG_PC, ret_pc | 1u);
}

void SIM_Target::OnInterrupt(uc_struct* uc, uint32_t intno, void* user) {
  auto* self = static_cast<SIM_Target*>(user);
  if (intno == kIntnoExceptionExit) {
    self->ExceptionReturn();
    return;
  }
  char text[96];
  if (intno == kIntnoBreakpoint) {
    self->halted_ = true;
  } else {
    std::snprintf(text, sizeof text, "core fault: unexpected exception %u at PC 0x%08X", intno, RegRead(uc, UC_ARM_REG_PC));
    self->Fault(text);
  }
  self->stop_request_ = true;
  uc_emu_stop(uc);
}

uint64_t SIM_Target::MmioRead(uc_struct*, uint64_t offset, unsigned size, void* user) {
  auto* self = static_cast<SIM_Target*>(user);
  const uint32_t reg = uint32_t(offset) & ~3u;
  uint32_t value = self->scs_[reg / 4];
  if (reg == kSystCvr) {
    const uint64_t period = uint64_t(self->scs_[kSystRvr / 4] & 0xFFFFFFu) + 1;
    value = (self->scs_[kSystCsr / 4] & 1u) && self->systick_wrap_cycle_ > self->cycles_
                ? uint32_t(((self->systick_wrap_cycle_ - self->cycles_) % period))
                : 0;
  } else if (reg == kSystCsr) {
    self->scs_[reg / 4] &= ~(1u << 16); // COUNTFLAG clears on read
  } else if (reg == kCpuid) {
    value = self->device_.cpuid;
  } else if (reg == kAircr) {
    value = 0xFA050000u | (value & 0x700u);
  } else if (reg == kIcsr) {
    value = (self->systick_pending_ ? 1u << 26 : 0) | (self->in_handler_ ? kSysTickException : 0);
  }
  const unsigned shift = unsigned(offset & 3u) * 8;
  const uint64_t mask = size >= 4 ? 0xFFFFFFFFull : (1ull << (size * 8)) - 1;
  return (value >> shift) & mask;
}

void SIM_Target::MmioWrite(uc_struct* uc, uint64_t offset, unsigned size, uint64_t value, void* user) {
  auto* self = static_cast<SIM_Target*>(user);
  const uint32_t reg = uint32_t(offset) & ~3u;
  const unsigned shift = unsigned(offset & 3u) * 8;
  const uint32_t mask = size >= 4 ? 0xFFFFFFFFu : ((1u << (size * 8)) - 1) << shift;
  const uint32_t old = self->scs_[reg / 4];
  const uint32_t v = (old & ~mask) | ((uint32_t(value) << shift) & mask);
  const uint64_t period = uint64_t(self->scs_[kSystRvr / 4] & 0xFFFFFFu) + 1;
  switch (reg) {
    case kSystCsr:
      self->scs_[reg / 4] = (old & (1u << 16)) | (v & 7u);
      if ((v & 1u) && !(old & 1u)) self->systick_wrap_cycle_ = self->cycles_ + period;
      break;
    case kSystRvr:
      self->scs_[reg / 4] = v & 0xFFFFFFu;
      break;
    case kSystCvr: // any write clears the counter; it reloads on the next cycle
      self->scs_[kSystCsr / 4] &= ~(1u << 16);
      self->systick_wrap_cycle_ = self->cycles_ + period;
      break;
    case kSystCalib:
    case kCpuid:
      break; // read-only
    case kIcsr:
      if (v & (1u << 26)) self->systick_pending_ = true;
      if (v & (1u << 25)) self->systick_pending_ = false;
      break;
    case kAircr:
      if ((v >> 16) == 0x05FAu && (v & 4u)) {
        self->reset_request_ = true;
        uc_emu_stop(uc);
      }
      self->scs_[reg / 4] = v & 0x700u;
      break;
    default:
      self->scs_[reg / 4] = v;
      break;
  }
}

// ---- HSS ------------------------------------------------------------------------------------------

void SIM_Target::TakeDueSamples() {
  if (!hss_) return;
  Hss& h = *hss_;
  if (CycleAtUs(h.next_us) > cycles_) return;
  std::lock_guard<std::mutex> ring_lock(hss_mu_);
  while (CycleAtUs(h.next_us) <= cycles_) {
    if (h.count == h.capacity) { // full: the oldest record goes
      h.head = (h.head + 1) % h.capacity;
      --h.count;
      ++h.dropped;
    }
    uint8_t* rec = h.ring.data() + ((h.head + h.count) % h.capacity) * h.record_size;
    StoreU32(rec, uint32_t(h.next_us));
    size_t at = 4;
    for (const Hss::Block& b : h.blocks) {
      std::memcpy(rec + at, b.src, b.size);
      at += b.size;
    }
    ++h.count;
    ++h.total;
    h.next_us += h.period_us;
  }
}

int SIM_Target::HssStart(std::span<const VELTRA_HSS_BLOCK> blocks, uint32_t period_us) {
  if (period_us == 0) return -1;
  auto h = std::make_unique<Hss>();
  HostLock lock(*this);
  for (const VELTRA_HSS_BLOCK& b : blocks) {
    const uint8_t* src = b.num_bytes ? HostPtr(b.addr, b.num_bytes, false) : nullptr;
    if (!src) return -1;
    h->blocks.push_back({src, b.num_bytes});
    h->record_size += b.num_bytes;
  }
  h->period_us = period_us;
  const uint64_t now = NowUs();
  h->next_us = (now + period_us - 1) / period_us * period_us;
  h->capacity = std::max<size_t>(16, kHssBufferBytes / h->record_size);
  h->ring.resize(h->capacity * h->record_size);
  std::lock_guard<std::mutex> ring_lock(hss_mu_);
  hss_ = std::move(h);
  return 0;
}

int SIM_Target::HssRead(std::span<uint8_t> out) {
  std::lock_guard<std::mutex> ring_lock(hss_mu_);
  if (!hss_) return -1;
  Hss& h = *hss_;
  const size_t n = std::min(h.count, out.size() / h.record_size);
  for (size_t done = 0; done < n;) {
    const size_t run = std::min(n - done, h.capacity - h.head); // contiguous records up to the ring's end
    std::memcpy(out.data() + done * h.record_size, h.ring.data() + h.head * h.record_size, run * h.record_size);
    h.head = (h.head + run) % h.capacity;
    h.count -= run;
    done += run;
  }
  return int(n * h.record_size);
}

void SIM_Target::HssStop() {
  HostLock lock(*this);
  std::lock_guard<std::mutex> ring_lock(hss_mu_);
  hss_.reset();
}

// ---- host calls -----------------------------------------------------------------------------------

int SIM_Target::ReadMem(uint32_t addr, std::span<uint8_t> out) {
  if (out.size() > 0xFFFFFFFFu) return -1;
  HostLock lock(*this);
  const uint8_t* p = HostPtr(addr, uint32_t(out.size()), false);
  if (!p) return -1;
  std::memcpy(out.data(), p, out.size());
  return 0;
}

int SIM_Target::WriteMem(uint32_t addr, std::span<const uint8_t> data) {
  if (data.size() > 0x7FFFFFFFu) return -1;
  HostLock lock(*this);
  uint8_t* p = HostPtr(addr, uint32_t(data.size()), true);
  if (!p) return -1;
  std::memcpy(p, data.data(), data.size());
  return int(data.size());
}

int SIM_Target::Download(const SIM_ElfImage& image, std::string& error) {
  if (!uc_) {
    error = error_;
    return -1;
  }
  const uint64_t flash_end = uint64_t(device_.flash_addr) + device_.flash_size;
  const uint64_t ram_end = uint64_t(device_.ram_addr) + device_.ram_size;
  bool has_flash = false;
  for (const SIM_Segment& seg : image.segments) {
    const uint64_t end = uint64_t(seg.paddr) + seg.mem_size;
    const bool in_flash = seg.paddr >= device_.flash_addr && end <= flash_end;
    const bool in_ram = seg.paddr >= device_.ram_addr && end <= ram_end;
    if (!in_flash && !in_ram) {
      char text[192];
      std::snprintf(text, sizeof text, "segment at 0x%08X (%u bytes) does not fit the memories of %s", seg.paddr,
                    seg.mem_size, device_.name);
      error = text;
      return -1;
    }
    has_flash = has_flash || in_flash;
  }
  if (!has_flash) {
    error = std::string("the file has nothing to program into the flash of ") + device_.name;
    return -1;
  }
  HostLock lock(*this);
  std::fill(flash_.begin(), flash_.end(), 0xFF); // mass erase, then program
  for (const SIM_Segment& seg : image.segments) {
    uint8_t* p = seg.paddr >= device_.ram_addr && uint64_t(seg.paddr) + seg.mem_size <= ram_end
                     ? ram_.data() + (seg.paddr - device_.ram_addr)
                     : flash_.data() + (seg.paddr - device_.flash_addr);
    if (!seg.data.empty()) std::memcpy(p, seg.data.data(), seg.data.size());
    std::memset(p + seg.data.size(), 0, seg.mem_size - seg.data.size());
  }
  std::string store_error;
  const bool stored = SIM_FlashStoreSave(device_.name, flash_, store_error);
  // A fresh engine drops translated code of the old firmware.
  DestroyEngine();
  if (!CreateEngine()) {
    halted_ = true;
    error = error_;
    return -1;
  }
  ResetCore();
  RebaseWall();
  if (!stored) {
    error = "flash programmed but not stored: " + store_error;
    return -1;
  }
  return 0;
}

bool SIM_Target::IsHalted() {
  HostLock lock(*this);
  return halted_;
}

void SIM_Target::Go() {
  HostLock lock(*this);
  if (!halted_ || !uc_) return;
  halted_ = false;
  faulted_ = false;
  RebaseWall();
}

void SIM_Target::Halt() {
  HostLock lock(*this);
  halted_ = true;
}

void SIM_Target::Reset() {
  HostLock lock(*this);
  if (!uc_) return;
  ResetCore();
  RebaseWall();
}

namespace {

int CoreRegisterId(uint32_t selector) {
  if (selector <= 12) return UC_ARM_REG_R0 + int(selector);
  switch (selector) {
    case 13: return UC_ARM_REG_SP;
    case 14: return UC_ARM_REG_LR;
    case 15: return UC_ARM_REG_PC;
    case 16: return UC_ARM_REG_XPSR;
    case 17: return UC_ARM_REG_MSP;
    case 18: return UC_ARM_REG_PSP;
    default: return -1;
  }
}

constexpr uint32_t kSpecialSelector = 20;
constexpr int kSpecialRegs[4] = {UC_ARM_REG_PRIMASK, UC_ARM_REG_BASEPRI, UC_ARM_REG_FAULTMASK, UC_ARM_REG_CONTROL};

}  // namespace

int SIM_Target::ReadCoreRegister(uint32_t selector, uint32_t& value) {
  HostLock lock(*this);
  if (!uc_) return -1;
  if (selector == kSpecialSelector) {
    value = 0;
    for (int i = 0; i < 4; ++i) value |= (RegRead(uc_, kSpecialRegs[i]) & 0xFFu) << (8 * i);
    return 0;
  }
  const int id = CoreRegisterId(selector);
  if (id < 0) return -1;
  value = RegRead(uc_, id);
  if (id == UC_ARM_REG_PC) value &= ~1u;
  return 0;
}

int SIM_Target::WriteCoreRegister(uint32_t selector, uint32_t value) {
  HostLock lock(*this);
  if (!uc_) return -1;
  if (selector == kSpecialSelector) {
    for (int i = 0; i < 4; ++i) RegWrite(uc_, kSpecialRegs[i], (value >> (8 * i)) & 0xFFu);
    return 0;
  }
  const int id = CoreRegisterId(selector);
  if (id < 0) return -1;
  // The core only runs Thumb code: the emulator needs bit 0 of PC set, xPSR keeps its T bit.
  if (id == UC_ARM_REG_PC) value |= 1u;
  if (id == UC_ARM_REG_XPSR) value |= 1u << 24;
  RegWrite(uc_, id, value);
  return 0;
}

void SIM_Target::SetClock(uint32_t instructions_per_us) {
  HostLock lock(*this);
  time_base_us_ = NowUs();
  cycle_base_ = cycles_;
  ipus_ = std::clamp<uint32_t>(instructions_per_us, 1, kMaxClockIpus);
}

std::string SIM_Target::FaultText() {
  HostLock lock(*this);
  return fault_text_;
}

SIM_Stats SIM_Target::Stats() {
  HostLock lock(*this);
  SIM_Stats s;
  s.instructions = instructions_;
  s.target_time_us = NowUs();
  s.clock_ipus = ipus_;
  s.halted = halted_ ? 1 : 0;
  s.faulted = faulted_ ? 1 : 0;
  std::lock_guard<std::mutex> ring_lock(hss_mu_);
  if (hss_) {
    s.hss_records = hss_->total;
    s.hss_dropped = hss_->dropped;
  }
  return s;
}
