// The settings record of one project: how it reaches the target (the configuration record of
// the probe session) and how its window looks (wallpaper, visible docks, time scale).
// Plain values: copied as a whole by the jobs that take over new settings.
#pragma once

#include <cstdint>
#include <cstring>

#include "probe/probe_config.h"

constexpr int PROJECT_WALLPAPER_SIZE = 260;
// The coarsest time scale a grapher offers (500 s per division).
constexpr int32_t PROJECT_MAX_TIME_RESOLUTION_US = 500000000;

struct PROJECT_VIEW {
  char Wallpaper[PROJECT_WALLPAPER_SIZE] = {};  // board background image; "" = none
  int32_t WallpaperScaleType = 0;
  uint8_t ShowGraph = 1;   // graph window shown
  uint8_t ShowWatch = 1;   // symbol watch shown
  int32_t TimeResolutionUs = 1000000;  // time scale of the graph window
};

struct PROJECT_SETTINGS {
  PROJECT_CONFIG Config;
  PROJECT_VIEW View;
};

// Field-wise equality (the text fields compare up to their terminator).
bool APP_ConfigEquals(const PROJECT_CONFIG& a, const PROJECT_CONFIG& b);
bool APP_ViewEquals(const PROJECT_VIEW& a, const PROJECT_VIEW& b);
inline bool APP_SettingsEqual(const PROJECT_SETTINGS& a, const PROJECT_SETTINGS& b) {
  return APP_ConfigEquals(a.Config, b.Config) && APP_ViewEquals(a.View, b.View);
}
