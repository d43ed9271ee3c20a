// The 25 exported functions of the simulated probe library libVeltra_x64.so.
//
// Every call takes one library-wide lock, so calls from several host threads are serialised
// (the target itself runs on its own thread). The local board outlives probe connections: its
// target keeps running with its RAM between OpenEx and Close, as a powered board does.
#define VELTRA_WITH_PROTOTYPES
#include "probe/veltra_api.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <vector>

#include "sim/ocd_link.h"
#include "sim/sim_devices.h"
#include "sim/sim_protocol.h"
#include "sim/sim_session.h"

namespace {

constexpr int kConnectTimeoutMs = 2000;
constexpr size_t kMaxElfBytes = 64u << 20;

struct Library {
  std::mutex mu;
  // Device record of OpenOCD's target: the entry after the catalogue while connected through
  // OpenOCD. The record's text points here, valid while the library is loaded.
  char openocd_device[128] = {};
  SIM_Session session;
  SIM_Board local_board; // the board behind the USB probe
  std::string open_error;
};

Library& Lib() {
  static Library lib;
  return lib;
}

// A link that broke (server gone) ends the probe connection.
bool LinkOk(SIM_Session& s) {
  if (!s.open || !s.link) return false;
  if (s.link->IsAlive()) return true;
  s.connected = false;
  s.hss_running = false;
  return false;
}

bool Connected(SIM_Session& s) { return LinkOk(s) && s.connected; }

void CopyText(char* dst, int size, const std::string& text) {
  if (!dst || size <= 0) return;
  std::snprintf(dst, size_t(size), "%s", text.c_str());
}

}  // namespace

extern "C" {

const char* VELTRAARM_OpenEx(VELTRA_LOG_FUNC* /*log*/, VELTRA_LOG_FUNC* /*error*/) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  SIM_Session& s = lib.session;
  if (s.open && LinkOk(s)) return nullptr;
  s.open = false;
  s.link.reset();
  if (s.controls.open_fail) {
    lib.open_error = "Simulated probe does not respond (SimOpenFail)";
    return lib.open_error.c_str();
  }
  if (s.use_openocd) {
    s.link = SIM_MakeOpenOcdLink(s.ip_host, s.ip_port, kConnectTimeoutMs, lib.open_error);
    if (!s.link) return lib.open_error.c_str();
  } else if (s.use_ip) {
    std::string error;
    const int fd = SIM_TcpConnect(s.ip_host, s.ip_port, kConnectTimeoutMs, error);
    if (fd < 0) {
      lib.open_error = error;
      return lib.open_error.c_str();
    }
    s.link = SIM_MakeRemoteLink(fd);
  } else {
    s.link = SIM_MakeLocalLink(lib.local_board);
  }
  s.open = true;
  s.connected = false;
  s.hss_running = false;
  return nullptr;
}

void VELTRAARM_Close(void) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  SIM_Session& s = lib.session;
  if (s.link && s.link->IsAlive()) s.link->Detach();
  s.link.reset();
  s.open = false;
  s.connected = false;
  s.hss_running = false;
  s.use_ip = false;
  s.use_openocd = false;
}

int VELTRAARM_IsOpen(void) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  return LinkOk(lib.session) ? 1 : 0;
}

int VELTRAARM_EMU_SelectByUSBSN(uint32_t serial_no) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  SIM_Session& s = lib.session;
  if (serial_no != 0 && serial_no != uint32_t(s.controls.serial_no)) return -1;
  s.use_ip = false;
  s.use_openocd = false;
  return 0;
}

int VELTRAARM_SelectIP(const char* host, int port) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  SIM_Session& s = lib.session;
  if (!host) return 1;
  std::string parsed_host;
  int parsed_port = 0;
  const bool openocd = SIM_IsOpenOcdHost(host);
  const std::string_view text = openocd ? std::string_view(host).substr(std::string_view(host).find(':') + 1) : host;
  if (!SIM_ParseHostPort(text, port, parsed_host, parsed_port, openocd ? SIM_OPENOCD_DEFAULT_PORT : SIM_DEFAULT_PORT))
    return 1;
  s.use_ip = true;
  s.use_openocd = openocd;
  s.ip_host = parsed_host;
  s.ip_port = parsed_port;
  return 0;
}

int VELTRAARM_ExecCommand(const char* cmd, char* err, int err_size) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  if (err && err_size > 0) err[0] = '\0';
  if (!cmd) {
    CopyText(err, err_size, "No command");
    return -1;
  }
  std::string error;
  const int r = SIM_ExecCommand(lib.session, cmd, error);
  if (r < 0) CopyText(err, err_size, error.empty() ? "Command failed" : error);
  return r;
}

namespace {

// Index of OpenOCD's target in the device list (after the catalogue), -1 when not connected
// through OpenOCD. Called with the library lock held.
int OpenOcdDeviceIndex(Library& lib) {
  SIM_Session& s = lib.session;
  if (!s.use_openocd || !LinkOk(s)) return -1;
  const std::string name = s.link->ReportedDevice();
  if (name.empty()) return -1;
  std::snprintf(lib.openocd_device, sizeof lib.openocd_device, "%s", name.c_str());
  return int(SIM_Devices().size());
}

void FillOpenOcdDeviceInfo(const Library& lib, VELTRA_DEVICE_INFO& info) {
  const uint32_t size = info.size;
  VELTRA_DEVICE_INFO full{};
  full.name = lib.openocd_device;
  full.manufacturer = "OpenOCD target";
  std::memcpy(&info, &full, std::min<size_t>(size, sizeof full));
  info.size = size;
}

}  // namespace

int VELTRAARM_DEVICE_SelectDialog(void* /*owner*/, uint32_t /*flags*/, VELTRA_DEVICE_INFO* info) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  // Through OpenOCD there is nothing to choose: the device is the target OpenOCD drives.
  if (const int index = OpenOcdDeviceIndex(lib); index >= 0) {
    if (info && info->size >= offsetof(VELTRA_DEVICE_INFO, name) + sizeof(info->name)) FillOpenOcdDeviceInfo(lib, *info);
    return index;
  }
  const int answer = lib.session.controls.dialog_answer;
  if (answer < 0 || size_t(answer) >= SIM_Devices().size()) return -1;
  if (info && info->size >= VELTRA_DEVICE_INFO_SIZE) SIM_FillDeviceInfo(SIM_Devices()[size_t(answer)], *info);
  return answer;
}

int VELTRAARM_DEVICE_GetInfo(int index, VELTRA_DEVICE_INFO* info) {
  const auto devices = SIM_Devices();
  if (index == -1 || size_t(index) == devices.size()) {
    Library& lib = Lib();
    std::lock_guard<std::mutex> lock(lib.mu);
    const int openocd = OpenOcdDeviceIndex(lib);
    if (index == -1) return openocd >= 0 ? openocd + 1 : int(devices.size());
    if (openocd < 0 || !info || info->size < offsetof(VELTRA_DEVICE_INFO, name) + sizeof(info->name)) return -1;
    FillOpenOcdDeviceInfo(lib, *info);
    return 0;
  }
  if (index < 0 || size_t(index) >= devices.size() || !info) return -1;
  const uint32_t size = info->size;
  if (size < offsetof(VELTRA_DEVICE_INFO, name) + sizeof(info->name)) return -1;
  VELTRA_DEVICE_INFO full;
  SIM_FillDeviceInfo(devices[size_t(index)], full);
  std::memcpy(info, &full, std::min<size_t>(size, sizeof full));
  info->size = size;
  return 0;
}

void VELTRAARM_TIF_Select(int tif) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  lib.session.tif = tif;
}

void VELTRAARM_SetSpeed(uint32_t speed_khz) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  lib.session.speed_khz = speed_khz;
}

void VELTRAARM_ConfigJTAG(int ir_pre, int dr_pre) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  lib.session.jtag_ir_pre = ir_pre;
  lib.session.jtag_dr_pre = dr_pre;
}

int VELTRAARM_Connect(void) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  SIM_Session& s = lib.session;
  if (!LinkOk(s) || s.controls.connect_fail) return -1;
  if (s.use_openocd) {
    // OpenOCD's configuration decides the interface and speed; the device names its target
    // when it is one of OpenOCD's.
    std::string error;
    if (s.link->Attach(s.device_name, error) < 0) return -1;
    s.connected = true;
    return 0;
  }
  if (s.device_index < 0) return -1;
  const SIM_Device& device = SIM_Devices()[size_t(s.device_index)];
  if (s.tif < 0 || s.tif > 31 || (device.interface_mask & (1u << s.tif)) == 0) return -1;
  std::string error;
  if (s.link->SetClock(s.controls.clock_ipus) < 0 || s.link->Attach(device.name, error) < 0) return -1;
  s.connected = true;
  return 0;
}

int VELTRAARM_EMU_HasCapEx(int cap) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  return cap == VELTRA_CAP_HSS && lib.session.controls.hss_capable ? 1 : 0;
}

int VELTRAARM_GetDLLVersion(void) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  return lib.session.controls.dll_version;
}

int VELTRAARM_GetSN(void) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  return lib.session.controls.serial_no;
}

int VELTRAARM_IsHalted(void) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  if (!Connected(lib.session)) return -1;
  return lib.session.link->IsHalted();
}

int VELTRAARM_ReadMem(uint32_t addr, uint32_t num_bytes, void* buf) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  if (!Connected(lib.session) || (!buf && num_bytes)) return 1;
  if (num_bytes == 0) return 0;
  return lib.session.link->ReadMem(addr, std::span<uint8_t>(static_cast<uint8_t*>(buf), num_bytes)) < 0 ? 1 : 0;
}

int VELTRA_WriteMem(uint32_t addr, uint32_t num_bytes, const void* data) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  SIM_Session& s = lib.session;
  if (!Connected(s) || s.controls.write_fail || (!data && num_bytes) || num_bytes > 0x7FFFFFFFu) return -1;
  if (num_bytes == 0) return 0;
  return s.link->WriteMem(addr, std::span<const uint8_t>(static_cast<const uint8_t*>(data), num_bytes));
}

int VELTRA_DownloadFile(const char* path, uint32_t /*addr*/) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  SIM_Session& s = lib.session;
  if (!Connected(s) || !path || s.controls.download_fail) return -1;
  std::string error;
  const int by_path = s.link->DownloadPath(path, error);
  if (by_path <= 0) return by_path < 0 ? -1 : 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) return -1;
  std::vector<uint8_t> bytes;
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    if (bytes.size() > kMaxElfBytes) return -1;
  }
  const int r = s.link->Download(bytes, error);
  return r < 0 ? -1 : 0;
}

int VELTRA_IsHalted(void) { return VELTRAARM_IsHalted(); }

void VELTRA_Go(void) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  if (Connected(lib.session)) lib.session.link->Go();
}

int VELTRA_HSS_GetCaps(VELTRA_HSS_CAPS* caps) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  const SIM_Controls& c = lib.session.controls;
  if (!caps || !LinkOk(lib.session) || !c.hss_capable || c.hss_caps_fail) return -1;
  if (lib.session.link->MeasuredHssCaps(*caps)) return 0;
  std::memset(caps, 0, sizeof *caps);
  caps->max_blocks = c.hss_max_blocks;
  caps->max_freq_hz = c.hss_max_freq_hz;
  return 0;
}

int VELTRA_HSS_Start(VELTRA_HSS_BLOCK* blocks, int num_blocks, int period_us, int /*flags*/) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  SIM_Session& s = lib.session;
  const SIM_Controls& c = s.controls;
  if (!Connected(s)) return VELTRA_HSS_ERR_GENERIC;
  if (!c.hss_capable) return VELTRA_HSS_ERR_NOT_SUPPORTED;
  if (c.hss_start_result < 0) return c.hss_start_result;
  if (num_blocks < 0 || (num_blocks > 0 && !blocks) || period_us <= 0) return VELTRA_HSS_ERR_GENERIC;
  if (uint32_t(num_blocks) > c.hss_max_blocks) return VELTRA_HSS_ERR_TOO_MANY_BLOCKS;
  uint64_t record_bytes = 4;
  for (int i = 0; i < num_blocks; ++i) record_bytes += blocks[i].num_bytes;
  if (record_bytes > c.hss_max_record_bytes) return VELTRA_HSS_ERR_NO_MEMORY;
  // The probe samples no faster than its maximum frequency.
  uint32_t period = uint32_t(period_us);
  if (c.hss_max_freq_hz > 0) period = std::max(period, (1000000u + c.hss_max_freq_hz - 1) / c.hss_max_freq_hz);
  const int r = s.link->HssStart(std::span<const VELTRA_HSS_BLOCK>(blocks, size_t(num_blocks)), period);
  if (r < 0) return VELTRA_HSS_ERR_GENERIC;
  s.hss_running = true;
  s.hss_reads = 0;
  return 0;
}

int VELTRA_HSS_Read(void* buf, uint32_t buf_size) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  SIM_Session& s = lib.session;
  if (!Connected(s) || !s.hss_running || (!buf && buf_size)) return -1;
  if (s.controls.hss_read_fail_after >= 0 && s.hss_reads >= s.controls.hss_read_fail_after) return -1;
  const int r = s.link->HssRead(std::span<uint8_t>(static_cast<uint8_t*>(buf), buf_size));
  if (r < 0) return -1;
  ++s.hss_reads;
  return r;
}

int VELTRA_HSS_Stop(void) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> lock(lib.mu);
  SIM_Session& s = lib.session;
  if (!Connected(s)) return -1;
  s.hss_running = false;
  return s.link->HssStop() < 0 ? -1 : 0;
}

}  // extern "C"
