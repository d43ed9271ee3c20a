#include "sim/sim_flash_store.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cctype>
#include <filesystem>
#include <vector>

namespace {

std::filesystem::path StoreFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::filesystem::path base;
  if (xdg && *xdg) {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home && *home ? home : "/tmp") / ".config";
  }
  return base / "Tarvik" / "VeltraSim";
}

// Device names come from our own catalogue, but keep the file name safe regardless.
std::string SafeFileName(const std::string& name) {
  std::string out;
  for (char c : name) out += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') ? c : '_';
  return out.empty() ? "device" : out;
}

}  // namespace

std::string SIM_FlashStorePath(const std::string& device_name) {
  return (StoreFolder() / (SafeFileName(device_name) + ".flash")).string();
}

bool SIM_FlashStoreLoad(const std::string& device_name, std::span<uint8_t> flash) {
  const std::string path = SIM_FlashStorePath(device_name);
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::vector<uint8_t> bytes(flash.size() + 1);
  const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  if (got != flash.size()) return false;
  std::memcpy(flash.data(), bytes.data(), flash.size());
  return true;
}

bool SIM_FlashStoreSave(const std::string& device_name, std::span<const uint8_t> flash, std::string& error) {
  const std::filesystem::path path = SIM_FlashStorePath(device_name);
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  if (ec) {
    error = "cannot create " + path.parent_path().string() + ": " + ec.message();
    return false;
  }
  const std::string tmp = path.string() + ".tmp" + std::to_string(::getpid());
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) {
    error = "cannot write " + tmp + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(flash.data(), 1, flash.size(), f) == flash.size();
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    error = "cannot write " + tmp;
    std::remove(tmp.c_str());
    return false;
  }
  std::filesystem::rename(tmp, path, ec);
  if (ec) {
    error = "cannot replace " + path.string() + ": " + ec.message();
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}
