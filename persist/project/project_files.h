// The files a project refers to (ELF file, wallpaper, images) live in the project folder:
// saving copies them there and stores their names relative to it (".\\name.ext", as every
// installation writes them); loading looks them up there by file name, whichever separator
// the stored name uses.
#pragma once

#include <string>

// The folder of `path` without the trailing separator ("." for a bare file name).
std::string PROJECT_FolderOf(const char* path);
// `folder` + "/" + the stored name's file name; "" when the stored name has none.
std::string PROJECT_InFolder(const std::string& folder, const char* stored);
// Copies `path` into `folder` (nothing when it is already there; a failed copy is reported
// and does not stop the save) and returns the name to store: ".\\" + file name, or "" for
// an empty path.
std::string PROJECT_GatherFile(const char* path, const std::string& folder);
