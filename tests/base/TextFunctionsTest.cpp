// Tests of the shared text functions: lines, arguments, words, numbers, separators, escapes.
#include "base/TextFunctions.h"

#include "base/LauncherException.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {
constexpr auto npos = SString::npos;
} // namespace

TEST(TextFunctions, BlankChars) {
  for (int c = 0; c < 256; ++c) {
    const bool blank = c == 9 || c == 10 || c == 13 || c == 32;
    EXPECT_EQ(blank, isBlankChar(static_cast<char>(c))) << c;
  }
}

TEST(TextFunctions, FormatLong) {
  EXPECT_EQ(SString("0"), formatLong(0));
  EXPECT_EQ(SString("-42"), formatLong(-42));
  EXPECT_EQ(SString("2147483647"), formatLong(2147483647));
}

TEST(TextFunctions, ReadLineFromStream) {
  std::FILE *stream = std::tmpfile();
  ASSERT_NE(nullptr, stream);
  std::fputs("ab\r\ncd\na\rb\n  spaced \t\n", stream);
  std::rewind(stream);
  const char *expected[] = {"ab", "cd", "ab", "spaced", ""};
  for (const char *e : expected) {
    SString line("");
    readLine(stream, line);
    EXPECT_EQ(SString(e), line);
  }
  // The line is appended, not assigned.
  std::rewind(stream);
  SString line("x");
  readLine(stream, line);
  EXPECT_EQ(SString("xab"), line);
  std::fclose(stream);
}

TEST(TextFunctions, ReadLineFromText) {
  const SString text("ab\r\ncd");
  SString::size_type pos = 0;
  SString line;
  readLine(text, pos, line);
  EXPECT_EQ(SString("ab"), line);
  EXPECT_EQ(4u, pos);
  line = "";
  readLine(text, pos, line);
  EXPECT_EQ(SString("cd"), line);
  EXPECT_EQ(6u, pos);
  line = "kept";
  readLine(text, pos, line); // at the end: nothing happens
  EXPECT_EQ(SString("kept"), line);
  EXPECT_EQ(6u, pos);
}

TEST(TextFunctions, EnsureTrailingSeparator) {
  const char *cases[][2] = {{"", ""}, {"/tmp", "/tmp/"}, {"/tmp/", "/tmp/"}, {"/", "/"}};
  for (const auto &c : cases) {
    SString path(c[0]);
    ensureTrailingSeparator(path);
    EXPECT_EQ(SString(c[1]), path) << c[0];
  }
}

TEST(TextFunctions, NextArgument) {
  struct Case {
    const char *text;
    SString::size_type pos;
    bool quoted;
    const char *argument;
    SString::size_type endPos;
  };
  const Case cases[] = {
      {"\"a \"\"b\"\" c\" rest", 1, true, "a \"b\" c", 11},
      {"\"\"", 1, true, "", npos},
      {"\"abc\"", 1, true, "abc", npos},
      {"\"x\"y", 1, true, "x", 3}, // what follows the quote is the caller's
      {"alpha beta", 0, false, "alpha", 5},
      {"alpha", 0, false, "alpha", npos},
      {"alpha beta", 6, false, "beta", npos},
      {"a\tb", 0, false, "a", 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    SString::size_type pos = c.pos;
    EXPECT_EQ(SString(c.argument), nextArgument(c.text, pos, c.quoted));
    EXPECT_EQ(c.endPos, pos);
  }
}

TEST(TextFunctions, NextArgumentUnterminated) {
  struct Case {
    const char *text;
    const char *message;
  };
  const Case cases[] = {
      {"\"abc", "Expected double quote to end argument near 1"},
      {"\"", "Expected double quote to end argument near 1"},
      {"\"ab\"\"", "Expected double quote to end argument near 1"},
      {"\"a\"\"b", "Expected double quote to end argument near 4"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    SString::size_type pos = 1;
    try {
      nextArgument(c.text, pos, true);
      ADD_FAILURE() << "no exception";
    } catch (const LauncherException &e) {
      EXPECT_EQ(SString(c.message), e.getMessage());
    }
  }
}

TEST(TextFunctions, NextWord) {
  const SString text("  one two");
  SString::size_type pos = 0;
  bool noWord = true;
  EXPECT_EQ(SString("one"), nextWord(text, pos, noWord));
  EXPECT_FALSE(noWord);
  EXPECT_EQ(6u, pos);
  EXPECT_EQ(SString("two"), nextWord(text, pos, noWord));
  EXPECT_FALSE(noWord);
  EXPECT_EQ(10u, pos);
  EXPECT_EQ(SString(), nextWord(text, pos, noWord));
  EXPECT_TRUE(noWord);
  EXPECT_EQ(9u, pos);

  // Vertical tab and form feed separate words too.
  const SString spaced("a\vb\fc");
  pos = 0;
  std::vector<std::string> words;
  for (SString w = nextWord(spaced, pos, noWord); !noWord; w = nextWord(spaced, pos, noWord))
    words.push_back(w.str());
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), words);
}

TEST(TextFunctions, DecodeUnicodeEscapes) {
  struct Case {
    const char *text;
    std::wstring codes;
  };
  const Case cases[] = {
      {"A\\u00e9", {65, 233}},
      {"\\U0041", {65}},
      {"x\\u12", {'x', '\\', 'u', '1', '2'}},       // too short at the end
      {"\\u00e", {'\\', 'u', '0', '0', 'e'}},       // p + 5 must lie inside the text
      {"\\uzzzz", {'\\', 'u', 'z', 'z', 'z', 'z'}}, // not a number
      {"\\u4g00", {4}},         // "%x" stops at the first non-digit; the escape is used up
      {"\xe9\\", {0xe9, '\\'}}, // bytes keep their unsigned value
      {"\\\\u0041", {'\\', 'A'}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.codes, decodeUnicodeEscapes(c.text));
  }
}
