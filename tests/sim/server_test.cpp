// The target server (vistro-simtarget) reached through the library over TCP/IP: the target
// keeps running and keeps its RAM between client connections, keeps its flash across server
// restarts, and a server that disappears mid-session makes every call fail promptly.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "sim/sim_protocol.h"
#include "tests/sim/sim_test_support.h"

namespace {

class TargetServer : public VeltraTest {
 protected:
  void SetUp() override {
    VeltraTest::SetUp();
    if (HasFatalFailure()) return;
    std::string error;
    home_ = std::string(VISTRO_BINARY_DIR) + "/test-home/sim_server_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ASSERT_TRUE(server_.Start(home_, error)) << error;
  }
  void TearDown() override {
    if (api_) api_->VELTRAARM_Close();  // before the server goes
    server_.Kill();
    VeltraTest::TearDown();
  }

  bool ConnectRemote(bool download) {
    if (api_->VELTRAARM_SelectIP(server_.Address().c_str(), 0) != 0) return false;
    return ConnectDemoTarget(*api_, download);
  }

  SimServer server_;
  std::string home_;
};

TEST_F(TargetServer, HostTextCarriesThePort) {
  struct Case {
    std::string host;
    int port;
    bool want_open;
  };
  // Parsing itself is SimProtocol.HostTextParsing; here the library reaches the server.
  const Case cases[] = {
      {server_.Address(), 0, true},
      {"127.0.0.1:1", server_.port(), true},  // an explicit port argument wins
      {"127.0.0.1:1", 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    ASSERT_EQ(api_->VELTRAARM_SelectIP(c.host.c_str(), c.port), 0);
    const char* error = api_->VELTRAARM_OpenEx(nullptr, nullptr);
    EXPECT_EQ(error == nullptr, c.want_open) << (error ? error : "");
    api_->VELTRAARM_Close();
  }
}

TEST_F(TargetServer, TargetKeepsRunningAndKeepsRamBetweenConnections) {
  ASSERT_TRUE(ConnectRemote(true));
  const uint32_t tick = DemoSymbol("g_tick_ms");
  ASSERT_TRUE(WaitFor([&] { return ReadU32(*api_, tick) > 5; }, 5000));
  const uint32_t motor = DemoSymbol("g_motor");
  const float setpoint = 1234.0f;
  ASSERT_EQ(api_->VELTRA_WriteMem(motor, 4, &setpoint), 4);
  const uint32_t before = ReadU32(*api_, tick);
  api_->VELTRAARM_Close();
  SleepMs(50);

  ASSERT_TRUE(ConnectRemote(false));
  EXPECT_EQ(ReadF32(*api_, motor), setpoint);
  EXPECT_GE(ReadU32(*api_, tick), before + 40);
  api_->VELTRAARM_Close();

  // A new server process (a power cycle) starts from the flash image stored before.
  server_.Kill();
  std::string error;
  ASSERT_TRUE(server_.Start(home_, error)) << error;
  ASSERT_TRUE(ConnectRemote(false));
  EXPECT_TRUE(WaitFor([&] { return ReadU32(*api_, tick) > 5; }, 5000));
  EXPECT_EQ(ReadF32(*api_, motor), 0.0f);
}

TEST_F(TargetServer, HssOverTcpAndServerKilledMidSession) {
  ASSERT_TRUE(ConnectRemote(true));
  const VELTRA_HSS_BLOCK blocks[] = {{DemoSymbol("g_counter_u32"), 4, 0, 0}, {0, 0, 0, 0}};
  ASSERT_EQ(api_->VELTRA_HSS_Start(const_cast<VELTRA_HSS_BLOCK*>(blocks), 1, 10, 1), 0);
  std::vector<uint8_t> buf(1 << 20);
  size_t total = 0;
  for (uint32_t i = 0, ts = 0, prev_ts = 0; i < 20; ++i) {
    SleepMs(10);
    const int n = api_->VELTRA_HSS_Read(buf.data(), uint32_t(buf.size()));
    ASSERT_TRUE(n >= 0 && n % 8 == 0) << n;
    for (int at = 0; at < n; at += 8, ++total, prev_ts = ts) {
      std::memcpy(&ts, buf.data() + at, 4);
      ASSERT_TRUE(total == 0 || ts - prev_ts == 10u) << ts - prev_ts;
    }
  }
  EXPECT_GT(total, 5000u);

  server_.Kill();
  // Every call now fails, and none waits long.
  const auto start = std::chrono::steady_clock::now();
  uint32_t v = 0;
  EXPECT_LT(api_->VELTRA_HSS_Read(buf.data(), uint32_t(buf.size())), 0);
  EXPECT_NE(api_->VELTRAARM_ReadMem(blocks[0].addr, 4, &v), 0);
  EXPECT_LT(api_->VELTRA_WriteMem(blocks[0].addr, 4, &v), 0);
  EXPECT_NE(api_->VELTRA_IsHalted(), 0);
  EXPECT_LT(api_->VELTRA_HSS_Stop(), 0);
  EXPECT_EQ(api_->VELTRAARM_IsOpen(), 0);
  EXPECT_LT(api_->VELTRA_DownloadFile(DemoElfPath().c_str(), 0), 0);
  api_->VELTRA_Go();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, std::chrono::seconds(5));
  // Reconnecting to the dead server fails with a reason.
  api_->VELTRAARM_Close();
  ASSERT_EQ(api_->VELTRAARM_SelectIP(server_.Address().c_str(), 0), 0);
  const char* error = api_->VELTRAARM_OpenEx(nullptr, nullptr);
  ASSERT_NE(error, nullptr);
  EXPECT_STRNE(error, "");
}

TEST_F(TargetServer, SecondClientIsTurnedAwayPromptly) {
  ASSERT_TRUE(ConnectRemote(true));
  std::string error;
  const int fd = SIM_TcpConnect("127.0.0.1", server_.port(), 2000, error);
  ASSERT_GE(fd, 0) << error;
  // The server closes the second connection without waiting for it to ask anything.
  pollfd p{fd, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 5000), 1);
  uint8_t byte;
  EXPECT_LE(recv(fd, &byte, 1, 0), 0);
  close(fd);
  // The first client is still served.
  uint32_t v = 0;
  EXPECT_EQ(api_->VELTRAARM_ReadMem(DemoSymbol("g_tick_ms"), 4, &v), 0);
}

TEST_F(TargetServer, GarbageFromAClientLosesNothing) {
  ASSERT_TRUE(ConnectRemote(true));
  // Past the start-up code, which initialises g_motor.
  ASSERT_TRUE(WaitFor([&] { return ReadU32(*api_, DemoSymbol("g_tick_ms")) > 5; }, 5000));
  const uint32_t motor = DemoSymbol("g_motor");
  const float setpoint = 777.0f;
  ASSERT_EQ(api_->VELTRA_WriteMem(motor, 4, &setpoint), 4);
  api_->VELTRAARM_Close();
  // Malformed requests: an unknown operation, short payloads, an absurd length, a cut-off frame.
  const std::vector<std::vector<uint8_t>> frames = {
      {0, 0, 0, 0, 0xEE},
      {3, 0, 0, 0, 3, 1, 2, 3},             // read with a short payload
      {0, 0, 0, 0, 10},                     // HSS start without a period
      {0xFF, 0xFF, 0xFF, 0x7F, 3},          // length beyond any limit: the server hangs up
      {8, 0, 0, 0, 3, 0, 0},                // cut off
  };
  for (const std::vector<uint8_t>& frame : frames) {
    std::string error;
    const int fd = SIM_TcpConnect("127.0.0.1", server_.port(), 2000, error);
    ASSERT_GE(fd, 0) << error;
    ASSERT_EQ(send(fd, frame.data(), frame.size(), MSG_NOSIGNAL), ssize_t(frame.size()));
    uint8_t reply[64];
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 500) == 1) (void)recv(fd, reply, sizeof reply, 0);
    close(fd);
  }
  // The server still serves, and the target kept its RAM.
  ASSERT_TRUE(ConnectRemote(false));
  EXPECT_EQ(ReadF32(*api_, motor), setpoint);
}

}  // namespace
