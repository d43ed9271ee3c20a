// Device information texts: core names, memory sizes, flash sizes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "probe/probe_format.h"

namespace {

std::string CoreName(uint32_t id) {
  char buffer[256];
  PROBE_FormatCoreName(id, buffer, sizeof(buffer));
  return buffer;
}

std::string Size(uint64_t bytes) {
  char buffer[64];
  PROBE_FormatSize(bytes, buffer, sizeof(buffer));
  return buffer;
}

TEST(ProbeFormat, CoreNames) {
  struct Case {
    const char* name;
    uint32_t id;
    const char* want;
  };
  const Case cases[] = {
      {"none", 0x00000000, "None"},
      {"M1 revision and patch", 0x01000012, "Cortex-M1 r1p2"},
      {"M3 not given", 0x030000FF, "Cortex-M3"},
      {"M3 patch only", 0x030000F2, "Cortex-M3 p2"},
      {"M3 revision only", 0x0300003F, "Cortex-M3 r3"},
      {"simulator has no revision", 0x04000012, "Simulator"},
      {"M23", 0x06010010, "Cortex-M23 r1p0"},
      {"M0", 0x06000000, "Cortex-M0 r0p0"},
      {"ARM7TDMI-S", 0x07000120, "ARM7TDMI-S Rev.2"},
      {"ARM7 other variant, patch ignored", 0x07010003, "ARM7 Rev.0"},
      {"ARM7 revision not given", 0x070000F0, "ARM7TDMI"},
      {"Cortex-A9 exact", 0x080900FF, "Cortex-A9"},
      {"Cortex-A17 exact", 0x080C00FF, "Cortex-A17"},
      {"family 8 other", 0x08090000, "Cortex-A8"},
      {"ARM920T-S", 0x09200120, "ARM920T-S Rev.2"},
      {"ARM968E", 0x096800F0, "ARM968E"},
      {"ARM9 unknown variant", 0x09050000, "ARM9 Rev.0"},
      {"ARM10", 0x0A123456, "ARM10"},
      {"ARM1176JF-S", 0x0B7607FF, "ARM1176JF-S"},
      {"ARM11JF-S", 0x0B3607FF, "ARM11JF-S"},
      {"ARM11 other", 0x0B760700, "ARM11"},
      {"R5", 0x0C010000, "Cortex-R5"},
      {"R8", 0x0C020000, "Cortex-R8"},
      {"R7", 0x0C030000, "Cortex-R7"},
      {"R4", 0x0C090000, "Cortex-R4"},
      {"RX66T", 0x0D0AFFFF, "RX66T"},
      {"RX671", 0x0D32FFFF, "RX671"},
      {"RX gap in table", 0x0D09FFFF, "RX"},
      {"RX not exact", 0x0D0A0000, "RX"},
      {"M7 exact", 0x0E0100FF, "Cortex-M7"},
      {"M52 exact", 0x0E0600FF, "Cortex-M52"},
      {"M4 like with revision", 0x0E010012, "Unknown Cortex-M4 like r1p2"},
      {"M4 like unknown variant", 0x0E0700FF, "Unknown Cortex-M4 like"},
      {"A5", 0x0F000021, "Cortex-A5 r2p1"},
      {"Nexus 2+", 0x10000100, "PowerPC (Nexus 2+)"},
      {"Nexus 1 even", 0x10000200, "PowerPC (Nexus 1)"},
      {"Nexus 1 at 255", 0x1000FF00, "PowerPC (Nexus 1)"},
      {"MIPS M4K", 0x11000000, "MIPS M4K"},
      {"MIPS MicroAptiv", 0x11010000, "MIPS MicroAptiv"},
      {"MIPS M14K", 0x11020000, "MIPS M14K"},
      {"MIPS other", 0x11050000, "MIPS"},
      {"8051", 0x12000000, "8051"},
      {"RISC-V", 0x13000011, "RISC-V"},
      {"A76", 0x1407FFFF, "Cortex-A76"},
      {"R52", 0x1404FFFF, "Cortex-R52"},
      {"A53", 0x14000000, "Cortex-A53"},
      {"BT5511", 0x15000000, "BT5511"},
      {"Fusion F1", 0x16040008, "Fusion F1"},
      {"Xtensa unknown", 0x16040006, "Unknown type"},
      {"family 2", 0x02000000, "Unspecified"},
      {"family 5", 0x05000000, "Unspecified"},
      {"family 23", 0x17000000, "Unspecified"},
      {"family 255", 0xFF0100FF, "Unspecified"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CoreName(c.id), c.want);
  }
}

TEST(ProbeFormat, CoreNameTruncatesToBuffer) {
  char buffer[5] = {'x', 'x', 'x', 'x', 'x'};
  PROBE_FormatCoreName(0x0E0100FF, buffer, sizeof(buffer));
  EXPECT_STREQ(buffer, "Cort");
  PROBE_FormatCoreName(0x0E0100FF, buffer, 0);  // writes nothing
  EXPECT_STREQ(buffer, "Cort");
}

TEST(ProbeFormat, Sizes) {
  constexpr uint64_t KiB = 1024;
  constexpr uint64_t MiB = KiB * 1024;
  constexpr uint64_t GiB = MiB * 1024;
  struct Case {
    const char* name;
    uint64_t bytes;
    const char* want;
  };
  const Case cases[] = {
      {"zero", 0, "0 Bytes"},
      {"one", 1, "1 Byte"},
      {"two", 2, "2 Bytes"},
      {"half KiB is bytes", 512, "512 Bytes"},
      {"odd", 1025, "1025 Bytes"},
      {"KiB", KiB, "1 KB"},
      {"KiB and a half", KiB + 512, "1.5 KB"},
      {"half MiB", 512 * KiB, "512 KB"},
      {"MiB", MiB, "1 MB"},
      {"MiB and a half", 3 * MiB / 2, "1.5 MB"},
      {"half GiB", GiB / 2, "512 MB"},
      {"GiB and a MiB", GiB + MiB, "1025 MB"},
      {"GiB", GiB, "1 GB"},
      {"GiB and a half", GiB + GiB / 2, "1.5 GB"},
      {"beyond 32 bits", 4 * GiB, "4 GB"},
      {"two GiB and half a MiB", 2 * GiB + MiB / 2, "2048.5 MB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Size(c.bytes), c.want);
  }
}

TEST(ProbeFormat, FlashSizes) {
  const VELTRA_FLASH_REGION uniform[] = {{8, 128 * 1024, 0}, {0, 0, 0}};
  const VELTRA_FLASH_REGION mixed[] = {{4, 32 * 1024, 0}, {1, 128 * 1024, 0}, {3, 256 * 1024, 0},
                                       {0, 0, 0}};
  const VELTRA_FLASH_REGION small[] = {{3, 512, 0}, {0, 0, 0}};
  const VELTRA_FLASH_REGION empty[] = {{0, 4096, 0}};
  struct Case {
    const char* name;
    std::vector<VELTRA_FLASH_BANK> banks;
    const char* want;
    uint64_t total;
  };
  const Case cases[] = {
      {"no bank", {}, "-", 0},
      {"unused slots only", {{"a", nullptr, 0, 0}, {"b", nullptr, 0, 0}}, "-", 0},
      {"one bank", {{"b1", uniform, 0x08000000, 0}}, "1 MB", 1024 * 1024},
      {"two banks, unused slot between",
       {{"b1", mixed, 0x08000000, 0}, {"x", nullptr, 0, 0}, {"b2", small, 0x08100000, 0}},
       "1 MB + 1.5 KB",
       1024 * 1024 + 1536},
      {"bank with an empty region list", {{"b1", empty, 0, 0}}, "0 Bytes", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char buffer[128];
    EXPECT_EQ(PROBE_FormatFlashSize(c.banks, buffer, sizeof(buffer)), c.total);
    EXPECT_STREQ(buffer, c.want);
  }
}

}  // namespace
