// Device information texts: core names, memory sizes, flash sizes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
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

// Each kind of entry: revision and patch given or not, exact entries, family fallbacks, gaps in
// a table, unknown families.
TEST(ProbeFormat, CoreNames) {
  // clang-format off
  const std::pair<uint32_t, const char*> cases[] = {
      {0x00000000, "None"},               {0x01000012, "Cortex-M1 r1p2"},
      {0x030000FF, "Cortex-M3"},          {0x030000F2, "Cortex-M3 p2"},
      {0x0300003F, "Cortex-M3 r3"},       {0x04000012, "Simulator"},
      {0x07000120, "ARM7TDMI-S Rev.2"},   {0x07010003, "ARM7 Rev.0"},
      {0x070000F0, "ARM7TDMI"},           {0x080C00FF, "Cortex-A17"},
      {0x08090000, "Cortex-A8"},          {0x09050000, "ARM9 Rev.0"},
      {0x0B7607FF, "ARM1176JF-S"},        {0x0B760700, "ARM11"},
      {0x0D32FFFF, "RX671"},              {0x0D09FFFF, "RX"},
      {0x0D0A0000, "RX"},                 {0x0E0600FF, "Cortex-M52"},
      {0x0E010012, "Unknown Cortex-M4 like r1p2"}, {0x0E0700FF, "Unknown Cortex-M4 like"},
      {0x1000FF00, "PowerPC (Nexus 1)"},  {0x10000100, "PowerPC (Nexus 2+)"},
      {0x11050000, "MIPS"},               {0x16040008, "Fusion F1"},
      {0x16040006, "Unknown type"},       {0x02000000, "Unspecified"},
      {0xFF0100FF, "Unspecified"}};
  // clang-format on
  for (const auto& [id, want] : cases) {
    SCOPED_TRACE(id);
    EXPECT_EQ(CoreName(id), want);
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
  constexpr uint64_t K = 1024, M = K * 1024, G = M * 1024;
  const std::pair<uint64_t, const char*> cases[] = {
      {0, "0 Bytes"},        {1, "1 Byte"},   {1025, "1025 Bytes"},        {K, "1 KB"},
      {K + 512, "1.5 KB"},   {M, "1 MB"},     {3 * M / 2, "1.5 MB"},       {G + M, "1025 MB"},
      {G + G / 2, "1.5 GB"}, {4 * G, "4 GB"}, {2 * G + M / 2, "2048.5 MB"}};
  for (const auto& [bytes, want] : cases) {
    SCOPED_TRACE(bytes);
    EXPECT_EQ(Size(bytes), want);
  }
}

TEST(ProbeFormat, FlashSizes) {
  const VELTRA_FLASH_REGION uniform[] = {{8, 128 * 1024, 0}, {0, 0, 0}};
  const VELTRA_FLASH_REGION mixed[] = {
      {4, 32 * 1024, 0}, {1, 128 * 1024, 0}, {3, 256 * 1024, 0}, {0, 0, 0}};
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
