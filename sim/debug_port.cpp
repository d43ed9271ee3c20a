#include "sim/debug_port.h"

#include <array>

namespace {

// DP registers (A[3:2] << 2).
constexpr uint32_t kDpIdr = 0x0, kCtrlStat = 0x4, kSelect = 0x8;
constexpr uint32_t kDpIdrValue = 0x4BA00477;

// CTRL/STAT bits.
constexpr uint32_t kStickyOrun = 1u << 1, kStickyCmp = 1u << 4, kStickyErr = 1u << 5, kWDataErr = 1u << 7;
constexpr uint32_t kDbgRstReq = 1u << 26, kDbgPwrUpReq = 1u << 28, kSysPwrUpReq = 1u << 30;
constexpr uint32_t kRequestBits = 0x54000F0Du;  // ORUNDETECT, TRNMODE, MASKLANE and the requests
constexpr uint32_t kStickyBits = kStickyOrun | kStickyCmp | kStickyErr | kWDataErr;

// MEM-AP registers and values.
constexpr uint32_t kCsw = 0x00, kTar = 0x04, kDrw = 0x0C, kBd0 = 0x10, kCfg = 0xF4, kBase = 0xF8, kIdr = 0xFC;
constexpr uint32_t kAhbApIdr = 0x24770011;
constexpr uint32_t kRomTable = 0xE00FF000;
constexpr uint32_t kCswDeviceEn = 1u << 6;
constexpr uint32_t kCswAddrIncMask = 3u << 4, kCswAddrIncSingle = 1u << 4;

// Cortex-M debug registers.
constexpr uint32_t kDebugBase = 0xE0000000, kDebugEnd = 0xE0100000;
constexpr uint32_t kCpuid = 0xE000ED00, kAircr = 0xE000ED0C, kDfsr = 0xE000ED30;
constexpr uint32_t kDhcsr = 0xE000EDF0, kDcrsr = 0xE000EDF4, kDcrdr = 0xE000EDF8, kDemcr = 0xE000EDFC;
constexpr uint32_t kFpCtrl = 0xE0002000, kDwtCtrl = 0xE0001000;
constexpr uint32_t kDhcsrKey = 0xA05F0000;
constexpr uint32_t kCDebugEn = 1u << 0, kCHalt = 1u << 1, kCStep = 1u << 2;
constexpr uint32_t kSRegRdy = 1u << 16, kSHalt = 1u << 17, kSRetire = 1u << 24, kSResetSt = 1u << 25;
constexpr uint32_t kDfsrHalted = 1u << 0, kDfsrVcatch = 1u << 3;
constexpr uint32_t kVcCoreReset = 1u << 0;
constexpr uint32_t kAircrKey = 0x05FA0000, kAircrKeyStat = 0xFA050000;
constexpr uint32_t kSysResetReq = 1u << 2, kVectReset = 1u << 0;
constexpr uint32_t kFpCtrlComparators = 0x260;  // 6 code and 2 literal comparators
constexpr uint32_t kDwtCtrlComparators = 4u << 28;
// Component identification of the ROM table (CIDR0-3 at 0xFF0-0xFFC): a ROM table, no entries.
constexpr std::array<uint32_t, 4> kRomCidr = {0x0D, 0x10, 0x05, 0xB1};

}  // namespace

void SIM_DebugPort::Update(bool ap, uint64_t request) {
  const bool read = request & 1u;
  const uint32_t reg = uint32_t(request >> 1) & 3u;
  const uint32_t data = uint32_t(request >> 3);
  if (!ap) {
    if (read) read_result_ = DpRead(reg << 2);
    else DpWrite(reg << 2, data);
    return;
  }
  const uint32_t ap_reg = (select_ & 0xF0u) | (reg << 2);
  if ((select_ >> 24) != 0) {  // no access port behind other numbers
    if (read) read_result_ = 0;
    return;
  }
  if (read) read_result_ = ApRead(ap_reg);
  else ApWrite(ap_reg, data);
}

void SIM_DebugPort::Abort(uint32_t value) {
  if (value & (1u << 1)) ctrl_stat_ &= ~kStickyCmp;
  if (value & (1u << 2)) ctrl_stat_ &= ~kStickyErr;
  if (value & (1u << 3)) ctrl_stat_ &= ~kWDataErr;
  if (value & (1u << 4)) ctrl_stat_ &= ~kStickyOrun;
}

uint32_t SIM_DebugPort::DpRead(uint32_t reg) {
  switch (reg) {
    case kDpIdr: return kDpIdrValue;
    case kCtrlStat: {
      // Every power-up or reset request is acknowledged at once (the next bit up).
      const uint32_t acks = (ctrl_stat_ & (kDbgRstReq | kDbgPwrUpReq | kSysPwrUpReq)) << 1;
      return ctrl_stat_ | acks;
    }
    case kSelect: return select_;
    default: return 0;  // RDBUFF reads as zero; its scan only collects the posted result
  }
}

void SIM_DebugPort::DpWrite(uint32_t reg, uint32_t value) {
  if (reg == kCtrlStat) {
    // Sticky flags are cleared by writing ones to them.
    const uint32_t sticky = ctrl_stat_ & kStickyBits & ~(value & kStickyBits);
    ctrl_stat_ = (value & kRequestBits) | sticky;
  } else if (reg == kSelect) {
    select_ = value;
  }
}

uint32_t SIM_DebugPort::ApRead(uint32_t reg) {
  switch (reg) {
    case kCsw: return csw_ | kCswDeviceEn;
    case kTar: return tar_;
    case kCfg: return 0;
    case kBase: return kRomTable | 3u;  // present, ADIv5 format
    case kIdr: return kAhbApIdr;
    default: break;
  }
  const uint32_t size = 1u << (csw_ & 7u);
  uint32_t lanes = 0;
  if (reg == kDrw) {
    if (!MemAccess(tar_, size, false, lanes)) lanes = 0;
    if ((csw_ & kCswAddrIncMask) != 0) tar_ = (tar_ & ~0x3FFu) | ((tar_ + size) & 0x3FFu);
    return lanes;
  }
  if (reg >= kBd0 && reg < kBd0 + 16) {
    if (!MemAccess((tar_ & ~0xFu) + (reg - kBd0), 4, false, lanes)) lanes = 0;
    return lanes;
  }
  return 0;
}

void SIM_DebugPort::ApWrite(uint32_t reg, uint32_t value) {
  if (reg == kCsw) {
    // Packed transfers are not implemented: the field then reads back as single increment,
    // which is how a debugger learns it.
    if ((value & kCswAddrIncMask) == (2u << 4)) value = (value & ~kCswAddrIncMask) | kCswAddrIncSingle;
    if ((value & 7u) > 2) value &= ~7u;
    csw_ = value & ~(kCswDeviceEn | (1u << 7));
    return;
  }
  if (reg == kTar) {
    tar_ = value;
    return;
  }
  const uint32_t size = 1u << (csw_ & 7u);
  if (reg == kDrw) {
    MemAccess(tar_, size, true, value);
    if ((csw_ & kCswAddrIncMask) != 0) tar_ = (tar_ & ~0x3FFu) | ((tar_ + size) & 0x3FFu);
  } else if (reg >= kBd0 && reg < kBd0 + 16) {
    MemAccess((tar_ & ~0xFu) + (reg - kBd0), 4, true, value);
  }
}

// One bus access of 1, 2 or 4 bytes; the data travels in its byte lanes (address bits 1:0).
bool SIM_DebugPort::MemAccess(uint32_t addr, uint32_t size, bool write, uint32_t& lanes) {
  const uint32_t shift = 8 * (addr & 3u & ~(size - 1));
  const uint32_t mask = size == 4 ? 0xFFFFFFFFu : ((1u << (8 * size)) - 1) << shift;
  if ((addr & (size - 1)) != 0) {
    ctrl_stat_ |= kStickyErr;  // unaligned access: the bus faults
    return false;
  }
  if (addr >= kDebugBase && addr < kDebugEnd) {
    const uint32_t word_addr = addr & ~3u;
    if (write) {
      const uint32_t merged = size == 4 ? lanes : (DebugRead(word_addr) & ~mask) | (lanes & mask);
      DebugWrite(word_addr, merged);
    } else {
      lanes = DebugRead(word_addr) & mask;
    }
    return true;
  }
  uint8_t bytes[4] = {};
  bool ok = false;
  if (write) {
    for (uint32_t i = 0; i < size; ++i) bytes[i] = uint8_t(lanes >> (shift + 8 * i));
    ok = target_.WriteMem(addr, std::span<const uint8_t>(bytes, size)) >= 0;
  } else {
    ok = target_.ReadMem(addr, std::span<uint8_t>(bytes, size)) == 0;
    lanes = 0;
    for (uint32_t i = 0; i < size; ++i) lanes |= uint32_t(bytes[i]) << (shift + 8 * i);
  }
  if (!ok) ctrl_stat_ |= kStickyErr;
  return ok;
}

uint32_t SIM_DebugPort::DebugRead(uint32_t addr) {
  switch (addr) {
    case kCpuid: return target_.device().cpuid;
    case kAircr: return kAircrKeyStat;
    case kDfsr: return dfsr_;
    case kDhcsr: {
      const bool halted = target_.IsHalted();
      uint32_t v = kSRegRdy | (halted ? kSHalt | kCHalt | kCDebugEn : kSRetire);
      if (debugen_) v |= kCDebugEn;
      if (reset_seen_) v |= kSResetSt;
      reset_seen_ = false;
      return v;
    }
    case kDcrdr: return dcrdr_;
    case kDemcr: return demcr_;
    case kFpCtrl: return fp_ctrl_ | kFpCtrlComparators;
    case kDwtCtrl: return kDwtCtrlComparators;
    default: break;
  }
  if (addr >= kRomTable + 0xFF0 && addr <= kRomTable + 0xFFC) return kRomCidr[(addr - kRomTable - 0xFF0) / 4];
  if (addr >= kRomTable && addr < kRomTable + 0x1000) return 0;  // no entries
  const auto it = other_.find(addr);
  return it == other_.end() ? 0 : it->second;
}

void SIM_DebugPort::DebugWrite(uint32_t addr, uint32_t value) {
  switch (addr) {
    case kDhcsr: {
      if ((value & 0xFFFF0000u) != kDhcsrKey) return;  // writes without the key are ignored
      debugen_ = (value & kCDebugEn) != 0;
      if (!debugen_) return;
      const bool halted = target_.IsHalted();
      if ((value & kCHalt) && !halted) {
        target_.Halt();
        dfsr_ |= kDfsrHalted;
      } else if (!(value & kCHalt) && !(value & kCStep) && halted) {
        target_.Go();  // a single step is not modelled: the core stays where it is
      }
      return;
    }
    case kDcrsr: {
      const uint32_t selector = value & 0x7Fu;
      if (value & (1u << 16)) {
        target_.WriteCoreRegister(selector, dcrdr_);
      } else if (target_.ReadCoreRegister(selector, dcrdr_) < 0) {
        dcrdr_ = 0;  // floating-point and other registers the core model lacks read as zero
      }
      return;
    }
    case kDcrdr: dcrdr_ = value; return;
    case kDemcr: demcr_ = value; return;
    case kDfsr: dfsr_ &= ~value; return;
    case kAircr:
      if ((value & 0xFFFF0000u) == kAircrKey && (value & (kSysResetReq | kVectReset))) ResetCore();
      return;
    case kFpCtrl:
      if (value & 2u) fp_ctrl_ = value & 1u;  // KEY bit: ENABLE takes effect
      return;
    default: other_[addr] = value; return;
  }
}

void SIM_DebugPort::ResetCore() {
  target_.Reset();
  reset_seen_ = true;
  // Reset vector catch: the core stops before its first instruction.
  if (debugen_ && (demcr_ & kVcCoreReset)) {
    target_.Halt();
    dfsr_ |= kDfsrVcatch;
  }
}

void SIM_DebugPort::SystemReset(bool asserted) {
  if (!asserted) ResetCore();
}
