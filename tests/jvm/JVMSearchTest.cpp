// Tests of the JVM searches: the order of the user's home, the hints and the whole disk,
// and which candidates are verified when; with fake JVMs and a temporary tree for a disk.
#include "jvm/JVMFiles.h"

#include "tests/jvm/JVMTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedVariable {
public:
  ScopedVariable(const char *name, const char *value) : name_(name) {
    if (const char *old = std::getenv(name))
      old_ = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ScopedVariable(const ScopedVariable &) = delete;
  ScopedVariable &operator=(const ScopedVariable &) = delete;
  ~ScopedVariable() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

private:
  const char *name_;
  std::optional<std::string> old_;
};

class JVMSearchTest : public JVMTest {
protected:
  void SetUp() override {
    JVMTest::SetUp();
    std::filesystem::create_directories(temp_.file("media"));
  }

  // A JVM file asking for the given specification version, with more lines after it.
  JVMFile &addJVMFile(const std::string &version, const std::string &more = "",
                      const std::string &exe = "bin/java") {
    TagFile &tags =
        jvmTags("DESC: Java " + version + "\nJVM_EXE: " + exe +
                    "\nJVM_PROPERTIES:\n  java.specification.version=" + version + "\n/:\n" + more,
                "java" + version + ".jvm");
    files_.addJVMFile(std::make_unique<JVMFile>(tags));
    return *files_.getJVMFiles().last();
  }
  // A fake JVM of the given specification version.
  std::unique_ptr<FakeJava> fakeJava(const std::string &home, const std::string &version,
                                     const std::string &exe = "bin/java") {
    auto java = std::make_unique<FakeJava>(home, exe);
    java->setProperty("java.specification.version", version);
    return java;
  }
  std::vector<std::string> matchHomes(const JVMMatchPtrDeque &matches) {
    std::vector<std::string> homes;
    for (const JVMMatch &match : matches)
      homes.push_back(match.getHome().str());
    return homes;
  }
  // The disk of the whole-disk search.
  void useTreeAsDisk() {
    std::filesystem::create_directories(temp_.file("disk"));
    tree_ = std::make_unique<TreePlatform>(temp_.file("disk"));
    setPlatformForTesting(tree_.get());
  }

  JVMFiles files_;
  std::unique_ptr<TreePlatform> tree_;
  ScopedVariable noJavaHome_{"JAVA_HOME", nullptr};
};

} // namespace

TEST_F(JVMSearchTest, TheUserHomeIsTakenForTheFirstJVMFileItSatisfies) {
  addJVMFile("11");
  addJVMFile("17");
  const auto java = fakeJava(temp_.file("jdk17"), "17");
  host_.userJavaHome = SString(java->home());
  JVMMatchPtrDeque matches;
  files_.findJVM(host_, matches);
  ASSERT_EQ(matches.count(), 1);
  EXPECT_EQ(matches.get(0)->getTagFile(), files_.getJVMFile(1).getTagFile());
  EXPECT_EQ(java->runs(), 2);
  const std::string log = logText();
  EXPECT_NE(log.find("Checking user specified Java home directory => " + java->home() + "\n"),
            std::string::npos);
  EXPECT_EQ(log.find("Initiating JVM search based on hints..."), std::string::npos);
}

TEST_F(JVMSearchTest, PlatformHintsSplitTheirVariables) {
  addJVMFile("17", "PLATFORM_HINT:\n  QG_TEST_UNSET\n  QG_TEST_HOMES\n/:\n");
  const auto java = fakeJava(temp_.file("jdk"), "17");
  const ScopedVariable unset("QG_TEST_UNSET", nullptr);
  const ScopedVariable homes("QG_TEST_HOMES", ("/nowhere/a::" + java->home() + ":").c_str());
  host_.userJavaHome = SString(temp_.file("not-a-jdk"));
  JVMMatchPtrDeque matches;
  files_.findJVM(host_, matches);
  ASSERT_EQ(matches.count(), 1);
  EXPECT_EQ(matches.get(0)->getHome(), SString(java->home()));
  EXPECT_FALSE(matches.get(0)->getJVMTemp());
  const std::string log = logText();
  EXPECT_NE(log.find("Initiating JVM search based on hints...\n"), std::string::npos);
  EXPECT_NE(log.find("Searching for Java 17 using platform hints\nChecking JVM at /nowhere/a "
                     "which was resolved from platform hint QG_TEST_HOMES\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("QG_TEST_UNSET"), std::string::npos);
  EXPECT_NE(log.find("Checking JVM at " + java->home() +
                     " which was resolved from platform hint QG_TEST_HOMES\n"),
            std::string::npos);
}

TEST_F(JVMSearchTest, RelativePathHintsLieNextToTheLauncherAndMarkTheMatchTemporary) {
  const auto media = fakeJava(temp_.file("media/jre"), "17");
  addJVMFile("17", "PATH_HINT:\n  /nowhere/jdk\n  jre\n/:\n");
  JVMMatchPtrDeque matches;
  files_.findJVM(host_, matches);
  ASSERT_EQ(matches.count(), 1);
  EXPECT_EQ(matches.get(0)->getHome(), SString(temp_.file("media/jre")));
  EXPECT_TRUE(matches.get(0)->getJVMTemp());
  const std::string log = logText();
  EXPECT_NE(log.find("Searching for Java 17 using path hints\nChecking path hint /nowhere/jdk\n"),
            std::string::npos)
      << log;
  // A relative hint is verified without a line of its own.
  EXPECT_EQ(log.find("Checking path hint " + temp_.file("media/jre")), std::string::npos);

  const auto absolute = fakeJava(temp_.file("opt/jdk"), "17");
  JVMFiles other;
  other.addJVMFile(std::make_unique<JVMFile>(
      jvmTags("DESC: Java\nJVM_EXE: bin/java\nJVM_PROPERTIES:\n  java.specification.version=17\n"
              "/:\nPATH_HINT: " +
              absolute->home() + "\n")));
  JVMMatchPtrDeque absoluteMatches;
  other.findJVM(host_, absoluteMatches);
  ASSERT_EQ(absoluteMatches.count(), 1);
  EXPECT_FALSE(absoluteMatches.get(0)->getJVMTemp());
}

TEST_F(JVMSearchTest, PathEntriesLoseTheDirectoryOfTheExecutable) {
  const auto java = fakeJava(temp_.file("opt/java"), "17", "jre/bin/java");
  addJVMFile("17", "", "jre/bin/java");
  const ScopedVariable path("PATH", ("/usr/bin:/bin::" + java->home() + "/jre/bin").c_str());
  JVMMatchPtrDeque matches;
  files_.findJVM(host_, matches);
  ASSERT_EQ(matches.count(), 1);
  EXPECT_EQ(matches.get(0)->getHome(), SString(java->home() + "/"));
  const std::string log = logText();
  EXPECT_NE(log.find("Searching for Java 17 using platform specific JVM Path hints\n"
                     "Checking JVM at /usr/bin/ which was resolved from the platform JVM path "
                     "/usr/bin\nVerifying JVM at /usr/bin/jre/bin/java\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Checking JVM at " + java->home() +
                     "/ which was resolved from the platform JVM path " + java->home() +
                     "/jre/bin\n"),
            std::string::npos);
}

TEST_F(JVMSearchTest, AJVMFileWithoutPropertiesIsSkippedByEveryHintSearch) {
  TagFile &bare = jvmTags("DESC: Bare\nJVM_EXE: bin/java\nPATH_HINT: /nowhere\n", "bare.jvm");
  files_.addJVMFile(std::make_unique<JVMFile>(bare));
  const auto java = fakeJava(temp_.file("jdk"), "17");
  addJVMFile("17", "PATH_HINT: " + java->home() + "\n");
  JVMMatchPtrDeque matches;
  files_.findJVM(host_, matches);
  ASSERT_EQ(matches.count(), 1);
  const std::string warning = "WARNING: Unable to verify bare.jvm because the JVM_PROPERTIES tag "
                              "was not specified.\n";
  const std::string log = logText();
  std::size_t count = 0;
  for (std::size_t at = log.find(warning); at != std::string::npos; at = log.find(warning, at + 1))
    ++count;
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(log.find("Checking path hint /nowhere"), std::string::npos);
}

TEST_F(JVMSearchTest, OnlyASearchAllFileLeadsToTheDiskAndStopsTheHints) {
  useTreeAsDisk();
  const auto onDisk = fakeJava(temp_.file("disk/opt/jdk17"), "17");
  const auto byHint = fakeJava(temp_.file("hinted"), "11");
  addJVMFile("17", "SEARCH_ALL: 1\nPATH_HINT: /nowhere\n");
  addJVMFile("11", "PATH_HINT: " + byHint->home() + "\n");
  JVMMatchPtrDeque matches;
  files_.findJVM(host_, matches);
  ASSERT_EQ(matches.count(), 1);
  EXPECT_EQ(matches.get(0)->getHome(), SString(onDisk->home()));
  EXPECT_EQ(byHint->runs(), 0) << "the JVM file after a search-all one is not searched by hints";
  EXPECT_NE(logText().find("Beginning exhaustive search\n"), std::string::npos);

  // Without a search-all file the hints fail and the disk is left alone.
  JVMFiles hintsOnly;
  hintsOnly.addJVMFile(std::make_unique<JVMFile>(
      jvmTags("DESC: Java\nJVM_EXE: bin/java\nJVM_PROPERTIES:\n  java.specification.version=21\n"
              "/:\n")));
  resetLogForTesting();
  setLogFile(SString(temp_.file("second.log")));
  JVMMatchPtrDeque none;
  hintsOnly.findJVM(host_, none);
  EXPECT_EQ(none.count(), 0);
  EXPECT_EQ(readFile(temp_.file("second.log")).find("Beginning exhaustive search"),
            std::string::npos);
}

TEST_F(JVMSearchTest, TheDiskSearchOffersEachPathToEveryJVMFileOnce) {
  useTreeAsDisk();
  const auto java = fakeJava(temp_.file("disk/opt/j"), "17", "jre/bin/java");
  addJVMFile("17", "", "jre/bin/java");
  addJVMFile("11", "", "bin/java");
  addJVMFile("21", "", "bin/java");
  addJVMFile("none", "", "");
  JVMMatchPtrDeque matches;
  files_.searchAll(host_, matches, /*stopAtFirst=*/false);
  const UnverifiedJVMMatchPtrDeque &found = files_.getUnverifiedMatches();
  ASSERT_EQ(found.count(), 3);
  EXPECT_EQ(found.get(0)->getJVMFile(), &files_.getJVMFile(0));
  EXPECT_EQ(found.get(0)->getHomes().get(0), SString(java->home()));
  // The same home, found through both names, is kept once.
  EXPECT_EQ(found.get(1)->getHomes().count(), 1);
  EXPECT_EQ(found.get(1)->getHomes().get(0), SString(java->home() + "/jre"));
  EXPECT_EQ(found.get(2)->getJVMFile(), &files_.getJVMFile(2));
  // Only the first file's candidate passes; each was verified once, after the walk.
  EXPECT_EQ(matchHomes(matches), std::vector<std::string>{java->home()});
  EXPECT_EQ(java->runs(), 3);
  EXPECT_NE(logText().find("Processing unverified matches.\n\n"), std::string::npos);
}

TEST_F(JVMSearchTest, SearchAllReportsEveryMatchGroupedByJVMFile) {
  useTreeAsDisk();
  const auto a = fakeJava(temp_.file("disk/a/jdk11"), "11");
  const auto b = fakeJava(temp_.file("disk/b/jdk11"), "11");
  const auto c = fakeJava(temp_.file("disk/c/jdk17"), "17");
  addJVMFile("17");
  addJVMFile("11");
  JVMMatchPtrDeque matches;
  files_.searchAll(host_, matches, /*stopAtFirst=*/false);
  ASSERT_EQ(matches.count(), 3);
  // Grouped by JVM file, in the order in which each file's first candidate was found.
  std::vector<std::string> homes = matchHomes(matches);
  const bool seventeenFirst = homes[0] == c->home();
  const std::vector<std::string> elevens(seventeenFirst ? homes.begin() + 1 : homes.begin(),
                                         seventeenFirst ? homes.end() : homes.begin() + 2);
  EXPECT_TRUE(seventeenFirst || homes[2] == c->home()) << testing::PrintToString(homes);
  EXPECT_EQ(std::count(elevens.begin(), elevens.end(), a->home()), 1);
  EXPECT_EQ(std::count(elevens.begin(), elevens.end(), b->home()), 1);
}

TEST_F(JVMSearchTest, ASingleJVMOfTheFirstFileIsVerifiedAtOnceAndEndsTheWalk) {
  useTreeAsDisk();
  const auto first = fakeJava(temp_.file("disk/first"), "17");
  addJVMFile("17", "SEARCH_ALL: 1\n");
  addJVMFile("11");
  JVMMatchPtrDeque matches;
  files_.findJVM(host_, matches);
  ASSERT_EQ(matches.count(), 1);
  EXPECT_EQ(matches.get(0)->getHome(), SString(first->home()));
  EXPECT_EQ(logText().find("Processing unverified matches."), std::string::npos);

  // Only the second file's JVM: the walk runs to its end and the candidates follow.
  JVMFiles other;
  other.addJVMFile(std::make_unique<JVMFile>(
      jvmTags("DESC: Java 21\nJVM_EXE: bin/java\nSEARCH_ALL: 1\nJVM_PROPERTIES:\n"
              "  java.specification.version=21\n/:\n")));
  other.addJVMFile(
      std::make_unique<JVMFile>(jvmTags("DESC: Java 17\nJVM_EXE: bin/java\nJVM_PROPERTIES:\n"
                                        "  java.specification.version=17\n/:\n")));
  JVMMatchPtrDeque later;
  other.findJVM(host_, later);
  ASSERT_EQ(later.count(), 1);
  EXPECT_EQ(later.get(0)->getHome(), SString(first->home()));
  EXPECT_NE(logText().find("Processing unverified matches."), std::string::npos);
}

// The disk search runs what it finds: never a program that an untrusted user could have put
// there.
TEST_F(JVMSearchTest, CandidatesInDirectoriesOthersCanWriteAreNotRun) {
  useTreeAsDisk();
  const auto java = fakeJava(temp_.file("disk/open/jdk"), "17");
  ::chmod(temp_.file("disk/open").c_str(), 0777);
  addJVMFile("17");
  JVMMatchPtrDeque matches;
  files_.searchAll(host_, matches, /*stopAtFirst=*/false);
  EXPECT_EQ(matches.count(), 0);
  EXPECT_EQ(java->runs(), 0);
  EXPECT_NE(logText().find("WARNING: Skipping JVM candidate not owned by a trusted user: " +
                           java->home() + "/bin/java\n"),
            std::string::npos)
      << logText();
  ::chmod(temp_.file("disk/open").c_str(), 0755);
}

// A search without a match closes the log with every candidate, where it came from and why
// it was refused, in the order examined; the console hears nothing of it.
TEST_F(JVMSearchTest, ASearchWithoutAMatchExplainsEveryRefusalInTheLog) {
  useTreeAsDisk();
  addJVMFile("17", "PLATFORM_HINT: QG_TEST_HOMES\nPATH_HINT: /absent\nSEARCH_ALL: 1\n");
  const auto slow = fakeJava(temp_.file("slow"), "17");
  slow->setSleep(5);
  host_.userJavaHome = SString(slow->home());
  host_.timeoutSeconds = 1;
  const auto old = fakeJava(temp_.file("old"), "11");
  const auto chatty = fakeJava(temp_.file("chatty"), "17");
  chatty->setMagic(false);
  chatty->setPreamble("Picked up JAVA_TOOL_OPTIONS: -Xmx1g\n");
  const auto broken = fakeJava(temp_.file("line\nfeed"), "17");
  const std::string homes =
      old->home() + ":" + chatty->home() + ":" + broken->home() + ":" + temp_.file("empty");
  const ScopedVariable hint("QG_TEST_HOMES", homes.c_str());
  // PATH holds the tools of the fake JVMs, and no Java.
  std::filesystem::create_directories(temp_.file("path/bin"));
  for (const char *tool : {"awk", "cat", "env", "sleep"})
    std::filesystem::create_symlink(std::filesystem::canonical(std::string("/usr/bin/") + tool),
                                    temp_.file("path/bin/") + tool);
  const ScopedVariable path("PATH", temp_.file("path/bin").c_str());
  const auto open = fakeJava(temp_.file("disk/open/jdk"), "17");
  ::chmod(temp_.file("disk/open").c_str(), 0777);

  JVMMatchPtrDeque matches;
  files_.findJVM(host_, matches);
  ::chmod(temp_.file("disk/open").c_str(), 0755);
  EXPECT_EQ(matches.count(), 0);
  const std::string hints = " (platform hint QG_TEST_HOMES), for Java 17: ";
  const std::string expected = "No JVM matched. Examined:\n"
                               "  " +
                               slow->home() +
                               " (the user's Java home of -qg:javahome), for Java 17: the "
                               "verification did not end within 1 seconds\n"
                               "  " +
                               old->home() + hints +
                               "java.specification.version is 11, wanted 17\n"
                               "  " +
                               chatty->home() + hints +
                               "the verification did not print the magic line; its "
                               "first line was: Picked up JAVA_TOOL_OPTIONS: -Xmx1g\n"
                               "  " +
                               temp_.file("line\\x0Afeed") + hints +
                               "unsafe characters in its path\n"
                               "  " +
                               temp_.file("empty") + hints +
                               "no executable bin/java\n"
                               "  " +
                               temp_.file("disk/absent") +
                               " (path hint /absent), for Java 17: no executable "
                               "bin/java\n"
                               "  " +
                               temp_.file("path/") +
                               " (PATH), for Java 17: no executable bin/java\n"
                               "  " +
                               open->home() +
                               " (the disk search), for Java 17: not owned by a trusted user\n";
  const std::string log = logText();
  EXPECT_NE(log.find(expected), std::string::npos) << log;
  EXPECT_EQ(consoleText().find("No JVM matched"), std::string::npos);

  // A search that finds one says nothing of the others.
  host_.userJavaHome = SString(fakeJava(temp_.file("good"), "17")->home());
  JVMMatchPtrDeque found;
  files_.findJVM(host_, found);
  EXPECT_EQ(found.count(), 1);
  EXPECT_EQ(logText().find("No JVM matched", log.size()), std::string::npos);
  // Nor does searchAll with a match; without one it writes the block too.
  JVMFiles none;
  none.addJVMFile(std::make_unique<JVMFile>(jvmTags(
      "DESC: Java 99\nJVM_EXE: bin/java\nJVM_PROPERTIES:\n  java.specification.version=99\n/:\n")));
  JVMMatchPtrDeque all;
  none.searchAll(host_, all, /*stopAtFirst=*/false);
  EXPECT_NE(logText().find("No JVM matched. Examined:\n  " + open->home() +
                           " (the disk search), for Java 99: java.specification.version is 17, "
                           "wanted 99\n"),
            std::string::npos)
      << logText();
}
