// The launch commands run by the built launcher: LAUNCH and ILAUNCH start a recording fake
// Java program through the launch script, and its exit status becomes the launcher's.
#include "tagfile/TagFile.h"
#include "tests/launcher/LauncherProcessFixture.h"
#include "tests/support/FakeJava.h"

#include <filesystem>
#include <regex>

namespace {

// The command of a shipped launch script, as the tag-file reader delivers it.
const char *const kSampleCommand =
    "\"@JVM_HOME@/@JVM_EXE@\" %CP%() %SYSTEMPROP%(\"temp.dir\", \"\"\"%TEMP_DIR%()\"\"\") "
    "%SYSTEMPROP%(\"qg.jvm.home\", \"\"\"@JVM_HOME@\"\"\") "
    "%SYSTEMPROP%(\"java.compiler\", \"NONE\") %SYSTEMPROP%(\"qg.jvm.temp\", \"@JVM_TEMP@\") "
    "%SYSTEMPROP%(\"qg.media.home\", \"\"\"%LAUNCHER_DIR%()\"\"\") "
    "%SYSTEMPROP%(\"qg.launcher.file\", \"\"\"%LAUNCHER_FILE%()\"\"\") "
    "%SYSTEMPROP%(\"qg.jvm.file\", \"\"\"@JVM_FILE@\"\"\") "
    "%SYSTEMPROP%(\"qg.external.home\", \"\"\"%LAUNCHER_DIR%()\"\"\") %RUNTIME_SYSTEMPROP%() "
    "%IF_EXISTS%(\"INITIAL_HEAP_SIZE\", \"@INITIAL_HEAP_SIZE@64m\") "
    "%IF_EXISTS%(\"MAXIMUM_HEAP_SIZE\", \"@MAXIMUM_HEAP_SIZE@256m\") %RUNTIME_JAVAARGS%() run";

class LaunchCommandsTest : public LauncherProcessTest {
protected:
  void SetUp() override {
    TagFile launch;
    launch.setValue("DESC", "Sample Product");
    launch.setValue("COMMAND", kSampleCommand);
    launch.setValue("ARCHIVE", "\"%APPLICATION_ARCHIVE%()\"");
    launch.write(SString(temp_.file("launch.txt")));
    writeFile(temp_.file("app.jar"), "PK archive");
  }

  // A JVM file like a shipped one, naming the fake Java home.
  std::string writeJVMFile(const std::string &name, const FakeJava &java) {
    TagFile jvm;
    jvm.setValue("DESC", "Java Runtime Environment");
    jvm.setValue("JVM_HOME", SString(java.home()));
    jvm.setValue("JVM_EXE", "bin/java");
    jvm.setValue("CLASSPATH", "-cp ");
    jvm.setValue("CLASSPATH_SEPARATOR", ":");
    jvm.setValue("SYSTEM", "-D");
    jvm.setValue("SYSTEM_SEPARATOR", "=");
    jvm.setValue("MAXIMUM_HEAP_SIZE", "-Xmx");
    jvm.write(SString(temp_.file(name)));
    return temp_.file(name);
  }

  // Replaces the launch script by one with this command.
  void writeLaunchScript(const std::string &command, const char *title = "Product",
                         bool console = false) {
    TagFile launch;
    launch.setValue("DESC", title);
    launch.setValue("COMMAND", SString(command));
    launch.setBoolean("DISPLAY_CONSOLE", console);
    launch.write(SString(temp_.file("launch.txt")));
  }

  std::string packProduct(const std::string &script, std::vector<std::string> more = {}) {
    more.insert(more.begin(), {"--launch-script", temp_.file("launch.txt"), "--app-archive",
                               temp_.file("app.jar")});
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

TEST_F(LaunchCommandsTest, LaunchRunsTheSampleScriptWithTheFullCommandLine) {
  FakeJava java(temp_.file("jre"));
  const std::string jvmFile = writeJVMFile("java.jvm", java);
  const std::string launcher = packProduct("  LAUNCH \"" + jvmFile + "\" 0\n");
  const ProcessResult result = run(launcher, {"one", "two words", "-console"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "Sample Product\n");

  const std::vector<std::string> arguments = java.arguments();
  ASSERT_EQ(arguments.size(), 15u) << testing::PrintToString(arguments);
  EXPECT_EQ(arguments[0], "-cp");
  // The archive was extracted into a temporary directory of its own, removed at the end.
  EXPECT_TRUE(
      std::regex_match(arguments[1], std::regex(temp_.path() + "/qgj[a-zA-Z0-9]{6}/app.jar")))
      << arguments[1];
  EXPECT_FALSE(std::filesystem::exists(arguments[1]));
  const std::vector<std::string> rest(arguments.begin() + 2, arguments.end());
  EXPECT_EQ(rest, (std::vector<std::string>{"-Dtemp.dir=/tmp", "-Dqg.jvm.home=" + java.home(),
                                            "-Djava.compiler=NONE",
                                            "-Dqg.jvm.temp=", "-Dqg.media.home=" + temp_.path(),
                                            "-Dqg.launcher.file=" + launcher,
                                            "-Dqg.jvm.file=", "-Dqg.external.home=" + temp_.path(),
                                            "-Xmx256m", "run", "one", "two words", "-console"}));
  EXPECT_EQ(java.workingDirectory(), temp_.path());
  EXPECT_FALSE(anyTemporaryLeft());
}

TEST_F(LaunchCommandsTest, TheWizardsExitStatusBecomesTheLaunchersOwn) {
  FakeJava java(temp_.file("jre"));
  const std::string jvmFile = writeJVMFile("java.jvm", java);
  // The wizard says why it failed on its error output; the launcher shows it at the end,
  // except for the quiet failure 232 of a launcher of type 0 or 2.
  writeLaunchScript("\"@JVM_HOME@/@JVM_EXE@\"; echo wizard failed >&2; exit $(cat " +
                    temp_.file("code") + ")");
  struct Case {
    const char *type;
    const char *code;
    std::string out;
  } cases[] = {
      // The captured error output is printed as one more line.
      {"1", "3", "Product\nwizard failed\n\n"},
      {"0", "232", "Product\n"},
      {"2", "232", "Product\n"},
      {"1", "232", "Product\nwizard failed\n\n"},
      {"0", "0", "Product\n"},
      {"0", "1", "Product\nwizard failed\n\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string("type ") + c.type + " code " + c.code);
    writeFile(temp_.file("code"), c.code);
    const std::string launcher =
        packProduct("  LAUNCH \"" + jvmFile + "\" 0\n", {"--type", c.type});
    const ProcessResult result = run(launcher, {});
    EXPECT_EQ(result.status, std::stoi(c.code));
    EXPECT_EQ(result.out, c.out);
  }
}

TEST_F(LaunchCommandsTest, ILaunchUsesAnEmbeddedJVMFileById) {
  FakeJava java(temp_.file("jre"));
  const std::string jvmFile = writeJVMFile("java.jvm", java);
  writeLaunchScript("\"@JVM_HOME@/@JVM_EXE@\" by-id");
  // Entries get the ids 0 (script), 1 (launch script), 2 (archive), 3 (JVM file).
  const std::string launcher = packProduct("  ILAUNCH 3 0\n", {"--jvm", jvmFile});
  EXPECT_EQ(run(launcher, {}).status, 0);
  EXPECT_EQ(java.arguments(), std::vector<std::string>{"by-id"});

  // An id that names no JVM file launches nothing: the error is logged, the result is -1.
  const std::string wrong = packProduct("  ILAUNCH 2 0\n", {"--jvm", jvmFile});
  const ProcessResult result = run(wrong, {"-qg:log", temp_.file("run.log")});
  EXPECT_EQ(result.status, 255);
  EXPECT_NE(readFile(temp_.file("run.log"))
                .find("ERROR: Unable to launch the internal launch script with the internal JVM "
                      "file. Either the launch script or the JVM file is missing from the "
                      "launcher.\n"),
            std::string::npos);
}

TEST_F(LaunchCommandsTest, LaunchReportsWhatItCannotDo) {
  // Without a launch script nothing is launched, and nothing is said (the line break
  // closes the run's row of progress).
  const ProcessResult none = run(packScript("  LAUNCH /nonexistent.jvm 0\n"), {});
  EXPECT_EQ(none.status, 255);
  EXPECT_EQ(none.out, "\n");
  const ProcessResult missing = run(packProduct("  LAUNCH /nonexistent.jvm 0\n"), {});
  EXPECT_EQ(missing.status, 255);
  EXPECT_EQ(missing.out, "Sample Product\nUnable to load input file: /nonexistent.jvm\n");
}

TEST_F(LaunchCommandsTest, SecondsAboveZeroShowTheRunningLine) {
  FakeJava java(temp_.file("jre"));
  const std::string jvmFile = writeJVMFile("java.jvm", java);
  writeLaunchScript("\"@JVM_HOME@/@JVM_EXE@\"", "My Product", /*console=*/true);
  java.setPreamble("wizard says hello\n");
  const ProcessResult result =
      run(packProduct("  INITIALIZE_UI\n  LAUNCH \"" + jvmFile + "\" 5\n"), {});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "My Product\n\nInitializing My Product...\n\nRunning My Product...\n"
                        "wizard says hello\n");
}
