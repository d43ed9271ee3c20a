#include "probe/probe_session.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/sys_memory.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "probe/probe_library.h"
#include "symbols/active_symbol.h"

namespace {

constexpr const char* kSkipECCCommand = "SetSkipInitECCRAMOnConnect = 1";
constexpr uint32_t kHSSFlags = 1;
// Library versions before this one cannot report their HSS limits.
constexpr int kFirstVersionWithHSSCaps = static_cast<int>(VELTRA_DLL_VERSION_HSS_CAPS);
// Sampling frequency assumed for a probe without the HSS capability.
constexpr uint32_t kNoHSSFrequencyHz = 50;
constexpr const char* kModelComparisonUrl = "https://tarvik.example/veltra/model-comparison";

// Texts are formatted generously: a long device name or library error must not be cut off.
constexpr size_t kTextSize = 512;
constexpr size_t kNoticeSize = 2048;
constexpr size_t kCommandSize = 1024;

struct SysFree {
  void operator()(VELTRA_HSS_BLOCK* area) const { SYS_Free(area); }
};

std::mutex g_config_mutex;
PROJECT_CONFIG g_own_config;      // the project's record when no loader is installed
PROJECT_CONFIG g_session_config;  // the session's copy
PROBE_ConfigLoader g_loader = nullptr;
PROBE_ConfigStorer g_storer = nullptr;
std::atomic<void*> g_dialog_owner{nullptr};

std::atomic<bool> g_connected{false};
std::atomic<bool> g_ready{false};
std::atomic<bool> g_hss_running{false};
std::atomic<bool> g_notice_shown{false};
std::atomic<uint32_t> g_hss_symbol_count{0};
std::atomic<uint32_t> g_record_size{4};
std::unique_ptr<VELTRA_HSS_BLOCK, SysFree> g_block_list;  // worker thread only

bool IsHSSSymbol(const ACTIVE_SYMBOL& symbol) { return symbol.Read != 0 && symbol.Virtual == 0; }

void StoreConfiguration(const PROJECT_CONFIG& config) {
  PROBE_ConfigStorer storer = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_config_mutex);
    g_session_config = config;
    storer = g_storer;
    if (storer == nullptr) g_own_config = config;
  }
  if (storer != nullptr) storer(config);
}

int Open(const PROJECT_CONFIG& config) {
  if (!PROBE_LoadLibrary(false)) {
    SYS_WarningBox("Failed to load Veltra library.");
    return -1;
  }
  if (config.Connection != PROBE_CONNECTION_IP) {
    if (config.SerialNo != 0 && PROBE_VELTRAARM_EMU_SelectByUSBSN(config.SerialNo) < 0) {
      SYS_WarningBoxF("Failed to select Veltra via USB ('%u').", config.SerialNo);
      return -1;
    }
  } else if (PROBE_VELTRAARM_SelectIP(config.IP, 0) != 0) {
    SYS_WarningBoxF("Failed to select Veltra via IP ('%s').", config.IP);
    return -1;
  }
  const char* error = PROBE_VELTRAARM_OpenEx(nullptr, nullptr);
  if (error != nullptr) {
    char text[kTextSize];
    std::snprintf(text, sizeof(text), "Failed to connect to Veltra: %s", error);
    SYS_WarningBox(text);
    return -1;
  }
  return 0;
}

// Lets the user pick the device in the library's dialog; stores the choice in `config` and in
// the project. -1 when the user cancelled.
int ChooseDevice(PROJECT_CONFIG& config) {
  const int index =
      PROBE_VELTRAARM_DEVICE_SelectDialog(g_dialog_owner.load(std::memory_order_acquire), 0,
                                          nullptr);
  if (index < 0) {
    SYS_WarningBox("User cancelled device selection.");
    return -1;
  }
  VELTRA_DEVICE_INFO info;
  std::memset(&info, 0, sizeof(info));
  info.size = VELTRA_DEVICE_INFO_SIZE;
  if (PROBE_VELTRAARM_DEVICE_GetInfo(index, &info) >= 0 && info.name != nullptr) {
    SYS_CopyText(config.TargetDevice, sizeof(config.TargetDevice), info.name);
    StoreConfiguration(config);
  }
  return 0;
}

// Capability check: warns about a low sampling frequency and refuses more symbols than the
// probe can sample.
int CheckCapabilities(const PROJECT_CONFIG& config) {
  if (PROBE_VELTRAARM_EMU_HasCapEx(VELTRA_CAP_HSS) == 0) {
    PROBE_ShowFrequencyNotice(PROBE_VELTRAARM_GetSN(), kNoHSSFrequencyHz);
    return 0;
  }
  if (PROBE_VELTRAARM_GetDLLVersion() < kFirstVersionWithHSSCaps) return 0;
  VELTRA_HSS_CAPS caps;
  std::memset(&caps, 0, sizeof(caps));
  if (PROBE_VELTRA_HSS_GetCaps(&caps) != 0) return 0;
  // A maximum frequency of 0 means the probe does not report one: no notice.
  if (caps.max_freq_hz != 0 && 1000000u / caps.max_freq_hz > config.SamplingPeriod) {
    PROBE_ShowFrequencyNotice(PROBE_VELTRAARM_GetSN(), caps.max_freq_hz);
  }
  const uint32_t count = g_hss_symbol_count.load(std::memory_order_relaxed);
  if (caps.max_blocks < count) {
    SYS_WarningBoxF(
        "The connected Veltra probe (S/N: %d) only supports %u symbols via HSS while you "
        "selected %u symbols.",
        PROBE_VELTRAARM_GetSN(), caps.max_blocks, count);
    return -1;
  }
  return 0;
}

int SetUpTarget(PROJECT_CONFIG& config) {
  if (config.TargetInterface == PROBE_TIF_JTAG && config.JTAG_DRPre >= 0) {
    PROBE_VELTRAARM_ConfigJTAG(config.JTAG_IRPre, config.JTAG_DRPre);
  }
  PROBE_VELTRAARM_ExecCommand(kSkipECCCommand, nullptr, 0);
  if (config.TargetDevice[0] == '\0' ||
      std::strcmp(config.TargetDevice, PROBE_DEVICE_UNSPECIFIED) == 0) {
    if (ChooseDevice(config) < 0) return -1;
  }

  char command[kCommandSize];
  char error[kCommandSize] = {};
  std::snprintf(command, sizeof(command), "device = %s", config.TargetDevice);
  PROBE_VELTRAARM_ExecCommand(command, error, static_cast<int>(sizeof(error)));
  if (error[0] != '\0') {
    SYS_WarningBoxF("Failed to select target device '%s'.", config.TargetDevice);
    return -1;
  }
  if (config.ScriptFile[0] != '\0') {
    std::snprintf(command, sizeof(command), "ScriptFile = %s", config.ScriptFile);
    PROBE_VELTRAARM_ExecCommand(command, error, static_cast<int>(sizeof(error)));
    if (error[0] != '\0') {
      SYS_WarningBoxF("Failed to select script file '%s'.", config.ScriptFile);
      return -1;
    }
  }
  PROBE_VELTRAARM_TIF_Select(static_cast<int>(config.TargetInterface));
  PROBE_VELTRAARM_SetSpeed(config.InterfaceSpeed);
  if (PROBE_VELTRAARM_Connect() < 0) {
    SYS_WarningBox("Failed to establish connection to target.");
    return -1;
  }
  // The symbol count of the check below must be that of the current active list.
  PROBE_ComputeHSSLayout();
  return CheckCapabilities(config);
}

int StartHSS(const PROJECT_CONFIG& config) {
  uint32_t count = 0;
  for (const ACTIVE_SYMBOL_CELL* cell = MAIN_pActiveSymbols; cell; cell = cell->pNext) {
    if (cell->pSymbol != nullptr && IsHSSSymbol(*cell->pSymbol)) ++count;
  }
  const uint64_t list_bytes = (uint64_t{count} + 1) * sizeof(VELTRA_HSS_BLOCK);
  if (list_bytes > UINT32_MAX) {
    SYS_WarningBox("Failed to inititalize HSS.");
    return -1;
  }
  std::unique_ptr<VELTRA_HSS_BLOCK, SysFree> list(static_cast<VELTRA_HSS_BLOCK*>(
      SYS_Alloc(static_cast<uint32_t>(list_bytes), "PROBE: HSS block list")));
  if (!list) return -1;  // SYS_Alloc has shown "Insufficient memory!"

  uint32_t index = 0;
  uint32_t offset = 4;
  for (ACTIVE_SYMBOL_CELL* cell = MAIN_pActiveSymbols; cell; cell = cell->pNext) {
    ACTIVE_SYMBOL* symbol = cell->pSymbol;
    if (symbol == nullptr || !IsHSSSymbol(*symbol)) continue;
    if (index == count) break;  // the list cannot grow on this thread; keep the writes inside
    symbol->RecordOffset = offset;
    offset += symbol->Size;
    list.get()[index] = VELTRA_HSS_BLOCK{symbol->Address, symbol->Size, 0, 0};
    ++index;
    // Other threads read these while sampling runs (lock-free): store them atomically.
    std::atomic_ref<uint8_t>(symbol->HasData).store(0, std::memory_order_relaxed);
    std::atomic_ref<const void*>(symbol->pLatestSample).store(nullptr, std::memory_order_release);
    std::atomic_ref<double>(symbol->SampledMax).store(-DBL_MAX, std::memory_order_relaxed);
    std::atomic_ref<double>(symbol->SampledMin).store(DBL_MAX, std::memory_order_relaxed);
  }
  list.get()[count] = VELTRA_HSS_BLOCK{0, 0, 0, 0};
  g_hss_symbol_count.store(count, std::memory_order_relaxed);
  g_record_size.store(offset, std::memory_order_relaxed);
  g_block_list = std::move(list);

  const int result = PROBE_VELTRA_HSS_Start(g_block_list.get(), static_cast<int>(count),
                                            static_cast<int>(config.SamplingPeriod),
                                            static_cast<int>(kHSSFlags));
  if (result >= 0) {
    g_hss_running.store(true, std::memory_order_release);
    if (PROBE_VELTRA_IsHalted() > 0) PROBE_VELTRA_Go();
    return 0;
  }
  const char* reason = nullptr;
  switch (result) {
    case PROBE_HSS_NOT_SUPPORTED: reason = "Target hardware does not support HSS"; break;
    case PROBE_HSS_TOO_MANY: reason = "Too many variables specified"; break;
    case PROBE_HSS_NO_MEMORY: reason = "Failed to allocate memory on debug probe"; break;
    default: break;
  }
  if (reason != nullptr) {
    SYS_WarningBoxF("Failed to initialize HSS: %s.", reason);
  } else {
    SYS_WarningBox("Failed to inititalize HSS.");
  }
  return result;
}

}  // namespace

void PROBE_SetConfigurationSource(PROBE_ConfigLoader load, PROBE_ConfigStorer store) {
  std::lock_guard<std::mutex> lock(g_config_mutex);
  g_loader = load;
  g_storer = store;
}

void PROBE_SetConfiguration(const PROJECT_CONFIG& config) {
  std::lock_guard<std::mutex> lock(g_config_mutex);
  g_own_config = config;
}

void PROBE_RefreshConfiguration() {
  PROBE_ConfigLoader loader = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_config_mutex);
    loader = g_loader;
    if (loader == nullptr) {
      g_session_config = g_own_config;
      return;
    }
  }
  PROJECT_CONFIG config;
  loader(config);
  std::lock_guard<std::mutex> lock(g_config_mutex);
  g_session_config = config;
}

void PROBE_ClearConfiguration() {
  std::lock_guard<std::mutex> lock(g_config_mutex);
  g_session_config = PROJECT_CONFIG{};
}

PROJECT_CONFIG PROBE_GetSessionConfiguration() {
  std::lock_guard<std::mutex> lock(g_config_mutex);
  return g_session_config;
}

void PROBE_SetDialogOwner(void* owner) { g_dialog_owner.store(owner, std::memory_order_release); }

int PROBE_Connect() {
  PROBE_RefreshConfiguration();
  PROJECT_CONFIG config = PROBE_GetSessionConfiguration();
  if (Open(config) < 0) return -1;
  if (SetUpTarget(config) < 0) return -1;
  const int result = StartHSS(config);
  if (result < 0) return result;
  g_connected.store(true, std::memory_order_release);
  g_ready.store(true, std::memory_order_release);
  return 0;
}

void PROBE_Disconnect() {
  PROBE_RefreshConfiguration();
  if (!g_connected.load(std::memory_order_acquire)) return;
  if (PROBE_GetSessionConfiguration().ExistingSession == 0) PROBE_VELTRAARM_Close();
  // Nothing may be written to a target that is no longer connected.
  g_ready.store(false, std::memory_order_release);
  g_connected.store(false, std::memory_order_release);
}

void PROBE_ComputeHSSLayout() {
  uint32_t count = 0;
  uint32_t offset = 4;
  for (ACTIVE_SYMBOL_CELL* cell = MAIN_pActiveSymbols; cell; cell = cell->pNext) {
    ACTIVE_SYMBOL* symbol = cell->pSymbol;
    if (symbol == nullptr || !IsHSSSymbol(*symbol)) continue;
    symbol->RecordOffset = offset;
    offset += symbol->Size;
    ++count;
  }
  g_hss_symbol_count.store(count, std::memory_order_relaxed);
  g_record_size.store(offset, std::memory_order_relaxed);
}

void PROBE_ShowFrequencyNotice(int serial_no, uint32_t max_freq_hz) {
  if (g_notice_shown.exchange(true)) return;
  const bool in_khz = max_freq_hz >= 1000;
  const int value = static_cast<int>(in_khz ? max_freq_hz / 1000 : max_freq_hz);
  char text[kNoticeSize];
  std::snprintf(text, sizeof(text),
                "The connected Veltra probe (S/N: %d) can only be used with a maximum sampling "
                "frequency of up to %i %s.\n\nTo get a higher sampling rate, please use one of "
                "the following probes:\nVeltra Apex/Summit V4 or higher (unlimited by probe)\n"
                "Veltra Ridge/Crest V9 or higher (max. 1 kHz)\n\nFor further information, "
                "refer to the section \"Model comparison\" on\n%s",
                serial_no, value, in_khz ? "kHz" : "Hz", kModelComparisonUrl);
  SYS_WarningBox(text);
}

bool PROBE_IsConnected() { return g_connected.load(std::memory_order_acquire); }
bool PROBE_IsReady() { return g_ready.load(std::memory_order_acquire); }
bool PROBE_IsHSSRunning() { return g_hss_running.load(std::memory_order_acquire); }
void PROBE_SetHSSRunning(bool running) {
  g_hss_running.store(running, std::memory_order_release);
}
uint32_t PROBE_GetHSSSymbolCount() { return g_hss_symbol_count.load(std::memory_order_relaxed); }
uint32_t PROBE_GetRecordSize() { return g_record_size.load(std::memory_order_relaxed); }
const VELTRA_HSS_BLOCK* PROBE_GetHSSBlockList() { return g_block_list.get(); }
void PROBE_FreeHSSBlockList() { g_block_list.reset(); }

void PROBE_ResetProject() {
  g_ready.store(false, std::memory_order_release);
  g_hss_running.store(false, std::memory_order_release);
  g_notice_shown.store(false);
  g_hss_symbol_count.store(0, std::memory_order_relaxed);
  g_record_size.store(4, std::memory_order_relaxed);
  g_block_list.reset();
}
