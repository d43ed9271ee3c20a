#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "persist/shipped_project.h"

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// An installed tree: share/vistro/demo holds a read-only project and its ELF file.
class ShippedProject : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vistro-shipped-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    shipped_ = root_ / "share/vistro";
    copies_ = root_ / "home/Projects";
    WriteFile(shipped_ / "demo/demo.vistro", "project");
    WriteFile(shipped_ / "demo/demo.elf", "elf");
    WriteFile(shipped_ / "demo/images/dial.png", "png");
    for (const auto& entry : fs::recursive_directory_iterator(shipped_)) {
      if (entry.is_regular_file()) {
        fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::group_read);
      }
    }
  }
  void TearDown() override { fs::remove_all(root_); }

  bool Open(const fs::path& path, std::string& out, std::string& error) {
    return APP_ProjectPathToOpen(path.string(), shipped_.string(), copies_.string(), out, error);
  }

  fs::path root_, shipped_, copies_;
};

TEST_F(ShippedProject, ProjectsOutsideTheShippedFolderOpenInPlace) {
  WriteFile(root_ / "work/own.vistro", "mine");
  for (const fs::path& path : {root_ / "work/own.vistro", shipped_ / "../elsewhere.vistro",
                               fs::path("relative/missing.vistro"), shipped_}) {
    SCOPED_TRACE(path.string());
    std::string out, error;
    EXPECT_TRUE(Open(path, out, error));
    EXPECT_EQ(out, path.string());
    EXPECT_EQ(error, "");
  }
  EXPECT_FALSE(fs::exists(copies_));
}

TEST_F(ShippedProject, FirstOpenCopiesTheFolderWritableAndLaterOpensKeepTheUsersCopy) {
  std::string out, error;
  // Reached through a detour, as a command line may name it.
  ASSERT_TRUE(Open(shipped_ / "demo/../demo/demo.vistro", out, error)) << error;
  const fs::path copy = copies_ / "demo/demo.vistro";
  EXPECT_EQ(out, copy.string());
  EXPECT_EQ(ReadFile(copy), "project");
  EXPECT_EQ(ReadFile(copies_ / "demo/demo.elf"), "elf");
  EXPECT_EQ(ReadFile(copies_ / "demo/images/dial.png"), "png");
  EXPECT_NE(fs::status(copy).permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_FALSE(fs::exists(copies_ / "demo/.vistro-copy.part"));

  // The user saved changes and removed the ELF file: the changed project is kept.
  WriteFile(copy, "changed");
  fs::remove(copies_ / "demo/demo.elf");
  ASSERT_TRUE(Open(shipped_ / "demo/demo.vistro", out, error)) << error;
  EXPECT_EQ(out, copy.string());
  EXPECT_EQ(ReadFile(copy), "changed");
}

TEST_F(ShippedProject, MissingProjectFileIsRestoredBesideTheUsersOtherFiles) {
  WriteFile(copies_ / "demo/demo.elf", "user's rebuilt elf");
  std::string out, error;
  ASSERT_TRUE(Open(shipped_ / "demo/demo.vistro", out, error)) << error;
  EXPECT_EQ(ReadFile(out), "project");
  EXPECT_EQ(ReadFile(copies_ / "demo/demo.elf"), "user's rebuilt elf");
}

TEST_F(ShippedProject, FailedCopyReportsAndLeavesNothing) {
  WriteFile(copies_, "a file where the folder should be");
  std::string out, error;
  EXPECT_FALSE(Open(shipped_ / "demo/demo.vistro", out, error));
  EXPECT_NE(error.find("Could not copy the project"), std::string::npos) << error;
  EXPECT_EQ(out, (shipped_ / "demo/demo.vistro").string());
  EXPECT_EQ(ReadFile(copies_), "a file where the folder should be");
}

}  // namespace
