// Tests of SString: the position conversions, construction, editing, searching, comparing
// and number parsing.
#include "base/SString.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using sstring_detail::fromStdPos;
using sstring_detail::toStdPos;

TEST(SString, PositionConversions) {
  struct Case {
    std::uint32_t ours;
    std::size_t std;
  };
  const Case roundTrips[] = {
      {0, 0}, {1, 1}, {0xFFFFFFFEu, 0xFFFFFFFEu}, {SString::npos, std::string::npos}};
  for (const Case &c : roundTrips) {
    SCOPED_TRACE(c.ours);
    EXPECT_EQ(c.std, toStdPos(c.ours));
    EXPECT_EQ(c.ours, fromStdPos(c.std));
  }
  // Anything that does not fit 32 bits means no position.
  EXPECT_EQ(SString::npos, fromStdPos(0xFFFFFFFFull));
  EXPECT_EQ(SString::npos, fromStdPos(0x100000000ull));
  EXPECT_EQ(SString::npos, fromStdPos(std::string::npos - 1));
}

TEST(SString, Construction) {
  EXPECT_EQ(SString(""), SString(static_cast<const char *>(nullptr)));
  EXPECT_STREQ("", SString().cStr());
  EXPECT_EQ(SString("ab"), SString("abc", 2));
  EXPECT_EQ(SString("zzz"), SString(3, 'z'));
  const SString text("hello");
  EXPECT_EQ(SString("ell"), SString(text, 1, 3));
  EXPECT_EQ(SString("llo"), SString(text, 2, 100)); // n is clipped
  EXPECT_EQ(SString(""), SString(text, 5));
  EXPECT_THROW(SString(text, 6), RangeException);
  // Bytes beyond ASCII and NUL are kept.
  const SString bytes(std::string_view("a\0\xff", 3));
  EXPECT_EQ(3u, bytes.length());
  EXPECT_EQ('\xff', bytes.charAt(2));
  EXPECT_EQ('\0', bytes.charAt(3));
}

TEST(SString, CopiesAreIndependent) {
  SString a("base");
  SString b = a;
  b.append("-changed");
  EXPECT_EQ(SString("base"), a);
  a.erase(0, 1);
  EXPECT_EQ(SString("base-changed"), b);
}

TEST(SString, EditingAndRanges) {
  SString s("hello");
  s.insert(5, " world").insert(0, ">");
  EXPECT_EQ(SString(">hello world"), s);
  s.erase(0, 1);
  s.erase(5);
  EXPECT_EQ(SString("hello"), s);
  s.replace(1, 3, "ipp").replace(4, SString::npos, "o!");
  EXPECT_EQ(SString("hippo!"), s);
  EXPECT_EQ(SString("po!"), s.substring(3));
  EXPECT_EQ(SString(""), s.substring(6));

  EXPECT_THROW(s.insert(7, "x"), RangeException);
  EXPECT_THROW(s.erase(7), RangeException);
  EXPECT_THROW(s.replace(7, 1, "x"), RangeException);
  EXPECT_THROW(s.substring(7), RangeException);
  EXPECT_THROW(s.compare(7, 1, "x"), RangeException);
  EXPECT_EQ(SString("hippo!"), s);
}

TEST(SString, Searches) {
  const SString s("abcabc");
  constexpr auto npos = SString::npos;
  struct Case {
    const char *what;
    SString::size_type got, expected;
  };
  const Case cases[] = {
      {"find text", s.find("bc"), 1},
      {"find text from", s.find("bc", 2), 4},
      {"find missing", s.find("x"), npos},
      {"find empty at pos", s.find("", 3), 3},
      {"find empty at end", s.find("", 6), 6},
      {"find empty past end", s.find("", 7), npos},
      {"find byte", s.find('c'), 2},
      {"find byte at end", s.find('c', 6), npos},
      {"find byte past npos", s.find('a', npos), npos},
      {"rfind text", s.rfind("abc"), 3},
      {"rfind text before", s.rfind("abc", 2), 0},
      {"rfind empty", s.rfind(""), 6},
      {"rfind empty at pos", s.rfind("", 2), 2},
      {"rfind byte", s.rfind('a'), 3},
      {"rfind byte before", s.rfind('c', 1), npos},
      {"first of", s.findFirstOf("cb"), 1},
      {"first of from", s.findFirstOf("a", 1), 3},
      {"first not of", s.findFirstNotOf("ab"), 2},
      {"first not of none", s.findFirstNotOf("abc"), npos},
      {"last of", s.findLastOf("a"), 3},
      {"last of before", s.findLastOf("c", 4), 2},
      {"last not of", s.findLastNotOf("c"), 4},
      {"last of in empty", SString().findLastOf("a"), npos},
      {"suffix", SString("/tmp/").findSuffix("/"), 4},
      {"no suffix", SString("/tmp").findSuffix("/"), npos},
      {"empty suffix", SString("/tmp").findSuffix(""), 4},
      {"longer suffix", SString("p").findSuffix("/tmp"), npos},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.expected, c.got);
  }
}

TEST(SString, Compare) {
  EXPECT_NE(0, SString("JVM").compare("jvm"));
  EXPECT_EQ(0, SString("JVM").compare("JVM"));
  EXPECT_LT(SString("ab").compare("abc"), 0);
  EXPECT_GT(SString("b").compare("abc"), 0);
  // Bytes are unsigned: 0xE9 sorts after 'z'.
  EXPECT_GT(SString("\xe9").compare("z"), 0);
  EXPECT_EQ(0, SString("xJVMx").compare(1, 3, "JVM"));
  EXPECT_EQ(0, SString("xJVM").compare(1, SString::npos, "JVM"));
}

TEST(SString, Trim) {
  struct Case {
    const char *text, *expected;
  };
  const Case cases[] = {
      {"\t inner text\r\n", "inner text"},
      {" \t\r\n", ""},
      {"", ""},
      {"x", "x"},
      {"\va\v", "\va\v"}, // vertical tab is not blank
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    SString s(c.text);
    EXPECT_EQ(SString(c.expected), s.trim(" \t\n\r"));
  }
}

TEST(SString, Numbers) {
  struct Case {
    const char *text;
    bool ok;
    long value;
  };
  const Case cases[] = {
      {"42", true, 42},    {"  -17", true, -17},
      {"+5", true, 5},     {"12abc", true, 12},
      {"\n\v 7", true, 7}, {"abc", false, 99},
      {"", false, 99},     {"-", false, 99},
      {"- 1", false, 99},  {"99999999999999999999999", true, LONG_MAX},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    long value = 99;
    EXPECT_EQ(c.ok, SString(c.text).toLong(value));
    EXPECT_EQ(c.value, value);
  }
  short s = 3;
  EXPECT_TRUE(SString("65536").toShort(s));
  EXPECT_EQ(0, s);
  EXPECT_TRUE(SString("65535").toShort(s));
  EXPECT_EQ(-1, s);
  EXPECT_TRUE(SString("-2").toShort(s));
  EXPECT_EQ(-2, s);
  s = 3;
  EXPECT_FALSE(SString("x").toShort(s));
  EXPECT_EQ(3, s);
}
