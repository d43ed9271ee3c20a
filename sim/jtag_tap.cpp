#include "sim/jtag_tap.h"

SIM_JtagTap::State SIM_JtagTap::Next(State s, bool tms) {
  switch (s) {
    case kTestLogicReset: return tms ? kTestLogicReset : kRunTestIdle;
    case kRunTestIdle: return tms ? kSelectDr : kRunTestIdle;
    case kSelectDr: return tms ? kSelectIr : kCaptureDr;
    case kCaptureDr: return tms ? kExit1Dr : kShiftDr;
    case kShiftDr: return tms ? kExit1Dr : kShiftDr;
    case kExit1Dr: return tms ? kUpdateDr : kPauseDr;
    case kPauseDr: return tms ? kExit2Dr : kPauseDr;
    case kExit2Dr: return tms ? kUpdateDr : kShiftDr;
    case kUpdateDr: return tms ? kSelectDr : kRunTestIdle;
    case kSelectIr: return tms ? kTestLogicReset : kCaptureIr;
    case kCaptureIr: return tms ? kExit1Ir : kShiftIr;
    case kShiftIr: return tms ? kExit1Ir : kShiftIr;
    case kExit1Ir: return tms ? kUpdateIr : kPauseIr;
    case kPauseIr: return tms ? kExit2Ir : kPauseIr;
    case kExit2Ir: return tms ? kUpdateIr : kShiftIr;
    case kUpdateIr: return tms ? kSelectDr : kRunTestIdle;
  }
  return kTestLogicReset;
}

void SIM_JtagTap::Drive(bool tck, bool tms, bool tdi) {
  if (tck && !tck_) Clock(tms, tdi);
  tck_ = tck;
}

void SIM_JtagTap::Reset() {
  state_ = kTestLogicReset;
  ir_ = kIdcodeIr;
  shifting_ = false;
}

unsigned SIM_JtagTap::DrLength() const {
  switch (ir_) {
    case kIdcodeIr: return 32;
    case kAbort:
    case kDpacc:
    case kApacc: return 35;
    default: return 1;  // BYPASS and every unused instruction
  }
}

void SIM_JtagTap::Clock(bool tms, bool tdi) {
  // The current state acts on this edge, then the state machine moves on.
  switch (state_) {
    case kCaptureDr:
      length_ = DrLength();
      if (ir_ == kIdcodeIr) shift_ = kIdcode;
      else if (ir_ == kDpacc || ir_ == kApacc) shift_ = port_.Capture();
      else shift_ = 0;
      break;
    case kCaptureIr:
      length_ = 4;
      shift_ = 0x1;  // IR capture pattern b0001
      break;
    case kShiftDr:
    case kShiftIr:
      shift_ = (shift_ >> 1) | (uint64_t(tdi) << (length_ - 1));
      break;
    default: break;
  }
  state_ = Next(state_, tms);
  shifting_ = state_ == kShiftDr || state_ == kShiftIr;
  switch (state_) {
    case kTestLogicReset: ir_ = kIdcodeIr; break;
    case kUpdateIr: ir_ = uint32_t(shift_) & 0xFu; break;
    case kUpdateDr: {
      const uint64_t value = shift_ & ((uint64_t{1} << 35) - 1);
      if (ir_ == kDpacc || ir_ == kApacc) port_.Update(ir_ == kApacc, value);
      else if (ir_ == kAbort) port_.Abort(uint32_t(value >> 3));
      break;
    }
    default: break;
  }
}
