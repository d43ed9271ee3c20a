// The probe session: turns the project's connection settings into a live connection (open the
// probe over USB or TCP/IP, select device, script, interface and speed, connect to the target
// CPU, check what the probe can sample) and starts High-Speed Sampling (HSS) for the sampled
// active symbols. Runs on the worker thread; failures are shown as warnings through the message
// sink and returned as negative results. The state flags may be read from any thread.
#pragma once

#include <cstdint>

#include "probe/probe_config.h"
#include "probe/veltra_api.h"

// Where the session's configuration copy comes from and where an updated configuration (a
// device chosen in the device dialog) goes. The project store installs both; without them the
// session keeps its own record, set with PROBE_SetConfiguration.
using PROBE_ConfigLoader = void (*)(PROJECT_CONFIG& out);
using PROBE_ConfigStorer = void (*)(const PROJECT_CONFIG& config);
void PROBE_SetConfigurationSource(PROBE_ConfigLoader load, PROBE_ConfigStorer store);

// The record the session uses when no loader is installed (tools and tests).
void PROBE_SetConfiguration(const PROJECT_CONFIG& config);
// Refreshes the session's copy from the project (or from PROBE_SetConfiguration's record).
void PROBE_RefreshConfiguration();
// Clears the session's copy (the project's record is untouched).
void PROBE_ClearConfiguration();
// The session's copy as last refreshed.
PROJECT_CONFIG PROBE_GetSessionConfiguration();

// Owner window passed to the probe library's device dialog (the main window; may be null).
void PROBE_SetDialogOwner(void* owner);

// Opens the probe, sets up the target, checks the HSS limits and starts HSS. 0 on success
// (connected and ready set); -1 when opening or target set-up failed, else the negative HSS
// start code. A failure leaves the probe as the failed step left it.
int PROBE_Connect();
// When connected: closes the probe unless the connection belongs to an existing session,
// then clears connected.
void PROBE_Disconnect();

// Gives every sampled, non-virtual active symbol its offset in an HSS record (from 4, in
// list order) and stores the HSS symbol count and the record size (4 with no such symbol).
void PROBE_ComputeHSSLayout();

// Shows the maximum-sampling-frequency notice (once until PROBE_ResetProject).
void PROBE_ShowFrequencyNotice(int serial_no, uint32_t max_freq_hz);

// State of the session.
bool PROBE_IsConnected();
bool PROBE_IsReady();       // writes to the target are refused while clear
bool PROBE_IsHSSRunning();
void PROBE_SetHSSRunning(bool running);  // the sampling engine clears it when it stops HSS
uint32_t PROBE_GetHSSSymbolCount();
uint32_t PROBE_GetRecordSize();  // bytes of one HSS record
// The block list of the last HSS start (symbol count + 1 entries, the last with 0 bytes), or
// null. Valid until PROBE_FreeHSSBlockList or the next start; worker thread only.
const VELTRA_HSS_BLOCK* PROBE_GetHSSBlockList();
void PROBE_FreeHSSBlockList();
// Project closed or reset: clears ready, HSS running, the HSS symbol count and the
// frequency-notice flag, and frees the block list. Does not disconnect.
void PROBE_ResetProject();

// HSS start result codes of the probe library and their texts.
constexpr int PROBE_HSS_NOT_SUPPORTED = VELTRA_HSS_ERR_NOT_SUPPORTED;
constexpr int PROBE_HSS_TOO_MANY = VELTRA_HSS_ERR_TOO_MANY_BLOCKS;
constexpr int PROBE_HSS_NO_MEMORY = VELTRA_HSS_ERR_NO_MEMORY;
