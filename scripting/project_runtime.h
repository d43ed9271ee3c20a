// The open project's scripts and game-pad mappings handed to the script runner and the pad
// runtime: after an open, after a parse of the ELF file, and for a project run without a
// window.
#pragma once

// Publishes the project's scripts and installs its pad mappings (both empty when no project
// is open).
void SCRIPT_InstallProjectContent();
