#include "sim/sim_devices.h"

#include <unicorn/unicorn.h>

#include <cstring>

#include "sim/sim_text.h"

namespace {

constexpr uint32_t kK = 1024;
constexpr uint32_t kJtagSwd = (1u << VELTRA_TIF_JTAG) | (1u << VELTRA_TIF_SWD);

// 4 x 32 KB, 1 x 128 KB, 1 x 256 KB = 512 KB per bank.
constexpr VELTRA_FLASH_REGION kM7Bank[] = {{4, 32 * kK, 0}, {1, 128 * kK, 0}, {1, 256 * kK, 0}, {0, 0, 0}};
// 4 x 16 KB, 1 x 64 KB, 3 x 128 KB = 512 KB.
constexpr VELTRA_FLASH_REGION kM4Bank[] = {{4, 16 * kK, 0}, {1, 64 * kK, 0}, {3, 128 * kK, 0}, {0, 0, 0}};
// 256 x 1 KB = 256 KB.
constexpr VELTRA_FLASH_REGION kM3Bank[] = {{256, 1 * kK, 0}, {0, 0, 0}};
// 256 x 128 B = 32 KB.
constexpr VELTRA_FLASH_REGION kM0Bank[] = {{256, 128, 0}, {0, 0, 0}};

const SIM_Device kDevices[] = {
    {"VSIM32H743", "Tarvik Simulation", 0x0E0100FFu, UC_CPU_ARM_CORTEX_M7, 0x411FC270u,
     0x08000000u, 1024 * kK, 0x20000000u, 512 * kK, kJtagSwd, 50000,
     {{"Internal Flash Bank 1", 0x08000000u, kM7Bank}, {"Internal Flash Bank 2", 0x08080000u, kM7Bank}}},
    {"VSIM32F407", "Tarvik Simulation", 0x0E0000FFu, UC_CPU_ARM_CORTEX_M4, 0x410FC241u,
     0x08000000u, 512 * kK, 0x20000000u, 128 * kK, kJtagSwd, 24000,
     {{"Internal Flash", 0x08000000u, kM4Bank}, {}}},
    {"VSIM32F103", "Tarvik Simulation", 0x030000FFu, UC_CPU_ARM_CORTEX_M3, 0x411FC231u,
     0x08000000u, 256 * kK, 0x20000000u, 64 * kK, kJtagSwd, 12000,
     {{"Internal Flash", 0x08000000u, kM3Bank}, {}}},
    {"VSIM32L031", "Tarvik Simulation", 0x060000FFu, UC_CPU_ARM_CORTEX_M0, 0x410CC601u,
     0x08000000u, 32 * kK, 0x20000000u, 8 * kK, 1u << VELTRA_TIF_SWD, 4000,
     {{"Internal Flash", 0x08000000u, kM0Bank}, {}}},
};


}  // namespace

std::span<const SIM_Device> SIM_Devices() { return kDevices; }

int SIM_FindDevice(std::string_view name) {
  for (size_t i = 0; i < std::size(kDevices); ++i)
    if (SIM_EqualNoCase(kDevices[i].name, name)) return int(i);
  return -1;
}

void SIM_FillDeviceInfo(const SIM_Device& device, VELTRA_DEVICE_INFO& info) {
  std::memset(&info, 0, sizeof info);
  info.size = VELTRA_DEVICE_INFO_SIZE;
  info.name = device.name;
  info.manufacturer = device.manufacturer;
  info.core_id = device.core_id;
  info.num_cores = 1;
  info.flash_addr = device.flash_addr;
  info.flash_size = device.flash_size;
  info.ram_addr = device.ram_addr;
  info.ram_size = device.ram_size;
  info.interface_mask = device.interface_mask;
  info.endianness = 0;
  info.max_speed_khz = device.max_speed_khz;
  for (size_t i = 0; i < std::size(device.banks); ++i) {
    info.flash_banks[i].name = device.banks[i].name;
    info.flash_banks[i].regions = device.banks[i].regions;
    info.flash_banks[i].base_addr = device.banks[i].base_addr;
  }
}
