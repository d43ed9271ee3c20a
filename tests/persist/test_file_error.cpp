#include <gtest/gtest.h>

#include <string>

#include "persist/file_error.h"
#include "platform/sys_file.h"

namespace {

TEST(FileError, TextsFollowTheLastError) {
  char text[512];
  // Not found: a file in an existing folder, then a missing folder.
  EXPECT_EQ(SYS_OpenFileSimple("/tmp/vistro-no-such-file", SYS_OPEN_READ), SYS_INVALID_FILE);
  EXPECT_EQ(APP_FormatFileError("/tmp/vistro-no-such-file", "open", text, sizeof text), 0);
  EXPECT_STREQ(text, "Could not open file [/tmp/vistro-no-such-file]!\nFile not found!");
  EXPECT_EQ(SYS_OpenFileSimple("/tmp/vistro-no-dir/x", SYS_OPEN_READ), SYS_INVALID_FILE);
  APP_FormatFileError("/tmp/vistro-no-dir/x", "save", text, sizeof text);
  EXPECT_STREQ(text, "Could not save file [/tmp/vistro-no-dir/x]!\nPath not found!");
  // A folder opened as a file: access denied, not a read-only file.
  EXPECT_EQ(SYS_OpenFileSimple("/tmp", SYS_OPEN_READ), SYS_INVALID_FILE);
  EXPECT_EQ(APP_FormatFileError("/tmp", "open", text, sizeof text), 0);
  EXPECT_STREQ(text, "Could not open file [/tmp]!\nAccess is denied!");
  // Cut to the buffer.
  char small[12];
  APP_FormatFileError("/tmp", "open", small, sizeof small);
  EXPECT_EQ(std::string(small), "Could not o");
}

}  // namespace
