// Process tests of the packager: packing, listing and the refusal of bad command lines.
#include "payload/LauncherFile.h"
#include "tests/payload/PayloadTestSupport.h"
#include "tests/support/RunProcess.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {
namespace fs = std::filesystem;

std::string qgpack() {
  return std::string(QG_BIN_DIR) + "/qgpack";
}

class QgpackTest : public PayloadTest {
protected:
  void SetUp() override {
    PayloadTest::SetUp();
    writeFile(dir.file("stub"), "#!/bin/false\nSTUB\n");
    writeFile(dir.file("inst.txt"), "INSTRUCTIONS: x\n");
    writeFile(dir.file("a.jvm"), "DESC: a\n");
    writeFile(dir.file("launch.txt"), "DESC: Product\n");
    writeFile(dir.file("app.jar"), std::string("PK\0\3archive", 11));
    writeFile(dir.file("lib.jar"), "library");
  }
  std::string out() const { return dir.file("setup.bin"); }
  ProcessResult pack(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"create", out(), "--stub", dir.file("stub")});
    return runProcess(qgpack(), arguments);
  }
};
} // namespace

TEST_F(QgpackTest, PacksEntriesInOrderAndListsThem) {
  const ProcessResult created =
      pack({"--instructions", dir.file("inst.txt"),    //
            "--jvm", dir.file("a.jvm"),                //
            "--launch-script", dir.file("launch.txt"), //
            "--app-archive", dir.file("app.jar"),      //
            "--compressed", "3:500",                   //
            "--entry", "classpath-archive:40:" + dir.file("lib.jar"), "--entry",
            "7::" + dir.file("lib.jar") + ":second:name", "--type", "2"});
  ASSERT_EQ(created.status, 0) << created.err;
  EXPECT_EQ(created.out + created.err, "");
  struct stat status {};
  ::stat(out().c_str(), &status);
  EXPECT_EQ(status.st_mode & 0777u, 0755u);

  const ProcessResult listed = runProcess(qgpack(), {"list", out()});
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(listed.out, "0: type 0 (instructions) id 0 length 16 offset 18 name inst.txt\n"
                        "1: type 1 (jvm) id 1 length 8 offset 34 name a.jvm\n"
                        "2: type 2 (launch-script) id 2 length 14 offset 42 name launch.txt\n"
                        "3: type 6 (app-archive) id 3 length 11 offset 56 name app.jar"
                        " compressed 3 files 500 bytes\n"
                        "4: type 3 (classpath-archive) id 40 length 7 offset 67 name lib.jar\n"
                        "5: type 7 (launcher) id 5 length 7 offset 74 name second:name\n"
                        "launcher type: 2\n");

  // The launcher's own reader finds every file byte for byte.
  LauncherFile launcherFile;
  launcherFile.setLauncherPath(SString(out()));
  launcherFile.readIndex(false);
  ASSERT_EQ(launcherFile.getEntryCount(), 6);
  const std::string bytes = readFile(out());
  EXPECT_EQ(bytes.substr(0, 18), "#!/bin/false\nSTUB\n");
  const FileIndexEntry &app = *launcherFile.getEntry(3);
  EXPECT_EQ(bytes.substr(app.getOffset(), app.getLength()), readFile(dir.file("app.jar")));
  EXPECT_EQ(readLauncherType(SString(out())), 2);
}

TEST_F(QgpackTest, StubDefaultsToTheLauncherNextToThePackagerAndTypeToOne) {
  fs::create_directory(dir.file("bin"));
  fs::copy_file(qgpack(), dir.file("bin/qgpack"));
  fs::permissions(dir.file("bin/qgpack"), fs::perms::owner_all);
  writeFile(dir.file("bin/qglaunch"), "FAKE LAUNCHER");
  const ProcessResult created =
      runProcess(dir.file("bin/qgpack"), {"create", out(), "--jvm", dir.file("a.jvm")});
  ASSERT_EQ(created.status, 0) << created.err;
  EXPECT_EQ(readFile(out()).substr(0, 13), "FAKE LAUNCHER");
  EXPECT_EQ(readLauncherType(SString(out())), 1);
}

TEST_F(QgpackTest, RefusesBadCommandLinesWithOneLineAndWritesNothing) {
  const std::string jar = dir.file("app.jar");
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const Case cases[] = {
      {{"--jvm", dir.file("none.jvm")},
       "qgpack: Cannot read " + dir.file("none.jvm") + ": No such file or directory\n"},
      {{"--type", "256"}, "qgpack: bad number: '256' (at most 255)\n"},
      {{"--type", "-1"}, "qgpack: bad number: '-1'\n"},
      {{"--entry", "1:x1:" + jar}, "qgpack: bad number: 'x1'\n"},
      {{"--entry", "9:1:" + jar}, "qgpack: bad number: '9' (at most 7)\n"},
      {{"--entry", "jar:1:" + jar}, "qgpack: bad file type: 'jar'\n"},
      {{"--entry", "1:1"}, "qgpack: bad --entry '1:1' (expected TYPE:ID:FILE[:NAME])\n"},
      {{"--app-archive", jar, "--compressed", "3"},
       "qgpack: bad --compressed '3' (expected COUNT:SIZE)\n"},
      {{"--compressed", "1:2"}, "qgpack: --compressed must follow an entry\n"},
      {{"--entry", "6:1:" + jar + ":two\nlines"},
       "qgpack: Embedded file name contains a line feed or a NUL byte: two\nlines\n"},
      {{"--entry", "6:1:" + jar + ":" + std::string(32768, 'n')},
       "qgpack: Embedded file name is longer than 32767 bytes: " + std::string(40, 'n') + "...\n"},
      {{"--zip", jar}, "qgpack: unknown option: --zip\n"},
      {{"--jvm"}, "qgpack: missing value after --jvm\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.message);
    const ProcessResult result = pack(c.arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, c.message);
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(fs::exists(out()));
  }
  // Nothing half-written was left next to the output either.
  for (const auto &item : fs::directory_iterator(dir.path()))
    EXPECT_EQ(item.path().filename().string().find(".setup.bin"), std::string::npos);
}

TEST_F(QgpackTest, AFailedPackLeavesTheOldOutputInPlace) {
  writeFile(out(), "previous");
  const ProcessResult result = pack({"--jvm", dir.file("none.jvm")});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(readFile(out()), "previous");
}

TEST_F(QgpackTest, ListSaysWhenAFileIsNoLauncher) {
  writeFile(dir.file("plain"), "plain text, no index");
  const ProcessResult result = runProcess(qgpack(), {"list", dir.file("plain")});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "qgpack: " + dir.file("plain") + " is not a launcher file (no identification value)\n");
  EXPECT_EQ(runProcess(qgpack(), {"list", dir.file("none")}).status, 2);
}

TEST_F(QgpackTest, PrintsVersionAndHelp) {
  const ProcessResult version = runProcess(qgpack(), {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "qgpack 2.51\n");
  const ProcessResult help = runProcess(qgpack(), {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: qgpack create OUTPUT", 0), 0u);
  const ProcessResult none = runProcess(qgpack(), {});
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.err, "qgpack: no command (try qgpack --help)\n");
}
