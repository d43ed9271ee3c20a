// The probe session against the simulated probe library: the connection sequence, its
// failures with their texts, the HSS layout and start, and the existing-session rule. Every
// case starts from the simulator's defaults with the probe closed.
#include <gtest/gtest.h>

#include <cfloat>
#include <deque>
#include <string>
#include <vector>

#include "probe/probe_session.h"
#include "symbols/active_symbol.h"
#include "tests/probe/probe_test_support.h"

namespace {

constexpr uint32_t kRam = 0x20000000;
using Texts = std::vector<std::string>;
const char* const kNoHSS = "Failed to initialize HSS: Target hardware does not support HSS.";

void SimCommand(const std::string& command) {
  char error[1024] = {};
  PROBE_VELTRAARM_ExecCommand(command.c_str(), error, sizeof(error));
  ASSERT_STREQ(error, "") << command;
}

PROJECT_CONFIG M7Config() {
  PROJECT_CONFIG config;
  SYS_CopyText(config.TargetDevice, sizeof(config.TargetDevice), "VSIM32H743");
  config.Connection = PROBE_CONNECTION_USB;
  config.TargetInterface = PROBE_TIF_SWD;
  config.InterfaceSpeed = 4000;
  config.SamplingPeriod = 1000;
  return config;
}

class ProbeSession : public ::testing::Test {
 protected:
  void SetUp() override {
    PROBE_SetLibrarySearch(nullptr);
    ASSERT_TRUE(PROBE_LoadLibrary(false)) << "simulated probe library missing beside the test";
    PROBE_SetConfigurationSource(nullptr, nullptr);
    PROBE_VELTRAARM_Close();
    PROBE_Disconnect();
    PROBE_ResetProject();
    SimCommand("SimDefaults");
    capture_.Take();
    MAIN_pActiveSymbols = nullptr;
    symbols_.clear();
    cells_.clear();
  }
  void TearDown() override {
    MAIN_pActiveSymbols = nullptr;
    PROBE_Disconnect();
    PROBE_VELTRAARM_Close();
    PROBE_ResetProject();
  }
  int Connect(const PROJECT_CONFIG& config) {
    PROBE_SetConfiguration(config);
    return PROBE_Connect();
  }

  // Appends to the active symbol list a symbol with stale sampling state.
  ACTIVE_SYMBOL& Add(uint32_t address, uint32_t size, bool sampled = true, bool virt = false) {
    ACTIVE_SYMBOL& s = symbols_.emplace_back();
    s.Address = address;
    s.Size = size;
    s.Read = sampled ? 1 : 0;
    s.Virtual = virt ? 1 : 0;
    s.HasData = 1;
    s.SampledMax = 7;
    s.RecordOffset = 999;
    cells_.push_back({&s, nullptr});
    if (cells_.size() > 1) cells_[cells_.size() - 2].pNext = &cells_.back();
    MAIN_pActiveSymbols = &cells_.front();
    return s;
  }

  MessageCapture capture_;
  std::deque<ACTIVE_SYMBOL> symbols_;
  std::deque<ACTIVE_SYMBOL_CELL> cells_;
};

TEST_F(ProbeSession, FullSequenceStartsHSSWithOneBlockPerSampledSymbol) {
  // A target with firmware, halted: the session lets it run.
  ASSERT_EQ(Connect(M7Config()), 0);
  ASSERT_EQ(PROBE_VELTRA_DownloadFile(VISTRO_SOURCE_DIR "/firmware/demo/demo.elf", 0), 0);
  SimCommand("SimHalt");
  PROBE_Disconnect();

  ACTIVE_SYMBOL& a = Add(kRam + 0x100, 4);
  Add(kRam + 0x200, 4, /*sampled=*/false);
  ACTIVE_SYMBOL& b = Add(kRam + 0x104, 2);
  ACTIVE_SYMBOL& v = Add(0, 4, true, /*virt=*/true);
  ACTIVE_SYMBOL& c = Add(kRam + 0x108, 1);
  ASSERT_EQ(Connect(M7Config()), 0);
  EXPECT_TRUE(capture_.TakeTexts().empty());
  EXPECT_EQ(PROBE_VELTRA_IsHalted(), 0);
  EXPECT_TRUE(PROBE_IsConnected() && PROBE_IsReady() && PROBE_IsHSSRunning());

  EXPECT_EQ(PROBE_GetHSSSymbolCount(), 3u);
  EXPECT_EQ(PROBE_GetRecordSize(), 4u + 4 + 2 + 1);
  EXPECT_EQ(v.RecordOffset, 999u) << "virtual symbols have no place in a record";
  const uint32_t offsets[] = {4, 8, 10};
  const ACTIVE_SYMBOL* sampled[] = {&a, &b, &c};
  const VELTRA_HSS_BLOCK* blocks = PROBE_GetHSSBlockList();
  ASSERT_NE(blocks, nullptr);
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const ACTIVE_SYMBOL* s = i < 3 ? sampled[i] : nullptr;
    EXPECT_EQ(blocks[i].addr, s ? s->Address : 0u);
    EXPECT_EQ(blocks[i].num_bytes, s ? s->Size : 0u);
    EXPECT_EQ(blocks[i].flags | blocks[i].reserved, 0u);
    if (s == nullptr) break;
    EXPECT_EQ(s->RecordOffset, offsets[i]);
    EXPECT_EQ(s->HasData, 0);
    EXPECT_EQ(s->pLatestSample, nullptr);
    EXPECT_EQ(s->SampledMax, -DBL_MAX);
    EXPECT_EQ(s->SampledMin, DBL_MAX);
  }

  PROBE_Disconnect();
  EXPECT_FALSE(PROBE_IsConnected());
  EXPECT_FALSE(PROBE_IsReady()) << "no writes to a target that is not connected";
  EXPECT_EQ(PROBE_VELTRAARM_IsOpen(), 0);

  // No sampled symbol: the bare record, and only the closing block.
  a.Read = b.Read = c.Read = 0;
  ASSERT_EQ(Connect(M7Config()), 0);
  EXPECT_EQ(PROBE_GetHSSSymbolCount(), 0u);
  EXPECT_EQ(PROBE_GetRecordSize(), 4u);
  ASSERT_NE(PROBE_GetHSSBlockList(), nullptr);
  EXPECT_EQ(PROBE_GetHSSBlockList()->num_bytes | PROBE_GetHSSBlockList()->addr, 0u);
}

// Applies "key=value" to the configuration: serial, ip, device, script, tif, period.
void Edit(PROJECT_CONFIG& c, const std::string& edit) {
  const std::string key = edit.substr(0, edit.find('=')), value = edit.substr(key.size() + 1);
  if (key == "serial") c.SerialNo = std::stoul(value);
  if (key == "tif") c.TargetInterface = std::stoul(value);
  if (key == "period") c.SamplingPeriod = std::stoul(value);
  if (key == "device") SYS_CopyText(c.TargetDevice, sizeof(c.TargetDevice), value.c_str());
  if (key == "script") SYS_CopyText(c.ScriptFile, sizeof(c.ScriptFile), value.c_str());
  if (key == "ip") SYS_CopyText(c.IP, sizeof(c.IP), value.c_str());
  if (key == "ip") c.Connection = PROBE_CONNECTION_IP;
}

// The frequency notice up to the web address it ends with (the text shown is cut there).
std::string Notice(const char* frequency) {
  return "The connected Veltra probe (S/N: 801000123) can only be used with a maximum sampling "
         "frequency of up to " +
         std::string(frequency) +
         ".\n\nTo get a higher sampling rate, please use one of the following probes:\nVeltra "
         "Apex/Summit V4 or higher (unlimited by probe)\nVeltra Ridge/Crest V9 or higher (max. 1 "
         "kHz)\n\nFor further information, refer to the section \"Model comparison\" on\n";
}

// Every outcome of a connection: the result, and the texts shown, joined by '|' (a text ending
// in a line break is the start of the one shown). A failed connection leaves nothing running.
TEST_F(ProbeSession, ConnectOutcomesAndTheirTexts) {
  struct Case {
    const char* sim_command;
    const char* edit;
    int symbols, want_result;
    std::string want;
  };
  const std::string sn = "The connected Veltra probe (S/N: 801000123) ";
  const Case cases[] = {
      {"", "serial=12345", 0, -1, "Failed to select Veltra via USB ('12345')."},
      {"", "ip=localhost:99999", 0, -1, "Failed to select Veltra via IP ('localhost:99999')."},
      {"", "ip=127.0.0.1:1", 0, -1,
       "Failed to connect to Veltra: cannot connect to 127.0.0.1:1: Connection refused"},
      {"SimOpenFail = 1", "", 0, -1,
       "Failed to connect to Veltra: Simulated probe does not respond (SimOpenFail)"},
      {"", "device=NOPE", 0, -1, "Failed to select target device 'NOPE'."},
      {"", "script=/no/board.VeltraScript", 0, -1,
       "Failed to select script file '/no/board.VeltraScript'."},
      {"SimConnectFail = 1", "", 0, -1, "Failed to establish connection to target."},
      {"", "tif=3", 0, -1, "Failed to establish connection to target."},
      {"SimDeviceDialog = -1", "device=unspecified", 0, -1, "User cancelled device selection."},
      {"SimHSSMaxBlocks = 16", "", 17, -1,
       sn + "only supports 16 symbols via HSS while you selected 17 symbols."},
      {"SimHSSMaxRecordBytes = 8", "", 2, -2,
       "Failed to initialize HSS: Failed to allocate memory on debug probe."},
      {"SimHSSStartFail = -3", "", 1, -3,
       "Failed to initialize HSS: Too many variables specified."},
      {"SimHSSStartFail = -9", "", 1, -9, "Failed to inititalize HSS."},
      {"SimHSS = 0", "", 1, -4, Notice("50 Hz") + "|" + kNoHSS},
      {"SimHSSMaxFreq = 500", "period=1000", 1, 0, Notice("500 Hz")},
      {"SimHSSMaxFreq = 2000", "period=100", 1, 0, Notice("2 kHz")},
      {"SimHSSMaxFreq = 1000", "period=1000", 1, 0, ""},
      {"SimHSSMaxFreq = 0", "period=10", 1, 0, ""},  // 0: the probe reports no maximum
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.sim_command) + " " + c.edit);
    SetUp();
    if (c.sim_command[0] != '\0') SimCommand(c.sim_command);
    for (int i = 0; i < c.symbols; ++i) Add(kRam + 4 * static_cast<uint32_t>(i), 4);
    PROJECT_CONFIG config = M7Config();
    if (c.edit[0] != '\0') Edit(config, c.edit);
    EXPECT_EQ(Connect(config), c.want_result);
    std::string shown;
    for (std::string& text : capture_.TakeTexts()) {
      if (text.starts_with(sn + "can only")) text.resize(text.find(" on\n") + 4);
      shown += (shown.empty() ? "" : "|") + text;
    }
    EXPECT_EQ(shown, c.want);
    const bool ok = c.want_result == 0;
    EXPECT_EQ(PROBE_IsConnected() && PROBE_IsReady() && PROBE_IsHSSRunning(), ok);
    EXPECT_EQ(PROBE_IsConnected() || PROBE_IsReady() || PROBE_IsHSSRunning(), ok);
    TearDown();
  }
}

TEST_F(ProbeSession, FrequencyNoticeIsShownOnceUntilReset) {
  SimCommand("SimHSS = 0");
  EXPECT_EQ(Connect(M7Config()), -4);
  const std::vector<CapturedMessage> shown = capture_.Take();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_TRUE(shown[0].title.ends_with("Warning"));
  EXPECT_EQ(Connect(M7Config()), -4);
  EXPECT_EQ(capture_.TakeTexts(), Texts{kNoHSS});
  PROBE_ResetProject();
  EXPECT_EQ(Connect(M7Config()), -4);
  EXPECT_EQ(capture_.TakeTexts().size(), 2u);
}

PROJECT_CONFIG g_project;  // the project's record while the store hooks are installed
int g_stores = 0;

TEST_F(ProbeSession, DeviceChosenInTheDialogGoesBackToTheProject) {
  SimCommand("SimDeviceDialog = 1");
  g_project = M7Config();
  g_project.TargetDevice[0] = '\0';
  g_stores = 0;
  PROBE_SetConfigurationSource([](PROJECT_CONFIG& out) { out = g_project; },
                               [](const PROJECT_CONFIG& in) {
                                 g_project = in;
                                 ++g_stores;
                               });
  ASSERT_EQ(PROBE_Connect(), 0);
  EXPECT_STREQ(g_project.TargetDevice, "VSIM32F407");
  EXPECT_EQ(g_stores, 1);
  EXPECT_STREQ(PROBE_GetSessionConfiguration().TargetDevice, "VSIM32F407");
  EXPECT_TRUE(capture_.TakeTexts().empty());
  // Without a project store the session's own record keeps the choice for the next refresh.
  PROBE_SetConfigurationSource(nullptr, nullptr);
  PROBE_Disconnect();
  g_project.TargetDevice[0] = '\0';
  ASSERT_EQ(Connect(g_project), 0);
  PROBE_RefreshConfiguration();
  EXPECT_STREQ(PROBE_GetSessionConfiguration().TargetDevice, "VSIM32F407");
}

TEST_F(ProbeSession, ExistingSessionNeverClosesTheProbe) {
  PROJECT_CONFIG config = M7Config();
  config.ExistingSession = 1;
  ASSERT_EQ(Connect(config), 0);
  PROBE_Disconnect();
  EXPECT_FALSE(PROBE_IsConnected());
  EXPECT_NE(PROBE_VELTRAARM_IsOpen(), 0) << "the probe belongs to another program";
  config.ExistingSession = 0;  // the same connection of the project's own: closed
  ASSERT_EQ(Connect(config), 0);
  PROBE_Disconnect();
  EXPECT_EQ(PROBE_VELTRAARM_IsOpen(), 0);
}

}  // namespace
