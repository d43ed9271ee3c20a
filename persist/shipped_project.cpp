#include "persist/shipped_project.h"

#include <filesystem>
#include <system_error>

#include "platform/sys_file.h"

namespace fs = std::filesystem;

#ifndef VISTRO_SHIPPED_FROM_PROGRAM
#define VISTRO_SHIPPED_FROM_PROGRAM "../../share/vistro"
#endif

namespace {

// Copies `source` into `target` (created when missing) without touching files that exist
// there: everything goes to a scratch folder first and is then moved in entry by entry, so a
// failed copy leaves no partial file in the target.
bool CopyFolderKeepingExisting(const fs::path& source, const fs::path& target, std::error_code& ec) {
  fs::create_directories(target, ec);
  if (ec) return false;
  const fs::path scratch = target / ".vistro-copy.part";
  fs::remove_all(scratch, ec);
  ec.clear();
  fs::copy(source, scratch, fs::copy_options::recursive, ec);
  if (!ec) {
    for (auto it = fs::recursive_directory_iterator(scratch, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
      if (ec) break;
    }
  }
  if (!ec) {
    for (auto it = fs::directory_iterator(scratch, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
      const fs::path destination = target / it->path().filename();
      if (fs::exists(fs::symlink_status(destination))) continue;
      fs::rename(it->path(), destination, ec);
      if (ec) break;
    }
  }
  std::error_code ignored;
  fs::remove_all(scratch, ignored);
  return !ec;
}

}  // namespace

bool APP_ProjectPathToOpen(std::string_view path, std::string_view shipped_folder,
                           std::string_view copy_folder, std::string& out, std::string& error) {
  out.assign(path);
  error.clear();
  if (path.empty() || shipped_folder.empty() || copy_folder.empty()) return true;
  std::error_code ec;
  const fs::path file = fs::weakly_canonical(fs::path(path), ec);
  if (ec) return true;  // the project loader reports what is wrong with the path
  const fs::path shipped = fs::weakly_canonical(fs::path(shipped_folder), ec);
  if (ec) return true;
  const fs::path relative = file.lexically_relative(shipped);
  if (relative.empty() || relative == "." || *relative.begin() == "..") return true;

  const fs::path copy = fs::path(copy_folder) / relative;
  if (!fs::exists(copy, ec)) {
    if (!CopyFolderKeepingExisting(file.parent_path(), copy.parent_path(), ec) ||
        !fs::exists(copy)) {
      // Appended piece by piece: "literal" + std::string trips a false -Wrestrict at -O3.
      error.append("Could not copy the project [").append(file.parent_path().string());
      error.append("] to [").append(copy.parent_path().string()).append("]!");
      if (ec) error.append("\n").append(ec.message());
      return false;
    }
  }
  out = copy.string();
  return true;
}

std::string APP_ShippedProjectFolder() {
  char program[4096];
  if (SYS_GetModuleFolder(program, sizeof program) != 0) return {};
  return (fs::path(program) / VISTRO_SHIPPED_FROM_PROGRAM).lexically_normal().string();
}

std::string APP_ProjectCopyFolder() {
  char data[4096];
  if (SYS_GetAppDataFolder(data, sizeof data) != 0) return {};
  return (fs::path(data) / "Projects").string();
}
