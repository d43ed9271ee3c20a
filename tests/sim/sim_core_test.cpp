// Parts of the simulator core below the library API: the ELF loader's handling of bad files,
// host text parsing, and the HSS buffer's drop accounting.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "sim/sim_elf.h"
#include "sim/sim_protocol.h"
#include "sim/sim_target.h"
#include "tests/sim/sim_test_support.h"

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) { std::memcpy(b.data() + at, &v, 2); }

// A minimal valid ARM executable: header, one program header, 16 bytes of segment data.
std::vector<uint8_t> TinyElf() {
  std::vector<uint8_t> b(52 + 32 + 16, 0);
  std::memcpy(b.data(), "\x7f" "ELF", 4);
  b[4] = 1; // 32-bit
  b[5] = 1; // little-endian
  b[6] = 1;
  Put16(b, 16, 2);  // executable
  Put16(b, 18, 40); // ARM
  Put32(b, 20, 1);
  Put32(b, 24, 0x08000009u);
  Put32(b, 28, 52); // program headers
  Put16(b, 40, 52);
  Put16(b, 42, 32);
  Put16(b, 44, 1);
  Put32(b, 52 + 0, 1);        // PT_LOAD
  Put32(b, 52 + 4, 84);       // offset
  Put32(b, 52 + 8, 0x08000000u);
  Put32(b, 52 + 12, 0x08000000u);
  Put32(b, 52 + 16, 16);      // file size
  Put32(b, 52 + 20, 32);      // memory size
  return b;
}

TEST(SimElf, RefusesMalformedFiles) {
  struct Case {
    const char* name;
    void (*mutate)(std::vector<uint8_t>&);
    bool want_ok;
  };
  const Case cases[] = {
      {"valid", [](std::vector<uint8_t>&) {}, true},
      {"truncated header", [](std::vector<uint8_t>& b) { b.resize(40); }, false},
      {"bad magic", [](std::vector<uint8_t>& b) { b[1] = 'X'; }, false},
      {"64-bit", [](std::vector<uint8_t>& b) { b[4] = 2; }, false},
      {"big-endian", [](std::vector<uint8_t>& b) { b[5] = 2; }, false},
      {"relocatable object", [](std::vector<uint8_t>& b) { Put16(b, 16, 1); }, false},
      {"not ARM", [](std::vector<uint8_t>& b) { Put16(b, 18, 62); }, false},
      {"no program headers", [](std::vector<uint8_t>& b) { Put16(b, 44, 0); }, false},
      {"program headers past the end", [](std::vector<uint8_t>& b) { Put16(b, 44, 1000); }, false},
      {"program header offset overflows", [](std::vector<uint8_t>& b) { Put32(b, 28, 0xFFFFFFF0u); }, false},
      {"segment data past the end", [](std::vector<uint8_t>& b) { Put32(b, 52 + 16, 17); Put32(b, 52 + 20, 17); }, false},
      {"segment offset overflows", [](std::vector<uint8_t>& b) { Put32(b, 52 + 4, 0xFFFFFFFCu); }, false},
      {"file size above memory size", [](std::vector<uint8_t>& b) { Put32(b, 52 + 20, 8); }, false},
      {"segment wraps the address space", [](std::vector<uint8_t>& b) { Put32(b, 52 + 12, 0xFFFFFFF8u); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = TinyElf();
    c.mutate(bytes);
    SIM_ElfImage image;
    std::string error;
    EXPECT_EQ(SIM_ElfParse(bytes, image, error), c.want_ok) << error;
    if (c.want_ok) {
      ASSERT_EQ(image.segments.size(), 1u);
      EXPECT_EQ(image.segments[0].data.size(), 16u);
      EXPECT_EQ(image.segments[0].mem_size, 32u);
    } else {
      EXPECT_FALSE(error.empty());
    }
  }
  // A file without a symbol table finds no symbols.
  SIM_ElfImage image;
  std::string error;
  ASSERT_TRUE(SIM_ElfParse(TinyElf(), image, error));
  SIM_ElfSymbol sym;
  EXPECT_FALSE(SIM_ElfFindSymbol(image, "main", sym));
}

TEST(SimProtocol, HostTextParsing) {
  struct Case {
    std::string text;
    int port;
    bool want_ok;
    std::string want_host;
    int want_port;
  };
  const Case cases[] = {
      {"localhost", 0, true, "localhost", SIM_DEFAULT_PORT},
      {"10.0.0.2:4000", 0, true, "10.0.0.2", 4000},
      {" 10.0.0.2:4000 ", 0, true, "10.0.0.2", 4000},
      {"10.0.0.2:4000", 5000, true, "10.0.0.2", 5000},
      {"[::1]:4000", 0, true, "::1", 4000},
      {"::1", 0, true, "::1", SIM_DEFAULT_PORT},
      {"host:0", 0, false, "", 0},
      {"host:65536", 0, false, "", 0},
      {"host:12ab", 0, false, "", 0},
      {"host:", 0, true, "host", SIM_DEFAULT_PORT},
      {":4000", 0, false, "", 0},
      {"", 0, false, "", 0},
      {"[::1", 0, false, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string host;
    int port = 0;
    ASSERT_EQ(SIM_ParseHostPort(c.text, c.port, host, port), c.want_ok);
    if (!c.want_ok) continue;
    EXPECT_EQ(host, c.want_host);
    EXPECT_EQ(port, c.want_port);
  }
}

// A reader too slow for 1 MHz sampling loses the oldest records, counted, never the newest.
TEST(SimTarget, FullHssBufferDropsAndCountsTheOldestRecords) {
  setenv("XDG_CONFIG_HOME", (std::string(VISTRO_BINARY_DIR) + "/test-home/sim_tests").c_str(), 1);
  SIM_ElfImage image;
  std::string error;
  ASSERT_TRUE(SIM_ElfLoadFile(DemoElfPath(), image, error)) << error;
  SIM_Target target(SIM_Devices()[0]);
  ASSERT_EQ(target.error(), "");
  ASSERT_EQ(target.Download(image, error), 0) << error;
  // 13-byte records: the 16 MB buffer holds about 1.3 s at 1 MHz.
  const std::vector<VELTRA_HSS_BLOCK> blocks(3, VELTRA_HSS_BLOCK{0x20000030u, 3, 0, 0});
  ASSERT_EQ(target.HssStart(blocks, 1), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(1600));
  std::vector<uint8_t> buf(SIM_Target::kHssBufferBytes + 1024);
  const SIM_Stats before = target.Stats();
  const int n = target.HssRead(buf);
  ASSERT_GT(n, 0);
  EXPECT_EQ(n % 13, 0);
  EXPECT_LE(size_t(n), SIM_Target::kHssBufferBytes);
  const SIM_Stats after = target.Stats();
  // Every sampled record was either delivered, dropped, or sampled between the two looks.
  EXPECT_GT(after.hss_dropped, 0u);
  EXPECT_GE(after.hss_records, uint64_t(n / 13) + before.hss_dropped);
  EXPECT_LE(before.hss_records, uint64_t(n / 13) + after.hss_dropped);
  // Contiguous: whatever was dropped came before the first record delivered, and the next
  // read continues right after the newest.
  const size_t records = size_t(n) / 13;
  uint32_t first = 0, last = 0;
  std::memcpy(&first, buf.data(), 4);
  std::memcpy(&last, buf.data() + (records - 1) * 13, 4);
  EXPECT_EQ(last - first, uint32_t(records - 1));
  EXPECT_GT(first, 100000u);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_GT(target.HssRead(std::span<uint8_t>(buf.data(), 13)), 0);
  std::memcpy(&first, buf.data(), 4);
  EXPECT_EQ(first, last + 1);
  // Emulated time never ran ahead of wall time (the target is at most as old as this test).
  EXPECT_LE(after.target_time_us, 1600000u + 5000000u);
}

}  // namespace
