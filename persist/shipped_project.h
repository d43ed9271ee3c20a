// Projects that ship with an installed Vistro (the demo) lie in a read-only folder. Opening one
// opens the user's own copy instead, made on the first open, so that it can be changed and
// saved like any other project.
#pragma once

#include <string>
#include <string_view>

// The path to open for `path`, in `out`. A path outside `shipped_folder` comes back as it is.
// For a project inside it, the same relative path below `copy_folder`: when that file does not
// exist yet, the project's whole folder is copied there first (a project names its ELF file
// and images relative to its folder). Files already in the copy are the user's and are kept.
// The copied files are writable by the user. False with a message in `error` when the copy
// cannot be made; no partly copied file is left behind.
bool APP_ProjectPathToOpen(std::string_view path, std::string_view shipped_folder,
                           std::string_view copy_folder, std::string& out, std::string& error);

// The read-only folder of shipped projects of this installation (beside the program's folder,
// where `cmake --install` puts it) and the folder of the user's copies (in the app-data
// folder). Empty when it cannot be told.
std::string APP_ShippedProjectFolder();
std::string APP_ProjectCopyFolder();
