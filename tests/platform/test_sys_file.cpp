#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/sys_file.h"

namespace fs = std::filesystem;

namespace {

class SysFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vistro-sysfile-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, ec);
    fs::remove_all(dir_, ec);
  }
  std::string Path(const char* name) const { return dir_ + "/" + name; }
  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  std::string dir_;
};

TEST_F(SysFile, OpenDispositions) {
  struct Case {
    const char* name;
    uint32_t flags;
    bool exists_before;
    bool want_open;
    uint32_t want_error;  // when not opened
    int64_t want_size;    // after opening, -1: not checked
  };
  constexpr uint32_t R = SYS_OPEN_READ, W = SYS_OPEN_WRITE, C = SYS_OPEN_CREATE,
                     T = SYS_OPEN_TRUNCATE, N = SYS_OPEN_NEW_ONLY;
  const Case cases[] = {
      {"open existing, missing", R, false, false, SYS_ERROR_FILE_NOT_FOUND, -1},
      {"open existing, present", R, true, true, 0, 5},
      {"truncate existing, missing", W | T, false, false, SYS_ERROR_FILE_NOT_FOUND, -1},
      {"truncate existing, present", W | T, true, true, 0, 0},
      {"truncate without write access", R | T, true, false, SYS_ERROR_ACCESS_DENIED, -1},
      {"open always, missing", W | C, false, true, 0, 0},
      {"open always, present", W | C, true, true, 0, 5},
      {"create always, missing", W | C | T, false, true, 0, 0},
      {"create always, present", W | C | T, true, true, 0, 0},
      {"create new, missing", W | C | N, false, true, 0, 0},
      {"create new, present", W | C | N, true, false, SYS_ERROR_FILE_EXISTS, -1},
      {"new-only without create is ignored", R | N, true, true, 0, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Path("f.bin");
    fs::remove(path);
    if (c.exists_before) Write(path, "hello");
    SYS_File f = SYS_OpenFile(path.c_str(), c.flags, 3, 1);
    if (!c.want_open) {
      EXPECT_EQ(f, SYS_INVALID_FILE);
      EXPECT_EQ(SYS_GetLastError(), c.want_error);
      continue;
    }
    ASSERT_NE(f, SYS_INVALID_FILE);
    EXPECT_EQ(SYS_GetFileSize(f), static_cast<uint32_t>(c.want_size));
    SYS_CloseFile(f);
  }
}

TEST_F(SysFile, MissingFoldersFoldersAndAttributes) {
  EXPECT_EQ(SYS_OpenFileSimple(Path("nope/f.txt").c_str(), SYS_OPEN_READ), SYS_INVALID_FILE);
  EXPECT_EQ(SYS_GetLastError(), SYS_ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(SYS_OpenFileSimple("", SYS_OPEN_READ), SYS_INVALID_FILE);
  EXPECT_EQ(SYS_OpenFileSimple(nullptr, SYS_OPEN_READ), SYS_INVALID_FILE);
  // A folder opens only with the backup flag.
  EXPECT_EQ(SYS_OpenFileSimple(dir_.c_str(), SYS_OPEN_READ), SYS_INVALID_FILE);
  EXPECT_EQ(SYS_GetLastError(), SYS_ERROR_ACCESS_DENIED);
  SYS_File f = SYS_OpenFileSimple(dir_.c_str(), SYS_OPEN_READ | SYS_OPEN_BACKUP);
  EXPECT_NE(f, SYS_INVALID_FILE);
  SYS_CloseFile(f);
  Write(Path("a.txt"), "x");
  EXPECT_TRUE(SYS_FileExists(Path("a.txt").c_str()));
  EXPECT_FALSE(SYS_FileExists(dir_.c_str()));
  EXPECT_FALSE(SYS_FileExists(Path("b.txt").c_str()));
  EXPECT_EQ(SYS_GetFileAttributes(Path("a.txt").c_str()), SYS_ATTR_NORMAL);
  EXPECT_TRUE(SYS_GetFileAttributes(dir_.c_str()) & SYS_ATTR_DIRECTORY);
  EXPECT_EQ(SYS_GetFileAttributes(Path("b.txt").c_str()), SYS_INVALID_ATTRIBUTES);
  EXPECT_EQ(SYS_GetLastError(), SYS_ERROR_FILE_NOT_FOUND);
}

TEST_F(SysFile, ReadWriteAppendAndTimes) {
  const std::string path = Path("rw.txt");
  SYS_File f = SYS_OpenFileSimple(path.c_str(), SYS_OPEN_WRITE | SYS_OPEN_CREATE);
  EXPECT_EQ(SYS_WriteFile(f, "abc", 3), 3);
  SYS_CloseFile(f);
  f = SYS_OpenFileSimple(path.c_str(), SYS_OPEN_WRITE | SYS_OPEN_APPEND);
  EXPECT_EQ(SYS_WriteFile(f, "de", 2), 2);
  SYS_DateTime access, write;
  EXPECT_EQ(SYS_GetFileTimes(f, &access, &write), 0);
  EXPECT_GE(write.year, 2020);
  SYS_CloseFile(f);
  f = SYS_OpenFileSimple(path.c_str(), SYS_OPEN_READ);
  char buf[16] = {};
  EXPECT_EQ(SYS_ReadFile(f, buf, sizeof buf), 5);
  EXPECT_STREQ(buf, "abcde");
  EXPECT_EQ(SYS_ReadFile(f, buf, sizeof buf), 0);
  EXPECT_EQ(SYS_WriteFile(f, "x", 1), -1);  // opened for reading only
  SYS_CloseFile(f);
  EXPECT_EQ(SYS_ReadFile(SYS_INVALID_FILE, buf, 1), -1);
}

TEST_F(SysFile, MakeDirs) {
  Write(Path("file"), "x");
  struct Case {
    const char* name;
    std::string path;
    int want;
  };
  const Case cases[] = {
      {"nested", Path("a/b/c"), 0},
      {"existing folder", Path("a/b"), 0},
      {"trailing slashes", Path("d/e//"), 0},
      {"existing file", Path("file"), -1},
      {"below a file", Path("file/x"), -1},
      {"empty", "", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SYS_MakeDirs(c.path.c_str()), c.want);
    EXPECT_EQ(fs::is_directory(c.path), c.want == 0);
  }
  std::string deep = dir_;
  for (int i = 0; i < 140; ++i) deep += "/d";
  EXPECT_EQ(SYS_MakeDirs(deep.c_str()), -1);  // nesting limit
}

TEST_F(SysFile, AppDataFolderFollowsXdgConfigHome) {
  const char* old = getenv("XDG_CONFIG_HOME");
  const std::string saved = old != nullptr ? old : "";
  setenv("XDG_CONFIG_HOME", Path("cfg").c_str(), 1);
  char buf[512];
  ASSERT_EQ(SYS_GetAppDataFolder(buf, sizeof buf), 0);
  EXPECT_EQ(std::string(buf), Path("cfg") + "/Tarvik");
  EXPECT_TRUE(fs::is_directory(buf));
  char small[8];
  EXPECT_EQ(SYS_GetAppDataFolder(small, sizeof small), -1);  // never a cut path
  EXPECT_EQ(SYS_GetAppDataFolder(nullptr, 10), -1);
  if (getuid() != 0) {
    // A config folder that cannot be created.
    fs::create_directories(Path("ro"));
    fs::permissions(Path("ro"), fs::perms::owner_read | fs::perms::owner_exec);
    setenv("XDG_CONFIG_HOME", Path("ro/cfg").c_str(), 1);
    EXPECT_EQ(SYS_GetAppDataFolder(buf, sizeof buf), -1);
  }
  if (old != nullptr) setenv("XDG_CONFIG_HOME", saved.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
}

TEST_F(SysFile, ModuleFolderIsTheTestBinaryFolder) {
  char buf[512];
  ASSERT_EQ(SYS_GetModuleFolder(buf, sizeof buf), 0);
  EXPECT_EQ(fs::path(buf), fs::canonical("/proc/self/exe").parent_path());
  char small[2];
  EXPECT_EQ(SYS_GetModuleFolder(small, sizeof small), -1);
}

TEST_F(SysFile, ResolvePath) {
  const std::string project = Path("proj.vistro");
  Write(project, "x");
  struct Case {
    const char* name;
    std::string base;
    const char* relative;
    size_t size;
    std::string want;
  };
  const Case cases[] = {
      {"file base drops its name", project, "sub/a.txt", 512, Path("sub/a.txt")},
      {"backslashes become slashes", project, "sub\\a.txt", 512, Path("sub/a.txt")},
      {"folder base is kept whole", dir_, "a.txt", 512, Path("a.txt")},
      {"folder base with slash", dir_ + "/", "a.txt", 512, Path("a.txt")},
      {"absolute unchanged", project, "/etc/x", 512, "/etc/x"},
      {"drive path unchanged", project, "D:\\x", 512, "D:\\x"},
      {"network path unchanged", project, "\\\\srv\\x", 512, "\\\\srv\\x"},
      {"empty base", "", "a.txt", 512, "a.txt"},
      {"truncated", "/ab", "cdef", 5, "/ab/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char buf[512];
    memset(buf, 'Z', sizeof buf);
    SYS_ResolvePath(c.base.c_str(), c.relative, buf, c.size);
    EXPECT_EQ(std::string(buf), c.want);
  }
}

}  // namespace
