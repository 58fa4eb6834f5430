// Launcher services, exercised in-process: options, variables, type byte, archives.
#include "launcher/Launcher.h"

#include "base/LauncherException.h"
#include "base/Log.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/FileSystem.h"
#include "native/launcher/linux/Platform.h"
#include "payload/TempFiles.h"
#include "tests/support/LauncherFileBuilder.h"
#include "tests/support/TempDir.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>

namespace {

class LauncherTest : public ::testing::Test {
protected:
  void SetUp() override {
    Launcher::resetForTesting();
    resetTempFilesForTesting();
    resetLogForTesting();
    console_ = std::tmpfile();
    resetConsoleForTesting(console_);
    setTempRoot(SString(temp_.path().c_str()));
    unsetenv("TMPDIR");
  }
  void TearDown() override {
    removeTempFiles();
    resetTempFilesForTesting();
    resetConsoleForTesting();
    std::fclose(console_);
  }

  std::string consoleText() {
    std::fflush(console_);
    std::rewind(console_);
    std::string text;
    for (int c; (c = std::fgetc(console_)) != EOF;)
      text.push_back(static_cast<char>(c));
    return text;
  }

  static StringDeque args(std::initializer_list<const char *> list) {
    StringDeque deque;
    for (const char *a : list)
      deque.add(SString(a));
    return deque;
  }

  TempDir temp_;
  std::FILE *console_ = nullptr;
};

TEST_F(LauncherTest, OptionsAreReadInOrderAndTheRestIsPassedOn) {
  Launcher &launcher = Launcher::instance();
  const int result = launcher.run(
      args({"-qg:version", "-cp:p", "a.jar", "-QG:VERSION", "-silent", "-console",
            "-qg:javaconsole", "-qg:log=x", "-cp:a", "b.jar", "-qg:javahome", "/opt/jdk", "tail"}),
      "/opt/setup.bin");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(consoleText(), "2.51\n");
  EXPECT_EQ(launcher.getClasspathPrepend(), "a.jar");
  EXPECT_EQ(launcher.getClasspathAppend(), "b.jar");
  EXPECT_EQ(launcher.getUserJavaHome(), "/opt/jdk");
  EXPECT_TRUE(launcher.isJavaConsole());
  EXPECT_TRUE(isSilent());
  const StringDeque &extra = launcher.getExtraArguments();
  ASSERT_EQ(extra.count(), 5);
  EXPECT_EQ(extra.get(0), "-QG:VERSION");
  EXPECT_EQ(extra.get(1), "-silent");
  EXPECT_EQ(extra.get(2), "-console");
  EXPECT_EQ(extra.get(3), "-qg:log=x");
  EXPECT_EQ(extra.get(4), "tail");
  EXPECT_EQ(launcher.getAllArguments().count(), 13);
}

TEST_F(LauncherTest, ValueOptionsAsLastArgumentAreIgnored) {
  for (const char *option : {"-qg:tempdir", "-qg:javahome", "-cp:p", "-cp:a"}) {
    SCOPED_TRACE(option);
    Launcher::resetForTesting();
    Launcher &launcher = Launcher::instance();
    EXPECT_EQ(launcher.run(args({"-qg:version", option}), "/opt/setup.bin"), 0);
    EXPECT_EQ(launcher.getExtraArguments().count(), 0);
  }
}

TEST_F(LauncherTest, MissingOptionValuesPrintTheirErrorAndFail) {
  Launcher &launcher = Launcher::instance();
  EXPECT_EQ(launcher.run(args({"-qg:version", "-qg:orig"}), "/opt/setup.bin"), -1);
  Launcher::resetForTesting();
  EXPECT_EQ(Launcher::instance().run(args({"-qg:version", "-qg:log"}), "/opt/setup.bin"), -1);
  Launcher::resetForTesting();
  EXPECT_EQ(Launcher::instance().run(args({"-qg:in"}), "/opt/setup.bin"), -1);
  EXPECT_EQ(consoleText(), "2.51\nMissing original launcher file name.\n"
                           "2.51\nA log file name must be specified after the -log option on the "
                           "command line.\n"
                           "An input file name must follow the '-in' command line option.\n");
}

TEST_F(LauncherTest, OriginalLauncherDirIsTheTextBeforeTheLastSeparator) {
  struct Case {
    const char *original;
    const char *directory;
  } cases[] = {{"/opt/x/setup.bin", "/opt/x"},
               {"/setup.bin", ""},
               {"setup.bin", ""},
               {"C:\\x\\setup.exe", "C:\\x"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.original);
    Launcher::resetForTesting();
    Launcher &launcher = Launcher::instance();
    launcher.run(args({"-qg:orig", c.original, "-qg:version"}), "/tmp/copy/setup.bin");
    EXPECT_EQ(launcher.getOriginalLauncherName(), c.original);
    EXPECT_EQ(launcher.getOriginalLauncherDir(), c.directory);
    EXPECT_TRUE(launcher.isRunningAsCopy());
    launcher.setRunningAsCopy(false);
  }
}

TEST_F(LauncherTest, VariablesOutsideTheirRangeAreRefused) {
  Launcher &launcher = Launcher::instance();
  launcher.setStringVariable(10, "ten");
  launcher.setNumericVariable(5, -5);
  EXPECT_EQ(launcher.getStringVariable(10), "ten");
  EXPECT_EQ(launcher.getNumericVariable(5), -5);
  auto message = [](auto call) {
    try {
      call();
    } catch (const LauncherException &e) {
      return std::string(e.getMessage().cStr());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { launcher.getStringVariable(11); }), "Invalid string variable number: 11");
  EXPECT_EQ(message([&] { launcher.setStringVariable(0, "x"); }),
            "Invalid string variable number: 0");
  EXPECT_EQ(message([&] { launcher.getNumericVariable(6); }), "Invalid numeric variable number: 6");
  EXPECT_EQ(message([&] { launcher.setNumericVariable(-1, 1); }),
            "Invalid numeric variable number: -1");
}

TEST_F(LauncherTest, LauncherTypeIsReadOnceForTheOwnFile) {
  const std::string own = temp_.file("setup.bin");
  writeFile(own, std::string("stub") + '\x02' + std::string(8, '\0'));
  writeFile(temp_.file("short"), "12345678");
  Launcher &launcher = Launcher::instance();
  launcher.run(args({"-qg:version"}), SString(own.c_str()));
  EXPECT_EQ(launcher.getLauncherType(SString(temp_.file("short").c_str())), -1);
  EXPECT_EQ(launcher.getLauncherType(SString(temp_.file("missing").c_str())), -1);
  EXPECT_EQ(launcher.getLauncherType(SString(own.c_str())), 2);
  // Once read, the own type no longer depends on the file.
  std::remove(own.c_str());
  EXPECT_EQ(launcher.getLauncherType(SString(own.c_str())), 2);
}

TEST_F(LauncherTest, SideFileArchiveIsCopiedOnceAndMissingOnesAreRetried) {
  const std::string dir = temp_.file("product");
  ::mkdir(dir.c_str(), 0755);
  std::string content(10000, 'a');
  content[4095] = 'b';
  content[9999] = 'c';
  writeFile(dir + "/x\\app.jar", content);
  Launcher &launcher = Launcher::instance();
  launcher.run(args({"-qg:version"}), SString((dir + "/setup.bin").c_str()));

  EXPECT_EQ(launcher.getApplicationArchive("missing.jar"), "");
  const SString copied = launcher.getApplicationArchive("x\\app.jar");
  ASSERT_FALSE(copied.isEmpty());
  EXPECT_TRUE(copied.endsWith("/app.jar"));
  EXPECT_TRUE(copied.startsWith(temp_.path() + "/qgj"));
  EXPECT_EQ(readFile(copied.cStr()), content);
  EXPECT_EQ(launcher.getApplicationArchive("other.jar"), copied);
}

} // namespace

namespace {

TEST_F(LauncherTest, EmbeddedArchiveIsExtractedOnceIntoATemporaryDirectory) {
  const std::string own = LauncherFileBuilder()
                              .add(FILE_APPLICATION_ARCHIVE, "old.jar", "first")
                              .add(FILE_INSTRUCTIONS, "inst.txt", "INSTRUCTIONS: x\n")
                              .add(FILE_APPLICATION_ARCHIVE, "app.jar", "archive")
                              .write(temp_.file("setup.bin"));
  Launcher &launcher = Launcher::instance();
  launcher.run(args({"-qg:version"}), SString(own.c_str()));
  launcher.getLauncherFile().readIndex(false);
  // A later archive entry wins.
  const SString archive = launcher.getApplicationArchive();
  EXPECT_TRUE(archive.startsWith(temp_.path() + "/qgj"));
  EXPECT_TRUE(archive.endsWith("/app.jar"));
  EXPECT_EQ(readFile(archive.cStr()), "archive");
  writeFile(archive.cStr(), "changed");
  EXPECT_EQ(launcher.getApplicationArchive(), archive);
  EXPECT_EQ(readFile(archive.cStr()), "changed") << "extracted a second time";
  removeTempFiles();
  EXPECT_FALSE(pathExists(archive));
}

TEST_F(LauncherTest, SavedMatchIsARegisteredTemporaryFileNamingItself) {
  TagFile jvm;
  jvm.setValue("DESC", "Java 17");
  jvm.setValue("JVM_HOME", "/shipped/home");
  JVMMatch match("/opt/jdk", &jvm);
  match.setJVMTemp(true);
  const SString path = Launcher::instance().saveMatchAsJVMFile(match);
  EXPECT_TRUE(path.startsWith(temp_.path() + "/qgj"));
  EXPECT_EQ(readFile(path.cStr()),
            "DESC:  Java 17\nJVM_HOME:  /opt/jdk\nJVM_FILE:  " + path.str() + "\nJVM_TEMP:  1\n");
  // The tag file in memory keeps the three values.
  EXPECT_EQ(jvm.getValue("JVM_FILE"), path);
  removeTempFiles();
  EXPECT_FALSE(pathExists(path));
}

// Exit code 232 from a launcher of type 0 or 2 is a quiet failure; every other failure shows
// the wizard's error output.
TEST_F(LauncherTest, QuietExitRuleDependsOnTheLauncherType) {
  struct Case {
    int type;
    int result;
    bool shown;
  } cases[] = {{0, 232, false}, {2, 232, false}, {1, 232, true}, {0, 1, true},
               {2, -1, true},   {1, 0, false},   {0, 0, false}};
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " result " << c.result);
    Launcher::resetForTesting();
    resetConsoleForTesting(console_);
    const std::string own = LauncherFileBuilder()
                                .launcherType(static_cast<std::uint8_t>(c.type))
                                .write(temp_.file("setup" + std::to_string(c.type) + ".bin"));
    Launcher &launcher = Launcher::instance();
    launcher.run(args({"-qg:silent"}), SString(own.c_str()));
    EXPECT_EQ(launcher.showsLaunchErrorOutput(c.result), c.shown);
  }
  // What is shown is the captured error output, unless silent.
  Launcher::resetForTesting();
  std::rewind(console_);
  resetConsoleForTesting(console_);
  Launcher &launcher = Launcher::instance();
  launcher.setLaunchErrorOutput("Exception in thread main");
  launcher.reportLaunchErrorOutput(1);
  launcher.reportLaunchErrorOutput(0);
  EXPECT_EQ(consoleText(), "Exception in thread main\n");
}

} // namespace

namespace {

// A platform whose child processes fail in a way no code of the launcher expects.
class FailingPlatform final : public LinuxPlatformImpl {
public:
  int runCommand(const SString &, const CommandOptions &) override {
    throw std::runtime_error("the platform broke");
  }
};

// An exception of no known kind must not escape the run: it would end the process without
// the temporary-file guard.
TEST_F(LauncherTest, AnUnexpectedFailureEndsTheRunWithMinusOne) {
  TagFile jvm;
  jvm.setValue("JVM_HOME", "/opt/java");
  jvm.write(SString(temp_.file("java.jvm")));
  const std::string own =
      LauncherFileBuilder()
          .add(FILE_INSTRUCTIONS, "inst.txt",
               "INSTRUCTIONS:\n  LAUNCH \"" + temp_.file("java.jvm") + "\" 0\n/:\n")
          .add(FILE_LAUNCH_SCRIPT, "launch.txt",
               "COMMAND: java %CP%()\nARCHIVE: %APPLICATION_ARCHIVE%()\n")
          .add(FILE_APPLICATION_ARCHIVE, "app.jar", "archive")
          .write(temp_.file("setup.bin"));
  FailingPlatform failing;
  setPlatformForTesting(&failing);
  const int result = Launcher::instance().run(args({}), SString(own.c_str()));
  setPlatformForTesting(nullptr);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(consoleText(), "\nUnexpected failure: the platform broke\n");
  // The archive extracted on the way is still registered, so the guard removes it.
  bool extracted = false;
  for (const auto &item : std::filesystem::directory_iterator(temp_.path()))
    extracted = extracted || item.path().filename().string().rfind("qgj", 0) == 0;
  EXPECT_TRUE(extracted);
  removeTempFiles();
  for (const auto &item : std::filesystem::directory_iterator(temp_.path()))
    EXPECT_NE(item.path().filename().string().rfind("qgj", 0), 0u) << item.path();
}

} // namespace
