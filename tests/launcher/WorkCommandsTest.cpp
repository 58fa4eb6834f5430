// The work commands run by the built launcher: FIND_JVM, VERIFY, INSTALL_JVM and
// EXECUTE_LAUNCHER, with fake JVMs and installers made of shell scripts.
#include "tests/launcher/LauncherProcessFixture.h"
#include "tests/support/FakeJava.h"

#include <filesystem>
#include <sys/stat.h>

namespace {

class WorkCommandsTest : public LauncherProcessTest {
protected:
  void SetUp() override {
    // The launch script copies the JVM file it was given, so that the test can read it
    // after the run has removed its temporary files; then it starts the JVM.
    writeFile(temp_.file("launch.txt"),
              "DESC: Product\nCOMMAND: \"cp \"\"@JVM_FILE@\"\" " + temp_.file("launched.jvm") +
                  " 2>/dev/null; \"\"@JVM_HOME@/@JVM_EXE@\"\" launched\"\n");
  }
  std::string packProduct(const std::string &script, std::vector<std::string> more = {}) {
    more.insert(more.begin(), {"--launch-script", temp_.file("launch.txt"), "--verify-archive",
                               verifyArchivePath()});
    return packScript(script, more);
  }
  bool anyTemporaryLeft() const {
    for (const auto &item : std::filesystem::directory_iterator(temp_.path()))
      if (item.path().filename().string().rfind("qgj", 0) == 0)
        return true;
    return false;
  }
};

} // namespace

TEST_F(WorkCommandsTest, FindJVMSavesTheMatchForTheLaunch) {
  FakeJava java(temp_.file("jdk"));
  java.setProperty("qg.fake.version", "17");
  const std::string jvmFile = writeFakeJVMFile(temp_.file("fake.jvm"), "17");
  const std::string launcher = packProduct(
      "  FIND_JVM 1 1\n  JMP0 @N1@ NONE\n  LAUNCH @S2@ 0\n  :NONE\n", {"--jvm", jvmFile});
  const ProcessResult result =
      run(launcher, {"-qg:javahome", java.home(), "-qg:log", temp_.file("run.log")});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(java.arguments(), std::vector<std::string>{"launched"});
  // The saved JVM file names the home and itself.
  const std::string saved = readFile(temp_.file("launched.jvm"));
  EXPECT_NE(saved.find("JVM_HOME:  " + java.home() + "\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("JVM_FILE:  " + temp_.path() + "/qgj"), std::string::npos) << saved;
  EXPECT_NE(saved.find("JVM_TEMP:  0\n"), std::string::npos) << saved;
  const std::string log = readFile(temp_.file("run.log"));
  EXPECT_NE(log.find("Finding a JVM\n"), std::string::npos);
  EXPECT_NE(log.find("Matching JVM home is " + java.home() + "\nMatching JVM file is " +
                     temp_.path() + "/qgj"),
            std::string::npos)
      << log;
  EXPECT_FALSE(anyTemporaryLeft());
}

TEST_F(WorkCommandsTest, FindJVMWithoutAJVMGoesOnOrSaysSo) {
  const std::string jvmFile = writeFakeJVMFile(temp_.file("fake.jvm"), "17");
  const std::string script = "  FIND_JVM 0 0\n  JMP0 @N1@ NONE\n  LAUNCH @S2@ 0\n  :NONE\n";
  const ProcessResult quiet = run(packProduct(script, {"--jvm", jvmFile}), {});
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.out, "Product\n");
  const ProcessResult told =
      run(packProduct("  FIND_JVM 1 1\n", {"--jvm", jvmFile}), {"-qg:log", temp_.file("run.log")});
  EXPECT_EQ(told.status, 0);
  const std::string text = "A suitable JVM could not be found. Please run the program again using "
                           "the option -qg:javahome <JAVA HOME DIR>";
  EXPECT_NE(told.out.find("\nSearching for Java(tm) Virtual Machine...\n"), std::string::npos)
      << told.out;
  EXPECT_NE(told.out.find(text + "\n"), std::string::npos) << told.out;
  const std::string log = readFile(temp_.file("run.log"));
  EXPECT_NE(log.find("\n" + text + "\n"), std::string::npos);
  // The log says what was examined; the console keeps its texts.
  EXPECT_LT(log.find("No JVM matched. Examined:\n"), log.find("\n" + text + "\n")) << log;
  EXPECT_EQ(told.out.find("No JVM matched"), std::string::npos);
}

TEST_F(WorkCommandsTest, VerifyChecksAJVMFileOfThePayload) {
  FakeJava java(temp_.file("jdk"));
  java.setProperty("qg.fake.version", "17");
  const std::string jvmFile = writeFakeJVMFile(temp_.file("fake.jvm"), "17");
  // Entries: 0 script, 1 launch script, 2 verification class, 3 JVM file.
  const std::string launcher =
      packProduct("  VERIFY 0 1 3\n  JMP0 @N1@ NONE\n  ILAUNCH 3 0\n  :NONE\n", {"--jvm", jvmFile});
  EXPECT_EQ(run(launcher, {"-qg:javahome", java.home()}).status, 0);
  EXPECT_EQ(java.runs(), 2) << "verified, then launched";

  struct Case {
    const char *script;
    std::string out;
  } cases[] = {
      {"  VERIFY 0 0 9\n", "Cannot verify jvm file at index 9 because it does not exist.\n"},
      {"  VERIFY 0 1 1\n", "To verify a JVM, use an index of a jvm file. The index passed in was "
                           "1 which corresponds to the file named launch.txt\n"},
      {"  VERIFY 0 1 3\n", "The JVM is not valid.\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.script);
    const ProcessResult result =
        run(packProduct(c.script, {"--jvm", jvmFile}), {"-qg:javahome", temp_.file("none")});
    EXPECT_EQ(result.out, "Product\n" + c.out);
  }
}

// The installer runs in the destination and leaves a JVM and its "jvm" file there.
TEST_F(WorkCommandsTest, InstallJVMRunsTheBundledInstaller) {
  FakeJava bundled(temp_.file("bundled"));
  writeFile(temp_.file("installer.sh"), "#!/bin/sh\nmkdir -p bin\ncp " + bundled.executable() +
                                            " bin/java\nprintf 'DESC: Bundled\\nJVM_EXE: "
                                            "bin/java\\n' > jvm\necho installed\n");
  const std::string launcher =
      packProduct("  INSTALL_JVM 1\n  JMP0 @N1@ NONE\n  LAUNCH @S1@ 0\n  :NONE\n",
                  {"--jvm-installer", temp_.file("installer.sh")});
  const ProcessResult result = run(launcher, {});
  EXPECT_EQ(result.status, 0);
  // A dot for the extraction, one for what the installer wrote; the end closes the row.
  EXPECT_EQ(result.out, "Product\n\nPreparing Java(tm) Virtual Machine...\n..\n");
  EXPECT_EQ(bundled.arguments(), std::vector<std::string>{"launched"});
  // The JVM was installed into a temporary directory, which went with the run.
  EXPECT_EQ(bundled.workingDirectory(), temp_.path());
  const std::string saved = readFile(temp_.file("launched.jvm"));
  EXPECT_NE(saved.find("JVM_TEMP:  1\n"), std::string::npos) << saved;
  EXPECT_FALSE(anyTemporaryLeft());

  // Without a "jvm" file nothing is installed; without an installer the run ends.
  writeFile(temp_.file("installer.sh"), "#!/bin/sh\ntrue\n");
  const ProcessResult none =
      run(packProduct("  INSTALL_JVM 0\n  JMP0 @N1@ NONE\n  LAUNCH @S1@ 0\n  :NONE\n",
                      {"--jvm-installer", temp_.file("installer.sh")}),
          {"-qg:log", temp_.file("run.log")});
  EXPECT_EQ(none.status, 0);
  EXPECT_NE(readFile(temp_.file("run.log")).find("ERROR: Invalid bundled JVM. Missing 'jvm' file."),
            std::string::npos);
  const ProcessResult missing = run(packProduct("  INSTALL_JVM 0\n"), {});
  EXPECT_EQ(missing.status, 255);
  EXPECT_EQ(missing.out, "Product\nNo JVM installer was included in the launcher.\n");
  // Asked for a destination in silent mode, nothing is installed.
  const ProcessResult silent =
      run(packProduct("  INSTALL_JVM 2\n  JMP0 @N1@ NONE\n  LAUNCH @S1@ 0\n  :NONE\n",
                      {"--jvm-installer", temp_.file("installer.sh")}),
          {"-qg:silent"});
  EXPECT_EQ(silent.status, 0);
  EXPECT_EQ(silent.out, "");
}

// The second launcher gets the user's arguments exactly, after "-qg:orig" and the path of
// the first; its copy removes itself when it ends, and the first leaves nothing behind.
TEST_F(WorkCommandsTest, ExecuteLauncherHandsTheRunToTheEmbeddedLauncher) {
  FakeJava java(temp_.file("jdk"));
  const std::string jvmFile =
      writeFakeJVMFile(temp_.file("fake.jvm"), "17", "JVM_HOME: " + java.home() + "\n");
  writeFile(temp_.file("second-launch.txt"),
            "COMMAND: \"\"\"@JVM_HOME@/@JVM_EXE@\"\" %LAUNCHER_FILE%() %LAUNCHER_DIR%()\"\n");
  writeFile(temp_.file("second.txt"), "INSTRUCTIONS:\n  LAUNCH \"" + jvmFile + "\" 0\n/:\n");
  pack("second.bin", {"--stub", launcherStubPath(), "--instructions", temp_.file("second.txt"),
                      "--launch-script", temp_.file("second-launch.txt")});
  const std::string launcher =
      packProduct("  EXECUTE_LAUNCHER 99\n  EXECUTE_LAUNCHER 3\n  INITIALIZE_UI\n",
                  {"--launcher", temp_.file("second.bin")});
  const std::vector<std::string> user = {"plain", "two words", "quote \" and \\ back", "$HOME"};
  const ProcessResult result = run(launcher, user);
  EXPECT_EQ(result.status, 0);
  const std::vector<std::string> arguments = java.arguments();
  ASSERT_EQ(arguments.size(), 2u + user.size()) << testing::PrintToString(arguments);
  // The copy runs from a directory of its own, but its media is the first launcher's.
  EXPECT_EQ(arguments[1], temp_.path());
  EXPECT_EQ(std::vector<std::string>(arguments.begin() + 2, arguments.end()), user);
  EXPECT_FALSE(std::filesystem::exists(arguments[0]));
  EXPECT_FALSE(anyTemporaryLeft());
}

namespace {

// Runs a command line in a shell of its own; its exit status.
int shell(const std::string &command) {
  return runProcess("/bin/sh", {"-c", command}).status;
}

// The text of a tmux window.
std::string screen(const std::string &session) {
  return runProcess("/usr/bin/env", {"tmux", "capture-pane", "-p", "-t", session}).out;
}

} // namespace

// As a person would: the launcher asks in a real terminal, the user types a directory
// (relative, and not there yet) and presses Enter.
TEST_F(WorkCommandsTest, InstallJVMAsksForTheDestinationInATerminal) {
  if (shell("command -v tmux") != 0)
    GTEST_SKIP() << "tmux is not installed";
  FakeJava bundled(temp_.file("bundled"));
  writeFile(temp_.file("installer.sh"), "#!/bin/sh\nmkdir -p bin\ncp " + bundled.executable() +
                                            " bin/java\nprintf 'DESC: Bundled\\nJVM_EXE: "
                                            "bin/java\\n' > jvm\n");
  const std::string launcher =
      packProduct("  INSTALL_JVM 2\n  JMP0 @N1@ NONE\n  LAUNCH @S1@ 0\n  :NONE\n",
                  {"--jvm-installer", temp_.file("installer.sh")});
  const std::string session = "qgtest" + std::to_string(::getpid());
  const std::string command = "cd " + temp_.path() + " && TMPDIR=" + temp_.path() + " " + launcher +
                              "; echo $? > " + temp_.file("status") + "; sleep 30";
  ASSERT_EQ(runProcess("/usr/bin/env", {"tmux", "new-session", "-d", "-s", session, "-x", "120",
                                        "-y", "30", "/bin/sh", "-c", command})
                .status,
            0);
  const auto waitFor = [&](const auto &done) {
    for (int i = 0; i < 300 && !done(); ++i)
      ::usleep(20000);
    return done();
  };
  const std::string prompt = "Supply the destination directory for the Java Virtual Machine:";
  EXPECT_TRUE(waitFor([&] { return screen(session).find(prompt) != std::string::npos; }))
      << screen(session);
  runProcess("/usr/bin/env", {"tmux", "send-keys", "-t", session, "typed/jvm", "Enter"});
  EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(temp_.file("status")); }))
      << screen(session);
  runProcess("/usr/bin/env", {"tmux", "kill-session", "-t", session});

  EXPECT_EQ(readFile(temp_.file("status")), "0\n");
  // The typed directory was made absolute, created, and stays after the run.
  const std::string destination = temp_.file("typed/jvm");
  EXPECT_EQ(bundled.arguments(), std::vector<std::string>{"launched"});
  EXPECT_EQ(bundled.workingDirectory(), temp_.path());
  EXPECT_NE(readFile(destination + "/jvm").find("JVM_HOME:  " + destination + "\n"),
            std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(destination + "/bin/java"));
}

TEST_F(WorkCommandsTest, ADestinationThatCannotBeMadeInstallsNothing) {
  writeFile(temp_.file("installer.sh"), "#!/bin/sh\nprintf 'JVM_EXE: bin/java\\n' > jvm\n");
  ProcessOptions options;
  options.input = "/proc/qgtest/jvm\n";
  const ProcessResult result =
      run(packProduct("  INSTALL_JVM 2\n  JMP0 @N1@ NONE\n  LAUNCH @S1@ 0\n  :NONE\n",
                      {"--jvm-installer", temp_.file("installer.sh")}),
          {"-qg:log", temp_.file("run.log")}, options);
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.out.find("Supply the destination directory for the Java Virtual Machine:\n"),
            std::string::npos)
      << result.out;
  EXPECT_NE(readFile(temp_.file("run.log"))
                .find("ERROR: Cannot create the JVM destination /proc/qgtest/jvm: No such file or "
                      "directory\n"),
            std::string::npos)
      << readFile(temp_.file("run.log"));
}

namespace {

// A tmpfs mounted noexec for as long as it lives, where the machine allows it.
class NoExecMount {
public:
  explicit NoExecMount(std::string path) : path_(std::move(path)) {
    std::filesystem::create_directory(path_);
    mounted_ = shell("mount -t tmpfs -o noexec,size=16m tmpfs '" + path_ + "' 2>/dev/null") == 0;
  }
  NoExecMount(const NoExecMount &) = delete;
  NoExecMount &operator=(const NoExecMount &) = delete;
  ~NoExecMount() {
    if (mounted_)
      shell("umount '" + path_ + "'");
  }
  bool mounted() const { return mounted_; }

private:
  std::string path_;
  bool mounted_ = false;
};

} // namespace

// An installer or a second launcher that cannot run says where and what to do about it.
TEST_F(WorkCommandsTest, ATemporaryDirectoryWithoutProgramsEndsTheRun) {
  const std::string root = temp_.file("noexec");
  NoExecMount mount(root);
  if (!mount.mounted())
    GTEST_SKIP() << "cannot mount a noexec file system here";
  writeFile(temp_.file("installer.sh"), "#!/bin/sh\nprintf 'JVM_EXE: bin/java\\n' > jvm\n");
  // Entries: 0 script, 1 launch script, 2 verification class, 3 installer, 4 launcher.
  for (const char *script : {"  INSTALL_JVM 0\n", "  EXECUTE_LAUNCHER 4\n"}) {
    SCOPED_TRACE(script);
    const std::string launcher = packProduct(script, {"--jvm-installer", temp_.file("installer.sh"),
                                                      "--launcher", temp_.file("installer.sh")});
    ProcessOptions options;
    options.environment.push_back("TMPDIR=" + root);
    const ProcessResult result = run(launcher, {"-qg:tempdir", root}, options);
    EXPECT_EQ(result.status, 255);
    EXPECT_NE(result.out.find("Programs cannot run from " + root + "/qgj"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find(": its file system is mounted noexec. Please run the program "
                              "again using the option -qg:tempdir <temp dir> to name a "
                              "directory where they can.\n"),
              std::string::npos)
        << result.out;
  }
}
