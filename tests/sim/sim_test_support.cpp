#include "tests/sim/sim_test_support.h"

#include <dlfcn.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "sim/sim_elf.h"

VeltraApi* LoadVeltra(std::string& error) {
  static VeltraApi api;
  if (api.handle) return &api;
  // The library keeps flash images in the app-data folder: keep ours out of the user's.
  const std::string home = std::string(VISTRO_BINARY_DIR) + "/test-home/sim_tests";
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  const std::string path = std::string(VISTRO_BINARY_DIR) + "/bin/libVeltra_x64.so";
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    error = dlerror();
    return nullptr;
  }
  api.handle = handle;
#define VELTRA_TEST_RESOLVE(name)                                        \
  api.name = reinterpret_cast<PFN_##name>(dlsym(handle, #name));         \
  if (!api.name) api.missing.push_back(#name);
  VELTRA_FOR_EACH_FUNCTION(VELTRA_TEST_RESOLVE)
#undef VELTRA_TEST_RESOLVE
  return &api;
}

std::string DemoElfPath() { return std::string(VISTRO_SOURCE_DIR) + "/firmware/demo/demo.elf"; }

uint32_t DemoSymbol(const char* name) {
  static SIM_ElfImage image;
  static bool loaded = false;
  if (!loaded) {
    std::string error;
    loaded = SIM_ElfLoadFile(DemoElfPath(), image, error);
    EXPECT_TRUE(loaded) << error;
  }
  SIM_ElfSymbol sym;
  const bool found = SIM_ElfFindSymbol(image, name, sym);
  EXPECT_TRUE(found) << name;
  return found ? sym.value : 0;
}

bool ConnectDemoTarget(VeltraApi& api, bool download) {
  if (api.VELTRAARM_OpenEx(nullptr, nullptr) != nullptr) return false;
  char err[1024] = {};
  if (api.VELTRAARM_ExecCommand("device = VSIM32H743", err, sizeof err) < 0 || err[0]) return false;
  api.VELTRAARM_TIF_Select(VELTRA_TIF_SWD);
  api.VELTRAARM_SetSpeed(4000);
  if (api.VELTRAARM_Connect() < 0) return false;
  if (download && api.VELTRA_DownloadFile(DemoElfPath().c_str(), 0) < 0) return false;
  return true;
}

void VeltraTest::SetUp() {
  std::string error;
  api_ = LoadVeltra(error);
  ASSERT_NE(api_, nullptr) << error;
  ASSERT_TRUE(api_->missing.empty()) << api_->missing.front();
  ASSERT_EQ(Exec("SimDefaults"), "");
}

void VeltraTest::TearDown() {
  if (!api_) return;
  api_->VELTRA_HSS_Stop();
  api_->VELTRAARM_Close();
  Exec("SimDefaults");
}

std::string VeltraTest::Exec(const std::string& cmd) {
  char err[1024] = {};
  const int r = api_->VELTRAARM_ExecCommand(cmd.c_str(), err, sizeof err);
  EXPECT_EQ(r < 0, err[0] != '\0') << cmd;
  return err;
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

SimServer::~SimServer() { Kill(); }

bool SimServer::Start(const std::string& config_home, std::string& error) {
  const std::string exe = std::string(VISTRO_BINARY_DIR) + "/bin/vistro-simtarget";
  int fds[2];
  if (pipe(fds) != 0) {
    error = "pipe failed";
    return false;
  }
  const pid_t pid = fork();
  if (pid < 0) {
    error = "fork failed";
    return false;
  }
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    setenv("XDG_CONFIG_HOME", config_home.c_str(), 1);
    execl(exe.c_str(), exe.c_str(), "--listen", "127.0.0.1:0", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  pid_ = pid;
  // First line: "vistro-simtarget: listening on 127.0.0.1:PORT".
  std::string line;
  char c = 0;
  while (line.size() < 200 && read(fds[0], &c, 1) == 1 && c != '\n') line += c;
  close(fds[0]);
  const size_t colon = line.rfind(':');
  port_ = colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 1);
  if (port_ <= 0) {
    error = "server did not start: '" + line + "'";
    Kill();
    return false;
  }
  return true;
}

void SimServer::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}
