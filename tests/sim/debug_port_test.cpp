// The simulated board as a JTAG target, driven bit by bit as OpenOCD's remote_bitbang driver
// drives it: TAP, JTAG-DP posted reads, the AHB-AP's byte lanes and the Cortex-M debug
// registers (halt, core registers, resume) on the running demo firmware.
#include <gtest/gtest.h>

#include <string>

#include "sim/debug_port.h"
#include "sim/jtag_tap.h"
#include "sim/sim_elf.h"
#include "sim/sim_link.h"
#include "tests/sim/sim_test_support.h"

namespace {

// A minimal JTAG host: moves the TAP through its states and shifts registers LSB first.
class Jtag {
 public:
  explicit Jtag(SIM_JtagTap& tap) : tap_(tap) {
    for (int i = 0; i < 5; ++i) Clock(true, false);  // Test-Logic-Reset
    Clock(false, false);                              // Run-Test/Idle
  }
  uint64_t Ir(uint32_t ir) { return Scan(true, ir, 4); }
  uint64_t Dr(uint64_t value, unsigned bits) { return Scan(false, value, bits); }
  // DPACC/APACC access; returns the data captured by this scan (the previous read's result).
  uint32_t Access(uint32_t ir, uint32_t reg, bool read, uint32_t data = 0) {
    if (ir != ir_) Ir(ir_ = ir);
    const uint64_t out = Dr((uint64_t(data) << 3) | ((reg >> 2) << 1) | (read ? 1 : 0), 35);
    if (ir != SIM_JtagTap::kAbort) {  // ABORT has no acknowledgement
      EXPECT_EQ(out & 7u, SIM_DebugPort::kAckOk);
    }
    return uint32_t(out >> 3);
  }
  uint32_t ApRead(uint32_t reg) {
    Access(SIM_JtagTap::kApacc, reg, true);
    return Access(SIM_JtagTap::kDpacc, 0xC, true);  // RDBUFF collects the posted result
  }
  uint32_t MemRead(uint32_t addr) {
    Access(SIM_JtagTap::kApacc, 0x4, false, addr);
    return ApRead(0xC);
  }
  void MemWrite(uint32_t addr, uint32_t value) {
    Access(SIM_JtagTap::kApacc, 0x4, false, addr);
    Access(SIM_JtagTap::kApacc, 0xC, false, value);
  }

 private:
  void Clock(bool tms, bool tdi) {
    tap_.Drive(false, tms, tdi);
    tap_.Drive(true, tms, tdi);
  }
  uint64_t Scan(bool ir, uint64_t value, unsigned bits) {
    Clock(true, false);            // Select-DR
    if (ir) Clock(true, false);    // Select-IR
    Clock(false, false);           // Capture
    Clock(false, false);           // Shift
    uint64_t out = 0;
    for (unsigned i = 0; i < bits; ++i) {
      tap_.Drive(false, i + 1 == bits, (value >> i) & 1);
      out |= uint64_t(tap_.Tdo()) << i;
      tap_.Drive(true, i + 1 == bits, (value >> i) & 1);  // the last bit leaves for Exit1
    }
    Clock(true, false);   // Update
    Clock(false, false);  // Run-Test/Idle
    return out;
  }
  SIM_JtagTap& tap_;
  uint32_t ir_ = 0;
};

TEST(JtagTarget, DebuggerReadsWritesHaltsAndResumesTheRunningCore) {
  SIM_Board board;
  std::string error;
  ASSERT_EQ(board.Attach("VSIM32H743", error), 0) << error;
  SIM_ElfImage image;
  ASSERT_TRUE(SIM_ElfLoadFile(DemoElfPath(), image, error)) << error;
  ASSERT_EQ(board.target()->Download(image, error), 0) << error;
  SIM_DebugPort port(*board.target());
  SIM_JtagTap tap(port);
  Jtag jtag(tap);

  EXPECT_EQ(uint32_t(jtag.Dr(0, 32)), SIM_JtagTap::kIdcode);  // IDCODE selected by reset
  jtag.Access(SIM_JtagTap::kDpacc, 0x4, false, 0x50000000);   // power-up requests
  jtag.Access(SIM_JtagTap::kDpacc, 0x4, true);
  EXPECT_EQ(jtag.Access(SIM_JtagTap::kDpacc, 0xC, true) & 0xA0000000u, 0xA0000000u);
  jtag.Access(SIM_JtagTap::kDpacc, 0x8, false, 0xF0);  // bank 0xF: IDR
  EXPECT_EQ(jtag.ApRead(0xC), 0x24770011u);
  jtag.Access(SIM_JtagTap::kDpacc, 0x8, false, 0);
  jtag.Access(SIM_JtagTap::kApacc, 0x0, false, 0x23000002);  // 32-bit, no increment
  EXPECT_EQ(jtag.MemRead(0xE000ED00), 0x411FC270u);

  // A word moves while the core runs (the millisecond tick).
  const uint32_t tick = DemoSymbol("g_tick_ms");
  const uint32_t t0 = jtag.MemRead(tick);
  EXPECT_TRUE(WaitFor([&] { return jtag.MemRead(tick) > t0; }, 3000));

  // Byte writes travel in their lanes.
  const uint32_t command = DemoSymbol("g_motor");  // a RAM word the firmware only reads
  jtag.MemWrite(command, 0);
  jtag.Access(SIM_JtagTap::kApacc, 0x0, false, 0x23000000);  // 8-bit
  jtag.MemWrite(command + 2, 0xAB << 16);
  jtag.Access(SIM_JtagTap::kApacc, 0x0, false, 0x23000002);
  EXPECT_EQ(jtag.MemRead(command), 0x00AB0000u);
  jtag.MemWrite(command, 0);

  // Halt through DHCSR, read PC through DCRSR/DCRDR, resume.
  jtag.MemWrite(0xE000EDF0, 0xA05F0003);
  EXPECT_TRUE(board.target()->IsHalted());
  EXPECT_EQ(jtag.MemRead(0xE000EDF0) & 0x30000u, 0x30000u);  // S_HALT, S_REGRDY
  jtag.MemWrite(0xE000EDF4, 15);
  const uint32_t pc = jtag.MemRead(0xE000EDF8);
  EXPECT_GE(pc, 0x08000000u);
  EXPECT_LT(pc, 0x08100000u);
  const uint32_t halted_tick = jtag.MemRead(tick);
  SleepMs(10);
  EXPECT_EQ(jtag.MemRead(tick), halted_tick);
  jtag.MemWrite(0xE000EDF0, 0xA05F0001);
  EXPECT_FALSE(board.target()->IsHalted());

  // A failed access raises the sticky error; ABORT clears it.
  jtag.MemRead(0x5FFFFFF0);
  jtag.Access(SIM_JtagTap::kDpacc, 0x4, true);
  EXPECT_NE(jtag.Access(SIM_JtagTap::kDpacc, 0xC, true) & 0x20u, 0u);
  jtag.Access(SIM_JtagTap::kAbort, 0x0, false, 0x4);
  jtag.Access(SIM_JtagTap::kDpacc, 0x4, true);
  EXPECT_EQ(jtag.Access(SIM_JtagTap::kDpacc, 0xC, true) & 0x20u, 0u);
}

}  // namespace
