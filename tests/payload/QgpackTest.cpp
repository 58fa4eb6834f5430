// Process tests of the packager: packing, listing and the refusal of bad command lines.
#include "payload/LauncherFile.h"
#include "payload/StubArchitecture.h"
#include "tests/payload/PayloadTestSupport.h"
#include "tests/support/RunProcess.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
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
                        "launcher type: 2\n"
                        "integrity record: present\n"
                        "stub architecture: not an ELF file\n");

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

// The stubs for other architectures sit next to qgpack, named by their architecture.
TEST_F(QgpackTest, ArchPicksTheStubOfThatArchitectureNextToThePackager) {
  fs::create_directory(dir.file("bin"));
  fs::copy_file(qgpack(), dir.file("bin/qgpack"));
  fs::permissions(dir.file("bin/qgpack"), fs::perms::owner_all);
  writeFile(dir.file("bin/qglaunch"), "NATIVE LAUNCHER");
  writeFile(dir.file("bin/qglaunch-aarch64"), "AARCH64 LAUNCHER");
  writeFile(dir.file("bin/qglaunch-riscv64"), "RISCV64 LAUNCHER");
  struct Case {
    std::vector<std::string> arguments;
    std::string stub;
  } cases[] = {
      {{"--arch", "aarch64"}, "AARCH64 LAUNCHER"},
      {{"--arch", nativeArchitecture()}, "NATIVE LAUNCHER"},
      // Any name with a stub next to qgpack, and the last one given.
      {{"--arch", "aarch64", "--arch", "riscv64"}, "RISCV64 LAUNCHER"},
      {{"--arch", "aarch64", "--stub", dir.file("stub")}, "#!/bin/false\nSTUB\n"},
      {{"--stub", dir.file("stub"), "--arch", "aarch64"}, "#!/bin/false\nSTUB\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    std::vector<std::string> arguments = {"create", out()};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    arguments.insert(arguments.end(), {"--jvm", dir.file("a.jvm")});
    const ProcessResult created = runProcess(dir.file("bin/qgpack"), arguments);
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(readFile(out()).substr(0, c.stub.size()), c.stub);
  }

  // An architecture without a stub is a usage error, and nothing is written.
  fs::remove(out());
  for (const std::string name : {"sparc", "../bin/qglaunch-aarch64", ""}) {
    SCOPED_TRACE(name);
    const ProcessResult refused = runProcess(
        dir.file("bin/qgpack"), {"create", out(), "--arch", name, "--jvm", dir.file("a.jvm")});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, name == "sparc" ? "qgpack: no stub for the architecture sparc: " +
                                                 dir.file("bin/qglaunch-sparc") + " is missing\n"
                                           : "qgpack: bad architecture name: '" + name + "'\n");
    EXPECT_FALSE(fs::exists(out()));
  }
}

TEST_F(QgpackTest, ListNamesTheArchitectureOfARealStub) {
  // qgpack is an executable of the architecture it was built for, as the native stub is.
  ASSERT_EQ(runProcess(qgpack(), {"create", out(), "--stub", qgpack(), "--jvm", dir.file("a.jvm")})
                .status,
            0);
  const ProcessResult listed = runProcess(qgpack(), {"list", out()});
  EXPECT_EQ(listed.out.substr(listed.out.find("launcher type:")),
            "launcher type: 1\nintegrity record: present\nstub architecture: " +
                std::string(nativeArchitecture()) + "\n");
}

TEST_F(QgpackTest, RefusesBadCommandLinesWithOneLineAndWritesNothing) {
  const std::string jar = dir.file("app.jar");
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
  for (const char *huge : {"huge1", "huge2"}) {
    writeFile(dir.file(huge), "");
    ASSERT_EQ(::truncate(dir.file(huge).c_str(), 3LL << 30), 0);
  }
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
      // Every name that the launcher would refuse to extract.
      {{"--entry", "6:1:" + jar + ":two\nlines"},
       "qgpack: Invalid embedded file name: two\nlines\n"},
      {{"--entry", "6::" + jar + ":a/b"}, "qgpack: Invalid embedded file name: a/b\n"},
      {{"--entry", "6::" + jar + ":.."}, "qgpack: Invalid embedded file name: ..\n"},
      {{"--entry", "6::" + jar + ":."}, "qgpack: Invalid embedded file name: .\n"},
      {{"--entry", "6::" + jar + ":"}, "qgpack: Invalid embedded file name: \n"},
      // Only regular files: /dev/zero would be copied until the disk is full.
      {{"--app-archive", "/dev/zero"}, "qgpack: Cannot read /dev/zero: not a regular file\n"},
      {{"--app-archive", dir.path()},
       "qgpack: Cannot read " + dir.path() + ": not a regular file\n"},
      {{"--app-archive", dir.file("fifo")},
       "qgpack: Cannot read " + dir.file("fifo") + ": not a regular file\n"},
      // Sizes are checked before anything is copied; the sparse files take no disk space.
      {{"--app-archive", dir.file("huge1"), "--app-archive", dir.file("huge2")},
       "qgpack: Launcher file would exceed 4 GiB at huge2\n"},
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

// A pack ended by a signal leaves neither a launcher nor its half-written file.
TEST_F(QgpackTest, SignalsRemoveTheHalfWrittenOutput) {
  const std::string source = dir.file("big.jar");
  writeFile(source, "");
  ASSERT_EQ(::truncate(source.c_str(), 256LL << 20), 0);
  int caught = 0;
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signalNumber);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      const std::string program = qgpack();
      const std::string output = out();
      const std::string stub = dir.file("stub");
      ::execl(program.c_str(), program.c_str(), "create", output.c_str(), "--stub", stub.c_str(),
              "--app-archive", source.c_str(), "--app-archive", source.c_str(), nullptr);
      ::_exit(127);
    }
    // Wait for the half-written file to appear, then end qgpack.
    bool started = false;
    for (int i = 0; i < 20000 && !started; ++i) {
      for (const auto &item : fs::directory_iterator(dir.path()))
        started = started || item.path().filename().string().rfind(".setup.bin", 0) == 0;
      if (!started)
        ::usleep(100);
    }
    ::kill(pid, signalNumber);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!started || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
      // qgpack finished before the signal could reach it; nothing to show this time.
      ::unlink(out().c_str());
      continue;
    }
    ++caught;
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << status;
    EXPECT_FALSE(fs::exists(out()));
    for (const auto &item : fs::directory_iterator(dir.path()))
      EXPECT_NE(item.path().filename().string().rfind(".setup.bin", 0), 0u) << item.path();
  }
  EXPECT_GT(caught, 0) << "every pack ended before its signal";
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
