// The debug access path of the simulated board as a JTAG debugger sees it: a JTAG-DP (posted
// reads returned on the next scan, power-up handshakes, sticky errors cleared through ABORT or
// CTRL/STAT), one AHB-AP (CSW/TAR/DRW/BD0-3 with byte lanes and auto-increment, IDR, BASE) and
// the Cortex-M debug registers behind it (CPUID, DHCSR with its key, DCRSR/DCRDR, DEMCR, DFSR,
// AIRCR reset, FP_CTRL, DWT_CTRL, a ROM table). Memory reads and writes reach the target while
// its core runs; halting and resuming go through DHCSR.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "sim/sim_target.h"

class SIM_DebugPort {
 public:
  static constexpr uint32_t kAckOk = 0x2;  // JTAG-DP OK/FAULT acknowledgement

  explicit SIM_DebugPort(SIM_Target& target) : target_(target) {}

  // One DPACC or APACC scan: `captured` is what the scan shifted out (acknowledgement in bits
  // 2:0, the previous read's data in bits 34:3); the request (RnW bit 0, A[3:2] bits 2:1,
  // data bits 34:3) takes effect at Update-DR.
  uint64_t Capture() const { return (uint64_t(read_result_) << 3) | kAckOk; }
  void Update(bool ap, uint64_t request);
  void Abort(uint32_t value);

  // System reset line: asserted holds nothing (the core restarts on release).
  void SystemReset(bool asserted);

 private:
  uint32_t DpRead(uint32_t reg);
  void DpWrite(uint32_t reg, uint32_t value);
  uint32_t ApRead(uint32_t reg);
  void ApWrite(uint32_t reg, uint32_t value);
  bool MemAccess(uint32_t addr, uint32_t size, bool write, uint32_t& lanes);
  uint32_t DebugRead(uint32_t addr);
  void DebugWrite(uint32_t addr, uint32_t value);
  void ResetCore();

  SIM_Target& target_;
  uint32_t read_result_ = 0;
  uint32_t ctrl_stat_ = 0;  // request bits and sticky flags
  uint32_t select_ = 0;
  uint32_t csw_ = 0x00000002;
  uint32_t tar_ = 0;

  // Debug registers.
  bool debugen_ = false;
  bool reset_seen_ = false;   // DHCSR S_RESET_ST, cleared by reading
  uint32_t dcrdr_ = 0;
  uint32_t demcr_ = 0;
  uint32_t dfsr_ = 0;
  uint32_t fp_ctrl_ = 0;
  std::unordered_map<uint32_t, uint32_t> other_;  // the rest of the debug region, as written
};
