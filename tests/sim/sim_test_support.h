// Helpers for the simulated probe library tests: the library loaded with dlopen as the
// application loads it, symbol addresses of the demo firmware, and a target server process.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "probe/veltra_api.h"

// All 25 entry points of the built libVeltra_x64.so.
struct VeltraApi {
  void* handle = nullptr;
#define VELTRA_TEST_MEMBER(name) PFN_##name name = nullptr;
  VELTRA_FOR_EACH_FUNCTION(VELTRA_TEST_MEMBER)
#undef VELTRA_TEST_MEMBER
  // Names of exports that could not be resolved.
  std::vector<std::string> missing;
};

// Loads <build>/bin/libVeltra_x64.so (once per process; the library keeps global state, as the
// vendor's library does), with XDG_CONFIG_HOME pointing into the build folder first. Returns
// null with a reason when it cannot be loaded.
VeltraApi* LoadVeltra(std::string& error);

std::string DemoElfPath();

// Address of a demo firmware variable; fails the current test when missing.
uint32_t DemoSymbol(const char* name);

// Opens the local (USB) probe, selects the demo's device and connects. Returns false on failure.
bool ConnectDemoTarget(VeltraApi& api, bool download);

// Reads a little-endian value from the target; fails the test on error.
template <class T>
T ReadValue(VeltraApi& api, uint32_t addr) {
  T v{};
  EXPECT_EQ(api.VELTRAARM_ReadMem(addr, sizeof v, &v), 0) << std::hex << addr;
  return v;
}
inline uint32_t ReadU32(VeltraApi& api, uint32_t addr) { return ReadValue<uint32_t>(api, addr); }
inline float ReadF32(VeltraApi& api, uint32_t addr) { return ReadValue<float>(api, addr); }

// Polls until pred() holds or timeout_ms passes (target time runs close to wall time).
template <class Pred>
bool WaitFor(Pred pred, int timeout_ms);
void SleepMs(int ms);

// Base of the tests through the library: loaded with all exports, simulator defaults before
// and after each test, the probe closed afterwards.
class VeltraTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Runs a command; returns the error text (empty on success).
  std::string Exec(const std::string& cmd);
  VeltraApi* api_ = nullptr;
};

// A vistro-simtarget process listening on 127.0.0.1 with its own app-data folder.
class SimServer {
 public:
  SimServer() = default;
  ~SimServer();
  bool Start(const std::string& config_home, std::string& error);
  void Kill();
  int port() const { return port_; }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

template <class Pred>
bool WaitFor(Pred pred, int timeout_ms) {
  for (int waited = 0; waited < timeout_ms; waited += 5) {
    if (pred()) return true;
    SleepMs(5);
  }
  return pred();
}
