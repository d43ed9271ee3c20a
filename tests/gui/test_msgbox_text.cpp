#include <gtest/gtest.h>

#include <string>

#include "gui/msgbox_text.h"

namespace {

TEST(MsgBoxText, Conversion) {
  struct Case {
    const char* name;
    const char* text;
    const char* want;
    bool want_link;
  };
  const Case cases[] = {
      {"plain", "Hello", "Hello", false},
      {"escapes", "a<b>&\"c'", "a&lt;b&gt;&amp;&quot;c&apos;", false},
      {"line feed", "a\nb", "a<br>b", false},
      {"lone carriage return", "a\rb", "a<br>b", false},
      {"carriage return line feed", "a\r\nb", "a<br>b", false},
      {"carriage return at the end", "a\r", "a<br>", false},
      {"url", "see http://x.org/a now", "see <a href=\"http://x.org/a\">http://x.org/a</a> now",
       true},
      {"url before a comma", "at https://x.org, ok",
       "at <a href=\"https://x.org\">https://x.org</a>, ok", true},
      {"url in parentheses", "(http://x.org)", "(<a href=\"http://x.org\">http://x.org</a>)", true},
      {"bracketed form shows its words", "Read [https://x.org/h Help page] now.",
       "Read <a href=\"https://x.org/h\">Help page</a> now.", true},
      {"bracketed without words", "[http://x.org]", "<a href=\"http://x.org\">http://x.org</a>",
       true},
      {"bracket without closing", "[http://x.org", "[<a href=\"http://x.org\">http://x.org</a>",
       true},
      {"two links, https first", "https://a.b and http://c.d",
       "<a href=\"https://a.b\">https://a.b</a> and <a href=\"http://c.d\">http://c.d</a>", true},
      {"markup in link words is escaped", "[http://x.org <b>]",
       "<a href=\"http://x.org\">&lt;b&gt;</a>", true},
      {"ampersand in url", "http://x.org/?a=1&b=2",
       "<a href=\"http://x.org/?a=1&amp;b=2\">http://x.org/?a=1&amp;b=2</a>", true},
      {"empty", "", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char out[512];
    EXPECT_EQ(MSGBOX_ConvertText(c.text, out, sizeof out), c.want_link);
    EXPECT_STREQ(out, c.want);
  }
}

TEST(MsgBoxText, OutputStopsWhenFullAndStaysTerminated) {
  struct Case {
    size_t size;
    const char* want;
  };
  const Case cases[] = {{1, ""}, {4, "abc"}, {5, "abc"}, {8, "abc&lt;"}, {10, "abc&lt;de"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    char out[16];
    memset(out, 'Z', sizeof out);
    MSGBOX_ConvertText("abc<def", out, c.size);
    EXPECT_STREQ(out, c.want);  // never half an escape
  }
  MSGBOX_ConvertText("x", nullptr, 10);  // tolerated
}

TEST(MsgBoxText, Countdown) {
  struct Case {
    const char* name;
    int32_t timeout_ms;
    std::vector<std::string> want_titles;
  };
  const Case cases[] = {
      {"25 ms closes on the third tick", 25,
       {"T (closing in 1 seconds)", "T (closing in 1 seconds)", "T (closing now)"}},
      {"3000 ms starts at 3 seconds", 3000, {"T (closing in 3 seconds)"}},
      {"10 ms closes at once", 10, {"T (closing now)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t remaining = c.timeout_ms;
    for (size_t i = 0; i < c.want_titles.size(); ++i) {
      char title[64];
      const bool closing = MSGBOX_CountdownTick(&remaining, "T", title, sizeof title);
      EXPECT_EQ(title, c.want_titles[i]);
      EXPECT_EQ(closing, i + 1 == c.want_titles.size() && c.want_titles[i] == "T (closing now)");
    }
  }
}

TEST(MsgBoxText, CopyText) {
  const std::string sep = "---------------------------\r\n";
  EXPECT_EQ(MSGBOX_BuildCopyText("T", "M", "O.K.", nullptr),
            sep + "T\r\n" + sep + "M\r\n" + sep + "O.K.   \r\n" + sep);
  EXPECT_EQ(MSGBOX_BuildCopyText("T", "M", "Yes", "No"),
            sep + "T\r\n" + sep + "M\r\n" + sep + "Yes   No   \r\n" + sep);
  EXPECT_EQ(MSGBOX_BuildCopyText("T", "M", nullptr, nullptr), sep + "T\r\n" + sep + "M\r\n" + sep);
  EXPECT_EQ(MSGBOX_BuildCopyText("T", std::string(5000, 'x'), "A", nullptr).size(), 2048u);
}

}  // namespace
