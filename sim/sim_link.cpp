#include "sim/sim_link.h"

#include <cstring>

#include "sim/sim_elf.h"

int SIM_Board::Attach(const std::string& device_name, std::string& error) {
  const int index = SIM_FindDevice(device_name);
  if (index < 0) {
    error = "unknown device '" + device_name + "'";
    return -1;
  }
  const SIM_Device& device = SIM_Devices()[size_t(index)];
  if (target_ && std::strcmp(target_->device().name, device.name) == 0) return 0;
  target_.reset();
  auto target = std::make_unique<SIM_Target>(device);
  if (!target->error().empty()) {
    error = target->error();
    return -1;
  }
  target->SetClock(clock_ipus_);
  target_ = std::move(target);
  return 0;
}

void SIM_Board::SetClock(uint32_t instructions_per_us) {
  clock_ipus_ = instructions_per_us;
  if (target_) target_->SetClock(instructions_per_us);
}

namespace {

class LocalLink final : public SIM_Link {
 public:
  explicit LocalLink(SIM_Board& board) : board_(board) {}

  int Attach(const std::string& device_name, std::string& error) override { return board_.Attach(device_name, error); }
  void Detach() override {
    if (SIM_Target* t = board_.target()) t->HssStop();
  }
  int ReadMem(uint32_t addr, std::span<uint8_t> out) override {
    SIM_Target* t = board_.target();
    return t ? t->ReadMem(addr, out) : -1;
  }
  int WriteMem(uint32_t addr, std::span<const uint8_t> data) override {
    SIM_Target* t = board_.target();
    return t ? t->WriteMem(addr, data) : -1;
  }
  int Download(std::span<const uint8_t> elf_bytes, std::string& error) override {
    SIM_Target* t = board_.target();
    if (!t) {
      error = "no target";
      return -1;
    }
    SIM_ElfImage image;
    if (!SIM_ElfParse(elf_bytes, image, error)) return -1;
    return t->Download(image, error);
  }
  int IsHalted() override {
    SIM_Target* t = board_.target();
    return t ? (t->IsHalted() ? 1 : 0) : -1;
  }
  int Go() override { return Call([](SIM_Target& t) { t.Go(); }); }
  int Halt() override { return Call([](SIM_Target& t) { t.Halt(); }); }
  int Reset() override { return Call([](SIM_Target& t) { t.Reset(); }); }
  int HssStart(std::span<const VELTRA_HSS_BLOCK> blocks, uint32_t period_us) override {
    SIM_Target* t = board_.target();
    return t ? t->HssStart(blocks, period_us) : -1;
  }
  int HssRead(std::span<uint8_t> out) override {
    SIM_Target* t = board_.target();
    return t ? t->HssRead(out) : -1;
  }
  int HssStop() override { return Call([](SIM_Target& t) { t.HssStop(); }); }
  int SetClock(uint32_t instructions_per_us) override {
    board_.SetClock(instructions_per_us);
    return 0;
  }
  int GetStats(SIM_Stats& stats) override {
    SIM_Target* t = board_.target();
    if (!t) return -1;
    stats = t->Stats();
    return 0;
  }

 private:
  template <class F>
  int Call(F f) {
    SIM_Target* t = board_.target();
    if (!t) return -1;
    f(*t);
    return 0;
  }
  SIM_Board& board_;
};

}  // namespace

std::unique_ptr<SIM_Link> SIM_MakeLocalLink(SIM_Board& board) { return std::make_unique<LocalLink>(board); }
