// The demo firmware running on the simulated target, observed and driven through the library:
// execution, SysTick, HSS time stamps and values, writes that change the firmware's behaviour,
// halting and faults, the emulated clock, and the flash image kept between connections.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tests/sim/sim_test_support.h"

namespace {

uint32_t LoadU32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

class DemoTarget : public VeltraTest {
 protected:
  void SetUp() override {
    VeltraTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(ConnectDemoTarget(*api_, true));
    tick_ = DemoSymbol("g_tick_ms");
    // The firmware is running once SysTick has fired a few times.
    ASSERT_TRUE(WaitFor([&] { return ReadU32(*api_, tick_) > 5; }, 5000));
  }
  int StartHss(std::vector<VELTRA_HSS_BLOCK> blocks, int period_us) {
    blocks.push_back({0, 0, 0, 0});
    return api_->VELTRA_HSS_Start(blocks.data(), int(blocks.size() - 1), period_us, 1);
  }
  // Reads HSS records for about `ms` milliseconds (every 10 ms, as the application does).
  std::vector<uint8_t> Collect(int ms) {
    std::vector<uint8_t> all, buf(1 << 21);
    for (int waited = 0; waited < ms; waited += 10) {
      SleepMs(10);
      const int n = api_->VELTRA_HSS_Read(buf.data(), uint32_t(buf.size()));
      EXPECT_GE(n, 0);
      if (n > 0) all.insert(all.end(), buf.begin(), buf.begin() + n);
    }
    return all;
  }
  void ExpectStopped() {
    const uint32_t tick = ReadU32(*api_, tick_);
    SleepMs(30);
    EXPECT_EQ(ReadU32(*api_, tick_), tick);  // a halted core does not run
  }

  uint32_t tick_ = 0;
};

TEST_F(DemoTarget, RunsTheFirmwareAtTheEmulatedClock) {
  EXPECT_EQ(api_->VELTRA_IsHalted(), 0);
  EXPECT_EQ(api_->VELTRAARM_IsHalted(), 0);
  // 1 kHz SysTick, paced to wall time: never faster than the wall time between the two reads
  // (a loaded host oversleeps, so it is measured), plus the 20 ms a lagging target catches up
  // and one tick of rounding; and not stalled.
  const auto started = std::chrono::steady_clock::now();
  const uint32_t first = ReadU32(*api_, tick_);
  SleepMs(200);
  const uint32_t second = ReadU32(*api_, tick_);
  const auto wall_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - started)
                           .count();
  EXPECT_LE(second - first, uint32_t(wall_ms) + 20 + 1);
  EXPECT_TRUE(WaitFor([&] { return ReadU32(*api_, tick_) > first + 20; }, 5000));
  // The main loop redraws the frame buffer: pixels differ and change over time.
  std::vector<uint16_t> a(64 * 48), b(64 * 48);
  const uint32_t fb = DemoSymbol("g_frame_buffer");
  ASSERT_EQ(api_->VELTRAARM_ReadMem(fb, uint32_t(a.size() * 2), a.data()), 0);
  EXPECT_TRUE(WaitFor([&] {
    EXPECT_EQ(api_->VELTRAARM_ReadMem(fb, uint32_t(b.size() * 2), b.data()), 0);
    return a != b;
  }, 5000));
}

TEST_F(DemoTarget, HssRecordsAreWholeAndExactlySpaced) {
  ASSERT_EQ(StartHss({{tick_, 4, 0, 0}, {DemoSymbol("g_counter_u16"), 2, 0, 0},
                      {DemoSymbol("g_triangle_d"), 8, 0, 0}}, 250), 0);
  const size_t record = 4 + 4 + 2 + 8;
  // A buffer that holds 2.5 records gets whole ones only.
  std::vector<uint8_t> small(record * 5 / 2);
  int got = 0;
  EXPECT_TRUE(WaitFor([&] { return (got = api_->VELTRA_HSS_Read(small.data(), uint32_t(small.size()))) != 0; }, 5000));
  EXPECT_TRUE(got == int(record) || got == int(2 * record)) << got;

  const std::vector<uint8_t> data = Collect(300);
  ASSERT_EQ(data.size() % record, 0u);
  const size_t n = data.size() / record;
  ASSERT_GT(n, 600u);  // 300 ms at 4 kHz, generously
  const uint32_t first_ts = LoadU32(data.data()), first_tick = LoadU32(data.data() + 4);
  EXPECT_EQ(first_ts % 250, 0u);  // samples sit on period boundaries of target time
  for (size_t i = 1; i < n; ++i) {
    const uint8_t* r = data.data() + i * record;
    ASSERT_EQ(LoadU32(r) - LoadU32(r - record), 250u) << "record " << i;
    // SysTick fires every 1000 us of target time: the tick value follows the time stamps.
    const int64_t ticks = int64_t(LoadU32(r + 4)) - first_tick;
    ASSERT_LE(std::llabs(ticks - int64_t(LoadU32(r) - first_ts) / 1000), 1) << "record " << i;
    double tri;
    std::memcpy(&tri, r + 10, 8);
    ASSERT_TRUE(tri >= -1.0 && tri <= 1.0) << tri;
  }
}

TEST_F(DemoTarget, CounterSampledAtMaximumRateIsNeverTornOrOutOfOrder) {
  VELTRA_HSS_CAPS caps{};
  ASSERT_EQ(api_->VELTRA_HSS_GetCaps(&caps), 0);
  const uint32_t period_us = 1000000 / caps.max_freq_hz;
  ASSERT_EQ(StartHss({{DemoSymbol("g_counter_u32"), 4, 0, 0}}, int(period_us)), 0);
  const std::vector<uint8_t> data = Collect(500);
  const size_t n = data.size() / 8;
  ASSERT_GT(n, 50000u);
  size_t steps = 0;
  for (size_t i = 1; i < n; ++i) {
    const uint8_t* r = data.data() + 8 * i;
    ASSERT_EQ(LoadU32(r) - LoadU32(r - 8), period_us) << i;
    // The firmware adds 0x00010001 per tick: any difference but 0 or one step is a torn or
    // reordered value (the modulo arithmetic lets the wrap through).
    const uint32_t diff = LoadU32(r + 4) - LoadU32(r - 4);
    ASSERT_TRUE(diff == 0 || diff == 0x00010001u) << "record " << i << ": +" << diff;
    steps += diff != 0;
  }
  EXPECT_GT(steps, 50u);
}

TEST_F(DemoTarget, WrittenSetpointDrivesTheMotor) {
  const uint32_t motor = DemoSymbol("g_motor");
  const float setpoint = 3000.0f;
  ASSERT_EQ(api_->VELTRA_WriteMem(motor, 4, &setpoint), 4);
  EXPECT_TRUE(WaitFor([&] { return ReadF32(*api_, motor + 4) > 2700.0f; }, 5000))
      << ReadF32(*api_, motor + 4);
  // The command/acknowledge pair: stop the motor.
  const uint32_t cmd = DemoSymbol("g_command"), ack = DemoSymbol("g_ack");
  const uint32_t stop = 3;
  ASSERT_EQ(api_->VELTRA_WriteMem(cmd, 4, &stop), 4);
  EXPECT_TRUE(WaitFor([&] { return ReadU32(*api_, ack) == stop; }, 2000));
  EXPECT_EQ(ReadF32(*api_, motor), 0.0f);
  EXPECT_TRUE(WaitFor([&] { return std::fabs(ReadF32(*api_, motor + 4)) < 300.0f; }, 5000));
}

TEST_F(DemoTarget, HaltGoAndAFaultingCore) {
  ASSERT_EQ(Exec("SimHalt"), "");
  EXPECT_EQ(api_->VELTRA_IsHalted(), 1);
  ExpectStopped();
  api_->VELTRA_Go();
  EXPECT_EQ(api_->VELTRA_IsHalted(), 0);
  const uint32_t tick = ReadU32(*api_, tick_);
  EXPECT_TRUE(WaitFor([&] { return ReadU32(*api_, tick_) > tick + 5; }, 2000));

  const uint32_t fault = 0xFA17;  // the firmware reads unmapped memory
  ASSERT_EQ(api_->VELTRA_WriteMem(DemoSymbol("g_command"), 4, &fault), 4);
  EXPECT_TRUE(WaitFor([&] { return api_->VELTRA_IsHalted() == 1; }, 2000));
  ExpectStopped();
  // Memory stays readable; a reset through a new download brings the firmware back.
  ASSERT_EQ(api_->VELTRA_DownloadFile(DemoElfPath().c_str(), 0), 0);
  EXPECT_TRUE(WaitFor([&] { return api_->VELTRA_IsHalted() == 0 && ReadU32(*api_, tick_) > 3; }, 2000));
}

TEST_F(DemoTarget, ClockAndMaximumFrequencyCommands) {
  // The firmware programs SysTick for 64 MHz; at 16 instructions per microsecond a tick takes
  // 4 ms of target time.
  ASSERT_EQ(Exec("SimClock = 16"), "");
  SleepMs(10);  // let the current tick period run out
  ASSERT_EQ(StartHss({{tick_, 4, 0, 0}}, 100), 0);
  std::vector<uint8_t> data = Collect(200);
  const size_t n = data.size() / 8;
  ASSERT_GT(n, 500u);
  uint32_t first_change = 0, last_change = 0, changes = 0;
  for (size_t i = 1; i < n; ++i) {
    if (LoadU32(data.data() + 8 * i + 4) == LoadU32(data.data() + 8 * i - 4)) continue;
    last_change = LoadU32(data.data() + 8 * i);
    if (changes++ == 0) first_change = last_change;
  }
  ASSERT_GT(changes, 5u);
  EXPECT_NEAR(double(last_change - first_change) / double(changes - 1), 4000.0, 150.0);

  // A period below the probe's maximum frequency is raised to it.
  api_->VELTRA_HSS_Stop();
  ASSERT_EQ(Exec("SimHSSMaxFreq = 2000"), "");
  ASSERT_EQ(StartHss({{tick_, 4, 0, 0}}, 10), 0);
  data = Collect(100);
  ASSERT_GE(data.size(), 16u);
  EXPECT_EQ(LoadU32(data.data() + 8) - LoadU32(data.data()), 500u);
}

TEST_F(DemoTarget, HssReadFailsAfterTheConfiguredNumberOfReads) {
  ASSERT_EQ(Exec("SimHSSReadFailAfter = 3"), "");
  ASSERT_EQ(StartHss({{tick_, 4, 0, 0}}, 1000), 0);
  uint8_t buf[4096];
  for (int i = 0; i < 3; ++i) EXPECT_GE(api_->VELTRA_HSS_Read(buf, sizeof buf), 0) << i;
  EXPECT_LT(api_->VELTRA_HSS_Read(buf, sizeof buf), 0);
  EXPECT_LT(api_->VELTRA_HSS_Read(buf, sizeof buf), 0);
}

TEST_F(DemoTarget, FlashImageIsKeptInTheAppDataFolder) {
  const char* home = std::getenv("XDG_CONFIG_HOME");
  ASSERT_NE(home, nullptr);
  const std::string path = std::string(home) + "/Tarvik/VeltraSim/VSIM32H743.flash";
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path;
  std::vector<char> flash((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(flash.size(), 1024u * 1024u);
  // The vector table at the start of flash: initial SP at the top of the demo's RAM.
  uint32_t sp = 0;
  std::memcpy(&sp, flash.data(), 4);
  EXPECT_EQ(sp, 0x20040000u);
}

}  // namespace
