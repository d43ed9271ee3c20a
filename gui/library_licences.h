// The libraries Vistro's programs link or load and their licences, for the about dialog.
// The file LICENSE says the same for people reading the sources; keep both in step.
#pragma once

struct LibraryLicence {
  const char* name;
  const char* use;
  const char* licence;  // SPDX expression
};

// vistro and vistro-cli; the simulated probe library and vistro-simtarget link Unicorn and
// are therefore GPL-2.0-only as built.
constexpr const char* kProgramLicence = "MIT";

constexpr LibraryLicence kLibraryLicences[] = {
    {"Qt 6 base", "windows, painting, events", "LGPL-3.0-only OR GPL-2.0-only OR GPL-3.0-only"},
    {"libdwarf", "debug information of ELF files", "LGPL-2.1-only"},
    {"libelf (elfutils)", "ELF access for libdwarf", "LGPL-3.0-or-later OR GPL-2.0-or-later"},
    {"tinyxml2", "project files", "Zlib"},
    {"SDL2", "game pads", "Zlib"},
    {"zlib", "compressed debug sections", "Zlib"},
    {"Unicorn", "the simulated target (probe library and vistro-simtarget only)",
     "GPL-2.0-only"},
};
