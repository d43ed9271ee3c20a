// The probe library's view of a target: a link that is either local (the target runs in this
// process) or remote (a vistro-simtarget server over TCP). Results follow the library's
// conventions: 0 or more success, negative failure.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "probe/veltra_api.h"
#include "sim/sim_target.h"

class SIM_Link {
 public:
  virtual ~SIM_Link() = default;
  // Selects the device and makes sure its target exists (an existing target of the same device
  // keeps running with its RAM).
  virtual int Attach(const std::string& device_name, std::string& error) = 0;
  // The probe connection ends: sampling stops, the target keeps running.
  virtual void Detach() = 0;
  virtual int ReadMem(uint32_t addr, std::span<uint8_t> out) = 0;
  virtual int WriteMem(uint32_t addr, std::span<const uint8_t> data) = 0;
  virtual int Download(std::span<const uint8_t> elf_bytes, std::string& error) = 0;
  virtual int IsHalted() = 0; // 1 halted, 0 running
  virtual int Go() = 0;
  virtual int Halt() = 0;
  virtual int Reset() = 0;
  virtual int HssStart(std::span<const VELTRA_HSS_BLOCK> blocks, uint32_t period_us) = 0;
  virtual int HssRead(std::span<uint8_t> out) = 0;
  virtual int HssStop() = 0;
  virtual int SetClock(uint32_t instructions_per_us) = 0;
  virtual int GetStats(SIM_Stats& stats) = 0;
  // False once a remote link broke; every call then fails at once.
  virtual bool IsAlive() const { return true; }
  // Links that program a file by its path (the file is read where the target is served);
  // the others return 1 and are handed the file's bytes through Download.
  virtual int DownloadPath(const std::string& /*path*/, std::string& /*error*/) { return 1; }
  // The name the far end gives its target, when it names one (OpenOCD's current target).
  virtual std::string ReportedDevice() { return {}; }
  // Links whose sampling limits are measured rather than set: true with them.
  virtual bool MeasuredHssCaps(VELTRA_HSS_CAPS& /*caps*/) { return false; }
};

// The board a target lives on: it keeps its target (and the target's RAM) between probe
// connections, as a powered board does. Not thread-safe: one link uses it at a time.
class SIM_Board {
 public:
  int Attach(const std::string& device_name, std::string& error);
  SIM_Target* target() { return target_.get(); }
  void SetClock(uint32_t instructions_per_us);
  void Clear() { target_.reset(); }

 private:
  std::unique_ptr<SIM_Target> target_;
  uint32_t clock_ipus_ = SIM_Target::kDefaultClockIpus;
};

// A link to a board in this process.
std::unique_ptr<SIM_Link> SIM_MakeLocalLink(SIM_Board& board);
