// The board's JTAG TAP: the IEEE 1149.1 state machine clocked by TCK rising edges, a 4-bit
// instruction register (IDCODE after reset) and the data registers of a JTAG-DP: IDCODE,
// BYPASS, ABORT, DPACC and APACC (35 bits each) handed to the debug port.
#pragma once

#include <cstdint>

#include "sim/debug_port.h"

class SIM_JtagTap {
 public:
  static constexpr uint32_t kIdcode = 0x4BA00477;
  enum Instruction : uint32_t { kAbort = 0x8, kDpacc = 0xA, kApacc = 0xB, kIdcodeIr = 0xE, kBypass = 0xF };

  explicit SIM_JtagTap(SIM_DebugPort& port) : port_(port) {}

  // TCK, TMS and TDI as the adapter drives them; a rising TCK edge clocks the TAP.
  void Drive(bool tck, bool tms, bool tdi);
  // TDO as the adapter samples it (while TCK is low, before the next rising edge).
  bool Tdo() const { return shifting_ && (shift_ & 1u); }
  // TRST: the TAP goes to Test-Logic-Reset.
  void Reset();

 private:
  enum State : uint8_t {
    kTestLogicReset, kRunTestIdle,
    kSelectDr, kCaptureDr, kShiftDr, kExit1Dr, kPauseDr, kExit2Dr, kUpdateDr,
    kSelectIr, kCaptureIr, kShiftIr, kExit1Ir, kPauseIr, kExit2Ir, kUpdateIr,
  };
  static State Next(State s, bool tms);
  void Clock(bool tms, bool tdi);
  unsigned DrLength() const;

  SIM_DebugPort& port_;
  State state_ = kTestLogicReset;
  uint32_t ir_ = kIdcodeIr;
  uint64_t shift_ = 0;
  unsigned length_ = 0;  // bits of the register being shifted
  bool shifting_ = false;
  bool tck_ = false;
};
