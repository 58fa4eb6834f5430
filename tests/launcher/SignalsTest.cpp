// Termination signals sent to the built launcher: while a wizard, a verification or an
// extraction runs, and while nothing but the script runs. The launcher passes the signal on,
// removes its temporary files and exits with 128 + the signal number.
#include "tests/launcher/LauncherProcessFixture.h"
#include "tests/support/FakeJava.h"

#include <csignal>
#include <filesystem>
#include <unistd.h>

namespace {

class SignalsTest : public LauncherProcessTest {
protected:
  ProcessOptions options() const {
    ProcessOptions options;
    options.environment.push_back("TMPDIR=" + temp_.path());
    options.unsetVariables = {"LANG", "LC_ALL", "LC_CTYPE"};
    return options;
  }
  bool anyTemporaryLeft(const std::string &directory) const {
    for (const auto &item : std::filesystem::directory_iterator(directory)) {
      const std::string name = item.path().filename().string();
      if (name.rfind("qgj", 0) == 0 || name.find(".qgj") != std::string::npos)
        return true;
    }
    return false;
  }
  // A launcher whose wizard is a shell script that marks when it starts and which signals
  // it saw. The archive makes the launch create a temporary directory.
  std::string packWizardLauncher(const std::string &script, const std::string &wizard) {
    writeFile(temp_.file("wizard.sh"), wizard);
    writeFile(temp_.file("app.jar"), "PK");
    writeFile(temp_.file("java.jvm"), "JVM_HOME: /opt\n");
    writeFile(temp_.file("launch.txt"), "COMMAND: sh " + temp_.file("wizard.sh") +
                                            " %CP%()\nARCHIVE: %APPLICATION_ARCHIVE%()\n");
    return packScript(script, {"--launch-script", temp_.file("launch.txt"), "--app-archive",
                               temp_.file("app.jar")});
  }
};

} // namespace

TEST_F(SignalsTest, AWizardGetsTheSignalAndTheLauncherCleansUp) {
  const std::string launcher =
      packWizardLauncher("  LAUNCH \"" + temp_.file("java.jvm") + "\" 0\n",
                         "trap 'echo TERM > " + temp_.file("saw") + "; exit 0' TERM\ntouch " +
                             temp_.file("ready") + "\nsleep 30 &\nwait\n");
  RunningProcess running = startProcess(launcher, {}, options());
  ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(temp_.file("ready")); }));
  running.signal(SIGTERM);
  const ProcessResult result = running.wait();
  EXPECT_EQ(result.status, 143);
  EXPECT_EQ(readFile(temp_.file("saw")), "TERM\n");
  EXPECT_FALSE(anyTemporaryLeft(temp_.path()));
}

TEST_F(SignalsTest, ASecondInterruptKillsAWizardThatIgnoresTheFirst) {
  const std::string launcher =
      packWizardLauncher("  LAUNCH \"" + temp_.file("java.jvm") + "\" 0\n",
                         "trap 'echo INT >> " + temp_.file("saw") + "' INT\ntouch " +
                             temp_.file("ready") + "\nwhile :; do sleep 1; done\n");
  RunningProcess running = startProcess(launcher, {}, options());
  ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(temp_.file("ready")); }));
  running.signal(SIGINT);
  ASSERT_TRUE(waitUntil([&] { return readFile(temp_.file("saw")) == "INT\n"; }));
  running.signal(SIGINT);
  const ProcessResult result = running.wait();
  EXPECT_EQ(result.status, 130);
  EXPECT_FALSE(anyTemporaryLeft(temp_.path()));
}

TEST_F(SignalsTest, AVerificationIsStoppedAndTheLauncherCleansUp) {
  FakeJava java(temp_.file("jdk"));
  java.setSleep(30);
  const std::string jvmFile = writeFakeJVMFile(temp_.file("fake.jvm"), "17");
  const std::string launcher =
      packScript("  FIND_JVM 0 0\n", {"--jvm", jvmFile, "--verify-archive", verifyArchivePath()});
  RunningProcess running = startProcess(launcher, {"-qg:javahome", java.home()}, options());
  ASSERT_TRUE(waitUntil([&] { return java.runs() == 1; }));
  running.signal(SIGTERM);
  EXPECT_EQ(running.wait().status, 143);
  EXPECT_FALSE(anyTemporaryLeft(temp_.path()));
}

TEST_F(SignalsTest, AnExtractionIsStoppedWithoutAHalfWrittenFile) {
  const std::string big = temp_.file("big.jar");
  writeFile(big, "");
  ASSERT_EQ(::truncate(big.c_str(), 256LL << 20), 0);
  const std::string launcher = packScript("  // nothing\n", {"--app-archive", big});
  std::filesystem::remove(big);
  const std::string out = temp_.file("out");
  std::filesystem::create_directory(out);
  ProcessOptions inOut = options();
  inOut.workingDirectory = out;
  RunningProcess running = startProcess(launcher, {"-qg:extract"}, inOut);
  // The archive is being written under a name of its own until it is complete.
  const bool caught = waitUntil([&] {
    for (const auto &item : std::filesystem::directory_iterator(out))
      if (item.path().filename().string().rfind(".big.jar.qgj", 0) == 0)
        return true;
    return false;
  });
  running.signal(SIGTERM);
  const ProcessResult result = running.wait();
  if (!caught && result.status == 0)
    GTEST_SKIP() << "the extraction ended before the signal could reach it";
  EXPECT_EQ(result.status, 143);
  EXPECT_FALSE(std::filesystem::exists(out + "/big.jar"));
  EXPECT_FALSE(anyTemporaryLeft(out));
  EXPECT_FALSE(std::filesystem::exists(out + "/input.tag"));
}

// With no child running, the script itself is stopped: even one that loops for ever.
TEST_F(SignalsTest, AScriptThatLoopsForEverIsStoppedAndCleanedUp) {
  const std::string launcher =
      packWizardLauncher("  LAUNCH \"" + temp_.file("java.jvm") + "\" 0\n  :AGAIN\n  GOTO AGAIN\n",
                         "touch " + temp_.file("ready") + "\n");
  RunningProcess running = startProcess(launcher, {"-qg:log", temp_.file("run.log")}, options());
  ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(temp_.file("ready")); }));
  running.signal(SIGHUP);
  EXPECT_EQ(running.wait().status, 129);
  EXPECT_FALSE(anyTemporaryLeft(temp_.path()));
  EXPECT_NE(readFile(temp_.file("run.log")).find("WARNING: The launcher was ended by signal 1.\n"),
            std::string::npos);
}

// A console whose reader has gone (a pipe closed early) makes writes fail, nothing more: the
// run goes on and cleans up.
TEST_F(SignalsTest, AClosedConsoleNeitherKillsTheRunNorLeavesFilesBehind) {
  const std::string launcher = packWizardLauncher(
      "  INITIALIZE_UI\n  LAUNCH \"" + temp_.file("java.jvm") + "\" 0\n  INITIALIZE_UI\n",
      "sleep 0.2\ntouch " + temp_.file("ready") + "\n");
  const ProcessResult result = runProcess(
      "/bin/sh", {"-c", "TMPDIR='" + temp_.path() + "' '" + launcher + "' | true"}, options());
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(temp_.file("ready")); }));
  EXPECT_TRUE(waitUntil([&] { return !anyTemporaryLeft(temp_.path()); }));
}
