// The probe library through OpenOCD's Tcl port, against an in-process fake of that port:
// framing and failures of the Tcl client, the grouping of sampled blocks, and the library's
// exports (connect, memory, run control, programming, emulated High-Speed Sampling).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "sim/ocd_sampler.h"
#include "sim/ocd_tcl_client.h"
#include "sim/sim_protocol.h"
#include "tests/sim/fake_openocd.h"
#include "tests/sim/sim_test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

TEST(OpenOcdTcl, NumbersAreCheckedForCountWidthAndForm) {
  struct Case {
    const char* text;
    size_t count;
    unsigned width;
    bool ok;
  };
  const Case cases[] = {
      {"0x1 0x2", 2, 32, true},       {"  0xffffffff\n", 1, 32, true}, {"17 0x11", 2, 8, true},
      {"", 0, 32, true},              {"0x1 zz", 2, 32, false},        {"0x1", 2, 32, false},
      {"0x1 0x2 0x3", 2, 32, false},  {"0x100", 1, 8, false},          {"0x", 1, 32, false},
      {"-1", 1, 32, false},           {"0x1ffffffff", 1, 32, false},   {"0x12g", 1, 32, false},
  };
  for (const Case& c : cases) {
    std::vector<uint32_t> values;
    std::string error;
    EXPECT_EQ(SIM_ParseNumbers(c.text, c.count, c.width, values, error), c.ok) << c.text;
    if (!c.ok) {
      EXPECT_NE(error.find("OpenOCD sent"), std::string::npos) << c.text;
    }
  }
}

TEST(OpenOcdTcl, SplitRepliesErrorsSilenceAndDisconnects) {
  FakeOpenOcd fake;
  std::string error, result;
  const int fd = SIM_TcpConnect("127.0.0.1", fake.port(), 1000, error);
  ASSERT_GE(fd, 0) << error;
  SIM_TclClient client(fd);

  fake.split_replies = true;
  ASSERT_TRUE(client.Eval("version", 1000, result, error)) << error;
  EXPECT_EQ(result, "Open On-Chip Debugger 0.12.0");
  // A Tcl error is told from a result and leaves the connection usable.
  EXPECT_FALSE(client.Eval("read_memory 0x10 32 1", 1000, result, error));
  EXPECT_EQ(error, "read_memory: failed to read memory");
  EXPECT_TRUE(client.alive());
  EXPECT_FALSE(client.Call(std::string("halt\x1a") + "resume", 1000, result, error));  // never sent
  fake.split_replies = false;

  fake.silent = true;
  const Clock::time_point start = Clock::now();
  EXPECT_FALSE(client.Eval("version", 300, result, error));
  EXPECT_LT(MsSince(start), 2000);
  EXPECT_NE(error.find("in time"), std::string::npos) << error;
  EXPECT_FALSE(client.alive());
  EXPECT_FALSE(client.Eval("version", 300, result, error));  // a broken client fails at once

  fake.silent = false;
  fake.drop_connection = true;
  const int fd2 = SIM_TcpConnect("127.0.0.1", fake.port(), 1000, error);
  ASSERT_GE(fd2, 0) << error;
  SIM_TclClient dropped(fd2);
  EXPECT_FALSE(dropped.Eval("version", 1000, result, error));
  EXPECT_NE(error.find("closed"), std::string::npos) << error;
}

TEST(OpenOcdSampling, BlocksAreGroupedIntoWordAlignedRanges) {
  struct Case {
    const char* name;
    std::vector<VELTRA_HSS_BLOCK> blocks;
    std::vector<SIM_ReadRange> ranges;
    std::vector<uint32_t> offsets;
  };
  const Case cases[] = {
      {"contiguous", {{0x20000000, 4, 0, 0}, {0x20000004, 4, 0, 0}, {0x20000008, 2, 0, 0}}, {{0x20000000, 3}}, {0, 4, 8}},
      {"scattered",
       {{0x20000800, 4, 0, 0}, {0x20000000, 4, 0, 0}, {0x20000100, 4, 0, 0}},
       {{0x20000000, 1}, {0x20000100, 1}, {0x20000800, 1}},
       {8, 0, 4}},
      {"unaligned, unsorted, overlapping",
       {{0x20000103, 1, 0, 0}, {0x20000000, 2, 0, 0}, {0x20000101, 2, 0, 0}},
       {{0x20000000, 1}, {0x20000100, 1}},
       {7, 0, 5}},
      {"a small gap is read through", {{0x20000000, 4, 0, 0}, {0x20000044, 4, 0, 0}}, {{0x20000000, 18}}, {0, 68}},
      {"a larger gap is not", {{0x20000000, 4, 0, 0}, {0x20000048, 4, 0, 0}}, {{0x20000000, 1}, {0x20000048, 1}}, {0, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SIM_BlockPlan plan = SIM_PlanBlocks(c.blocks, SIM_OcdSampler::kMaxGapBytes);
    ASSERT_EQ(plan.ranges.size(), c.ranges.size());
    for (size_t i = 0; i < c.ranges.size(); ++i) {
      EXPECT_EQ(plan.ranges[i].addr, c.ranges[i].addr);
      EXPECT_EQ(plan.ranges[i].words, c.ranges[i].words);
    }
    EXPECT_EQ(plan.block_offset, c.offsets);
  }
}

class OpenOcdLibrary : public VeltraTest {
 protected:
  // Selects the fake, opens and connects; "" or the reason it failed.
  std::string Connect(const std::string& device = "STM32F407VG") {
    if (api_->VELTRAARM_SelectIP(fake_.Host().c_str(), 0) != 0) return "SelectIP refused";
    if (const char* error = api_->VELTRAARM_OpenEx(nullptr, nullptr)) return error;
    const std::string error = Exec("device = " + device);
    if (!error.empty()) return error;
    return api_->VELTRAARM_Connect() == 0 ? "" : "Connect failed";
  }
  // Reads HSS records until `want` arrived or the read fails; the bytes, or empty on failure.
  std::vector<uint8_t> ReadRecords(size_t record_bytes, size_t want, int& last_result) {
    std::vector<uint8_t> all, buffer(64 * 1024);
    const Clock::time_point start = Clock::now();
    while (all.size() < want * record_bytes && MsSince(start) < 3000) {
      last_result = api_->VELTRA_HSS_Read(buffer.data(), uint32_t(buffer.size()));
      if (last_result < 0) break;
      EXPECT_EQ(size_t(last_result) % record_bytes, 0u);
      all.insert(all.end(), buffer.begin(), buffer.begin() + last_result);
      SleepMs(2);
    }
    return all;
  }
  FakeOpenOcd fake_;
};

TEST_F(OpenOcdLibrary, ConnectsReadsWritesRunsAndPrograms) {
  ASSERT_EQ(Connect(), "");
  EXPECT_EQ(api_->VELTRAARM_EMU_HasCapEx(VELTRA_CAP_HSS), 1);
  VELTRA_HSS_CAPS caps{};
  ASSERT_EQ(api_->VELTRA_HSS_GetCaps(&caps), 0);
  EXPECT_GT(caps.max_freq_hz, 1u);  // measured round trips of a fast local fake

  const uint8_t data[] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(api_->VELTRA_WriteMem(0x20000010, sizeof data, data), int(sizeof data));
  EXPECT_EQ(fake_.Word(0x20000010), 0x04030201u);
  EXPECT_EQ(fake_.Word(0x20000014), 0x08070605u);
  for (uint32_t offset : {0u, 1u, 2u, 3u}) {  // word, byte and half-word widths
    uint8_t out[5] = {};
    const uint32_t n = offset == 2 ? 2 : offset == 0 ? 4 : 5 - offset;
    ASSERT_EQ(api_->VELTRAARM_ReadMem(0x20000010 + offset, n, out), 0) << offset;
    EXPECT_EQ(std::memcmp(out, data + offset, n), 0) << offset;
  }
  uint8_t out[4];
  EXPECT_NE(api_->VELTRAARM_ReadMem(0x10, 4, out), 0);  // a Tcl error fails the read

  EXPECT_EQ(api_->VELTRAARM_IsHalted(), 0);
  EXPECT_EQ(Exec("SimHalt"), "");
  EXPECT_EQ(api_->VELTRAARM_IsHalted(), 1);
  api_->VELTRA_Go();
  EXPECT_EQ(api_->VELTRA_IsHalted(), 0);

  // The device dialog offers OpenOCD's target, and naming it selects it in OpenOCD.
  const int index = api_->VELTRAARM_DEVICE_SelectDialog(nullptr, 0, nullptr);
  EXPECT_EQ(api_->VELTRAARM_DEVICE_GetInfo(-1, nullptr), index + 1);
  VELTRA_DEVICE_INFO info{};
  info.size = VELTRA_DEVICE_INFO_SIZE;
  ASSERT_EQ(api_->VELTRAARM_DEVICE_GetInfo(index, &info), 0);
  EXPECT_STREQ(info.name, "fake.cpu");
  fake_.ClearLog();
  EXPECT_EQ(Exec("device = fake.cpu"), "");
  ASSERT_EQ(api_->VELTRAARM_Connect(), 0);
  const std::vector<std::string> connect_log = fake_.Log();
  EXPECT_NE(std::find(connect_log.begin(), connect_log.end(), "targets fake.cpu"), connect_log.end());

  fake_.ClearLog();
  ASSERT_EQ(api_->VELTRA_DownloadFile(DemoElfPath().c_str(), 0), 0);
  const std::vector<std::string> log = fake_.Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind("program /", 0), 0u) << log[0];
  EXPECT_NE(log[0].find("demo.elf verify reset"), std::string::npos) << log[0];
  EXPECT_LT(api_->VELTRA_DownloadFile("/no/such/file.elf", 0), 0);
}

TEST_F(OpenOcdLibrary, SamplingPollsGroupedReadsWithHostTimeStamps) {
  ASSERT_EQ(Connect(), "");
  fake_.SetWord(0x20000100, 0x11223344);
  fake_.SetWord(0x20000104, 0x55667788);
  fake_.SetWord(0x20000800, 0xCAFEF00D);
  VELTRA_HSS_BLOCK blocks[] = {{0x20000800, 4, 0, 0}, {0x20000101, 2, 0, 0}, {0x20000104, 4, 0, 0}};
  const size_t record_bytes = 4 + 4 + 2 + 4;
  fake_.ClearLog();
  ASSERT_EQ(api_->VELTRA_HSS_Start(blocks, 3, 1000, 1), 0);
  int last = 0;
  const std::vector<uint8_t> records = ReadRecords(record_bytes, 20, last);
  ASSERT_GE(records.size(), 20 * record_bytes);
  const uint8_t want[] = {0x0D, 0xF0, 0xFE, 0xCA, 0x33, 0x22, 0x88, 0x77, 0x66, 0x55};
  uint32_t previous = 0;
  for (size_t at = 0; at + record_bytes <= records.size(); at += record_bytes) {
    uint32_t stamp = 0;
    std::memcpy(&stamp, &records[at], 4);
    EXPECT_GE(stamp, previous);
    previous = stamp;
    EXPECT_EQ(std::memcmp(&records[at + 4], want, sizeof want), 0) << at;
  }
  // Twenty records at 1 ms are about 19 ms of host time, however fast the fake answers.
  EXPECT_GE(previous, 15000u);
  // One Tcl command per sample, two reads in it (the nearby blocks share one).
  for (const std::string& command : fake_.Log()) {
    ASSERT_EQ(command.rfind("concat [read_memory 0x20000100 32 2] [read_memory 0x20000800 32 1]", 0), 0u) << command;
  }

  // A failed read ends sampling as a probe's failed HSS read does.
  fake_.fail_reads = true;
  ReadRecords(record_bytes, 100000, last);
  EXPECT_LT(last, 0);
  fake_.fail_reads = false;
  EXPECT_EQ(api_->VELTRA_HSS_Stop(), 0);
}

TEST_F(OpenOcdLibrary, FailuresAreReportedWithinBoundedTime) {
  struct Case {
    const char* name;
    void (*arrange)(FakeOpenOcd&);
    const char* message;  // part of OpenEx's error
  };
  const Case cases[] = {
      {"not OpenOCD", [](FakeOpenOcd& f) { f.not_openocd = true; }, "does not answer as OpenOCD"},
      {"target not examined", [](FakeOpenOcd& f) { f.state = "unknown"; }, "has not examined its target"},
      {"silent", [](FakeOpenOcd& f) { f.silent = true; }, "did not answer in time"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeOpenOcd fake;
    c.arrange(fake);
    ASSERT_EQ(api_->VELTRAARM_SelectIP(fake.Host().c_str(), 0), 0);
    const Clock::time_point start = Clock::now();
    const char* error = api_->VELTRAARM_OpenEx(nullptr, nullptr);
    EXPECT_LT(MsSince(start), 5000);
    ASSERT_NE(error, nullptr);
    EXPECT_NE(std::string(error).find(c.message), std::string::npos) << error;
    EXPECT_EQ(api_->VELTRAARM_IsOpen(), 0);
  }
  {
    SCOPED_TRACE("nothing listening");
    int port = 0;
    { FakeOpenOcd gone; port = gone.port(); }
    ASSERT_EQ(api_->VELTRAARM_SelectIP(("openocd:127.0.0.1:" + std::to_string(port)).c_str(), 0), 0);
    const char* error = api_->VELTRAARM_OpenEx(nullptr, nullptr);
    ASSERT_NE(error, nullptr);
    EXPECT_NE(std::string(error).find("not reachable"), std::string::npos) << error;
  }
  // Malformed numbers or a dropped connection while sampling end it; a dead OpenOCD closes
  // the probe connection.
  for (bool drop : {false, true}) {
    SCOPED_TRACE(drop ? "dropped mid-sampling" : "malformed numbers mid-sampling");
    ASSERT_EQ(Connect(), "");
    VELTRA_HSS_BLOCK block{0x20000000, 4, 0, 0};
    ASSERT_EQ(api_->VELTRA_HSS_Start(&block, 1, 1000, 1), 0);
    (drop ? fake_.drop_connection : fake_.garbage_numbers) = true;
    int last = 0;
    ReadRecords(8, 100000, last);
    EXPECT_LT(last, 0);
    EXPECT_EQ(api_->VELTRAARM_IsOpen(), drop ? 0 : 1);
    fake_.drop_connection = fake_.garbage_numbers = false;
    api_->VELTRAARM_Close();
  }
}

}  // namespace
