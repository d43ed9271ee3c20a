// The exact calls the probe session makes, in order, observed through a recording stand-in
// for the probe library; and the binding's report of the exports that library lacks.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "probe/probe_session.h"
#include "symbols/active_symbol.h"
#include "tests/probe/fake_veltra.h"
#include "tests/probe/probe_test_support.h"

namespace {

using Lines = std::vector<std::string>;

class ProbeSessionCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    SearchLibraryIn(PROBE_FAKE_DIR);
    ASSERT_TRUE(PROBE_LoadLibrary(false));
    void* handle = dlopen(PROBE_FAKE_DIR "/libVeltra_x64.so", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    fake_ = static_cast<FakeVeltra*>(dlsym(handle, "FAKE_State"));
    dlclose(handle);  // only drops the reference taken here
    ASSERT_NE(fake_, nullptr);
    a_.Address = 0x20000010;
    a_.Size = 4;
    b_.Address = 0x20000020;
    b_.Size = 2;
    MAIN_pActiveSymbols = &cell_a_;
    Reset();
  }
  void TearDown() override { MAIN_pActiveSymbols = nullptr; }

  void Reset() {
    PROBE_Disconnect();
    PROBE_ResetProject();
    *fake_ = FakeVeltra{};
    capture_.Take();
  }
  Lines TakeLog() {
    Lines lines;
    std::istringstream in(std::exchange(fake_->log, {}));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  static PROJECT_CONFIG Config() {
    PROJECT_CONFIG config;
    SYS_CopyText(config.TargetDevice, sizeof(config.TargetDevice), "DEV");
    config.TargetInterface = PROBE_TIF_SWD;
    config.InterfaceSpeed = 4000;
    config.SamplingPeriod = 250;
    config.JTAG_IRPre = 5;
    return config;
  }
  int Connect(const PROJECT_CONFIG& config) {
    PROBE_SetConfiguration(config);
    return PROBE_Connect();
  }

  FakeVeltra* fake_ = nullptr;
  MessageCapture capture_;
  ACTIVE_SYMBOL a_, b_;
  ACTIVE_SYMBOL_CELL cell_b_{&b_, nullptr};
  ACTIVE_SYMBOL_CELL cell_a_{&a_, &cell_b_};
};

TEST_F(ProbeSessionCalls, CallSequence) {
  const std::string skip = "ExecCommand(SetSkipInitECCRAMOnConnect = 1,null,0)";
  struct Case {
    const char* name;
    uint32_t tif, connection, serial;
    int32_t dr_pre;
    Lines want;  // the first calls
  };
  // clang-format off
  const Case cases[] = {
      {"full sequence over USB", PROBE_TIF_SWD, PROBE_CONNECTION_USB, 77, 3,
       {"SelectByUSBSN(77)", "OpenEx(null,null)", skip, "ExecCommand(device = DEV,buffer,1024)",
        "ExecCommand(ScriptFile = /x/board.pex,buffer,1024)", "TIF_Select(1)", "SetSpeed(4000)",
        "Connect", "HasCapEx(53)", "GetDLLVersion", "HSS_GetCaps",
        "HSS_Start([20000010/4 20000020/2 0/0],2,250,1)", "IsHalted", "Go"}},
      {"JTAG with DRPre -1 sends no chain", PROBE_TIF_JTAG, PROBE_CONNECTION_USB, 0, -1,
       {"OpenEx(null,null)", skip}},
      {"JTAG chain at 0", PROBE_TIF_JTAG, PROBE_CONNECTION_USB, 0, 0,
       {"OpenEx(null,null)", "ConfigJTAG(5,0)", skip}},
      {"TCP/IP with port 0", PROBE_TIF_SWD, PROBE_CONNECTION_IP, 12, -1,
       {"SelectIP(probe.lan:19020,0)", "OpenEx(null,null)", skip}}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    fake_->hss_start = 3;  // a positive status is a success too
    PROJECT_CONFIG config = Config();
    config.TargetInterface = c.tif;
    config.Connection = c.connection;
    config.SerialNo = c.serial;
    config.JTAG_DRPre = c.dr_pre;
    SYS_CopyText(config.IP, sizeof(config.IP), "probe.lan:19020");
    SYS_CopyText(config.ScriptFile, sizeof(config.ScriptFile), "/x/board.pex");
    ASSERT_EQ(Connect(config), 0);
    EXPECT_TRUE(PROBE_IsHSSRunning());
    Lines log = TakeLog();
    log.resize(std::min(log.size(), c.want.size()));
    EXPECT_EQ(log, c.want);
    EXPECT_TRUE(capture_.Take().empty());
  }
  PROBE_Disconnect();
  EXPECT_EQ(TakeLog(), Lines{"Close"});
  PROBE_Disconnect();  // not connected any more: nothing to close
  EXPECT_TRUE(TakeLog().empty());
  fake_->halted = 0;  // a running target is not started again
  ASSERT_EQ(Connect(Config()), 0);
  EXPECT_EQ(TakeLog().back(), "IsHalted");
}

TEST_F(ProbeSessionCalls, CapabilityCheckAsksOnlyWhatTheLibraryHas) {
  struct Case {
    int has_hss, version, caps;
    Lines want_calls;  // from HasCapEx up to HSS_Start
  };
  const Case cases[] = {
      {0, 51200, 0, {"HasCapEx(53)"}},                   // no HSS in the probe
      {1, 51099, 0, {"HasCapEx(53)", "GetDLLVersion"}},  // library too old for the limits
      {1, 51200, -1, {"HasCapEx(53)", "GetDLLVersion", "HSS_GetCaps"}},  // no limits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version + c.caps);
    Reset();
    fake_->has_hss = c.has_hss;
    fake_->version = c.version;
    fake_->caps = c.caps;
    fake_->max_blocks = 0;  // would refuse every symbol if it were used
    EXPECT_EQ(Connect(Config()), 0);
    const Lines log = TakeLog();
    const auto first = std::find(log.begin(), log.end(), "HasCapEx(53)");
    const auto start = std::find_if(
        first, log.end(), [](const std::string& l) { return l.starts_with("HSS_Start"); });
    ASSERT_NE(start, log.end());
    EXPECT_EQ(Lines(first, start), c.want_calls);
  }
}

TEST_F(ProbeSessionCalls, MissingExportIsReportedOnEveryCall) {
  EXPECT_EQ(PROBE_VELTRAARM_GetDLLVersion(), 51200);
  EXPECT_EQ(PROBE_VELTRA_HSS_Read(nullptr, 0), 0);
  EXPECT_EQ(PROBE_VELTRA_HSS_Read(nullptr, 0), 0);
  PROBE_VELTRA_HSS_Stop();
  const std::vector<CapturedMessage> boxes = capture_.Take();
  const std::string want[] = {"VELTRA_HSS_Read", "VELTRA_HSS_Read", "VELTRA_HSS_Stop"};
  ASSERT_EQ(boxes.size(), std::size(want));
  for (size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_TRUE(boxes[i].system);
    EXPECT_EQ(boxes[i].title, "Veltra Error");
    EXPECT_EQ(boxes[i].flags, 0x42030u);
    EXPECT_EQ(boxes[i].text, "DLL function " + want[i] + "(...) not found !");
  }
  EXPECT_EQ(PROBE_VELTRAARM_GetDLLVersion(), 51200);  // the exports that exist keep working
  EXPECT_TRUE(capture_.Take().empty());
}

}  // namespace
