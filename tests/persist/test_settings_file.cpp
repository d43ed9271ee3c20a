#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "persist/settings_file.h"
#include "platform/sys_msgbox.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> g_errors;
void CollectBox(SYS_MsgBoxRequest& r) { g_errors.push_back(r.text); }

// Each test gets its own config home with an optional settings file in it.
class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vistro-settings-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    home_ = tmpl;
    setenv("XDG_CONFIG_HOME", home_.c_str(), 1);
    fs::create_directories(home_ + "/Tarvik");
    g_errors.clear();
    previous_ = SYS_SetMsgBoxHandler(CollectBox);
  }
  void TearDown() override {
    SYS_SetMsgBoxHandler(previous_);
    std::error_code ec;
    fs::permissions(home_ + "/Tarvik", fs::perms::owner_all, ec);
    fs::remove_all(home_, ec);
  }
  std::string FilePath() const { return home_ + "/Tarvik/VistroSettings.ini"; }
  void WriteFile(const std::string& text) { std::ofstream(FilePath(), std::ios::binary) << text; }
  std::string ReadFile() const {
    std::ifstream f(FilePath(), std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  std::string home_;
  SYS_MsgBoxHandler previous_ = nullptr;
};

TEST_F(SettingsFile, DefaultsThenRoundTripWritesCrLfLinesMostRecentFirst) {
  ASSERT_EQ(SETTINGS_Init(SETTINGS_FILE_NAME), 0);
  EXPECT_FALSE(fs::exists(FilePath()));  // reads never create the file
  EXPECT_EQ(SETTINGS_GetIntDefaultHex(), 0);
  EXPECT_EQ(SETTINGS_GetLaunchOptions(), 0);
  char text[300] = "x";
  SETTINGS_GetProjectFile(text, sizeof text);
  EXPECT_STREQ(text, "");
  SETTINGS_GetDataFilesFolder(text, sizeof text);
  EXPECT_EQ(fs::path(text), fs::canonical("/proc/self/exe").parent_path());
  // The string setters refuse empty arguments; values that could not be read back are refused.
  EXPECT_EQ(SETTINGS_SetProjectFile(""), -1);
  EXPECT_EQ(SETTINGS_SetDataFilesFolder(nullptr), -1);
  EXPECT_EQ(SETTINGS_WriteString("PATH", "ProjectFiles", "a\"b"), -1);
  EXPECT_EQ(SETTINGS_WriteString("PATH", "ProjectFiles", "a\r\nb"), -1);
  EXPECT_EQ(SETTINGS_Init(""), -1);
  ASSERT_EQ(SETTINGS_Init(SETTINGS_FILE_NAME), 0);
  EXPECT_EQ(SETTINGS_SetIntDefaultHex(1), 0);
  EXPECT_EQ(SETTINGS_SetIntDefaultHex(0), 0);
  EXPECT_EQ(SETTINGS_SetIntDefaultHex(1), 0);
  EXPECT_EQ(SETTINGS_SetLaunchOptions(1), 0);
  EXPECT_EQ(SETTINGS_SetProjectFile("/p/demo.vistro"), 0);
  EXPECT_EQ(SETTINGS_SetELFFilesFolder("/fw/build/app.elf"), 0);
  EXPECT_EQ(SETTINGS_WriteInt("VALUES", "Other", -5), 0);
  EXPECT_EQ(ReadFile(),
            "[VALUES]\r\nOther = -5\r\nIntDefaultHex = 1\r\n"
            "[LAUNCH]\r\nLaunchOptions = 1\r\n"
            "[PATH]\r\nELFFiles=\"/fw/build/\"\r\nProjectFiles=\"/p/demo.vistro\"\r\n");
  // A fresh start reads the same values back.
  ASSERT_EQ(SETTINGS_Init(SETTINGS_FILE_NAME), 0);
  EXPECT_EQ(SETTINGS_GetIntDefaultHex(), 1);
  EXPECT_EQ(SETTINGS_GetLaunchOptions(), 1);
  int32_t other = 0;
  EXPECT_EQ(SETTINGS_ReadInt("values", "OTHER", &other), 0);
  EXPECT_EQ(other, -5);
  SETTINGS_GetProjectFile(text, sizeof text);
  EXPECT_STREQ(text, "/p/demo.vistro");
  SETTINGS_GetELFFilesFolder(text, sizeof text);
  EXPECT_STREQ(text, "/fw/build/");
  char small[5];
  EXPECT_EQ(SETTINGS_ReadString("PATH", "ProjectFiles", small, sizeof small), 0);
  EXPECT_STREQ(small, "/p/d");
  EXPECT_EQ(g_errors.size(), 0u);
  EXPECT_FALSE(fs::exists(FilePath() + ".tmp"));
}

TEST_F(SettingsFile, MalformedFilesReadAsDefaults) {
  struct Case {
    const char* name;
    std::string content;
    int32_t want_hex;
    int32_t want_launch;
    std::string want_project;
    std::vector<std::string> want_errors;
  };
  const std::vector<Case> cases = {
      {"case ignored", "[launch]\r\nlaunchoptions=1\r\n", 0, 1, "", {}},
      {"longer key is another key", "[PATH]\r\nProjectFilesOld=\"x\"\r\n", 0, 0, "", {}},
      {"not a number", "[VALUES]\r\nIntDefaultHex = x\r\n", 0, 0, "", {"Expecting a number"}},
      {"missing equals", "[VALUES]\r\nIntDefaultHex 1\r\n", 0, 0, "", {"Expected '=', got '1'"}},
      {"cut after the equals", "[VALUES]\r\nIntDefaultHex =", 0, 0, "", {"Expecting a number"}},
      {"cut inside a string", "[PATH]\r\nProjectFiles=\"/p/x.vis", 0, 0, "",
       {"Error while parsing subkey \"ProjectFiles\" in settings file. Syntax error."}},
      {"string does not span lines", "[PATH]\r\nProjectFiles=\"a\r\nb\"\r\n", 0, 0, "",
       {"Error while parsing subkey \"ProjectFiles\" in settings file. Syntax error."}},
      {"header without line end", "[LAUNCH]", 0, 0, "", {}},
      {"unix line ends", "[LAUNCH]\nLaunchOptions = 1\n[VALUES]\nIntDefaultHex = 1\n", 1, 1, "",
       {}},
      {"huge number is capped", "[LAUNCH]\r\nLaunchOptions = 99999999999999\r\n", 0,
       2147483647, "", {}},
      {"garbage bytes", std::string("\x01\x00\xff[[[\r\n]]=\"\r\n\0\0", 14), 0, 0, "", {}},
      {"empty", "", 0, 0, "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(c.content);
    g_errors.clear();
    ASSERT_EQ(SETTINGS_Init(SETTINGS_FILE_NAME), 0);
    EXPECT_EQ(SETTINGS_GetIntDefaultHex(), c.want_hex);
    EXPECT_EQ(SETTINGS_GetLaunchOptions(), c.want_launch);
    char text[300];
    SETTINGS_GetProjectFile(text, sizeof text);
    EXPECT_EQ(std::string(text), c.want_project);
    EXPECT_EQ(g_errors, c.want_errors);
    EXPECT_EQ(ReadFile(), c.content);  // reads never rewrite the file
  }
}

TEST_F(SettingsFile, OverSizeFileIsRefusedAndNeverRewritten) {
  const std::string big = "[VALUES]\r\n" + std::string(SETTINGS_MAX_BYTES + 1 - 10, ' ');
  ASSERT_EQ(big.size(), SETTINGS_MAX_BYTES + 1);
  WriteFile(big);
  EXPECT_EQ(SETTINGS_Init(SETTINGS_FILE_NAME), -1);
  ASSERT_EQ(g_errors.size(), 1u);
  EXPECT_EQ(g_errors[0], "Could not open file [" + FilePath() +
                             "]\nFile too large - maximum file size (30000 bytes) exceeded!");
  int32_t v = 7;
  EXPECT_EQ(SETTINGS_ReadInt("VALUES", "IntDefaultHex", &v), -1);
  EXPECT_EQ(v, 7);
  EXPECT_EQ(SETTINGS_GetIntDefaultHex(), 0);
  EXPECT_EQ(SETTINGS_SetIntDefaultHex(1), -1);
  EXPECT_EQ(ReadFile(), big);
}

TEST_F(SettingsFile, ExactLimitLoadsAndWritesBeyondItAreRefused) {
  const std::string full = "[VALUES]\r\n" + std::string(SETTINGS_MAX_BYTES - 10 - 20, ' ') +
                           "\r\n[LAUNCH]\r\nX = 1\r\n";
  ASSERT_LE(full.size(), SETTINGS_MAX_BYTES);
  WriteFile(full);
  ASSERT_EQ(SETTINGS_Init(SETTINGS_FILE_NAME), 0);
  EXPECT_EQ(SETTINGS_WriteString("PATH", "ProjectFiles", std::string(200, 'p').c_str()), -1);
  EXPECT_EQ(SETTINGS_WriteInt("LAUNCH", "LaunchOptions", 1), -1);
  EXPECT_EQ(ReadFile(), full);
  int32_t v = 0;
  EXPECT_EQ(SETTINGS_ReadInt("LAUNCH", "X", &v), 0);  // the store is still usable
  EXPECT_EQ(v, 1);
}

TEST_F(SettingsFile, MissingSectionIsAddedOnReadAndSavedWithTheNextWrite) {
  WriteFile("[VALUES]\r\nIntDefaultHex = 1\r\n");
  ASSERT_EQ(SETTINGS_Init(SETTINGS_FILE_NAME), 0);
  EXPECT_EQ(SETTINGS_GetLaunchOptions(), 0);
  EXPECT_EQ(ReadFile(), "[VALUES]\r\nIntDefaultHex = 1\r\n");
  EXPECT_EQ(SETTINGS_SetIntDefaultHex(0), 0);
  EXPECT_EQ(ReadFile(), "[VALUES]\r\nIntDefaultHex = 0\r\n[LAUNCH]\r\n");
}

TEST_F(SettingsFile, UnwritableFolderGivesTheFileErrorText) {
  WriteFile("[VALUES]\r\nIntDefaultHex = 1\r\n");
  ASSERT_EQ(SETTINGS_Init(SETTINGS_FILE_NAME), 0);
  const std::string folder = home_ + "/Tarvik";
  // A read-only folder; root ignores permissions, so the check runs as "nobody" then.
  chmod(home_.c_str(), 0755);
  chmod(FilePath().c_str(), 0644);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read |
                              fs::perms::others_exec);
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(10);
    g_errors.clear();
    if (SETTINGS_SetIntDefaultHex(0) != -1) _exit(11);
    if (g_errors.size() != 1) _exit(12);
    const std::string want_prefix = "Could not save file [" + FilePath() + "]!\n";
    if (g_errors[0] != want_prefix + "Access is denied!" &&
        g_errors[0] != want_prefix + "File has read only attribute!") {
      _exit(13);
    }
    if (SETTINGS_GetIntDefaultHex() != 0) _exit(14);  // the store keeps the change
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFile(), "[VALUES]\r\nIntDefaultHex = 1\r\n");  // untouched
  EXPECT_FALSE(fs::exists(FilePath() + ".tmp"));
}

TEST_F(SettingsFile, UnreadableAppDataFolderFailsCleanly) {
  const std::string blocker = home_ + "/file";
  std::ofstream(blocker) << "x";
  setenv("XDG_CONFIG_HOME", (blocker + "/cfg").c_str(), 1);
  EXPECT_EQ(SETTINGS_Init(SETTINGS_FILE_NAME), -1);
  EXPECT_EQ(g_errors.size(), 1u);
  EXPECT_EQ(SETTINGS_GetLaunchOptions(), 0);
  EXPECT_EQ(SETTINGS_SetLaunchOptions(1), -1);
}

// Two instances of the program saving their settings at once: every save succeeds (each
// writes a temporary file of its own) and the file stays whole.
TEST_F(SettingsFile, ProgramsSavingAtOnceAllSucceed) {
  pid_t children[2];
  for (pid_t& child : children) {
    child = fork();
    if (child == 0) {
      bool ok = SETTINGS_Init(SETTINGS_FILE_NAME) == 0;
      for (int i = 0; i < 300 && ok; ++i) ok = SETTINGS_SetLaunchOptions(i % 2) == 0;
      _exit(ok && g_errors.empty() ? 0 : 1);
    }
  }
  for (pid_t child : children) {
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  ASSERT_EQ(SETTINGS_Init(SETTINGS_FILE_NAME), 0);
  EXPECT_EQ(SETTINGS_GetLaunchOptions(), 1);
  EXPECT_TRUE(g_errors.empty());
}

}  // namespace
