#include <gtest/gtest.h>

#include <string>

#include "platform/sys_text.h"

namespace {

TEST(SysText, ParseInt) {
  struct Case {
    const char* name;
    const char* text;
    long minimum, maximum;
    long want;
    const char* want_error;
    size_t want_consumed;
  };
  const Case cases[] = {
      {"plain", "42 rest", 0, 100, 42, "", 2},
      {"blanks and plus", " \t+5", 0, 100, 5, "", 4},
      {"minimum applies to the digits", "-7", 0, 100, -7, "", 2},
      {"capped at the maximum", "12", 0, 10, 10, "", 2},
      {"negative capped", "-12", 0, 10, -10, "", 3},
      {"below minimum", "3", 5, 100, 0, "Expected a value >= 5", 0},
      {"not a number", "x1", 0, 100, 0, "Expecting a number", 0},
      {"sign without digits", "-", 0, 100, 0, "Expecting a number", 0},
      {"huge saturates", "99999999999999999999999999", 0, 1000, 1000, "", 26},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const char* cursor = c.text;
    long value = 0;
    char error[64] = {};
    SYS_ParseInt(&cursor, &value, c.minimum, c.maximum, error, sizeof error);
    EXPECT_STREQ(error, c.want_error);
    EXPECT_EQ(value, c.want);
    EXPECT_EQ(static_cast<size_t>(cursor - c.text), c.want_consumed);
  }
}

TEST(SysText, ErrorIsSticky) {
  const char* text = "a";
  const char* cursor = text;
  char error[64] = {};
  SYS_ExpectChar(&cursor, 'b', error, sizeof error);
  EXPECT_STREQ(error, "Expected 'b', got 'a'");
  SYS_ExpectChar(&cursor, 'a', error, sizeof error);  // does nothing now
  EXPECT_EQ(cursor, text);
  long v = 9;
  const char* num = "5";
  SYS_ParseInt(&num, &v, 0, 10, error, sizeof error);
  EXPECT_EQ(v, 9);
}

TEST(SysText, SkipLineAndQuoted) {
  const char* cursor = "first\r\n\r\nsecond";
  char error[64] = {};
  SYS_SkipLine(&cursor, error, sizeof error);
  EXPECT_STREQ(cursor, "second");
  struct Case {
    const char* name;
    const char* text;
    size_t out_size;
    const char* want;
    bool want_error;
  };
  const Case cases[] = {
      {"plain", "  \"abc\" x", 16, "abc", false},
      {"truncated", "\"abcdef\"", 4, "abc", false},
      {"no opening quote", "abc", 16, "", true},
      {"no closing quote", "\"abc", 16, "abc", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const char* p = c.text;
    char out[16] = {};
    char err[64] = {};
    SYS_ParseQuoted(&p, out, c.out_size, err, sizeof err);
    EXPECT_STREQ(out, c.want);
    EXPECT_EQ(err[0] != 0, c.want_error);
    if (!c.want_error) {
      EXPECT_EQ(p[-1], '"');
    }
  }
}

TEST(SysText, CopyTextTerminatesAndTruncates) {
  char buf[4] = {'x', 'x', 'x', 'x'};
  SYS_CopyText(buf, sizeof buf, "abcdef");
  EXPECT_STREQ(buf, "abc");
  SYS_CopyText(buf, sizeof buf, nullptr);
  EXPECT_STREQ(buf, "");
  SYS_CopyText(buf, 0, "abc");  // writes nothing
}

}  // namespace
