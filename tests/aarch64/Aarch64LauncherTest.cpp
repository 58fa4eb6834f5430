// The stub for 64-bit ARM, run under qemu-user on launchers that qgpack packs with
// --arch aarch64: on the same payload it must do exactly what the native stub does.
#include "payload/StubArchitecture.h"
#include "tagfile/TagFile.h"
#include "tests/launcher/LauncherProcessFixture.h"
#include "tests/support/FakeJava.h"

#include <filesystem>
#include <map>
#include <regex>

namespace {
namespace fs = std::filesystem;

const std::string kArm = "aarch64";

std::string armStubPath() {
  return std::string(QG_BIN_DIR) + "/qglaunch-aarch64";
}

class Aarch64LauncherTest : public LauncherProcessTest {
protected:
  // The emulator is started explicitly: a binfmt registration is not there on every machine.
  void SetUp() override {
    qemu_ = findOnPath("qemu-aarch64-static");
    if (qemu_.empty())
      GTEST_SKIP() << "qemu-aarch64-static is not installed (Debian: qemu-user-static), so "
                      "the aarch64 stub cannot run here";
    if (runProcess(qemu_, {"--version"}).status != 0)
      GTEST_SKIP() << qemu_ << " does not run on this machine";
    if (!fs::exists(armStubPath()))
      GTEST_SKIP() << armStubPath() << " is missing (make stubs builds it)";
  }

  // Packs the entries with the stub of arch into the test directory's file name.
  std::string packFor(const std::string &arch, const std::string &name,
                      std::vector<std::string> entries) {
    entries.insert(entries.begin(), {"--arch", arch});
    return pack(name, entries);
  }

  // Runs a launcher file of arch: natively, or under the emulator with the same argv[0].
  ProcessResult runFor(const std::string &arch, const std::string &launcher,
                       std::vector<std::string> arguments, const ProcessOptions &options = {}) {
    if (arch != kArm)
      return run(launcher, arguments, options);
    arguments.insert(arguments.begin(), launcher);
    return run(qemu_, arguments, options);
  }

  std::string qemu_;
};

// Every file of a directory, by name.
std::map<std::string, std::string> filesIn(const std::string &directory) {
  std::map<std::string, std::string> files;
  for (const auto &item : fs::directory_iterator(directory))
    files[item.path().filename().string()] = readFile(item.path().string());
  return files;
}

} // namespace

TEST_F(Aarch64LauncherTest, RunsOptionsAndScriptsWithTheNativeConsoleOutput) {
  writeFile(temp_.file("launch.txt"), "DESC: Caf\\u00E9 Setup\n");
  const std::string title = "  INITIALIZE_UI\n";
  const std::string jumps = "  SET N1 = 0\n  JMP0 @N1@ SKIP\n  FOO\n  :SKIP\n  BAR\n";
  struct Case {
    const char *label;
    std::string script; // empty: the bare stub, without payload
    std::vector<std::string> arguments;
    std::vector<std::string> environment;
    std::string out;
    int status;
  } cases[] = {
      {"version", "", {"-qg:version"}, {}, "2.51\n", 0},
      {"no payload",
       "",
       {},
       {},
       "The launcher file is damaged or incomplete: it carries no file index.\n",
       255},
      // The title is cut before its first non-ASCII character in the C locale.
      {"title", title, {}, {}, "Caf\n\nInitializing Caf...\n\n", 0},
      {"UTF-8 title",
       title,
       {},
       {"LC_ALL=C.UTF-8"},
       "Caf\xc3\xa9 Setup\n\nInitializing Caf\xc3\xa9 Setup...\n\n",
       0},
      {"jumps",
       jumps,
       {},
       {},
       "Caf\nError in instructions. Invalid command (BAR).  Line number (5)\n",
       255},
      {"silent", jumps, {"-qg:silent"}, {}, "", 255},
      {"version after the payload", jumps, {"-qg:version"}, {}, "2.51\n", 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    ProcessOptions options;
    options.environment = c.environment;
    ProcessResult results[2];
    for (int i = 0; i < 2; ++i) {
      const std::string arch = i == 0 ? nativeArchitecture() : kArm;
      std::string launcher = arch == kArm ? armStubPath() : launcherStubPath();
      if (!c.script.empty())
        launcher =
            packScript(c.script, {"--arch", arch, "--launch-script", temp_.file("launch.txt")});
      results[i] = runFor(arch, launcher, c.arguments, options);
    }
    EXPECT_EQ(results[0].out, c.out);
    EXPECT_EQ(results[0].status, c.status);
    EXPECT_EQ(results[1].out, results[0].out);
    EXPECT_EQ(results[1].status, results[0].status);
  }
}

TEST_F(Aarch64LauncherTest, ExtractsThePayloadAndRunsItsInputFileAsTheNativeOneDoes) {
  writeFile(temp_.file("instructions.txt"), "INSTRUCTIONS:\n  INITIALIZE_UI\n  FOO\n/:\n");
  writeFile(temp_.file("java.jvm"), "DESC: Java\n");
  // Bytes above 0x7F and NULs, which a signed or unsigned char must not change.
  std::string archive = std::string("PK\0\3", 4);
  for (int i = 0; i < 70000; ++i)
    archive.push_back(static_cast<char>(i * 7));
  writeFile(temp_.file("app.jar"), archive);
  const std::vector<std::string> entries = {"--instructions", temp_.file("instructions.txt"),
                                            "--jvm",          temp_.file("java.jvm"),
                                            "--app-archive",  temp_.file("app.jar")};

  const std::string armLauncher = packFor(kArm, "arm.bin", entries);
  EXPECT_EQ(readFile(armLauncher).substr(0, 4096), readFile(armStubPath()).substr(0, 4096));
  const ProcessResult listed =
      runProcess(std::string(QG_BIN_DIR) + "/qgpack", {"list", armLauncher});
  EXPECT_EQ(listed.out.substr(listed.out.rfind("launcher type:")),
            "launcher type: 1\nintegrity record: present\nstub architecture: aarch64\n");

  std::map<std::string, std::string> extracted[2];
  for (int i = 0; i < 2; ++i) {
    const std::string arch = i == 0 ? nativeArchitecture() : kArm;
    SCOPED_TRACE(arch);
    const std::string launcher = i == 0 ? packFor(arch, "native.bin", entries) : armLauncher;
    const std::string out = temp_.file("out-" + arch);
    ASSERT_TRUE(fs::create_directory(out));
    ProcessOptions options;
    options.workingDirectory = out;
    ProcessResult result = runFor(arch, launcher, {"-qg:extract"}, options);
    EXPECT_EQ(result.out, "....\n");
    EXPECT_EQ(result.status, 0);
    extracted[i] = filesIn(out);

    // The extracted input file runs the extracted script.
    result = runFor(arch, launcher, {"-qg:in", "input.tag"}, options);
    EXPECT_EQ(result.out, "Error in instructions. Invalid command (FOO).  Line number (2)\n");
    EXPECT_EQ(result.status, 255);
  }
  EXPECT_EQ(extracted[0]["input.tag"],
            "ACTION:  RUN_INSTRUCTIONS\nINSTRUCTIONS:  instructions.txt\nJVM:  java.jvm\n");
  EXPECT_EQ(extracted[0]["app.jar"], archive);
  EXPECT_EQ(extracted[1], extracted[0]);
}

// What a wizard sees is the same on both: the argument vector, its working directory and
// JAVA_HOME, here for a launcher reached through a link to its directory, as an installed
// product often is; its exit status becomes the launcher's.
TEST_F(Aarch64LauncherTest, LaunchGivesTheFakeJavaTheNativeArgumentVector) {
  FakeJava java(temp_.file("jre"));
  java.setExitCode(3);
  writeFile(temp_.file("java.jvm"), "DESC: Java\nJVM_HOME: " + java.home() +
                                        "\nJVM_EXE: bin/java\nCLASSPATH: \"-cp \"\n"
                                        "CLASSPATH_SEPARATOR: :\nSYSTEM: -D\nSYSTEM_SEPARATOR: =\n"
                                        "MAXIMUM_HEAP_SIZE: -Xmx\n");
  TagFile launch;
  launch.setValue("DESC", "Product");
  launch.setValue("COMMAND", "\"@JVM_HOME@/@JVM_EXE@\" %CP%() "
                             "%SYSTEMPROP%(\"qg.launcher.file\", \"\"\"%LAUNCHER_FILE%()\"\"\") "
                             "%SYSTEMPROP%(\"qg.media.home\", \"\"\"%LAUNCHER_DIR%()\"\"\") "
                             "%SYSTEMPROP%(\"temp.dir\", \"\"\"%TEMP_DIR%()\"\"\") "
                             "%IF_EXISTS%(\"MAXIMUM_HEAP_SIZE\", \"@MAXIMUM_HEAP_SIZE@256m\") "
                             "%RUNTIME_JAVAARGS%() run");
  launch.setValue("ARCHIVE", "\"%APPLICATION_ARCHIVE%()\"");
  launch.write(SString(temp_.file("launch.txt")));
  writeFile(temp_.file("app.jar"), "PK archive");
  writeFile(temp_.file("instructions.txt"),
            "INSTRUCTIONS:\n  LAUNCH \"" + temp_.file("java.jvm") + "\" 0\n/:\n");
  ASSERT_TRUE(fs::create_directory(temp_.file("media")));
  fs::create_directory_symlink("media", temp_.file("product"));
  const std::vector<std::string> arguments = {"one", "two words", "caf\xc3\xa9",
                                              "it's \"$HOME\" `x`", "-console"};

  struct Seen {
    ProcessResult result;
    std::vector<std::string> arguments;
    std::string workingDirectory;
    std::string javaHome;
  } seen[2];
  for (int i = 0; i < 2; ++i) {
    const std::string arch = i == 0 ? nativeArchitecture() : kArm;
    SCOPED_TRACE(arch);
    java.clearRecord();
    packFor(arch, "media/setup.bin",
            {"--instructions", temp_.file("instructions.txt"), "--launch-script",
             temp_.file("launch.txt"), "--app-archive", temp_.file("app.jar")});
    seen[i].result = runFor(arch, temp_.file("product/setup.bin"), arguments);
    ASSERT_EQ(java.runs(), 1);
    // The archive's temporary directory has a new random name on every run.
    for (const std::string &argument : java.arguments())
      seen[i].arguments.push_back(
          std::regex_replace(argument, std::regex("/qgj[a-zA-Z0-9]{6}/"), "/qgjXXXXXX/"));
    seen[i].workingDirectory = java.workingDirectory();
    seen[i].javaHome = java.environment("JAVA_HOME");
  }
  EXPECT_EQ(seen[0].result.status, 3);
  EXPECT_EQ(seen[0].result.out, "Product\n");
  EXPECT_EQ(seen[0].arguments,
            (std::vector<std::string>{"-cp", temp_.path() + "/qgjXXXXXX/app.jar",
                                      "-Dqg.launcher.file=" + temp_.file("product/setup.bin"),
                                      "-Dqg.media.home=" + temp_.file("product"), "-Dtemp.dir=/tmp",
                                      "-Xmx256m", "run", "one", "two words", "caf\xc3\xa9",
                                      "it's \"$HOME\" `x`", "-console"}));
  EXPECT_EQ(seen[0].javaHome, java.home());
  EXPECT_EQ(seen[1].result.status, seen[0].result.status);
  EXPECT_EQ(seen[1].result.out, seen[0].result.out);
  EXPECT_EQ(seen[1].arguments, seen[0].arguments);
  EXPECT_EQ(seen[1].workingDirectory, seen[0].workingDirectory);
  EXPECT_EQ(seen[1].javaHome, seen[0].javaHome);
}
