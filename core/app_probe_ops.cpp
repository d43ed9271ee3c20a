#include "core/app_probe_ops.h"

#include <atomic>

#include "probe/probe_library.h"
#include "probe/probe_session.h"

namespace {

const APP_PROBE_OPS kDefault = {
    PROBE_RefreshConfiguration,
    PROBE_ClearConfiguration,
    [] { return PROBE_GetSessionConfiguration().ExistingSession != 0; },
    PROBE_Connect,
    PROBE_Disconnect,
    PROBE_ComputeHSSLayout,
    PROBE_IsConnected,
    PROBE_IsReady,
    PROBE_IsHSSRunning,
    PROBE_SetHSSRunning,
    PROBE_GetHSSSymbolCount,
    PROBE_GetRecordSize,
    PROBE_FreeHSSBlockList,
    PROBE_VELTRA_HSS_Read,
    PROBE_VELTRA_HSS_Stop,
    PROBE_VELTRAARM_IsHalted,
    PROBE_VELTRAARM_IsOpen,
    PROBE_VELTRAARM_ReadMem,
    PROBE_VELTRA_WriteMem,
};

std::atomic<const APP_PROBE_OPS*> g_ops{&kDefault};

}  // namespace

const APP_PROBE_OPS& APP_GetProbeOps() { return *g_ops.load(std::memory_order_acquire); }

const APP_PROBE_OPS& APP_DefaultProbeOps() { return kDefault; }

void APP_SetProbeOps(const APP_PROBE_OPS* ops) {
  g_ops.store(ops != nullptr ? ops : &kDefault, std::memory_order_release);
}
