// Tests of the launch script: its keys, the functions and the class path, the literals the
// launcher inserts, and the execution of a command with a recording fake Java program.
#include "launchscript/LaunchScript.h"

#include "base/LauncherException.h"
#include "base/Log.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/FileSystem.h"
#include "tests/support/FakeJava.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

class FakeHost final : public LaunchScriptHost {
public:
  SString getLauncherPath() const override { return launcherPath; }
  SString getOriginalLauncherName() const override { return originalName; }
  SString getOriginalLauncherDir() const override {
    const SString::size_type separator = originalName.findLastOf("/\\");
    return separator == SString::npos ? SString() : originalName.substring(0, separator);
  }
  SString getClasspathPrepend() const override { return prepend; }
  SString getClasspathAppend() const override { return append; }
  int getLauncherType(const SString &) override { return launcherType; }
  SString getApplicationArchive() override {
    ++archiveCalls;
    return archive;
  }
  SString getApplicationArchive(const SString &name) override { return "/side/" + name; }
  void extractClasspathArchives(StringDeque &paths) override {
    ++extractions;
    for (const std::string &path : classpathArchives)
      paths.add(SString(path));
  }
  SString getTempRoot() override { return tempRoot; }

  SString launcherPath = "/opt/media/setup.bin";
  SString originalName = "/opt/media/setup.bin";
  SString prepend;
  SString append;
  int launcherType = 1;
  SString archive = "/tmp/qgjAAAAAA/app.jar";
  std::vector<std::string> classpathArchives;
  SString tempRoot = "/tmp";
  int archiveCalls = 0;
  int extractions = 0;
};

// The JVM file of a shipped product.
TagFile sampleJVMFile() {
  TagFile jvm;
  jvm.setValue("DESC", "Java Runtime Environment 1.4");
  jvm.setValue("JVM_HOME", "/opt/java/jre14");
  jvm.setValue("JVM_EXE", "bin/java");
  jvm.setValue("CLASSPATH", "-cp ");
  jvm.setValue("CLASSPATH_SEPARATOR", ":");
  jvm.setValue("SYSTEM", "-D");
  jvm.setValue("SYSTEM_SEPARATOR", "=");
  return jvm;
}

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

TagFile sampleLaunchScript() {
  TagFile script;
  script.setValue("DESC", "Sample Product");
  script.setValue("COMMAND", kSampleCommand);
  script.setValue("ARCHIVE", "\"%APPLICATION_ARCHIVE%()\"");
  script.setValue("DISPLAY_CONSOLE", "0");
  script.setValue("AUTO_SET_WORKING_DIR", "1");
  return script;
}

class LaunchScriptTest : public ::testing::Test {
protected:
  void SetUp() override {
    resetLogForTesting();
    setLogFile(SString(temp_.file("launch.log")));
    console_ = std::tmpfile();
    resetConsoleForTesting(console_);
  }
  void TearDown() override {
    resetConsoleForTesting();
    std::fclose(console_);
    resetLogForTesting();
  }

  // The command expanded for the JVM file, with the literals as they are.
  std::string expand(const std::string &command, const TagFile &jvm, bool fromTagFile = true,
                     const std::string &archive = "") {
    TagFile tags;
    tags.setValue("COMMAND", SString(command));
    tags.setValue("ARCHIVE", SString(archive));
    LaunchScript script(tags, true);
    if (!fromTagFile) {
      LaunchScript plain(SString(command), true, false);
      return plain.resolveLiterals(plain.expandCommand(host_, jvm), false).str();
    }
    return script.resolveLiterals(script.expandCommand(host_, jvm), false).str();
  }
  std::string expandError(const std::string &command, const TagFile &jvm,
                          const std::string &archive = "") {
    try {
      expand(command, jvm, true, archive);
    } catch (const LauncherException &e) {
      return e.getMessage().str();
    }
    return "no error";
  }
  std::string logText() const { return readFile(temp_.file("launch.log")); }

  TempDir temp_;
  FakeHost host_;
  std::FILE *console_ = nullptr;
};

} // namespace

TEST_F(LaunchScriptTest, ReadsItsFiveKeysWithTheirDefaults) {
  TagFile tags;
  tags.setValue("COMMAND", "run");
  tags.setValue("DESC", "Product");
  tags.setValue("ARCHIVE", "app.jar");
  const LaunchScript defaults(tags, true);
  EXPECT_EQ(defaults.getCommand(), "run");
  EXPECT_EQ(defaults.getDescription(), "Product");
  EXPECT_EQ(defaults.getArchive(), "app.jar");
  EXPECT_FALSE(defaults.isDisplayConsole());
  EXPECT_TRUE(defaults.isAutoSetWorkingDir());
  // A flag that is no number keeps its default.
  tags.setValue("DISPLAY_CONSOLE", "yes");
  tags.setValue("AUTO_SET_WORKING_DIR", "true");
  EXPECT_FALSE(LaunchScript(tags, true).isDisplayConsole());
  EXPECT_TRUE(LaunchScript(tags, true).isAutoSetWorkingDir());
  tags.setValue("DISPLAY_CONSOLE", "2");
  tags.setValue("AUTO_SET_WORKING_DIR", "0");
  EXPECT_TRUE(LaunchScript(tags, true).isDisplayConsole());
  EXPECT_FALSE(LaunchScript(tags, true).isAutoSetWorkingDir());
}

TEST_F(LaunchScriptTest, FunctionsGiveTheirValues) {
  TagFile jvm = sampleJVMFile();
  jvm.setValue("INIT_JAVA_HEAP", "-Xms");
  jvm.setValue("BACKSLASHED", "C:\\java\\");
  host_.tempRoot = "C:\\temp\\";
  struct Case {
    const char *command;
    const char *result;
  } cases[] = {
      {"%LAUNCHER_FILE%()", "/opt/media/setup.bin"},
      {"%LAUNCHER_DIR%()", "/opt/media"},
      // One trailing backslash goes; a trailing "/" would stay.
      {"%TEMP_DIR%()", "C:\\temp"},
      {"%APPLICATION_ARCHIVE%()", "/tmp/qgjAAAAAA/app.jar"},
      {"%APPLICATION_ARCHIVE%(\"x\\\\app.jar\")", "/side/x\\\\app.jar"},
      {"%SYSTEMPROP%(\"a.b\", \"@DESC@\")", "-Da.b=Java Runtime Environment 1.4"},
      {"%IF_EXISTS%(\"INIT_JAVA_HEAP\", \"@INIT_JAVA_HEAP@20m\")", "-Xms20m"},
      {"%IF_EXISTS%(\"NO_SUCH_KEY\", \"@NO_SUCH_KEY@20m\")", ""},
      {"%REPLACE%(\"/\", \"x\", \"a/b/c\")", "axbxc"},
      // An empty search text leaves the text as it is.
      {"%REPLACE%(\"@NO_SUCH_KEY@\", \"x\", \"a/b\")", "a/b"},
      // The text is not expanded by REPLACE; the later pass does it.
      {"%REPLACE%(\"o\", \"0\", \"@DESC@ on\")", "Java Runtime Environment 1.4 0n"},
      // Results are read again for further calls.
      {"%REPLACE%(\"X\", \"%\", \"XLAUNCHER_DIRX()\")", "/opt/media"},
      // "@" values: the first one; JVM_HOME loses a trailing backslash, others keep it.
      {"@JVM_EXE@ @BACKSLASHED@ @NO_SUCH_KEY@|", "bin/java C:\\java\\ |"},
      {"100%% x", "100% x"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.command);
    EXPECT_EQ(expand(c.command, jvm), c.result);
  }
  jvm.setValue("JVM_HOME", "C:\\java\\");
  EXPECT_EQ(expand("@JVM_HOME@", jvm), "C:\\java");
}

TEST_F(LaunchScriptTest, WrongCallsAreLaunchScriptErrors) {
  const TagFile jvm = sampleJVMFile();
  struct Case {
    const char *command;
    std::string message;
  } cases[] = {
      {"%REPLACE%(\"a\", \"b\")", "REPLACE function requires 3 arguments."},
      {"%RUNTIME_SYSTEMPROP%(\"a\")", "RUNTIME_SYSTEMPROP function takes no arguments."},
      {"%RUNTIME_JAVAARGS%(\"a\")", "RUNTIME_JAVAARGS function takes no arguments."},
      {"%SYSTEMPROP%(\"a\")", "SYSTEMPROP function requires 2 arguments."},
      {"%IF_EXISTS%(\"a\", \"b\", \"c\")", "IF_EXISTS function requires 2 arguments."},
      {"%LAUNCHER_FILE%(\"a\")", "LAUNCHER_FILE function takes 0 arguments."},
      {"%LAUNCHER_DIR%(\"a\")", "LAUNCHER_DIR function takes 0 arguments."},
      {"%APPLICATION_ARCHIVE%(\"a\", \"b\")", "APPLICATION_ARCHIVE function takes 0 arguments."},
      {"%TEMP_DIR%(\"a\")", "TEMP_DIR function takes 0 arguments."},
      {"%cp%()", "Invalid function name (cp)."},
      // The second "%" pairs with the third: the name is "% x ".
      {"100%% x %CP%()", "Invalid function name (% x )."},
      {"%CP% x", "Expected left parenthesis. (near character 4)"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.command);
    EXPECT_EQ(expandError(c.command, jvm), "Launch script error: " + c.message);
  }
  EXPECT_NE(logText().find("Launch command:\n%cp%()\n"), std::string::npos) << logText();
}

TEST_F(LaunchScriptTest, ExpansionsThatNeverEndFail) {
  const TagFile jvm = sampleJVMFile();
  const std::string message =
      "Launch script error: The expansion of the launch command does not terminate.";
  ::setenv("QG_SELF", "#QG_SELF#", 1);
  EXPECT_EQ(expandError("run #QG_SELF#", jvm), message);
  ::unsetenv("QG_SELF");
  // An archive that calls CP, whose archive calls CP, and so on.
  EXPECT_EQ(expandError("%CP%()", jvm, "%CP%()"), message);
  TagFile selfish = sampleJVMFile();
  selfish.setValue("LOOP", "@LOOP@");
  EXPECT_EQ(expandError("@LOOP@", selfish), message);
}

TEST_F(LaunchScriptTest, EnvironmentReferencesAreTheLastPass) {
  const TagFile jvm = sampleJVMFile();
  ::setenv("QG_TEST_VALUE", "from env", 1);
  ::unsetenv("QG_TEST_UNSET");
  EXPECT_EQ(expand("[#QG_TEST_VALUE#][#QG_TEST_UNSET#][#HOME#]", jvm),
            "[from env][][" + std::string(std::getenv("HOME")) + "]");
  ::unsetenv("QG_TEST_VALUE");
}

// The class path in its order: -cp:p, .cp1, JVM_CLASSPATH, .cp, the arguments, the
// archive, the embedded archives (from a tag file only), .cp2, -cp:a.
TEST_F(LaunchScriptTest, ClasspathTakesItsElementsInOrder) {
  const std::string media = temp_.file("media");
  std::filesystem::create_directory(media);
  host_.originalName = SString(media + "/setup.bin");
  writeFile(media + "/setup.cp1", "one.jar\r\n\n  two.jar  \n");
  writeFile(media + "/setup.cp", "three.jar\n");
  writeFile(media + "/setup.cp2", "last.jar\n");
  host_.classpathArchives = {"/tmp/qgjBBBBBB/lib.jar"};
  TagFile jvm = sampleJVMFile();
  jvm.setValue("JVM_CLASSPATH", "jvm.jar");

  EXPECT_EQ(expand("%CP%(\"arg.jar\")", jvm, true, "\"%APPLICATION_ARCHIVE%()\""),
            "-cp one.jar:two.jar:jvm.jar:three.jar:arg.jar:\"/tmp/qgjAAAAAA/app.jar\":"
            "\"/tmp/qgjBBBBBB/lib.jar\":last.jar");
  // A verification command adds no embedded archives.
  EXPECT_EQ(expand("%CP%()", jvm, false), "-cp one.jar:two.jar:jvm.jar:three.jar:last.jar");
  EXPECT_EQ(host_.extractions, 1);

  // The options come first and last, each as one quoted element.
  host_.prepend = "/opt/pre.jar";
  host_.append = "/opt/post.jar";
  std::filesystem::remove(media + "/setup.cp1");
  std::filesystem::remove(media + "/setup.cp");
  std::filesystem::remove(media + "/setup.cp2");
  jvm.removeTag("JVM_CLASSPATH");
  EXPECT_EQ(expand("%CP%()", jvm, false), "-cp \"/opt/pre.jar\":\"/opt/post.jar\"");
  // Nothing at all gives nothing, not even the CLASSPATH text.
  host_.prepend = SString();
  host_.append = SString();
  EXPECT_EQ(expand("[%CP%()]", jvm, false), "[]");
}

TEST_F(LaunchScriptTest, ClasspathOptionsCanNameAListFile) {
  writeFile(temp_.file("list"), "a.jar\nb.jar\n");
  host_.prepend = SString(std::string("@").append(temp_.file("list")));
  host_.append = SString(std::string("@").append(temp_.file("missing")));
  EXPECT_EQ(expand("%CP%()", sampleJVMFile(), false), "-cp a.jar:b.jar");
  EXPECT_NE(logText().find("WARNING: Could not find the file " + temp_.file("missing") +
                           " while building the classpath.\n"),
            std::string::npos)
      << logText();
}

TEST_F(LaunchScriptTest, ClasspathCanGoIntoAnEnvironmentVariable) {
  TagFile jvm = sampleJVMFile();
  jvm.setValue("USE_CP_ENV_VAR", "1");
  jvm.setValue("CP_ENV_VAR", "QG_TEST_CLASSPATH");
  host_.classpathArchives = {"/tmp/qgjBBBBBB/lib.jar"};
  host_.prepend = "/opt/pre.jar";
  // The call leaves the command; the variable holds the elements without their quotes.
  EXPECT_EQ(expand("run %CP%(\"\"\"arg.jar\"\"\") x", jvm, true, "\"%APPLICATION_ARCHIVE%()\""),
            "run  x");
  EXPECT_EQ(getEnvironment("QG_TEST_CLASSPATH"),
            "/opt/pre.jar:arg.jar:/tmp/qgjAAAAAA/app.jar:/tmp/qgjBBBBBB/lib.jar");
  EXPECT_NE(logText().find("Set env var QG_TEST_CLASSPATH to /opt/pre.jar:arg.jar:"
                           "/tmp/qgjAAAAAA/app.jar:/tmp/qgjBBBBBB/lib.jar\n\n"),
            std::string::npos)
      << logText();
  ::unsetenv("QG_TEST_CLASSPATH");

  jvm.removeTag("CP_ENV_VAR");
  EXPECT_EQ(expand("run %CP%()", jvm), "run ");
  EXPECT_NE(logText().find("ERROR: If USE_CP_ENV_VAR is set to 1 in the jvm file, then the jvm "
                           "file should also define CP_ENV_VAR.\n"),
            std::string::npos);
}

TEST_F(LaunchScriptTest, SideFilesAddPropertiesAndJavaArguments) {
  const std::string media = temp_.file("media");
  std::filesystem::create_directory(media);
  writeFile(media + "/setup.sp", "name=a=b\nno equals here\n\nx.y= spaced\n");
  writeFile(media + "/setup.ja", "-Xmx@HEAP@\n\n-verbose\n");
  TagFile jvm = sampleJVMFile();
  jvm.setValue("HEAP", "512m");
  struct Case {
    std::string original;
    const char *result;
  } cases[] = {
      {media + "/setup.bin", "[-Dname=a=b -Dx.y= spaced] [-Xmx512m -verbose]"},
      {media + "/setup", "[-Dname=a=b -Dx.y= spaced] [-Xmx512m -verbose]"},
      // A dot in a directory name starts no extension: setup.d/x would look for x.sp.
      {media + "/other.bin", "[] []"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.original);
    host_.originalName = SString(c.original);
    EXPECT_EQ(expand("[%RUNTIME_SYSTEMPROP%()] [%RUNTIME_JAVAARGS%()]", jvm), c.result);
  }
}

// Paths the launcher puts into a command are data: the macro passes never read them, and
// the shell receives them exactly, whatever characters they hold.
TEST_F(LaunchScriptTest, InsertedPathsReachTheProgramExactly) {
  const std::string odd = temp_.file("a b$HOME`id`\"q\"\\x%CP%()@JVM_EXE@#HOME#");
  std::filesystem::create_directories(odd + "/bin");
  FakeJava java(odd);
  const std::string media = temp_.file("m$(echo no)");
  std::filesystem::create_directory(media);
  host_.launcherPath = SString(media + "/setup.bin");
  host_.originalName = host_.launcherPath;
  host_.tempRoot = SString(odd);
  TagFile jvm = sampleJVMFile();
  jvm.setValue("JVM_HOME", SString(odd));
  jvm.setValue("JVM_FILE", SString(media + "/saved.jvm"));
  LaunchScript script(SString("\"@JVM_HOME@/@JVM_EXE@\" \"%TEMP_DIR%()\" \"%LAUNCHER_DIR%()\" "
                              "\"%LAUNCHER_FILE%()\" \"@JVM_FILE@\""),
                      true, false);
  EXPECT_EQ(script.execute(host_, jvm, nullptr, false), 0);
  EXPECT_EQ(java.arguments(),
            (std::vector<std::string>{odd, media, media + "/setup.bin", media + "/saved.jvm"}));
}

TEST_F(LaunchScriptTest, SampleScriptStartsTheJVMWithItsFullCommandLine) {
  const std::string home = temp_.file("jre14");
  FakeJava java(home);
  const std::string media = temp_.file("media");
  std::filesystem::create_directory(media);
  writeFile(media + "/setup.sp", "qg.extra=yes\n");
  host_.launcherPath = SString(media + "/setup.bin");
  host_.originalName = host_.launcherPath;
  host_.tempRoot = SString(temp_.path());
  TagFile jvm = sampleJVMFile();
  jvm.setValue("JVM_HOME", SString(home));
  jvm.setValue("JVM_FILE", SString(temp_.file("qgjSAVED")));
  jvm.setValue("JVM_TEMP", "0");
  jvm.setValue("INITIAL_HEAP_SIZE", "-Xms");
  LaunchScript script(sampleLaunchScript(), true);
  StringDeque extra;
  extra.add("-silent");
  extra.add("a \"quoted\" $HOME `x` \\ arg");

  EXPECT_EQ(script.execute(host_, jvm, &extra, false), 0);
  EXPECT_EQ(java.arguments(),
            (std::vector<std::string>{
                "-cp", "/tmp/qgjAAAAAA/app.jar", "-Dtemp.dir=" + temp_.path(),
                "-Dqg.jvm.home=" + home, "-Djava.compiler=NONE", "-Dqg.jvm.temp=0",
                "-Dqg.media.home=" + media, "-Dqg.launcher.file=" + media + "/setup.bin",
                "-Dqg.jvm.file=" + temp_.file("qgjSAVED"), "-Dqg.external.home=" + media,
                "-Dqg.extra=yes", "-Xms64m", "run", "-silent", "a \"quoted\" $HOME `x` \\ arg"}));
  EXPECT_EQ(java.workingDirectory(), media);
  EXPECT_EQ(host_.archiveCalls, 1);
}

TEST_F(LaunchScriptTest, ExecutionSetsTheEnvironmentAndLogsWhatItRan) {
  const std::string home = temp_.file("jvm");
  FakeJava java(home);
  const std::string media = temp_.file("media");
  std::filesystem::create_directory(media);
  host_.launcherPath = SString(media + "/setup.bin");
  TagFile jvm = sampleJVMFile();
  jvm.setValue("JVM_HOME", SString(home));
  jvm.addValue("SET_ENV_FOR_WIZARD", "  QG_WIZARD_A = one  ");
  jvm.addValue("SET_ENV_FOR_WIZARD", "QG_WIZARD_B");
  jvm.addValue("SET_ENV_FOR_WIZARD", "QG_WIZARD_C=");
  const char *const command = "\"@JVM_HOME@/@JVM_EXE@\"; echo out; echo err >&2; exit 7";
  for (const int type : {1, 0, 2}) {
    SCOPED_TRACE(type);
    for (const char *name : {"QG_WIZARD_A", "QG_WIZARD_B", "QG_WIZARD_C", "JAVA_HOME"})
      ::unsetenv(name);
    host_.launcherType = type;
    LaunchScript script(SString(command), true, false);
    EXPECT_EQ(script.execute(host_, jvm, nullptr, false), 7);
    EXPECT_EQ(java.environment("JAVA_HOME"), home);
    // An unset JAVA_HOME comes back set and empty.
    EXPECT_EQ(getEnvironment("JAVA_HOME"), "");
    EXPECT_NE(std::getenv("JAVA_HOME"), nullptr);
    const bool applied = type != 1;
    EXPECT_EQ(java.environment("QG_WIZARD_A"), applied ? "one" : "(unset)");
    EXPECT_EQ(java.environment("QG_WIZARD_B"), applied ? "" : "(unset)");
    EXPECT_EQ(java.environment("QG_WIZARD_C"), applied ? "" : "(unset)");
    EXPECT_EQ(script.getCapturedOutput(), "out\n");
    EXPECT_EQ(script.getCapturedError(), "err\n");
  }
  EXPECT_NE(logText().find("Executing launch script command: \"" + home +
                           "/bin/java\"; echo out; "
                           "echo err >&2; exit 7 in working directory " +
                           media +
                           "\nOutput from the launch script execution\nStdOut:\nout\n\n"
                           "ErrOut:\nerr\n\n"),
            std::string::npos)
      << logText();
  for (const char *name : {"QG_WIZARD_A", "QG_WIZARD_B", "QG_WIZARD_C", "JAVA_HOME"})
    ::unsetenv(name);
}

TEST_F(LaunchScriptTest, AConsoleGetsTheOutputAndNothingIsCaptured) {
  const std::string media = temp_.file("media");
  std::filesystem::create_directory(media);
  const std::string here = std::filesystem::current_path().string();
  TagFile tags;
  tags.setValue("COMMAND", SString("pwd > " + temp_.file("cwd")));
  tags.setValue("DISPLAY_CONSOLE", "1");
  tags.setValue("AUTO_SET_WORKING_DIR", "0");
  LaunchScript console(tags, true);
  EXPECT_EQ(console.execute(host_, sampleJVMFile(), nullptr, false), 0);
  EXPECT_EQ(readFile(temp_.file("cwd")), here + "\n");
  EXPECT_NE(logText().find(" in current working directory\n"), std::string::npos);
  EXPECT_EQ(logText().find("Output from the launch script execution"), std::string::npos);

  // forceConsole has the same effect for a script that would capture.
  host_.launcherPath = SString(media + "/setup.bin");
  LaunchScript forced(SString("echo shown"), true, false);
  forced.execute(host_, sampleJVMFile(), nullptr, /*forceConsole=*/true);
  EXPECT_EQ(forced.getCapturedOutput(), "");
  EXPECT_EQ(logText().find("Output from the launch script execution"), std::string::npos);
}
