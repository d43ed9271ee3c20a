// The simulated probe library through its C API, as the application calls it: exports, the
// device catalogue, text commands and every simulator-controlled failure of a connection.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tests/sim/sim_test_support.h"

namespace {

using VeltraLibrary = VeltraTest;

TEST_F(VeltraLibrary, DeviceCatalogueHasRealisticMemoryMaps) {
  const int count = api_->VELTRAARM_DEVICE_GetInfo(-1, nullptr);
  ASSERT_GE(count, 2);
  bool has_m4 = false, has_m7 = false;
  for (int i = 0; i < count; ++i) {
    SCOPED_TRACE(i);
    VELTRA_DEVICE_INFO info{};
    info.size = VELTRA_DEVICE_INFO_SIZE;
    ASSERT_EQ(api_->VELTRAARM_DEVICE_GetInfo(i, &info), 0);
    EXPECT_EQ(info.size, VELTRA_DEVICE_INFO_SIZE);
    ASSERT_NE(info.name, nullptr);
    ASSERT_NE(info.manufacturer, nullptr);
    EXPECT_EQ(info.flash_addr, 0x08000000u);
    EXPECT_EQ(info.ram_addr, 0x20000000u);
    has_m4 = has_m4 || info.core_id == 0x0E0000FFu;
    has_m7 = has_m7 || info.core_id == 0x0E0100FFu;
    // The banks' regions add up to the flash size.
    uint64_t bank_total = 0;
    for (const VELTRA_FLASH_BANK& bank : info.flash_banks) {
      for (const VELTRA_FLASH_REGION* r = bank.regions; r && r->sector_count; ++r)
        bank_total += uint64_t(r->sector_count) * r->sector_size;
    }
    EXPECT_EQ(bank_total, info.flash_size);
    // The device can be selected by its name, in any case.
    std::string lower = info.name;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(Exec(std::string("device = ") + lower), "");
  }
  EXPECT_TRUE(has_m4);
  EXPECT_TRUE(has_m7);
}

TEST_F(VeltraLibrary, DeviceInfoRespectsTheCallersRecordSize) {
  struct Case {
    const char* name;
    int index;
    uint32_t size;
    bool want_ok;
  };
  const Case cases[] = {
      {"full record", 0, VELTRA_DEVICE_INFO_SIZE, true},
      {"size and name only", 0, 16, true},
      {"too small for the name", 0, 8, false},
      {"index past the end", 1000, VELTRA_DEVICE_INFO_SIZE, false},
      {"negative index", -2, VELTRA_DEVICE_INFO_SIZE, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> raw(sizeof(VELTRA_DEVICE_INFO) + 64, 0xAB);
    auto* info = reinterpret_cast<VELTRA_DEVICE_INFO*>(raw.data());
    info->size = c.size;
    EXPECT_EQ(api_->VELTRAARM_DEVICE_GetInfo(c.index, info) == 0, c.want_ok);
    EXPECT_EQ(info->size, c.size);
    // Nothing beyond the caller's size is touched.
    for (size_t i = std::max<size_t>(c.size, 4); i < raw.size(); ++i) ASSERT_EQ(raw[i], 0xAB) << i;
    if (c.want_ok) {
      ASSERT_NE(info->name, nullptr);
      EXPECT_STRNE(info->name, "");
    }
  }
}

TEST_F(VeltraLibrary, TextCommands) {
  const std::string script = std::string(VISTRO_BINARY_DIR) + "/sim_test_script.txt";
  std::ofstream(script) << "// probe script\n";
  struct Case {
    std::string cmd;
    bool want_ok;
  };
  const Case cases[] = {
      {"SetMSGBoxTimeout = 0", true},
      {"SetSkipInitECCRAMOnConnect = 1", true},
      {"device = VSIM32H743", true},
      {"device = NO_SUCH_CHIP", false},
      {"device = ", false},
      {"ScriptFile = " + script, true},
      {"ScriptFile = /no/such/script.vscript", false},
      {"SimClock = 0", false},
      {"SimClock = 32", true},
      {"SimHSSMaxBlocks = lots", false},
      {"NoSuchCommand = 1", false},
      {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cmd);
    EXPECT_EQ(Exec(c.cmd).empty(), c.want_ok);
  }
  // Without an error buffer a failing command still reports failure and writes nothing.
  EXPECT_LT(api_->VELTRAARM_ExecCommand("device = NO_SUCH_CHIP", nullptr, 0), 0);
  // A short buffer gets a terminated, truncated text.
  char small[8];
  std::memset(small, 'x', sizeof small);
  EXPECT_LT(api_->VELTRAARM_ExecCommand("device = NO_SUCH_CHIP", small, sizeof small), 0);
  EXPECT_EQ(std::strlen(small), sizeof small - 1);
  std::remove(script.c_str());
  // The device dialog answers what the simulator was told (default 0, -1 is a cancel).
  for (int answer : {0, 1, -1}) {
    EXPECT_EQ(Exec("SimDeviceDialog = " + std::to_string(answer)), "");
    EXPECT_EQ(api_->VELTRAARM_DEVICE_SelectDialog(nullptr, 0, nullptr), answer);
  }
}

TEST_F(VeltraLibrary, ProbeSelectionAndOpenFailures) {
  EXPECT_GT(api_->VELTRAARM_GetSN(), 0);
  EXPECT_EQ(api_->VELTRAARM_EMU_SelectByUSBSN(uint32_t(api_->VELTRAARM_GetSN())), 0);
  EXPECT_LT(api_->VELTRAARM_EMU_SelectByUSBSN(12345), 0);
  for (const char* host : {"", "host:notaport", static_cast<const char*>(nullptr)}) {
    EXPECT_NE(api_->VELTRAARM_SelectIP(host, 0), 0) << (host ? host : "null");
  }
  auto open_error = [&] {
    const char* text = api_->VELTRAARM_OpenEx(nullptr, nullptr);
    return std::string(text == nullptr ? "(none)" : text);
  };
  // Nobody listens on this port: OpenEx reports why.
  EXPECT_EQ(api_->VELTRAARM_SelectIP("127.0.0.1:1", 0), 0);
  EXPECT_NE(open_error(), "(none)");
  EXPECT_EQ(api_->VELTRAARM_IsOpen(), 0);
  EXPECT_EQ(api_->VELTRAARM_EMU_SelectByUSBSN(0), 0);
  EXPECT_EQ(Exec("SimOpenFail = 1"), "");
  EXPECT_NE(open_error(), "(none)");
  EXPECT_EQ(Exec("SimOpenFail = 0"), "");
  EXPECT_EQ(open_error(), "(none)");
  EXPECT_NE(api_->VELTRAARM_IsOpen(), 0);
}

TEST_F(VeltraLibrary, ConnectFailures) {
  struct Case {
    const char* name;
    std::vector<std::string> commands;
    int tif;
    bool want_ok;
  };
  const Case cases[] = {
      {"SWD on the M7", {"device = VSIM32H743"}, VELTRA_TIF_SWD, true},
      {"JTAG on the M7", {"device = VSIM32H743"}, VELTRA_TIF_JTAG, true},
      {"JTAG on an SWD-only device", {"device = VSIM32L031"}, VELTRA_TIF_JTAG, false},
      {"FINE on the M4", {"device = VSIM32F407"}, VELTRA_TIF_FINE, false},
      {"simulated connect failure", {"device = VSIM32H743", "SimConnectFail = 1"}, VELTRA_TIF_SWD, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(api_->VELTRAARM_OpenEx(nullptr, nullptr), nullptr);
    for (const std::string& cmd : c.commands) ASSERT_EQ(Exec(cmd), "");
    api_->VELTRAARM_ConfigJTAG(0, 0);
    api_->VELTRAARM_TIF_Select(c.tif);
    EXPECT_EQ(api_->VELTRAARM_Connect() >= 0, c.want_ok);
    api_->VELTRAARM_Close();
    Exec("SimDefaults");
  }
  // Calls that need a connected target fail without one.
  uint32_t v = 0;
  EXPECT_NE(api_->VELTRAARM_ReadMem(0x20000000u, 4, &v), 0);
  EXPECT_LT(api_->VELTRA_WriteMem(0x20000000u, 4, &v), 0);
  EXPECT_LT(api_->VELTRA_DownloadFile(DemoElfPath().c_str(), 0), 0);
  EXPECT_LT(api_->VELTRA_HSS_Read(&v, 4), 0);
}

TEST_F(VeltraLibrary, HssCapabilityControls) {
  ASSERT_TRUE(ConnectDemoTarget(*api_, false));
  VELTRA_HSS_CAPS caps{};
  ASSERT_EQ(api_->VELTRA_HSS_GetCaps(&caps), 0);
  EXPECT_EQ(caps.max_blocks, 100u);
  EXPECT_EQ(caps.max_freq_hz, 1000000u);
  EXPECT_NE(api_->VELTRAARM_EMU_HasCapEx(VELTRA_CAP_HSS), 0);

  std::vector<VELTRA_HSS_BLOCK> blocks(18, VELTRA_HSS_BLOCK{0x20000000u, 4, 0, 0});
  struct Case {
    const char* name;
    std::vector<std::string> commands;
    int num_blocks;
    int want;
  };
  const Case cases[] = {
      {"within the limits", {}, 17, 0},
      {"no HSS in the probe", {"SimHSS = 0"}, 1, VELTRA_HSS_ERR_NOT_SUPPORTED},
      {"block limit 16, 17 blocks", {"SimHSSMaxBlocks = 16"}, 17, VELTRA_HSS_ERR_TOO_MANY_BLOCKS},
      {"block limit 16, 16 blocks", {"SimHSSMaxBlocks = 16"}, 16, 0},
      {"record larger than the probe's memory", {"SimHSSMaxRecordBytes = 40"}, 10, VELTRA_HSS_ERR_NO_MEMORY},
      {"forced failure", {"SimHSSStartFail = -7"}, 1, -7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& cmd : c.commands) ASSERT_EQ(Exec(cmd), "");
    EXPECT_EQ(api_->VELTRA_HSS_Start(blocks.data(), c.num_blocks, 1000, 1), c.want);
    api_->VELTRA_HSS_Stop();
    Exec("SimDefaults");
  }
  // A block outside the memories is refused.
  VELTRA_HSS_BLOCK bad[2] = {{0x40000000u, 4, 0, 0}, {}};
  EXPECT_LT(api_->VELTRA_HSS_Start(bad, 1, 1000, 1), 0);

  // Without HSS, or with a failing capability query, the caps cannot be read.
  for (const char* cmd : {"SimHSS = 0", "SimHSSCapsFail = 1"}) {
    SCOPED_TRACE(cmd);
    ASSERT_EQ(Exec(cmd), "");
    EXPECT_EQ(api_->VELTRAARM_EMU_HasCapEx(VELTRA_CAP_HSS) != 0, std::strstr(cmd, "Caps") != nullptr);
    EXPECT_NE(api_->VELTRA_HSS_GetCaps(&caps), 0);
    Exec("SimDefaults");
  }
  ASSERT_EQ(Exec("SimHSSMaxFreq = 1000"), "");
  ASSERT_EQ(Exec("SimHSSMaxBlocks = 16"), "");
  ASSERT_EQ(api_->VELTRA_HSS_GetCaps(&caps), 0);
  EXPECT_EQ(caps.max_blocks, 16u);
  EXPECT_EQ(caps.max_freq_hz, 1000u);
  EXPECT_GE(api_->VELTRAARM_GetDLLVersion(), 51100);
  ASSERT_EQ(Exec("SimDLLVersion = 50000"), "");
  EXPECT_LT(api_->VELTRAARM_GetDLLVersion(), 51100);
}

TEST_F(VeltraLibrary, MemoryAccessOutsideTheMemoriesFails) {
  ASSERT_TRUE(ConnectDemoTarget(*api_, true));
  struct Case {
    const char* name;
    uint32_t addr;
    uint32_t size;
    bool read_ok;
    bool write_ok;
  };
  const Case cases[] = {
      {"RAM", 0x20000000u, 16, true, true},
      {"last RAM word", 0x20000000u + 512 * 1024 - 4, 4, true, true},
      {"RAM end crossed", 0x20000000u + 512 * 1024 - 2, 4, false, false},
      {"flash reads, never writes", 0x08000000u, 8, true, false},
      {"peripheral gap", 0x40000000u, 4, false, false},
      {"top of the address space", 0xFFFFFFFEu, 4, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> buf(c.size);
    EXPECT_EQ(api_->VELTRAARM_ReadMem(c.addr, c.size, buf.data()) == 0, c.read_ok);
    const int written = api_->VELTRA_WriteMem(c.addr, c.size, buf.data());
    if (c.write_ok) {
      EXPECT_EQ(written, int(c.size));
    } else {
      EXPECT_LT(written, 0);
    }
  }
  const uint32_t value = 0x5A5A1234u;
  ASSERT_EQ(Exec("SimWriteFail = 1"), "");
  EXPECT_LT(api_->VELTRA_WriteMem(0x20000000u + 0x30000, 4, &value), 0);
  ASSERT_EQ(Exec("SimWriteFail = 0"), "");
  EXPECT_EQ(api_->VELTRA_WriteMem(0x20000000u + 0x30000, 4, &value), 4);
  EXPECT_EQ(ReadU32(*api_, 0x20000000u + 0x30000), value);
}

TEST_F(VeltraLibrary, DownloadRefusesFilesThatDoNotFit) {
  ASSERT_TRUE(ConnectDemoTarget(*api_, false));
  // The demo ELF with its first segment moved to 0x30000000 (between flash and RAM maps).
  std::ifstream in(DemoElfPath(), std::ios::binary);
  std::vector<char> elf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(elf.size(), 100u);
  uint32_t phoff = 0;
  std::memcpy(&phoff, elf.data() + 28, 4);
  const uint32_t far_addr = 0x30000000u;
  std::memcpy(elf.data() + phoff + 12, &far_addr, 4);  // p_paddr of the first header
  const std::string path = std::string(VISTRO_BINARY_DIR) + "/sim_bad.elf";
  std::ofstream(path, std::ios::binary).write(elf.data(), std::streamsize(elf.size()));
  EXPECT_LT(api_->VELTRA_DownloadFile(path.c_str(), 0), 0);
  std::remove(path.c_str());
  // Malformed files are the loader's tests; a missing file or none at all fails as well.
  EXPECT_LT(api_->VELTRA_DownloadFile(path.c_str(), 0), 0);
  EXPECT_LT(api_->VELTRA_DownloadFile(nullptr, 0), 0);
}

}  // namespace
