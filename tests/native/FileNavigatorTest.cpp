// Tests of the directory walkers: order, links, stopping, skipping, progress and removal.
#include "native/launcher/linux/FileNavigator.h"

#include "base/Log.h"
#include "native/launcher/linux/Console.h"
#include "native/launcher/linux/FileSystem.h"
#include "tests/support/TempDir.h"
#include "tests/support/Undeletable.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <memory>
#include <string>
#include <sys/stat.h>
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
