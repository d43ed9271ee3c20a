// A simulated Cortex-M microcontroller: the firmware runs in the Unicorn CPU emulator on a
// target thread, in count-limited slices at a fixed emulated clock, paced so that emulated time
// never runs ahead of wall time. SysTick is modelled (exception entry and return), WFI idles
// until the next event, and a core that faults halts.
//
// Host calls (any thread) are serialised with the target thread between slices, so memory is
// always seen between two instructions: a value written by one store is never seen torn.
// High-Speed Sampling copies the sampled blocks at exact period boundaries of target time into
// a bounded buffer; when the host reads too slowly the oldest records are dropped and counted.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "probe/veltra_api.h"
#include "sim/sim_devices.h"
#include "sim/sim_elf.h"

struct uc_struct;

struct SIM_Stats {
  uint64_t instructions = 0;    // emulated instructions (slices run to their count)
  uint64_t target_time_us = 0;  // emulated time since the target was created
  uint64_t hss_records = 0;     // records sampled since the last HSS start
  uint64_t hss_dropped = 0;     // of those, dropped because the buffer was full
  uint32_t clock_ipus = 0;      // emulated instructions per microsecond
  uint32_t halted = 0;          // 1 when the core is halted
  uint32_t faulted = 0;         // 1 when it halted because of a fault
};

class SIM_Target {
 public:
  static constexpr uint32_t kDefaultClockIpus = 64;     // 64 MHz, one instruction per cycle
  static constexpr uint32_t kMaxClockIpus = 1000;
  static constexpr size_t kHssBufferBytes = 16u << 20;  // bound of the HSS record buffer

  // Creates the target with the device's memories, loads the device's stored flash image and
  // lets the core run from reset (a powered board runs its firmware). Check error() afterwards.
  explicit SIM_Target(const SIM_Device& device);
  ~SIM_Target();
  SIM_Target(const SIM_Target&) = delete;
  SIM_Target& operator=(const SIM_Target&) = delete;

  // Empty when the target was created; otherwise why not.
  const std::string& error() const { return error_; }
  const SIM_Device& device() const { return device_; }

  // 0 on success, -1 when any byte lies outside flash and RAM.
  int ReadMem(uint32_t addr, std::span<uint8_t> out);
  // Bytes written, or -1 when any byte lies outside RAM (flash is programmed by Download only).
  int WriteMem(uint32_t addr, std::span<const uint8_t> data);

  // Programs every loadable segment at its physical address (flash segments are stored for
  // later connections), then resets the core and lets it run. -1 with `error` when a segment
  // does not fit the device's memories.
  int Download(const SIM_ElfImage& image, std::string& error);

  bool IsHalted();
  void Go();
  void Halt();
  void Reset();  // core reset: SP and PC from the vector table; the core runs afterwards

  // Starts sampling (replacing a running session): -1 when a block is empty or outside the
  // memories, or period_us is 0.
  int HssStart(std::span<const VELTRA_HSS_BLOCK> blocks, uint32_t period_us);
  // Moves whole records (oldest first) into out; returns the bytes delivered.
  int HssRead(std::span<uint8_t> out);
  void HssStop();

  // Core registers by the debug register selector: 0-12 R0-R12, 13 SP, 14 LR, 15 PC, 16 xPSR,
  // 17 MSP, 18 PSP, 20 CONTROL:FAULTMASK:BASEPRI:PRIMASK (one byte each, CONTROL highest).
  // Meaningful while the core is halted. -1 for another selector.
  int ReadCoreRegister(uint32_t selector, uint32_t& value);
  int WriteCoreRegister(uint32_t selector, uint32_t value);

  void SetClock(uint32_t instructions_per_us);
  SIM_Stats Stats();
  // Why the core halted on its own (empty unless it faulted).
  std::string FaultText();

 private:
  class HostLock;
  struct Hss;

  bool CreateEngine();
  void DestroyEngine();
  void ResetCore();
  void Run();
  void RunOnce(std::unique_lock<std::mutex>& lock);
  bool TakeException();
  void ExceptionReturn();
  void Fault(const std::string& text);
  void TakeDueSamples();
  void SampleInto(std::vector<uint8_t>& record);
  uint64_t NowUs() const;
  uint64_t CycleAtUs(uint64_t us) const;
  void UpdateSysTick();
  void RebaseWall();
  uint8_t* HostPtr(uint32_t addr, uint32_t size, bool writable);

  static uint64_t MmioRead(uc_struct* uc, uint64_t offset, unsigned size, void* user);
  static void MmioWrite(uc_struct* uc, uint64_t offset, unsigned size, uint64_t value, void* user);
  static void OnInterrupt(uc_struct* uc, uint32_t intno, void* user);

  const SIM_Device device_;
  std::string error_;

  // Everything below is guarded by mu_ (the target thread holds it while a slice runs).
  std::mutex mu_;
  std::condition_variable cv_;          // target thread waits here (halted, paced, host waiting)
  std::atomic<int> host_waiting_{0};    // host calls queued for mu_: the target thread yields
  bool quit_ = false;

  uc_struct* uc_ = nullptr;
  std::vector<uint8_t> flash_;
  std::vector<uint8_t> ram_;
  bool halted_ = false;
  bool faulted_ = false;
  std::string fault_text_;
  bool sleeping_ = false;      // WFI executed, waiting for an event
  bool in_handler_ = false;    // SysTick handler active (no nesting)
  bool reset_request_ = false; // firmware asked for a system reset
  bool stop_request_ = false;  // a hook stopped the slice (breakpoint, fault)
  uint32_t saved_fp_[17] = {}; // s0-s15 and FPSCR of the interrupted code

  // System control space registers (word storage), plus the modelled SysTick state.
  uint32_t scs_[1024] = {};
  bool systick_pending_ = false;
  uint64_t systick_wrap_cycle_ = 0; // cycle at which the SysTick counter next reaches 0

  // Time: cycles_ counts emulated cycles (= instructions); time_us = time_base_us_ +
  // (cycles_ - cycle_base_) / ipus_.
  uint32_t ipus_ = kDefaultClockIpus;
  uint64_t cycles_ = 0;
  uint64_t cycle_base_ = 0;
  uint64_t time_base_us_ = 0;
  uint64_t instructions_ = 0;
  int64_t wall_origin_ns_ = 0; // steady clock value at target time 0

  std::unique_ptr<Hss> hss_;
  std::mutex hss_mu_; // guards the HSS record buffer (fill: target thread, read: host)

  std::thread thread_;
};
