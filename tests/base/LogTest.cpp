// Tests of the diagnostic log: separator, prefixes, and lines that cannot be written.
#include "base/Log.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

namespace {

const std::string kSeparator = "------------------\n";

class LogTest : public ::testing::Test {
protected:
  void SetUp() override { resetLogForTesting(); }
  void TearDown() override { resetLogForTesting(); }

  bool exists(const std::string &path) const {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0;
  }

  TempDir temp_;
};

} // namespace

TEST_F(LogTest, NothingWithoutAFileName) {
  log("lost", LOG_ERROR);
  setLogFile(temp_.file("a.log").c_str());
  setLogFile("");
  log("lost too");
  EXPECT_FALSE(exists(temp_.file("a.log")));
}

TEST_F(LogTest, SeparatorOnceThenPrefixedLines) {
  const std::string path = temp_.file("a.log");
  setLogFile(path.c_str());
  log("plain");
  log(SString("careful"), LOG_WARNING);
  log("broken", LOG_ERROR);
  log("unknown level", 7);
  log("two\nlines", LOG_WARNING);
  log(SString(std::string_view("nul\0byte", 8)));
  EXPECT_EQ(kSeparator +
                "plain\nWARNING: careful\nERROR: broken\nunknown level\n"
                "WARNING: two\nlines\n" +
                std::string("nul\0byte\n", 9),
            readFile(path));
}

TEST_F(LogTest, AppendsToWhatIsThere) {
  const std::string path = temp_.file("a.log");
  writeFile(path, kSeparator + "earlier run\n");
  setLogFile(path.c_str());
  log("this run");
  EXPECT_EQ(kSeparator + "earlier run\n" + kSeparator + "this run\n", readFile(path));
}

TEST_F(LogTest, MissingDirectoryDropsLinesSilently) {
  setLogFile(temp_.file("no/such/dir/a.log").c_str());
  log("dropped", LOG_ERROR);
  EXPECT_FALSE(exists(temp_.file("no")));
  // Nothing reached a file, so the first file that does still gets the separator.
  const std::string path = temp_.file("b.log");
  setLogFile(path.c_str());
  log("kept");
  EXPECT_EQ(kSeparator + "kept\n", readFile(path));
}

TEST_F(LogTest, SecondFileGetsNoSeparator) {
  const std::string first = temp_.file("a.log"), second = temp_.file("b.log");
  setLogFile(first.c_str());
  log("before");
  setLogFile(second.c_str());
  EXPECT_EQ(SString(second.c_str()), getLogFile());
  log("after");
  EXPECT_EQ(kSeparator + "before\n", readFile(first));
  EXPECT_EQ("after\n", readFile(second));
}
