// Keeps each simulated device's flash contents in the user's application-data folder, so that a
// later connection finds the firmware programmed before (as a real chip keeps its flash):
// $XDG_CONFIG_HOME/Tarvik/VeltraSim/<device>.flash, or ~/.config/Tarvik/VeltraSim/... .
#pragma once

#include <cstdint>
#include <span>
#include <string>

// Path of a device's flash image file.
std::string SIM_FlashStorePath(const std::string& device_name);

// Fills `flash` from the stored image. Returns false (leaving `flash` unchanged) when there is
// no image or it does not have exactly flash.size() bytes.
bool SIM_FlashStoreLoad(const std::string& device_name, std::span<uint8_t> flash);

// Stores the image atomically (temporary file, then rename). Returns false with `error` set.
bool SIM_FlashStoreSave(const std::string& device_name, std::span<const uint8_t> flash, std::string& error);
