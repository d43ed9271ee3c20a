// Catalogue of the simulated target devices: memory maps, core ids and flash layout.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "probe/veltra_api.h"

struct SIM_FlashBank {
  const char* name = nullptr;
  uint32_t base_addr = 0;
  const VELTRA_FLASH_REGION* regions = nullptr; // ended by a region with sector_count 0
};

struct SIM_Device {
  const char* name = nullptr;
  const char* manufacturer = nullptr;
  uint32_t core_id = 0;        // as reported in VELTRA_DEVICE_INFO
  int cpu_model = 0;           // emulator CPU model (uc_cpu_arm)
  uint32_t cpuid = 0;          // value of the SCB CPUID register
  uint32_t flash_addr = 0;
  uint32_t flash_size = 0;     // multiple of 4 KB
  uint32_t ram_addr = 0;
  uint32_t ram_size = 0;       // multiple of 4 KB
  uint32_t interface_mask = 0; // 1 << VELTRA_TIF_x
  uint32_t max_speed_khz = 0;
  SIM_FlashBank banks[2];
};

// All devices, in catalogue order (index 0 is the default of the device dialog).
std::span<const SIM_Device> SIM_Devices();

// Index of the device with that name (ASCII case ignored), or -1.
int SIM_FindDevice(std::string_view name);

// Fills a complete device information record for a catalogue entry.
void SIM_FillDeviceInfo(const SIM_Device& device, VELTRA_DEVICE_INFO& info);
