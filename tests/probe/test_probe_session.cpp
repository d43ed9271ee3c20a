// The probe session against the simulated probe library: the connection sequence, its
// failures with their texts, the HSS layout and start, and the existing-session rule. The
// library is loaded once per process; every case starts from the simulator's defaults with
// the probe closed.
#include <gtest/gtest.h>

#include <cfloat>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/sys_text.h"
#include "probe/probe_library.h"
#include "probe/probe_session.h"
#include "symbols/active_symbol.h"
#include "tests/probe/probe_test_support.h"

namespace {

constexpr const char* kM7 = "VSIM32H743";
constexpr const char* kM4 = "VSIM32F407";
constexpr uint32_t kRam = 0x20000000;

void SimCommand(const std::string& command) {
  char error[1024] = {};
  PROBE_VELTRAARM_ExecCommand(command.c_str(), error, sizeof(error));
  ASSERT_STREQ(error, "") << command;
}

// The active symbol list of a case; restores an empty list when it goes.
class SymbolList {
 public:
  ~SymbolList() { MAIN_pActiveSymbols = nullptr; }
  ACTIVE_SYMBOL& Add(const char* name, uint32_t address, uint32_t size, bool sampled = true,
                     bool is_virtual = false) {
    symbols_.push_back(std::make_unique<ACTIVE_SYMBOL>());
    ACTIVE_SYMBOL& s = *symbols_.back();
    SYS_CopyText(s.Name, sizeof(s.Name), name);
    s.Address = address;
    s.Size = size;
    s.Read = sampled ? 1 : 0;
    s.Virtual = is_virtual ? 1 : 0;
    s.HasData = 1;
    s.SampledMax = 7;
    s.SampledMin = -7;
    s.RecordOffset = 999;
    cells_.push_back(std::make_unique<ACTIVE_SYMBOL_CELL>());
    cells_.back()->pSymbol = &s;
    for (size_t i = 0; i + 1 < cells_.size(); ++i) cells_[i]->pNext = cells_[i + 1].get();
    MAIN_pActiveSymbols = cells_.front().get();
    return s;
  }

 private:
  std::vector<std::unique_ptr<ACTIVE_SYMBOL>> symbols_;
  std::vector<std::unique_ptr<ACTIVE_SYMBOL_CELL>> cells_;
};

PROJECT_CONFIG M7Config() {
  PROJECT_CONFIG config;
  SYS_CopyText(config.TargetDevice, sizeof(config.TargetDevice), kM7);
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
  }
  void TearDown() override {
    if (PROBE_IsHSSRunning()) PROBE_VELTRA_HSS_Stop();
    PROBE_Disconnect();
    PROBE_VELTRAARM_Close();
    PROBE_ResetProject();
  }
  int Connect(const PROJECT_CONFIG& config) {
    PROBE_SetConfiguration(config);
    return PROBE_Connect();
  }

  MessageCapture capture_;
};

TEST_F(ProbeSession, FullSequenceStartsHSSWithOneBlockPerSampledSymbol) {
  // A target with firmware: program the demo, stop the core and let the session start it.
  ASSERT_EQ(Connect(M7Config()), 0);
  ASSERT_EQ(PROBE_VELTRA_DownloadFile(VISTRO_SOURCE_DIR "/firmware/demo/demo.elf", 0), 0);
  SimCommand("SimHalt");
  PROBE_Disconnect();

  SymbolList list;
  ACTIVE_SYMBOL& a = list.Add("a", kRam + 0x100, 4);
  list.Add("not_sampled", kRam + 0x200, 4, /*sampled=*/false);
  ACTIVE_SYMBOL& b = list.Add("b", kRam + 0x104, 2);
  ACTIVE_SYMBOL& v = list.Add("virtual", 0, 4, true, /*is_virtual=*/true);
  ACTIVE_SYMBOL& c = list.Add("c", kRam + 0x108, 1);

  ASSERT_EQ(Connect(M7Config()), 0);
  EXPECT_TRUE(capture_.TakeTexts().empty());
  EXPECT_EQ(PROBE_VELTRA_IsHalted(), 0) << "the session lets a halted core run";
  EXPECT_TRUE(PROBE_IsConnected());
  EXPECT_TRUE(PROBE_IsReady());
  EXPECT_TRUE(PROBE_IsHSSRunning());
  EXPECT_NE(PROBE_VELTRAARM_IsOpen(), 0);

  EXPECT_EQ(PROBE_GetHSSSymbolCount(), 3u);
  EXPECT_EQ(PROBE_GetRecordSize(), 4u + 4 + 2 + 1);
  EXPECT_EQ(a.RecordOffset, 4u);
  EXPECT_EQ(b.RecordOffset, 8u);
  EXPECT_EQ(c.RecordOffset, 10u);
  EXPECT_EQ(v.RecordOffset, 999u) << "virtual symbols have no place in a record";
  for (const ACTIVE_SYMBOL* s : {&a, &b, &c}) {
    SCOPED_TRACE(s->Name);
    EXPECT_EQ(s->HasData, 0);
    EXPECT_EQ(s->pLatestSample, nullptr);
    EXPECT_EQ(s->SampledMax, -DBL_MAX);
    EXPECT_EQ(s->SampledMin, DBL_MAX);
  }

  const VELTRA_HSS_BLOCK* blocks = PROBE_GetHSSBlockList();
  ASSERT_NE(blocks, nullptr);
  const VELTRA_HSS_BLOCK want[] = {
      {kRam + 0x100, 4, 0, 0}, {kRam + 0x104, 2, 0, 0}, {kRam + 0x108, 1, 0, 0}, {0, 0, 0, 0}};
  for (size_t i = 0; i < std::size(want); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(blocks[i].addr, want[i].addr);
    EXPECT_EQ(blocks[i].num_bytes, want[i].num_bytes);
    EXPECT_EQ(blocks[i].flags, 0u);
    EXPECT_EQ(blocks[i].reserved, 0u);
  }

  // Records arrive whole, record-size bytes each, with time stamps one period apart.
  std::vector<uint8_t> buffer(11 * 1000);
  int got = 0;
  for (int tries = 0; tries < 200 && got < 22; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const int n = PROBE_VELTRA_HSS_Read(buffer.data() + got,
                                        static_cast<uint32_t>(buffer.size()) - got);
    ASSERT_GE(n, 0);
    got += n;
  }
  ASSERT_GE(got, 22);
  EXPECT_EQ(got % 11, 0);
  uint32_t t0 = 0;
  uint32_t t1 = 0;
  std::memcpy(&t0, buffer.data(), 4);
  std::memcpy(&t1, buffer.data() + 11, 4);
  EXPECT_EQ(t1 - t0, 1000u);

  PROBE_Disconnect();
  EXPECT_FALSE(PROBE_IsConnected());
  EXPECT_FALSE(PROBE_IsReady()) << "no writes to a target that is not connected";
  EXPECT_EQ(PROBE_VELTRAARM_IsOpen(), 0);
}

TEST_F(ProbeSession, NoSampledSymbolGivesTheBareRecord) {
  SymbolList list;
  list.Add("off", kRam, 4, /*sampled=*/false);
  list.Add("virtual", 0, 8, true, /*is_virtual=*/true);
  ASSERT_EQ(Connect(M7Config()), 0);
  EXPECT_EQ(PROBE_GetHSSSymbolCount(), 0u);
  EXPECT_EQ(PROBE_GetRecordSize(), 4u);
  const VELTRA_HSS_BLOCK* blocks = PROBE_GetHSSBlockList();
  ASSERT_NE(blocks, nullptr);
  EXPECT_EQ(blocks[0].num_bytes, 0u);
  EXPECT_EQ(blocks[0].addr, 0u);
}

struct FailureCase {
  const char* name;
  std::vector<std::string> sim_commands;
  void (*edit)(PROJECT_CONFIG&);
  int symbols;
  int want_result;
  std::vector<std::string> want_texts;
};

TEST_F(ProbeSession, FailuresShowTheirTextAndStop) {
  const std::string sn = std::to_string(801000123);
  const FailureCase cases[] = {
      {"bad serial number", {}, [](PROJECT_CONFIG& c) { c.SerialNo = 12345; }, 0, -1,
       {"Failed to select Veltra via USB ('12345')."}},
      {"host the library cannot use", {},
       [](PROJECT_CONFIG& c) {
         c.Connection = PROBE_CONNECTION_IP;
         SYS_CopyText(c.IP, sizeof(c.IP), "localhost:99999");
       },
       0, -1, {"Failed to select Veltra via IP ('localhost:99999')."}},
      {"probe does not open", {"SimOpenFail = 1"}, [](PROJECT_CONFIG&) {}, 0, -1,
       {"Failed to connect to Veltra: Simulated probe does not respond (SimOpenFail)"}},
      {"unknown device", {}, [](PROJECT_CONFIG& c) {
         SYS_CopyText(c.TargetDevice, sizeof(c.TargetDevice), "NOPE");
       },
       0, -1, {"Failed to select target device 'NOPE'."}},
      {"missing script file", {}, [](PROJECT_CONFIG& c) {
         SYS_CopyText(c.ScriptFile, sizeof(c.ScriptFile), "/nonexistent/board.VeltraScript");
       },
       0, -1, {"Failed to select script file '/nonexistent/board.VeltraScript'."}},
      {"failed connect", {"SimConnectFail = 1"}, [](PROJECT_CONFIG&) {}, 0, -1,
       {"Failed to establish connection to target."}},
      {"interface the device lacks", {}, [](PROJECT_CONFIG& c) { c.TargetInterface = 3; }, 0,
       -1, {"Failed to establish connection to target."}},
      {"device dialog cancelled", {"SimDeviceDialog = -1"}, [](PROJECT_CONFIG& c) {
         SYS_CopyText(c.TargetDevice, sizeof(c.TargetDevice), "unspecified");
       },
       0, -1, {"User cancelled device selection."}},
      {"17 symbols on a 16-block probe", {"SimHSSMaxBlocks = 16"}, [](PROJECT_CONFIG&) {}, 17,
       -1,
       {"The connected Veltra probe (S/N: " + sn +
        ") only supports 16 symbols via HSS while you selected 17 symbols."}},
      {"record too large for the probe", {"SimHSSMaxRecordBytes = 8"}, [](PROJECT_CONFIG&) {},
       2, -2, {"Failed to initialize HSS: Failed to allocate memory on debug probe."}},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    for (const std::string& command : c.sim_commands) SimCommand(command);
    SymbolList list;
    for (int i = 0; i < c.symbols; ++i) list.Add("s", kRam + 4 * static_cast<uint32_t>(i), 4);
    PROJECT_CONFIG config = M7Config();
    c.edit(config);
    EXPECT_EQ(Connect(config), c.want_result);
    EXPECT_EQ(capture_.TakeTexts(), c.want_texts);
    EXPECT_FALSE(PROBE_IsConnected());
    EXPECT_FALSE(PROBE_IsReady());
    EXPECT_FALSE(PROBE_IsHSSRunning());
    TearDown();
  }
}

TEST_F(ProbeSession, UnreachableHostFailsToOpen) {
  // A port nothing listens on: the connection is refused at once.
  PROJECT_CONFIG config = M7Config();
  config.Connection = PROBE_CONNECTION_IP;
  SYS_CopyText(config.IP, sizeof(config.IP), "127.0.0.1:1");
  EXPECT_EQ(Connect(config), -1);
  const std::vector<std::string> texts = capture_.TakeTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("Failed to connect to Veltra: ", 0), 0u) << texts[0];
  EXPECT_GT(texts[0].size(), std::strlen("Failed to connect to Veltra: "));
}

TEST_F(ProbeSession, NoHSSCapabilityShowsTheNoticeOnceUntilReset) {
  SimCommand("SimHSS = 0");
  SymbolList list;
  list.Add("a", kRam, 4);
  const std::string notice =
      "The connected Veltra probe (S/N: 801000123) can only be used with a maximum sampling "
      "frequency of up to 50 Hz.\n\nTo get a higher sampling rate, please use one of the "
      "following probes:\nVeltra Apex/Summit V4 or higher (unlimited by probe)\nVeltra "
      "Ridge/Crest V9 or higher (max. 1 kHz)\n\nFor further information, refer to the section "
      "\"Model comparison\" on\n";
  const std::string hss_failure =
      "Failed to initialize HSS: Target hardware does not support HSS.";

  EXPECT_EQ(Connect(M7Config()), -4);
  std::vector<CapturedMessage> shown = capture_.Take();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text.substr(0, notice.size()), notice);
  EXPECT_GT(shown[0].text.size(), notice.size()) << "the notice ends with the web address";
  EXPECT_EQ(shown[0].title.substr(shown[0].title.size() - 7), "Warning");
  EXPECT_EQ(shown[1].text, hss_failure);

  EXPECT_EQ(Connect(M7Config()), -4);
  EXPECT_EQ(capture_.TakeTexts(), std::vector<std::string>{hss_failure});

  PROBE_ResetProject();
  EXPECT_EQ(Connect(M7Config()), -4);
  EXPECT_EQ(capture_.TakeTexts().size(), 2u) << "a reset project shows the notice again";
}

TEST_F(ProbeSession, MaximumFrequencyNotice) {
  struct Case {
    const char* name;
    uint32_t max_hz;
    uint32_t period_us;
    const char* want;  // the frequency as the notice shows it; null: no notice
  };
  const Case cases[] = {
      {"500 Hz probe, 1 ms period", 500, 1000, "up to 500 Hz."},
      {"2 kHz probe, 100 us period", 2000, 100, "up to 2 kHz."},
      {"1 kHz probe, 1 ms period", 1000, 1000, nullptr},
      {"fast probe", 1000000, 10, nullptr},
      {"probe reports no maximum", 0, 10, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    SimCommand("SimHSSMaxFreq = " + std::to_string(c.max_hz));
    PROJECT_CONFIG config = M7Config();
    config.SamplingPeriod = c.period_us;
    EXPECT_EQ(Connect(config), 0) << "the session goes on after the notice";
    const std::vector<std::string> texts = capture_.TakeTexts();
    if (c.want == nullptr) {
      EXPECT_TRUE(texts.empty());
    } else {
      ASSERT_EQ(texts.size(), 1u);
      EXPECT_NE(texts[0].find(c.want), std::string::npos) << texts[0];
    }
    TearDown();
  }
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
  EXPECT_STREQ(g_project.TargetDevice, kM4);
  EXPECT_EQ(g_stores, 1);
  EXPECT_STREQ(PROBE_GetSessionConfiguration().TargetDevice, kM4);
  EXPECT_TRUE(capture_.TakeTexts().empty());
  PROBE_SetConfigurationSource(nullptr, nullptr);
}

TEST_F(ProbeSession, ExistingSessionNeverClosesTheProbe) {
  PROJECT_CONFIG config = M7Config();
  config.ExistingSession = 1;
  ASSERT_EQ(Connect(config), 0);
  PROBE_Disconnect();
  EXPECT_FALSE(PROBE_IsConnected());
  EXPECT_NE(PROBE_VELTRAARM_IsOpen(), 0) << "the probe belongs to another program";

  // The same connection of the project's own: closed at disconnect.
  config.ExistingSession = 0;
  ASSERT_EQ(Connect(config), 0);
  PROBE_Disconnect();
  EXPECT_EQ(PROBE_VELTRAARM_IsOpen(), 0);
}

}  // namespace
