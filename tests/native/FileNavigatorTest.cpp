// Tests of the directory walkers: order, links, stopping, skipping, progress and removal.
#include "native/launcher/linux/FileNavigator.h"

#include "base/Log.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/FileSystem.h"
#include "tests/support/TempDir.h"
#include "tests/support/Undeletable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

// Records every reported file; stops at the file named stopAt, skips the directory skip.
class Recorder final : public FileNavigator {
public:
  bool onFile(const SString &path) override {
    files.push_back(path.str());
    return !stopAt.empty() && path.endsWith(stopAt);
  }
  bool skipDirectory(const SString &path) override { return !skip.empty() && path == skip.c_str(); }

  std::vector<std::string> files;
  std::string stopAt;
  std::string skip;
};

void makeDir(const std::string &path) {
  ASSERT_EQ(0, ::mkdir(path.c_str(), 0755));
}

// The subdirectories of path in the order the system lists them.
std::vector<std::string> listedDirectories(const std::string &path) {
  std::vector<std::string> names;
  DIR *dir = ::opendir(path.c_str());
  while (const dirent *entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    struct stat status {};
    if (name != "." && name != ".." && ::lstat((path + "/" + name).c_str(), &status) == 0 &&
        S_ISDIR(status.st_mode))
      names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

std::vector<std::string> toVector(const StringDeque &list) {
  std::vector<std::string> items;
  for (const SString &item : list)
    items.push_back(item.str());
  return items;
}

class FileNavigatorTest : public ::testing::Test {
protected:
  void SetUp() override {
    resetLogForTesting();
    setLogFile(temp_.file("walk.log").c_str());
    // a/{f1, b/{f2}, c/{f3}}
    root_ = temp_.file("a");
    makeDir(root_);
    writeFile(root_ + "/f1", "1");
    makeDir(root_ + "/b");
    writeFile(root_ + "/b/f2", "2");
    makeDir(root_ + "/c");
    writeFile(root_ + "/c/f3", "3");
  }
  void TearDown() override {
    resetLogForTesting();
    resetConsoleForTesting();
  }

  TempDir temp_;
  std::string root_;
};

} // namespace

TEST_F(FileNavigatorTest, FilesBeforeSubdirectoriesLastFoundFirst) {
  Recorder walker;
  EXPECT_FALSE(walker.walk(root_.c_str()));
  const std::vector<std::string> subs = listedDirectories(root_);
  ASSERT_EQ(2u, subs.size());
  const std::string first = root_ + "/" + subs[0], second = root_ + "/" + subs[1];
  EXPECT_EQ((std::vector<std::string>{root_, second, first}), toVector(walker.getVisited()));
  const auto fileIn = [](const std::string &d) { return d + (d.ends_with("/b") ? "/f2" : "/f3"); };
  EXPECT_EQ((std::vector<std::string>{root_ + "/f1", fileIn(second), fileIn(first)}), walker.files);
}

TEST_F(FileNavigatorTest, StartWithTrailingSlashGetsNoDoubleSlash) {
  Recorder walker;
  walker.walk((root_ + "/").c_str());
  EXPECT_EQ(3u, walker.files.size());
  for (const std::string &f : walker.files)
    EXPECT_EQ(std::string::npos, f.find("//")) << f;
}

TEST_F(FileNavigatorTest, LinkToDirectoryIsReportedAsAFile) {
  ASSERT_EQ(0, ::symlink((root_ + "/b").c_str(), (root_ + "/c/link").c_str()));
  Recorder walker;
  walker.walk((root_ + "/c").c_str());
  EXPECT_EQ((std::vector<std::string>{root_ + "/c"}), toVector(walker.getVisited()));
  std::sort(walker.files.begin(), walker.files.end());
  EXPECT_EQ((std::vector<std::string>{root_ + "/c/f3", root_ + "/c/link"}), walker.files);
}

TEST_F(FileNavigatorTest, StopAndSkip) {
  Recorder stopper;
  stopper.stopAt = "/f1";
  EXPECT_TRUE(stopper.walk(root_.c_str()));
  EXPECT_EQ((std::vector<std::string>{root_ + "/f1"}), stopper.files);

  Recorder skipper;
  skipper.skip = root_ + "/b";
  EXPECT_FALSE(skipper.walk(root_.c_str()));
  std::sort(skipper.files.begin(), skipper.files.end());
  EXPECT_EQ((std::vector<std::string>{root_ + "/c/f3", root_ + "/f1"}), skipper.files);
  // A skipped directory still counts as visited.
  EXPECT_EQ(3, skipper.getVisited().count());
}

TEST_F(FileNavigatorTest, MissingStartIsPassedOver) {
  Recorder walker;
  EXPECT_FALSE(walker.walk(temp_.file("missing").c_str()));
  EXPECT_TRUE(walker.files.empty());
  EXPECT_EQ(1, walker.getVisited().count());
}

TEST_F(FileNavigatorTest, OneProgressStepPerThousandFiles) {
  std::FILE *out = std::tmpfile();
  ASSERT_NE(nullptr, out);
  resetConsoleForTesting(out);
  const std::string many = temp_.file("many");
  makeDir(many);
  for (int i = 0; i < 1999; ++i)
    writeFile(many + "/" + std::to_string(i), "");
  Recorder walker;
  walker.walk(many.c_str());
  EXPECT_EQ(1999u, walker.files.size());
  EXPECT_EQ(2, getProgress()); // one step of 1 counts twice
  resetConsoleForTesting();
  std::fclose(out);
}

TEST_F(FileNavigatorTest, DeleteFullDirRemovesTheTree) {
  DeleteFullDir remover;
  EXPECT_FALSE(remover.walk(root_.c_str()));
  EXPECT_FALSE(pathExists(root_.c_str()));
  EXPECT_EQ(0, remover.getFailed().count());
}

TEST_F(FileNavigatorTest, DeleteFullDirKeepsOnlyTheBranchThatFailed) {
  const std::string bad = root_ + "/b/bad";
  makeDir(bad);
  writeFile(bad + "/stuck", "x");
  Undeletable stuck(bad + "/stuck");
  if (!stuck.holds())
    GTEST_SKIP() << "this file system cannot keep a file from being deleted";
  DeleteFullDir remover;
  remover.walk(root_.c_str());

  EXPECT_TRUE(pathExists((bad + "/stuck").c_str()));
  EXPECT_FALSE(pathExists((root_ + "/b/f2").c_str()));
  EXPECT_FALSE(pathExists((root_ + "/c").c_str()));
  EXPECT_FALSE(pathExists((root_ + "/f1").c_str()));
  EXPECT_EQ((std::vector<std::string>{bad}), toVector(remover.getFailed()));
  // The file and its directory are told; the ancestors are kept without further lines.
  EXPECT_EQ("------------------\n"
            "WARNING: Could not delete " +
                bad + "/stuck :  " + stuck.reason() +
                "\n"
                "WARNING: Could not delete " +
                bad + " :  Directory not empty\n",
            readFile(temp_.file("walk.log")));
}

// Links are removed as themselves: a link to a directory outside the tree leaves that
// directory alone, and neither it nor a dangling link keeps the tree from going.
TEST_F(FileNavigatorTest, DeleteFullDirRemovesLinksWithoutFollowingThem) {
  const std::string outside = temp_.file("outside");
  makeDir(outside);
  writeFile(outside + "/keep", "x");
  ASSERT_EQ(0, ::symlink(outside.c_str(), (root_ + "/b/to-outside").c_str()));
  ASSERT_EQ(0, ::symlink((root_ + "/nothing").c_str(), (root_ + "/c/dangling").c_str()));
  DeleteFullDir remover;
  remover.walk(root_.c_str());
  EXPECT_FALSE(pathExists(root_.c_str()));
  EXPECT_EQ(0, remover.getFailed().count());
  EXPECT_EQ("x", readFile(outside + "/keep"));
}

// A failure in "lib64" must not keep its sibling "lib", whose name is a prefix of it.
TEST_F(FileNavigatorTest, DeleteFullDirTellsSiblingsFromPrefixes) {
  const std::string tree = temp_.file("tree");
  makeDir(tree);
  // Several pairs with different names, so that the listing order of some pair (which
  // the file system decides from the names) shows the fault.
  const auto pair = [&](int i) {
    const std::string name = tree + "/lib" + std::to_string(i);
    return std::make_pair(name, name + "64");
  };
  std::vector<std::unique_ptr<Undeletable>> stuck;
  for (int i = 0; i < 8; ++i) {
    const auto [lib, lib64] = pair(i);
    makeDir(lib);
    writeFile(lib + "/f", "");
    makeDir(lib64);
    writeFile(lib64 + "/stuck", "");
    stuck.push_back(std::make_unique<Undeletable>(lib64 + "/stuck"));
    if (!stuck.back()->holds())
      GTEST_SKIP() << "this file system cannot keep a file from being deleted";
  }
  DeleteFullDir remover;
  remover.walk(tree.c_str());
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(pathExists(pair(i).first.c_str()));
    EXPECT_TRUE(pathExists(pair(i).second.c_str()));
  }
}

namespace {

// Records what FindFiles reports; stops at the path stopAt.
class FoundFiles final : public FileFindListener {
public:
  bool fileFound(const SString &path) override {
    found.push_back(path.str());
    return path == stopAt.c_str();
  }
  std::vector<std::string> found;
  std::string stopAt;
};

StringDeque deque(std::initializer_list<const char *> items) {
  StringDeque list;
  for (const char *item : items)
    list.add(item);
  return list;
}

// A socket in the tree, made by binding a Unix socket to path.
bool makeSocket(const std::string &path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (fd < 0 || path.size() >= sizeof address.sun_path)
    return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
  ::close(fd);
  return bound;
}

} // namespace

TEST_F(FileNavigatorTest, FindFilesMatchesNamesOnlyAfterASlash) {
  const std::string tree = temp_.file("disk");
  for (const char *dir : {"", "/opt", "/opt/j", "/opt/j/bin", "/opt/j/jre", "/opt/j/jre/bin",
                          "/usr", "/usr/bin", "/usr/sbin"})
    makeDir(tree + dir);
  for (const char *file : {"/opt/j/jre/bin/java", "/usr/bin/java", "/usr/bin/javac",
                           "/usr/bin/xjava", "/usr/sbin/java", "/java"})
    writeFile(tree + file, "");
  const StringDeque names = deque({"bin/java", "jre/bin/java"});
  FoundFiles listener;
  FindFiles finder(names, listener, SString(temp_.file("qgjTEMP")));
  EXPECT_FALSE(finder.walk(SString(tree)));
  std::sort(listener.found.begin(), listener.found.end());
  // A path that ends with both names is reported once for each.
  EXPECT_EQ(listener.found,
            (std::vector<std::string>{tree + "/opt/j/jre/bin/java", tree + "/opt/j/jre/bin/java",
                                      tree + "/usr/bin/java"}));
  // A walk of a whole disk keeps no list of what it saw.
  EXPECT_EQ(finder.getVisited().count(), 0);

  FoundFiles stopper;
  stopper.stopAt = tree + "/usr/bin/java";
  FindFiles stopping(names, stopper, SString(temp_.file("qgjTEMP")));
  EXPECT_TRUE(stopping.walk(SString(tree)));
  EXPECT_EQ(stopper.found.back(), stopper.stopAt);
}

TEST_F(FileNavigatorTest, FindFilesKeepsOutOfTemporaryAndKernelFileSystems) {
  const StringDeque names = deque({"bin/java"});
  FoundFiles listener;
  const std::string tempRoot = temp_.file("qgjTEMP");
  FindFiles finder(names, listener, SString(tempRoot));
  EXPECT_TRUE(finder.skipDirectory("/tmp"));
  EXPECT_FALSE(finder.skipDirectory("/tmp/other"));
  EXPECT_TRUE(finder.skipDirectory(SString(tempRoot)));
  EXPECT_TRUE(finder.skipDirectory(SString(tempRoot + "/")));
  EXPECT_FALSE(finder.skipDirectory(SString(temp_.path())));
  // Kernel file systems are told by what they are, not by their names.
  for (const char *kernel : {"/proc", "/proc/self", "/sys"}) {
    SCOPED_TRACE(kernel);
    FindFiles walker(deque({"status"}), listener, SString(tempRoot));
    EXPECT_FALSE(walker.walk(kernel));
  }
  EXPECT_TRUE(listener.found.empty());
  const std::string log = readFile(temp_.file("walk.log"));
  EXPECT_NE(log.find("\nNot searching /proc: a kernel file system holds no Java VM.\n"),
            std::string::npos)
      << log;
}

TEST_F(FileNavigatorTest, SocketsAreNeitherWalkedNorReportedButRemoved) {
  if (!makeSocket(root_ + "/c/socket"))
    GTEST_SKIP() << "cannot make a socket here";
  Recorder walker;
  walker.walk(SString(root_));
  EXPECT_EQ(std::count(walker.files.begin(), walker.files.end(), root_ + "/c/socket"), 0);
  DeleteFullDir remover;
  remover.walk(SString(root_));
  EXPECT_FALSE(pathExists(SString(root_)));
}

TEST_F(FileNavigatorTest, TrustedPathsBelongToTrustedUsersAndCannotBeWrittenByOthers) {
  const std::string home = temp_.file("jdk");
  makeDir(home);
  makeDir(home + "/bin");
  writeFile(home + "/bin/java", "");
  ::chmod((home + "/bin/java").c_str(), 0755);
  EXPECT_TRUE(isTrustedPath(SString(home + "/bin/java")));

  struct Case {
    const char *label;
    std::string path;
    mode_t mode;
    bool trusted;
  } cases[] = {
      {"program writable by others", home + "/bin/java", 0757, false},
      {"program writable by the group", home + "/bin/java", 0775, false},
      {"directory writable by others", home + "/bin", 0777, false},
      {"directory writable by others with the sticky bit", home + "/bin", 01777, true},
      {"directory writable by the group", home, 0775, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    struct stat before {};
    ::stat(c.path.c_str(), &before);
    ::chmod(c.path.c_str(), c.mode);
    EXPECT_EQ(isTrustedPath(SString(home + "/bin/java")), c.trusted);
    ::chmod(c.path.c_str(), before.st_mode & 07777);
  }
  // A link counts as itself, and what it leads to must pass too.
  ::symlink((home + "/bin/java").c_str(), (home + "/bin/link").c_str());
  EXPECT_TRUE(isTrustedPath(SString(home + "/bin/link")));
  const std::string open = temp_.file("open");
  makeDir(open);
  ::chmod(open.c_str(), 0777);
  writeFile(open + "/java", "");
  ::symlink((open + "/java").c_str(), (home + "/bin/elsewhere").c_str());
  EXPECT_FALSE(isTrustedPath(SString(home + "/bin/elsewhere")));
  EXPECT_FALSE(isTrustedPath(SString(home + "/bin/missing")));
  EXPECT_FALSE(isTrustedPath("bin/java"));
  if (::geteuid() == 0) {
    ::chown((home + "/bin/java").c_str(), 65534, 65534);
    EXPECT_FALSE(isTrustedPath(SString(home + "/bin/java")));
  }
}
