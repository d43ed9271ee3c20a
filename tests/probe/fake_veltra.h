// The state of the recording stand-in for the probe library (fake_veltra.cpp): the answers
// it gives, and the log of the calls it received, one a line. Tests reach it through dlsym.
#pragma once

#include <string>

struct FakeVeltra {
  std::string log;
  int has_hss = 1;
  int version = 51200;
  int caps = 0;  // result of HSS_GetCaps
  int max_blocks = 100;
  int hss_start = 0;
  int halted = 1;
};
