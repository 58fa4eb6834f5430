// Tests of the verification of a candidate JVM: its output protocol, the command it runs,
// and what it refuses to run; with fake JVMs, and with the system's own JDK where there is
// one.
#include "jvm/JVMFile.h"

#include "tests/jvm/JVMTestSupport.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

StringPairPtrDeque properties(std::initializer_list<std::pair<const char *, const char *>> list) {
  StringPairPtrDeque expected;
  for (const auto &[name, value] : list) {
    auto pair = std::make_unique<StringPair>();
    pair->name = name;
    pair->value = value;
    expected.add(std::move(pair));
  }
  return expected;
}

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

TEST(CheckVerifyOutput, FindsTheMagicLineAndMatchesPropertiesByPosition) {
  struct Case {
    const char *label;
    const char *output;
    std::vector<std::pair<const char *, const char *>> expected;
    bool passes;
  } cases[] = {
      {"a notice first", "JVM notice\n1739021872\n1.4.2_05\n", {{"java.version", "1.4..."}}, true},
      {"another prefix", "1739021872\n1.4.2_05\n", {{"java.version", "1.4.1..."}}, false},
      {"the prefix itself", "1739021872\n1.4\n", {{"java.version", "1.4..."}}, true},
      {"shorter than the prefix", "1739021872\n1\n", {{"java.version", "1.4..."}}, false},
      {"dots alone take an empty line", "1739021872\n\n", {{"x", "..."}}, true},
      {"unknown property", "1739021872\nnull\n", {{"x", "null"}}, true},
      {"unknown property, other value", "1739021872\nnull\n", {{"x", "17"}}, false},
      {"carriage returns and blanks", "  1739021872 \r\n 17\r\n", {{"v", "17"}}, true},
      {"nothing after the magic line", "1739021872", {{"a", "1"}, {"b", "2"}}, true},
      {"fewer lines than properties", "1739021872\n1\n", {{"a", "1"}, {"b", "2"}}, true},
      {"first mismatch ends it", "1739021872\n1\n3\n", {{"a", "2"}, {"b", "3"}}, false},
      {"no magic line", "Error: could not find Verify\n", {}, false},
      {"empty output", "", {}, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    StringPairPtrDeque expected;
    for (const auto &[name, value] : c.expected) {
      auto pair = std::make_unique<StringPair>();
      pair->name = name;
      pair->value = value;
      expected.add(std::move(pair));
    }
    EXPECT_EQ(JVMFile::checkVerifyOutput(SString(c.output), expected), c.passes);
  }
}

TEST_F(JVMTest, AMissingMagicLineIsLoggedWithTheLastLineRead) {
  JVMFile::checkVerifyOutput("Error: no class\nExiting\n", properties({}));
  JVMFile::checkVerifyOutput("", properties({}));
  EXPECT_NE(logText().find("ERROR: Invalid magic value: Exiting\n\nERROR: Invalid magic value: "
                           "\n\n"),
            std::string::npos)
      << logText();
}

TEST_F(JVMTest, VerificationRunsTheCommandAndJudgesTheAnswer) {
  FakeJava java(temp_.file("jdk"));
  java.setPreamble("Picked up _JAVA_OPTIONS\n");
  java.setProperty("java.version", "17.0.15");
  java.setProperty("java.specification.version", "17");
  TagFile &tags = jvmTags("DESC: Java 17\nJVM_EXE: bin/java\nCLASSPATH: \"-cp \"\n"
                          "JVM_PROPERTIES:\n  java.vendor\n  java.version = 17...\n"
                          "  java.specification.version=17\n/:\n");
  JVMFile jvm(tags);
  std::filesystem::create_directories(temp_.file("media"));
  const SString classpath = SString("\"" + temp_.file("Verify.jar") + "\"");
  for (const std::string &home : {java.home(), java.home() + "/"}) {
    SCOPED_TRACE(home);
    const std::unique_ptr<JVMMatch> match =
        jvm.verify(host_, SString(home), classpath, "\"Verify\"");
    ASSERT_NE(match, nullptr);
    EXPECT_EQ(match->getHome(), SString(home));
    EXPECT_EQ(match->getTagFile(), &tags);
    EXPECT_FALSE(match->getJVMTemp());
    // The property without "=" is neither asked nor compared.
    EXPECT_EQ(java.arguments(),
              (std::vector<std::string>{"-cp", temp_.file("Verify.jar"), "Verify", "java.version",
                                        "java.specification.version"}));
    EXPECT_EQ(java.environment("JAVA_HOME"), home);
  }
  const std::string log = logText();
  EXPECT_NE(log.find("Verifying JVM at " + java.home() + "/bin/java\n   for JVM: Java 17\n"),
            std::string::npos)
      << log;
  EXPECT_NE(
      log.find("WARNING: Invalid JVM_PROPERTIES setting (java.vendor) in JVM File java.jvm\n"),
      std::string::npos);
  EXPECT_NE(log.find("Executing launch script command: \"" + java.home() + "/bin/java\" -cp \"" +
                     temp_.file("Verify.jar") +
                     "\" \"Verify\" java.version java.specification.version in working directory " +
                     temp_.file("media") + "\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Found matching JVM at " + java.home() + "\n"), std::string::npos);

  java.setProperty("java.specification.version", "11");
  EXPECT_EQ(jvm.verify(host_, SString(java.home()), classpath, "\"Verify\""), nullptr);
  java.setProperty("java.specification.version", "17");
  java.setMagic(false);
  EXPECT_EQ(jvm.verify(host_, SString(java.home()), classpath, "\"Verify\""), nullptr);
}

TEST_F(JVMTest, CandidatesThatCannotBeRunAreNeverStarted) {
  TagFile &tags = jvmTags("DESC: Java\nJVM_EXE: bin/java\nJVM_HOME: /shipped\n");
  JVMFile jvm(tags);
  const int before = getProgress();
  EXPECT_EQ(jvm.verify(host_, SString(temp_.file("none")), "", ""), nullptr);
  // Two steps, which count twice.
  EXPECT_EQ(getProgress(), before + 4);
  // The tag file keeps the candidate tried last.
  EXPECT_EQ(tags.getValue("JVM_HOME"), "/shipped");
  EXPECT_NE(logText().find(temp_.file("none") + "/bin/java does not exist\n"), std::string::npos);

  // A directory name with a line feed is never put into a command.
  const std::string odd = temp_.file("line\nfeed");
  FakeJava java(odd);
  EXPECT_EQ(jvm.verify(host_, SString(odd), "", ""), nullptr);
  EXPECT_EQ(java.runs(), 0);
  EXPECT_NE(logText().find("WARNING: Skipping JVM candidate with unsafe characters in its path: " +
                           odd + "\n"),
            std::string::npos);
  // Nothing is looked at without a home or an executable path.
  EXPECT_EQ(jvm.verify(host_, "", "", ""), nullptr);
  TagFile &noExe = jvmTags("DESC: none\n");
  EXPECT_EQ(JVMFile(noExe).verify(host_, SString(odd), "", ""), nullptr);
}

// Blanks, "@", "$", quotes and backquotes in a home are data: it is verified at exactly its
// path, and nothing in it is expanded or run.
TEST_F(JVMTest, HomesWithShellAndMacroCharactersAreVerifiedAtTheirPath) {
  std::filesystem::create_directories(temp_.file("media"));
  const std::string home = temp_.file("user@example.org/my jdk $(touch pwned) `id` \"q\" %CP%()");
  FakeJava java(home);
  java.setProperty("java.version", "17");
  TagFile &tags =
      jvmTags("DESC: Java\nJVM_EXE: bin/java\nJVM_PROPERTIES:\n  java.version=17\n/:\n");
  EXPECT_NE(JVMFile(tags).verify(host_, SString(home), "", "\"Verify\""), nullptr);
  EXPECT_EQ(java.runs(), 1);
  EXPECT_FALSE(std::filesystem::exists(temp_.file("media/pwned")));
  EXPECT_EQ(java.environment("JAVA_HOME"), home);
}

TEST_F(JVMTest, AVerificationThatHangsIsStopped) {
  std::filesystem::create_directories(temp_.file("media"));
  FakeJava java(temp_.file("slow"));
  java.setSleep(30);
  host_.timeoutSeconds = 1;
  TagFile &tags = jvmTags("DESC: Java\nJVM_EXE: bin/java\n");
  EXPECT_EQ(JVMFile(tags).verify(host_, SString(java.home()), "", "\"Verify\""), nullptr);
  EXPECT_NE(logText().find("WARNING: The verification of the JVM at " + java.home() +
                           " did not end within 1 seconds; it was stopped.\n"),
            std::string::npos)
      << logText();
}

TEST_F(JVMTest, VerifyAtJVMHomeNeedsTheProperties) {
  std::filesystem::create_directories(temp_.file("media"));
  FakeJava java(temp_.file("jdk"));
  java.setProperty("java.version", "17");
  TagFile &without =
      jvmTags("DESC: Java\nJVM_EXE: bin/java\nJVM_HOME: " + java.home() + "\n", "bare.jvm");
  EXPECT_EQ(JVMFile(without).verifyAtJVMHome(host_, "", "\"Verify\""), nullptr);
  EXPECT_EQ(java.runs(), 0);
  EXPECT_NE(logText().find("WARNING: Unable to verify bare.jvm because the JVM_PROPERTIES tag was "
                           "not specified.\n"),
            std::string::npos);
  TagFile &with = jvmTags("DESC: Java\nJVM_EXE: bin/java\nJVM_HOME: " + java.home() +
                          "\nJVM_PROPERTIES:\n  java.version=17\n/:\n");
  EXPECT_NE(JVMFile(with).verifyAtJVMHome(host_, "", "\"Verify\""), nullptr);
}

// The real thing: the system's JDK and the verification class that the build made.
TEST_F(JVMTest, TheSystemJDKPassesForItsOwnVersionOnly) {
  const std::string home = systemJavaHome();
  const std::string archive = std::string(QG_BIN_DIR) + "/../share/Verify.jar";
  if (home.empty() || !std::filesystem::exists(archive))
    GTEST_SKIP() << "no JDK here";
  std::filesystem::create_directories(temp_.file("media"));
  JVMFiles files;
  files.setVerifyClass(SString("\"" + archive + "\""), "\"Verify\"");
  // What this JDK is, told by itself.
  FILE *pipe = ::popen(("\"" + home + "/bin/java\" -cp \"" + archive +
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
  ASSERT_FALSE(version.empty()) << answer;

  TagFile &matching = jvmTags("DESC: This JDK\nJVM_EXE: bin/java\nCLASSPATH: \"-cp \"\n"
                              "JVM_PROPERTIES:\n  java.specification.version=" +
                              version + "\n  java.vendor=...\n/:\n");
  TagFile &other = jvmTags("DESC: Another\nJVM_EXE: bin/java\nCLASSPATH: \"-cp \"\n"
                           "JVM_PROPERTIES:\n  java.specification.version=1.3\n/:\n");
  SString classpath, className;
  files.getVerifyClass(host_, classpath, className);
  EXPECT_NE(JVMFile(matching).verify(host_, SString(home), classpath, className), nullptr)
      << logText();
  EXPECT_EQ(JVMFile(other).verify(host_, SString(home), classpath, className), nullptr);
}

TEST_F(JVMTest, TheVerificationClassIsPreparedOnce) {
  JVMFiles files;
  SString classpath, className;
  files.getVerifyClass(host_, classpath, className);
  EXPECT_EQ(classpath, SString("\"" + temp_.file("Verify.jar") + "\""));
  EXPECT_EQ(className, "\"Verify\"");
  files.getVerifyClass(host_, classpath, className);
  EXPECT_EQ(host_.extractions, 1);
  // A class set by an input file is kept; without an archive both stay empty.
  JVMFiles named;
  named.setVerifyClass("\"/opt/x.jar\"", "Check");
  named.getVerifyClass(host_, classpath, className);
  EXPECT_EQ(classpath, "\"/opt/x.jar\"");
  EXPECT_EQ(className, "Check");
  host_.verifyArchive = SString();
  JVMFiles none;
  none.getVerifyClass(host_, classpath, className);
  EXPECT_EQ(classpath, "");
  EXPECT_EQ(className, "");
}
