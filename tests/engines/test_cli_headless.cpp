// End to end: vistro-cli run and render on the demo project, the board, timer and script of
// the GUI driven without a window against the simulated target.
#include <gtest/gtest.h>

#include <QImage>
#include <QRect>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>

#include "tests/engines/cli_test_support.h"

namespace {

const std::string kDemo = std::string(VISTRO_SOURCE_DIR) + "/firmware/demo/demo.vistro";

// Parts of the demo board in pixels (one cell is two pixels): the speed gauge, and the row of
// push buttons, which looks the same whatever the firmware does.
const QRect kSpeedGauge(24, 96, 208, 208);
const QRect kButtons(24, 416, 424, 44);

size_t Column(const std::string& header, const std::string& name) {
  std::istringstream in(header);
  std::string cell;
  for (size_t i = 0; std::getline(in, cell, ','); ++i) {
    if (cell == name) return i;
  }
  ADD_FAILURE() << name << " not in " << header;
  return 0;
}

// The distinct values of one column in the order they appeared.
std::vector<double> Changes(const std::string& csv, const std::string& name) {
  const std::string header = csv.substr(0, csv.find('\n'));
  const size_t column = Column(header, name);
  std::vector<double> values;
  for (const std::vector<std::string>& row : Rows(csv, header)) {
    if (row.size() <= column) continue;
    const double v = std::stod(row[column]);
    if (values.empty() || values.back() != v) values.push_back(v);
  }
  return values;
}

// The timer writes "2700 - setpoint" on Run entry and every 3 s; whenever the setpoint is 0
// the script writes 1500. Which of them acts first on entry is a race (as in the window), so
// the setpoint goes 0, 2700, 0, 1500 or 0, 1500, 1200, 1500; either way both writers must
// reach the firmware, and its PI loop the speed.
TEST_F(CliTest, RunRecordsTheWritesOfTimerAndScript) {
  const fs::path csv = dir_ / "demo.csv";
  const std::string project = ReadFile(kDemo);
  const CliRun r = Cli({"run", kDemo, "--duration-ms", "4000", "--download", "--csv", csv.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(kDemo), project);  // the timer's writes change no setting of the file
  const std::string text = ReadFile(csv);
  EXPECT_EQ(text.substr(0, text.find('\n')),
            "time_us,speed_rpm,setpoint_rpm,torque,g_sine_f,g_triangle_d,g_counter_u8,"
            "g_counter_u16,g_tick_ms,g_led,s_fast_blink,g_command,g_ack,g_frame_count");
  const std::vector<double> setpoints = Changes(text, "setpoint_rpm");
  ASSERT_GE(setpoints.size(), 3u);
  EXPECT_EQ(setpoints.front(), 0.0);
  bool script_wrote = false, timer_wrote = false;
  for (size_t i = 0; i < setpoints.size(); ++i) {
    const double v = setpoints[i];
    EXPECT_TRUE(v == 0.0 || v == 1500.0 || v == 1200.0 || v == 2700.0) << v;
    timer_wrote = timer_wrote || v == 1200.0 || v == 2700.0;  // values the script never writes
    script_wrote = script_wrote || (i > 0 && setpoints[i - 1] == 0.0 && v == 1500.0);
  }
  EXPECT_TRUE(timer_wrote && script_wrote) << ::testing::PrintToString(setpoints);
  const std::vector<double> speeds = Changes(text, "speed_rpm");
  EXPECT_GT(*std::max_element(speeds.begin(), speeds.end()), 2500.0);
  EXPECT_GT(Changes(text, "g_tick_ms").size(), 2000u);  // the firmware ran all along
}

// A run that ends early (Ctrl+C or a CI job's SIGTERM; the TCP target killed) still writes
// the rows taken, and says that it failed.
TEST_F(CliTest, RunEndedEarlyKeepsTheRowsTaken) {
  const fs::path csv = dir_ / "demo.csv";
  const std::vector<std::string> run = {"run", kDemo, "--duration-ms", "20000", "--csv", csv.string()};
  std::vector<std::string> args = run;
  args.push_back("--download");
  // SIGTERM 1 s after the download, which the simulator stores in the test's folder.
  const fs::path pid = dir_ / "cli.pid", flash = dir_ / "Tarvik/VeltraSim";
  ActWhenReady interrupt(
      [flash] {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(flash, ec)) {
          if (e.path().string().find(".tmp") == std::string::npos) return true;
        }
        return false;
      },
      1000, [pid] { kill(std::stoi(ReadFile(pid)), SIGTERM); });
  CliRun r = Cli(args, "sh -c 'echo $$ >\"$0\"; exec \"$@\"' '" + pid.string() + "'");
  interrupt.Join();
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("warning: interrupted"), std::string::npos) << r.err;
  EXPECT_GT(Changes(ReadFile(csv), "g_tick_ms").size(), 300u);

  fs::remove(csv);
  const std::string ip = StartServer();
  ASSERT_FALSE(ip.empty());
  // Killed once Run mode has sampled a while: entering it after connecting takes over a second
  // in a sanitizer build.
  ActWhenReady killer([ip] { return ServerHasClient(ip); }, 2500, [this] { StopServer(); });
  args = run;
  args.insert(args.end(), {"--ip", ip});
  r = Cli(args);
  killer.Join();
  EXPECT_EQ(r.status, 1);
  EXPECT_LT(r.seconds, 10.0);
  EXPECT_NE(r.err.find("warning: sampling stopped early"), std::string::npos) << r.err;
  EXPECT_GT(Changes(ReadFile(csv), "g_tick_ms").size(), 300u) << r.out << r.err;
}

// Edit mode needs no target and no ELF file: the same picture every time.
TEST_F(CliTest, RenderInEditModeIsTheSameEveryTime) {
  fs::create_directories(dir_ / "copy");
  fs::copy_file(kDemo, dir_ / "copy/demo.vistro");  // without its ELF file
  const std::string a = (dir_ / "a.png").string(), b = (dir_ / "b.png").string();
  const CliRun first = Cli({"render", kDemo, "--png", a});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, "png=" + a + " width=1370 height=658 modules=40\n");
  const CliRun second = Cli({"render", (dir_ / "copy/demo.vistro").string(), "--png", b, "--mode", "edit"});
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_FALSE(ReadFile(a).empty());
  EXPECT_EQ(ReadFile(a), ReadFile(b));
}

// Run mode: a halted target leaves the speed at 0, the running firmware brings it near the
// setpoint of 2700 that the timer wrote; the speed gauge shows the difference.
TEST_F(CliTest, RenderInRunModeFollowsTheFirmware) {
  const std::string halted = (dir_ / "halted.png").string(), running = (dir_ / "running.png").string();
  const CliRun first = Cli({"render", kDemo, "--png", halted, "--mode", "run", "--run-ms", "300"});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_NE(first.err.find("warning: the target is halted"), std::string::npos) << first.err;
  const CliRun second =
      Cli({"render", kDemo, "--png", running, "--mode", "run", "--run-ms", "1500", "--download"});
  ASSERT_EQ(second.status, 0) << second.err;
  const QImage a(QString::fromStdString(halted)), b(QString::fromStdString(running));
  ASSERT_FALSE(a.isNull());
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(a.copy(kButtons), b.copy(kButtons));
  EXPECT_NE(a.copy(kSpeedGauge), b.copy(kSpeedGauge));
}

// A TCP port that accepts connections and never answers; "127.0.0.1:PORT".
class SilentServer {
 public:
  SilentServer() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&a), size), 0);
    EXPECT_EQ(listen(fd_, 4), 0);
    EXPECT_EQ(getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &size), 0);
    address_ = "127.0.0.1:" + std::to_string(ntohs(a.sin_port));
  }
  ~SilentServer() { close(fd_); }
  const std::string& Address() const { return address_; }

 private:
  int fd_;
  std::string address_;
};

// A project that cannot reach its target: the system's message, exit 1, no output file.
// And an output that cannot be written.
TEST_F(CliTest, RunAndRenderRefuseWhatCannotWork) {
  const SilentServer silent;
  fs::create_directories(dir_ / "noelf");
  fs::copy_file(kDemo, dir_ / "noelf/demo.vistro");
  const std::string csv = (dir_ / "out.csv").string(), png = (dir_ / "out.png").string();
  struct Case {
    std::vector<std::string> options;
    std::string project, message;
  };
  const Case cases[] = {
      {{}, (dir_ / "noelf/demo.vistro").string(), "error: Could not open ELF file!"},
      {{"--device", "NOSUCH"}, kDemo, "warning: Failed to select target device 'NOSUCH'."},
      {{"--ip", "127.0.0.1:1"}, kDemo, "Failed to initialize Veltra!"},
      {{"--ip", silent.Address()}, kDemo, "warning: Failed to establish connection to target."},
      {{}, (dir_ / "none.vistro").string(), "error: Failed to load project"},
  };
  for (const Case& c : cases) {
    for (const bool render : {false, true}) {
      std::vector<std::string> args = {render ? "render" : "run", c.project};
      const std::vector<std::string> tail =
          render ? std::vector<std::string>{"--png", png, "--mode", "run"}
                 : std::vector<std::string>{"--duration-ms", "500", "--csv", csv};
      args.insert(args.end(), tail.begin(), tail.end());
      args.insert(args.end(), c.options.begin(), c.options.end());
      const CliRun r = Cli(args);
      EXPECT_EQ(r.status, 1) << args[0] << " " << c.message << "\n" << r.err;
      EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
      EXPECT_FALSE(fs::exists(render ? png : csv)) << c.message;
    }
  }
  // An output that cannot be written is refused at once, not after the run.
  const CliRun r =
      Cli({"run", kDemo, "--duration-ms", "20000", "--csv", (dir_ / "none/out.csv").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_LT(r.seconds, 5.0);
  EXPECT_NE(r.err.find("error: Cannot write the file"), std::string::npos) << r.err;
}

}  // namespace
