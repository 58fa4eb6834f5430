// The sample product of samples/hello, packed as `make demo` packs it and run as a user
// runs it: with a fake JVM that the Java home names, and with the system's own JDK.
#include "tests/launcher/LauncherProcessFixture.h"
#include "tests/support/FakeJava.h"

#include <filesystem>

namespace {

class SampleProductTest : public LauncherProcessTest {
protected:
  std::string packSample() {
    const std::string output = temp_.file("setup.bin");
    const ProcessResult packed =
        runProcess("/bin/sh", {std::string(QG_SOURCE_DIR) + "/samples/hello/pack.sh",
                               std::string(QG_BIN_DIR) + "/..", output});
    EXPECT_EQ(packed.status, 0) << packed.err;
    return output;
  }
};

} // namespace

TEST_F(SampleProductTest, TheWizardStartsWithTheJVMThatJavaHomeNames) {
  // JAVA_HOME comes first for every JVM file; the most preferred one asks for Java 25.
  FakeJava java(temp_.file("jdk25"));
  java.setProperty("java.specification.version", "25");
  java.setPreamble("the wizard runs\n");
  ProcessOptions options;
  options.environment.push_back("JAVA_HOME=" + java.home());
  const std::string launcher = packSample();
  const ProcessResult result = run(launcher, {"--exit", "3"}, options);
  EXPECT_EQ(result.status, 0) << result.out;
  EXPECT_NE(result.out.find("Quillgate Sample Setup\n\nInitializing Quillgate Sample Setup...\n"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("\nthe wizard runs\n"), std::string::npos) << result.out;
  const std::vector<std::string> arguments = java.arguments();
  ASSERT_FALSE(arguments.empty());
  EXPECT_EQ(std::vector<std::string>(arguments.end() - 3, arguments.end()),
            (std::vector<std::string>{"run", "--exit", "3"}));
  EXPECT_EQ(arguments[0], "-cp");
  EXPECT_EQ(std::count(arguments.begin(), arguments.end(), "-Dqg.jvm.home=" + java.home()), 1);
  EXPECT_EQ(std::count(arguments.begin(), arguments.end(), "-Dqg.launcher.file=" + launcher), 1);
}

TEST_F(SampleProductTest, TheWizardRunsOnTheSystemJDK) {
  if (runProcess("/bin/sh", {"-c", "command -v java"}).status != 0)
    GTEST_SKIP() << "no JDK here";
  const ProcessResult result = run(packSample(), {"one", "--exit", "7"});
  EXPECT_NE(result.out.find("Hello from the Quillgate sample wizard, running on Java "),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("  [0] one\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("  qg.launcher.file = " + temp_.file("setup.bin") + "\n"),
            std::string::npos);
  // The wizard's exit status is the launcher's.
  EXPECT_EQ(result.status, 7);
}
