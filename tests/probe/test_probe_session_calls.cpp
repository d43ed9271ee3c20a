// The exact calls the probe session makes, in order, observed through a recording stand-in
// for the probe library: chain configuration, connection kinds, commands, the capability
// check and the HSS start with its results.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/sys_text.h"
#include "probe/probe_library.h"
#include "probe/probe_session.h"
#include "symbols/active_symbol.h"
#include "tests/probe/probe_test_support.h"

namespace {

using SetFn = void (*)(const char*, int);
using TakeLogFn = void (*)(char*, int);

class ProbeSessionCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    PROBE_LibrarySearch search;
    SYS_CopyText(search.module_folder, sizeof(search.module_folder), PROBE_FAKE_DIR);
    PROBE_SetLibrarySearch(&search);
    ASSERT_TRUE(PROBE_LoadLibrary(false));
    void* handle = dlopen(PROBE_FAKE_DIR "/libVeltra_x64.so", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    set_ = reinterpret_cast<SetFn>(dlsym(handle, "FAKE_Set"));
    take_log_ = reinterpret_cast<TakeLogFn>(dlsym(handle, "FAKE_TakeLog"));
    dlclose(handle);  // only drops the reference taken here
    ASSERT_NE(set_, nullptr);
    ASSERT_NE(take_log_, nullptr);
    Reset();
  }
  void TearDown() override { MAIN_pActiveSymbols = nullptr; }

  void Reset() {
    PROBE_Disconnect();
    PROBE_ResetProject();
    set_("defaults", 0);
    capture_.Take();
  }

  std::vector<std::string> TakeLog() {
    std::vector<char> buffer(65536);
    take_log_(buffer.data(), static_cast<int>(buffer.size()));
    std::vector<std::string> lines;
    std::string text = buffer.data();
    for (size_t start = 0; start < text.size();) {
      const size_t end = text.find('\n', start);
      lines.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  }

  int Connect(const PROJECT_CONFIG& config) {
    PROBE_SetConfiguration(config);
    return PROBE_Connect();
  }

  SetFn set_ = nullptr;
  TakeLogFn take_log_ = nullptr;
  MessageCapture capture_;
};

PROJECT_CONFIG Config() {
  PROJECT_CONFIG config;
  SYS_CopyText(config.TargetDevice, sizeof(config.TargetDevice), "DEV");
  config.TargetInterface = PROBE_TIF_SWD;
  config.InterfaceSpeed = 4000;
  config.SamplingPeriod = 250;
  return config;
}

TEST_F(ProbeSessionCalls, FullSequence) {
  ACTIVE_SYMBOL a;
  a.Address = 0x20000010;
  a.Size = 4;
  ACTIVE_SYMBOL b;
  b.Address = 0x20000020;
  b.Size = 2;
  ACTIVE_SYMBOL_CELL cb{&b, nullptr};
  ACTIVE_SYMBOL_CELL ca{&a, &cb};
  MAIN_pActiveSymbols = &ca;

  PROJECT_CONFIG config = Config();
  config.SerialNo = 77;
  SYS_CopyText(config.ScriptFile, sizeof(config.ScriptFile), "/x/board.pex");
  ASSERT_EQ(Connect(config), 0);
  const std::vector<std::string> want = {
      "SelectByUSBSN(77)",
      "OpenEx(null,null)",
      "ExecCommand(SetSkipInitECCRAMOnConnect = 1,null,0)",
      "ExecCommand(device = DEV,buffer,1024)",
      "ExecCommand(ScriptFile = /x/board.pex,buffer,1024)",
      "TIF_Select(1)",
      "SetSpeed(4000)",
      "Connect",
      "HasCapEx(53)",
      "GetDLLVersion",
      "HSS_GetCaps",
      "HSS_Start([20000010/4 20000020/2 0/0],2,250,1)",
      "IsHalted",
      "Go",
  };
  EXPECT_EQ(TakeLog(), want);
  EXPECT_TRUE(capture_.Take().empty());

  PROBE_Disconnect();
  EXPECT_EQ(TakeLog(), std::vector<std::string>{"Close"});
  PROBE_Disconnect();  // not connected any more: nothing to close
  EXPECT_TRUE(TakeLog().empty());
}

TEST_F(ProbeSessionCalls, ChainConfigurationAndConnectionKind) {
  struct Case {
    const char* name;
    uint32_t tif;
    int32_t dr_pre;
    uint32_t connection;
    uint32_t serial;
    std::vector<std::string> want_first;  // calls before "ExecCommand(SetSkip...)"
  };
  const Case cases[] = {
      {"JTAG without chain", PROBE_TIF_JTAG, -1, PROBE_CONNECTION_USB, 0, {"OpenEx(null,null)"}},
      {"JTAG chain at 0", PROBE_TIF_JTAG, 0, PROBE_CONNECTION_USB, 0,
       {"OpenEx(null,null)", "ConfigJTAG(5,0)"}},
      {"JTAG chain", PROBE_TIF_JTAG, 3, PROBE_CONNECTION_USB, 0,
       {"OpenEx(null,null)", "ConfigJTAG(5,3)"}},
      {"SWD ignores the chain", PROBE_TIF_SWD, 3, PROBE_CONNECTION_USB, 0,
       {"OpenEx(null,null)"}},
      {"TCP/IP with port 0", PROBE_TIF_SWD, -1, PROBE_CONNECTION_IP, 12,
       {"SelectIP(probe.lan:19020,0)", "OpenEx(null,null)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    PROJECT_CONFIG config = Config();
    config.TargetInterface = c.tif;
    config.JTAG_DRPre = c.dr_pre;
    config.JTAG_IRPre = 5;
    config.Connection = c.connection;
    config.SerialNo = c.serial;
    SYS_CopyText(config.IP, sizeof(config.IP), "probe.lan:19020");
    ASSERT_EQ(Connect(config), 0);
    std::vector<std::string> log = TakeLog();
    ASSERT_GE(log.size(), c.want_first.size() + 1);
    log.resize(c.want_first.size() + 1);
    std::vector<std::string> want = c.want_first;
    want.push_back("ExecCommand(SetSkipInitECCRAMOnConnect = 1,null,0)");
    EXPECT_EQ(log, want);
  }
}

TEST_F(ProbeSessionCalls, HSSStartResults) {
  struct Case {
    const char* name;
    int start_result;
    int want;
    std::vector<std::string> want_texts;
  };
  const Case cases[] = {
      {"started with a positive status", 3, 0, {}},
      {"not supported", -4, -4, {"Failed to initialize HSS: Target hardware does not support HSS."}},
      {"too many", -3, -3, {"Failed to initialize HSS: Too many variables specified."}},
      {"no memory", -2, -2, {"Failed to initialize HSS: Failed to allocate memory on debug probe."}},
      {"other", -9, -9, {"Failed to inititalize HSS."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    set_("hss_start", c.start_result);
    EXPECT_EQ(Connect(Config()), c.want);
    EXPECT_EQ(capture_.TakeTexts(), c.want_texts);
    EXPECT_EQ(PROBE_IsHSSRunning(), c.want >= 0);
    EXPECT_EQ(PROBE_IsConnected(), c.want >= 0);
  }
}

TEST_F(ProbeSessionCalls, CapabilityCheckVariants) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, int>> settings;
    std::vector<std::string> want_calls;  // from HasCapEx to HSS_Start, HSS_Start shortened
  };
  const Case cases[] = {
      {"no HSS in the probe", {{"has_hss", 0}}, {"HasCapEx(53)", "HSS_Start"}},
      {"library too old for the limits", {{"version", 51099}},
       {"HasCapEx(53)", "GetDLLVersion", "HSS_Start"}},
      {"limits not available", {{"caps", -1}, {"max_blocks", 0}},
       {"HasCapEx(53)", "GetDLLVersion", "HSS_GetCaps", "HSS_Start"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    for (const auto& [key, value] : c.settings) set_(key, value);
    ACTIVE_SYMBOL a;
    a.Address = 0x20000000;
    a.Size = 4;
    ACTIVE_SYMBOL_CELL cell{&a, nullptr};
    MAIN_pActiveSymbols = &cell;
    EXPECT_EQ(Connect(Config()), 0);
    std::vector<std::string> calls;
    bool in_check = false;
    for (const std::string& line : TakeLog()) {
      if (line == "HasCapEx(53)") in_check = true;
      if (!in_check) continue;
      if (line.rfind("HSS_Start", 0) == 0) {
        calls.push_back("HSS_Start");
        break;
      }
      calls.push_back(line);
    }
    EXPECT_EQ(calls, c.want_calls);
    MAIN_pActiveSymbols = nullptr;
  }
}

TEST_F(ProbeSessionCalls, RunningTargetIsNotStartedAgain) {
  set_("halted", 0);
  ASSERT_EQ(Connect(Config()), 0);
  const std::vector<std::string> log = TakeLog();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "IsHalted");
}

TEST_F(ProbeSessionCalls, DeviceDialogFillsTheDevice) {
  set_("dialog", 2);
  PROJECT_CONFIG config = Config();
  SYS_CopyText(config.TargetDevice, sizeof(config.TargetDevice), "unspecified");
  ASSERT_EQ(Connect(config), 0);
  const std::vector<std::string> log = TakeLog();
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(log[2], "SelectDialog(null,0,null)");
  EXPECT_EQ(log[3], "GetInfo(2,size=2424)");
  EXPECT_EQ(log[4], "ExecCommand(device = DEV2,buffer,1024)");
  PROJECT_CONFIG stored = PROBE_GetSessionConfiguration();
  EXPECT_STREQ(stored.TargetDevice, "DEV2");
  // Without a project store the session's own record keeps the choice for the next refresh.
  PROBE_RefreshConfiguration();
  EXPECT_STREQ(PROBE_GetSessionConfiguration().TargetDevice, "DEV2");
}

TEST_F(ProbeSessionCalls, FailedOpenStopsBeforeTheTarget) {
  set_("open_fails", 1);
  EXPECT_EQ(Connect(Config()), -1);
  EXPECT_EQ(TakeLog(), std::vector<std::string>{"OpenEx(null,null)"});
  EXPECT_EQ(capture_.TakeTexts(), std::vector<std::string>{"Failed to connect to Veltra: no probe"});
}

}  // namespace
