// The input-file actions of the built launcher, as another program drives them: the result
// lines on standard output, the error texts, the log, and a run from extracted files.
#include "tests/launcher/LauncherProcessFixture.h"
#include "tests/support/FakeJava.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sys/stat.h>

namespace {

class InputFileActionsTest : public LauncherProcessTest {
protected:
  void SetUp() override { writeFile(temp_.file("launch.txt"), "DESC: Product\n"); }

  // A bare stub: an input file needs no payload.
  std::string input(const std::string &text) {
    writeFile(temp_.file("input.tag"), text);
    return temp_.file("input.tag");
  }
  std::string verifyClassKeys() const {
    return "VERIFY_CLASSPATH: \"\"\"" + verifyArchivePath() + "\"\"\"\nVERIFY_CLASS_NAME: Verify\n";
  }
  ProcessResult runInput(const std::string &text, std::vector<std::string> before = {},
                         const ProcessOptions &options = {}) {
    before.push_back("-qg:in");
    before.push_back(input(text));
    return run(launcherStubPath(), before, options);
  }
};

// The home of the JDK that runs javac here, or empty.
std::string systemJavaHome() {
  const char *path = std::getenv("PATH");
  for (std::string rest = path ? path : ""; !rest.empty();) {
    const std::size_t colon = rest.find(':');
    const std::string dir = rest.substr(0, colon);
    rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
    char resolved[PATH_MAX];
    if (::realpath((dir + "/java").c_str(), resolved)) {
      const std::string java = resolved;
      if (java.size() > 9 && java.ends_with("/bin/java"))
        return java.substr(0, java.size() - 9);
    }
  }
  return "";
}

} // namespace

TEST_F(InputFileActionsTest, SearchWritesTheMatchAndLeavesItsFileToTheCaller) {
  FakeJava java(temp_.file("jdk"));
  java.setProperty("qg.fake.version", "17");
  const std::string jvmFile =
      writeFakeJVMFile(temp_.file("fake.jvm"), "17", "PATH_HINT: " + java.home() + "\n");
  const ProcessResult result =
      runInput("ACTION: SEARCH\nJVM: " + jvmFile + "\n" + verifyClassKeys(), {"-qg:silent"});
  EXPECT_EQ(result.status, 0);
  const std::regex lines("1\n" + java.home() + "\n(" + temp_.path() + "/qgj[a-zA-Z0-9]{6})\n");
  std::smatch found;
  ASSERT_TRUE(std::regex_match(result.out, found, lines)) << result.out;
  const std::string saved = readFile(found[1]);
  EXPECT_NE(saved.find("JVM_HOME:  " + java.home() + "\n"), std::string::npos) << saved;
  std::filesystem::remove(found[1].str());

  // Nothing found: the only line is 0; without silent mode the title comes first.
  const std::string nothing = writeFakeJVMFile(temp_.file("none.jvm"), "99");
  const std::string text = "ACTION: SEARCH\nJVM: " + nothing + "\n" + verifyClassKeys();
  EXPECT_EQ(runInput(text, {"-qg:silent"}).out, "0\n");
  writeFile(temp_.file("titled.tag"), text + "LAUNCHSCRIPT: " + temp_.file("launch.txt") + "\n");
  const ProcessResult titled = run(launcherStubPath(), {"-qg:in", temp_.file("titled.tag")});
  EXPECT_EQ(titled.out, "Product\n0\n");
  EXPECT_EQ(titled.status, 0);
}

TEST_F(InputFileActionsTest, VerifyJVMWritesOneOrZero) {
  FakeJava java(temp_.file("jdk"));
  java.setProperty("qg.fake.version", "17");
  const std::string jvmFile = writeFakeJVMFile(temp_.file("fake.jvm"), "17");
  const std::string keys =
      "ACTION: VERIFY_JVM\nVERIFY_JVM_FILE: " + jvmFile + "\n" + verifyClassKeys();
  EXPECT_EQ(runInput(keys + "VERIFY_JVM_HOME: " + java.home() + "\n").out, "1\n");
  EXPECT_EQ(runInput(keys + "VERIFY_JVM_HOME: " + temp_.file("none") + "\n").out, "0\n");
  // The JVM file on disk is not written back.
  EXPECT_EQ(readFile(jvmFile).find("JVM_HOME"), std::string::npos);

  // Without its home the action does nothing but log the error; the status is 255.
  const ProcessResult missing = runInput(keys + "LOGFILE: " + temp_.file("run.log") + "\n");
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.status, 255);
  EXPECT_NE(
      readFile(temp_.file("run.log"))
          .find("ERROR: TO execute the VERIFY_JVM action, you must also provide values in the "
                "input file for VERIFY_JVM_FILE and VERIFY_JVM_HOME.\n"),
      std::string::npos);
}

TEST_F(InputFileActionsTest, InstallJVMRunsTheInstallerAndWritesTheJVMFile) {
  const std::string destination = temp_.file("dest dir");
  std::filesystem::create_directory(destination);
  writeFile(temp_.file("install.sh"), "printf 'DESC: Installed\\nJVM_EXE: bin/java\\n' > jvm\n");
  const ProcessResult result =
      runInput("ACTION: INSTALL_JVM\nINSTALL_JVM_EXE: sh " + temp_.file("install.sh") +
               "\nINSTALL_JVM_DEST: " + destination + "\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, destination + "/jvm\n");
  EXPECT_EQ(readFile(destination + "/jvm"),
            "DESC:  Installed\nJVM_EXE:  bin/java\nJVM_HOME:  " + destination +
                "\nJVM_FILE:  " + destination + "/jvm\nJVM_TEMP:  0\n");
  // Without a destination nothing happens at all.
  const ProcessResult none = runInput("ACTION: INSTALL_JVM\nINSTALL_JVM_EXE: false\n");
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(none.out, "");
}

TEST_F(InputFileActionsTest, BadInputFilesAreReportedWithTheInputFilePrefix) {
  const std::string invalid = "Invalid action in input file: search";
  const ProcessResult lower = runInput("ACTION: search\n");
  EXPECT_EQ(lower.status, 255);
  EXPECT_EQ(lower.out,
            invalid + "\nCould not load the input file." + invalid + "\n" + invalid + "\n");
  const ProcessResult syntax = runInput("ACTION SEARCH\n");
  EXPECT_EQ(syntax.out, "Could not load the input file.Syntax error in " + temp_.file("input.tag") +
                            " at line 1 ==> Missing colon at the end of the tag name.\nSyntax "
                            "error in " +
                            temp_.file("input.tag") +
                            " at line 1 ==> Missing colon at the end of the tag name.\n");
  // A named file that fails to load is printed once more before the prefix.
  const ProcessResult role = runInput("ACTION: SEARCH\nJVM: " + temp_.file("missing.jvm") + "\n");
  const std::string loading =
      "Error loading JVM file.Unable to load input file: " + temp_.file("missing.jvm");
  EXPECT_EQ(role.out,
            loading + "\nCould not load the input file." + loading + "\n" + loading + "\n");
}

TEST_F(InputFileActionsTest, TheNameMayBeQuotedAndTheInputFileChoosesTheLog) {
  input("ACTION: SEARCH\n");
  ProcessResult quoted = run(launcherStubPath(), {"-qg:log", temp_.file("first.log"), "-qg:in",
                                                  "\"" + temp_.file("input.tag") + "\""});
  EXPECT_EQ(quoted.status, 0);
  EXPECT_EQ(quoted.out, "0\n");
  // The log named on the command line gets the lines up to the input file, which has none
  // of its own: later lines are not logged.
  const std::string log = readFile(temp_.file("first.log"));
  EXPECT_NE(log.find("Loading input file \"" + temp_.file("input.tag") + "\"\n"), std::string::npos)
      << log;
  EXPECT_EQ(log.find("Finding a JVM"), std::string::npos) << log;

  input("ACTION: SEARCH\nLOGFILE: " + temp_.file("second.log") + "\n");
  run(launcherStubPath(), {"-qg:log", temp_.file("first.log"), "-qg:in", temp_.file("input.tag")});
  // The second file gets no separator of its own.
  EXPECT_EQ(readFile(temp_.file("second.log")).rfind("Finding a JVM\n", 0), 0u);
}

// -qg:extract writes a directory from which -qg:in input.tag runs the same instructions.
TEST_F(InputFileActionsTest, ExtractedFilesRunTheSameInstructions) {
  FakeJava java(temp_.file("jdk"));
  java.setProperty("qg.fake.version", "17");
  const std::string jvmFile =
      writeFakeJVMFile(temp_.file("fake.jvm"), "17", "PATH_HINT: " + java.home() + "\n");
  writeFile(temp_.file("launch.txt"),
            "DESC: Product\nCOMMAND: \"\"\"@JVM_HOME@/@JVM_EXE@\"\" from-disk\"\n");
  const std::string launcher =
      packScript("  FIND_JVM 0 0\n  JMP0 @N1@ NONE\n  LAUNCH @S2@ 0\n  :NONE\n",
                 {"--launch-script", temp_.file("launch.txt"), "--jvm", jvmFile, "--verify-archive",
                  verifyArchivePath()});
  const std::string out = temp_.file("out");
  std::filesystem::create_directory(out);
  ProcessOptions options;
  options.workingDirectory = out;
  ASSERT_EQ(run(launcher, {"-qg:extract"}, options).status, 0);
  // Take the extracted files from disk: change the launch script there, and the run shows it.
  writeFile(out + "/launch.txt",
            "DESC: Product\nCOMMAND: \"\"\"@JVM_HOME@/@JVM_EXE@\"\" from-disk\"\n");
  const ProcessResult result = run(launcher, {"-qg:in", "input.tag", "x"}, options);
  EXPECT_EQ(result.status, 0) << result.out;
  EXPECT_EQ(java.arguments(), (std::vector<std::string>{"from-disk", "x"}));
}

// The real thing: the system's JDK found by JAVA_HOME, by PATH and by a path hint, and
// refused for a version it is not.
TEST_F(InputFileActionsTest, TheSystemJDKIsFoundByEveryHintAndOnlyForItsVersion) {
  const std::string home = systemJavaHome();
  if (home.empty())
    GTEST_SKIP() << "no JDK here";
  FILE *pipe = ::popen(("\"" + home + "/bin/java\" -cp \"" + verifyArchivePath() +
                        "\" Verify java.specification.version 2>/dev/null")
                           .c_str(),
                       "r");
  ASSERT_NE(pipe, nullptr);
  char buffer[256] = {};
  std::string answer;
  while (std::fgets(buffer, sizeof buffer, pipe))
    answer += buffer;
  ::pclose(pipe);
  const std::string version =
      answer.substr(answer.find('\n') + 1, answer.rfind('\n') - answer.find('\n') - 1);
  const auto jvmFile = [&](const std::string &name, const std::string &wanted,
                           const std::string &hints) {
    writeFile(temp_.file(name), "DESC: Java " + wanted +
                                    "\nJVM_EXE: bin/java\nCLASSPATH: \"-cp \"\nJVM_PROPERTIES:\n  "
                                    "java.specification.version=" +
                                    wanted + "\n/:\n" + hints);
    return temp_.file(name);
  };
  struct Case {
    const char *label;
    std::string jvmFile;
    std::vector<std::string> environment;
    std::string home;
  } cases[] = {
      {"JAVA_HOME",
       jvmFile("env.jvm", version, "PLATFORM_HINT: JAVA_HOME\n"),
       {"JAVA_HOME=" + home},
       home},
      {"PATH",
       jvmFile("path.jvm", version, ""),
       {"PATH=" + home + "/bin:/usr/bin:/bin"},
       home + "/"},
      {"path hint", jvmFile("hint.jvm", version, "PATH_HINT: " + home + "\n"), {}, home},
      {"another version", jvmFile("other.jvm", "1.3", "PATH_HINT: " + home + "\n"), {}, ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    ProcessOptions options;
    options.environment = c.environment;
    const ProcessResult result =
        runInput("ACTION: SEARCH\nJVM: " + c.jvmFile + "\n" + verifyClassKeys(), {}, options);
    if (c.home.empty()) {
      EXPECT_EQ(result.out, "0\n");
      continue;
    }
    EXPECT_EQ(result.out.substr(0, 2 + c.home.size() + 1), "1\n" + c.home + "\n") << result.out;
    const std::string saved =
        result.out.substr(2 + c.home.size() + 1, result.out.size() - 3 - c.home.size() - 1);
    EXPECT_TRUE(std::filesystem::exists(saved)) << saved;
    std::filesystem::remove(saved);
  }
}

// The whole disk, for real: fake JVMs placed outside /tmp, which the search never enters.
TEST_F(InputFileActionsTest, SearchAllWalksTheWholeDisk) {
  TempDir outside = TempDir::in("/var/tmp");
  FakeJava first(outside.file("one/jdk"));
  FakeJava second(outside.file("two/jdk"));
  first.setProperty("qg.fake.version", "disk");
  second.setProperty("qg.fake.version", "disk");
  const std::string jvmFile = writeFakeJVMFile(temp_.file("disk.jvm"), "disk");
  const ProcessResult result =
      runInput("ACTION: SEARCH_ALL\nJVM: " + jvmFile + "\n" + verifyClassKeys());
  EXPECT_EQ(result.status, 0);
  const std::regex lines("2\n(" + outside.path() + "/(one|two)/jdk)\n" + temp_.path() +
                         "/qgj[a-zA-Z0-9]{6}\n(" + outside.path() + "/(one|two)/jdk)\n" +
                         temp_.path() + "/qgj[a-zA-Z0-9]{6}\n");
  std::smatch found;
  ASSERT_TRUE(std::regex_match(result.out, found, lines)) << result.out;
  EXPECT_NE(found[1], found[3]);
  for (const auto &item : std::filesystem::directory_iterator(temp_.path()))
    if (item.path().filename().string().rfind("qgj", 0) == 0)
      std::filesystem::remove(item.path());
}
