// Finding and loading the probe library: registry files, the search order and the messages of
// a failed search.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "probe/probe_session.h"
#include "tests/probe/probe_test_support.h"

namespace {

// A fresh folder below /tmp, removed with its contents at the end of its life.
class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/vistro-probe-XXXXXX";
    path_ = mkdtemp(pattern) ? pattern : "/tmp/vistro-probe-failed";
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }
  std::string Make(const std::string& relative) const {
    std::filesystem::create_directories(path_ + "/" + relative);
    return path_ + "/" + relative;
  }
  std::string Write(const std::string& relative, const std::string& content) const {
    std::ofstream(path_ + "/" + relative, std::ios::binary) << content;
    return path_ + "/" + relative;
  }

 private:
  std::string path_;
};

TEST(ProbeLibrary, RegistryInstallFolder) {
  TempFolder temp;
  const std::string v = "[Software\\Tarvik\\Veltra]\n", p = v + "InstallPath=";
  const std::pair<std::string, std::string> cases[] = {
      {p + "/opt/tarvik/veltra/\n", "/opt/tarvik/veltra/"},
      {p + "/opt/tarvik/Veltra.exe\n", "/opt/tarvik/"},  // a program path keeps its folder
      {p + "C:\\Tarvik\\Veltra\\\n", "C:\\Tarvik\\Veltra\\"},
      {"; by hand\n[software\\tarvik\\VELTRA]\r\n  installpath = \"/opt/v/\"  \r\n", "/opt/v/"},
      {"[Other]\nInstallPath=/wrong/\n[Software\\Tarvik\\Burnix]\nInstallPath=/opt/b/\n",
       "/opt/b/"},
      {v + "Version=7\n[Software\\Tarvik\\Burnix]\nInstallPath=/b/\n",
       ""},  // first section decides
      {p + "\n", ""},
      {p + "Veltra\n", ""},                                   // no folder part
      {"InstallPath=/opt/v/\n", ""},                          // key before any section
      {p + "/dir/" + std::string(255, 'x') + "\n", ""},       // value of 260 bytes
      {p + "/dir/" + std::string(254, 'x') + "\n", "/dir/"},  // value of 259 bytes
      {p + "/last/line/x", "/last/line/"},                    // no trailing newline
      {"", ""}};
  for (const auto& [content, want] : cases) {
    SCOPED_TRACE(content);
    char folder[PROBE_SEARCH_PATH_SIZE] = "<none>";
    const std::string ini =
        content.empty() ? temp.path() + "/missing.ini" : temp.Write("r.ini", content);
    const bool found = PROBE_ReadInstallFolder(ini.c_str(), folder, sizeof(folder));
    EXPECT_EQ(found ? std::string(folder) : "", want);
    EXPECT_EQ(found, !want.empty());
  }
}

TEST(ProbeLibrary, DefaultSearchStartsBesideTheProgram) {
  const PROBE_LibrarySearch search = PROBE_DefaultLibrarySearch();
  const std::string bin = std::filesystem::canonical(VISTRO_BINARY_DIR "/bin").string();
  EXPECT_EQ(std::string(search.module_folder), bin);
  EXPECT_EQ(std::string(search.program_folder), bin);
  EXPECT_STREQ(search.machine_registry, "/etc/Tarvik/registry.ini");
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') {
    EXPECT_EQ(std::string(search.user_registry), std::string(config) + "/Tarvik/registry.ini");
  }
}

// A failed search, then the search order: module folder, program folder, the user's and the
// machine's registry file with the library in the install folder or its bin_x64 folder. Once
// found, the library stays loaded, so this needs a process of its own.
TEST(ProbeLibrary, MissingLibraryThenFoundThroughTheRegistry) {
  ASSERT_FALSE(PROBE_IsLibraryLoaded());
  TempFolder temp;
  PROBE_LibrarySearch search;
  SYS_CopyText(search.module_folder, sizeof(search.module_folder), temp.Make("module").c_str());
  SYS_CopyText(search.program_folder, sizeof(search.program_folder), temp.Make("program").c_str());
  // The user file has an unusable entry, the machine file names a folder without the library.
  const std::string user = temp.Write("user.ini", "[Software\\Tarvik\\Veltra]\nInstallPath=\n");
  const std::string machine =
      temp.Write("machine.ini",
                 "[Software\\Tarvik\\Burnix]\nInstallPath=" + temp.path() + "/inst/Veltra.exe\n");
  SYS_CopyText(search.user_registry, sizeof(search.user_registry), user.c_str());
  SYS_CopyText(search.machine_registry, sizeof(search.machine_registry), machine.c_str());
  PROBE_SetLibrarySearch(&search);
  MessageCapture capture;
  EXPECT_FALSE(PROBE_LoadLibrary(false));
  EXPECT_TRUE(capture.Take().empty()) << "a silent search shows nothing";
  EXPECT_EQ(PROBE_VELTRAARM_GetDLLVersion(), 0);
  EXPECT_EQ(PROBE_VELTRAARM_OpenEx(nullptr, nullptr), nullptr);
  PROBE_VELTRA_Go();
  const std::vector<CapturedMessage> boxes = capture.Take();
  ASSERT_EQ(boxes.size(), 3u);
  for (const CapturedMessage& box : boxes) {
    EXPECT_TRUE(box.system);
    EXPECT_EQ(box.title, "Veltra Error");
    EXPECT_EQ(box.flags, 0x42030u);
    EXPECT_EQ(box.text, "Target DLL " + temp.path() + "/module/libVeltra_x64.so not found !");
  }
  // The session loads silently and reports the failure in its own words.
  PROJECT_CONFIG config;
  SYS_CopyText(config.TargetDevice, sizeof(config.TargetDevice), "ANY");
  PROBE_SetConfiguration(config);
  EXPECT_EQ(PROBE_Connect(), -1);
  EXPECT_EQ(capture.TakeTexts(), std::vector<std::string>{"Failed to load Veltra library."});
  EXPECT_FALSE(PROBE_IsConnected());

  const std::string real = VISTRO_BINARY_DIR "/bin/libVeltra_x64.so";
  if (access(real.c_str(), F_OK) != 0) GTEST_SKIP() << "probe library not built";
  const std::string bin_x64 = temp.Make("inst/bin_x64");
  std::filesystem::create_symlink(real, bin_x64 + "/libVeltra_x64.so");
  ASSERT_TRUE(PROBE_LoadLibrary(true));
  EXPECT_EQ(std::string(PROBE_GetLibraryPath()), bin_x64 + "/libVeltra_x64.so");
  EXPECT_GE(PROBE_VELTRAARM_GetDLLVersion(), 51100);
  EXPECT_TRUE(capture.Take().empty());
  PROBE_SetLibrarySearch(nullptr);
}

}  // namespace
