// Tests of the file and environment helpers.
#include "native/launcher/linux/FileSystem.h"

#include "base/LauncherException.h"
#include "base/Log.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FileSystemTest : public ::testing::Test {
protected:
  void SetUp() override {
    resetLogForTesting();
    setLogFile(logPath().c_str());
  }
  void TearDown() override { resetLogForTesting(); }

  std::string logPath() const { return temp_.file("test.log"); }
  // The log without its separator line.
  std::string logLines() const {
    const std::string text = readFile(logPath());
    const std::string separator = "------------------\n";
    return text.starts_with(separator) ? text.substr(separator.size()) : text;
  }
  std::string dir(const std::string &name) const {
    const std::string path = temp_.file(name);
    ::mkdir(path.c_str(), 0755);
    return path;
  }

  TempDir temp_;
};

mode_t modeOf(const std::string &path) {
  struct stat status {};
  ::stat(path.c_str(), &status);
  return status.st_mode & 07777;
}

} // namespace

TEST_F(FileSystemTest, EntryKinds) {
  const std::string d = dir("d");
  writeFile(temp_.file("f"), "x");
  ASSERT_EQ(0, ::symlink(d.c_str(), temp_.file("link").c_str()));
  struct Case {
    std::string path;
    bool exists, entryIsDirectory, directory;
  };
  const Case cases[] = {
      {d, true, true, true},
      {temp_.file("f"), true, false, false},
      {temp_.file("link"), true, false, true},
      {temp_.file("missing"), false, false, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(c.exists, pathExists(c.path.c_str()));
    EXPECT_EQ(c.entryIsDirectory, isDirectoryEntry(c.path.c_str()));
    EXPECT_EQ(c.directory, isDirectory(c.path.c_str()));
  }
}

TEST_F(FileSystemTest, RemovePath) {
  writeFile(temp_.file("f"), "x");
  EXPECT_TRUE(removePath(temp_.file("f").c_str()));
  EXPECT_FALSE(pathExists(temp_.file("f").c_str()));
  EXPECT_TRUE(removePath(dir("empty").c_str()));
  EXPECT_FALSE(removePath(temp_.file("missing").c_str()));
  EXPECT_EQ("", logLines()); // a missing path is not worth a warning

  const std::string full = dir("full");
  writeFile(full + "/inside", "x");
  EXPECT_FALSE(removePath(full.c_str()));
  EXPECT_EQ("WARNING: Could not delete " + full + " :  Directory not empty\n", logLines());
}

TEST_F(FileSystemTest, RemoveTreeNeverFollowsALink) {
  const std::string target = dir("target");
  writeFile(target + "/precious", "x");
  const std::string link = temp_.file("link");
  ASSERT_EQ(0, ::symlink(target.c_str(), link.c_str()));
  removeTree(link.c_str());
  // The link goes, as itself; what it points at stays.
  EXPECT_TRUE(pathExists((target + "/precious").c_str()));
  struct stat status {};
  EXPECT_NE(::lstat(link.c_str(), &status), 0);
  EXPECT_EQ("", logLines());

  const std::string tree = dir("tree");
  dir("tree/sub");
  writeFile(tree + "/sub/f", "x");
  removeTree(tree.c_str());
  EXPECT_FALSE(pathExists(tree.c_str()));
  writeFile(temp_.file("single"), "x");
  removeTree(temp_.file("single").c_str());
  EXPECT_FALSE(pathExists(temp_.file("single").c_str()));
}

TEST_F(FileSystemTest, MakeExecutableAddsExecuteBits) {
  const std::string f = temp_.file("tool");
  writeFile(f, "#!/bin/sh\n");
  ::chmod(f.c_str(), 0640);
  makeExecutable(f.c_str());
  EXPECT_EQ(0751u, modeOf(f));
  makeExecutable(temp_.file("missing").c_str()); // ignored
}

TEST_F(FileSystemTest, FitsInFreeSpace) {
  struct Case {
    std::uint64_t fragment, available, bytes, files;
    bool fits;
  };
  const Case cases[] = {
      {4096, 10, 40960, 0, true},
      {4096, 10, 40961, 0, true},  // the partial block of no file is ignored
      {4096, 10, 40961, 1, false}, // one file rounds its last block up
      {4096, 10, 40960, 1, true},  // an exact multiple needs no extra block
      {4096, 10, 36864, 1, true},
      {4096, 10, 32768, 2, true}, // two files: one partial block each
      {4096, 10, 32768, 3, false},
      {4096, 0, 0, 0, true},
      {4096, 0, 1, 1, false},
      {1, 0xFFFFFFFFFFFFull, 0xFFFFFFFFFFFFull, 0, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.bytes << " bytes in " << c.files << " files");
    EXPECT_EQ(c.fits, fitsInFreeSpace(c.fragment, c.available, c.bytes, c.files));
  }
}

TEST_F(FileSystemTest, HasFreeSpace) {
  EXPECT_TRUE(hasFreeSpace(temp_.path().c_str(), 0, 0));
  EXPECT_FALSE(hasFreeSpace(temp_.path().c_str(), 0xFFFFFFFFFFFFFFFFull, 1));
  EXPECT_TRUE(hasFreeSpace("relative/missing", 1, 1)); // the current directory is checked
  EXPECT_TRUE(hasFreeSpace("", 1, 1));
  try {
    hasFreeSpace(temp_.file("missing").c_str(), 1, 1);
    FAIL() << "no exception";
  } catch (const LauncherException &e) {
    EXPECT_EQ(SString("No such file or directory"), e.getMessage());
  }
}

TEST_F(FileSystemTest, RemoveLauncherFile) {
  const std::string alone = dir("alone");
  writeFile(alone + "/launcher", "x");
  removeLauncherFile((alone + "/launcher").c_str());
  EXPECT_FALSE(pathExists(alone.c_str()));

  const std::string shared = dir("shared");
  writeFile(shared + "/launcher", "x");
  writeFile(shared + "/other", "x");
  removeLauncherFile((shared + "/launcher").c_str());
  EXPECT_FALSE(pathExists((shared + "/launcher").c_str()));
  EXPECT_TRUE(pathExists((shared + "/other").c_str()));
}

TEST_F(FileSystemTest, CurrentDirectory) {
  const SString original = getCurrentDirectory();
  // Deeper than the first buffer, so the buffer has to grow.
  std::string deep = temp_.path();
  ASSERT_EQ(0, ::chdir(deep.c_str()));
  for (int i = 0; i < 20; ++i) {
    const std::string part(40, static_cast<char>('a' + i));
    ::mkdir(part.c_str(), 0755);
    ASSERT_EQ(0, ::chdir(part.c_str()));
    deep += "/" + part;
  }
  char *real = ::realpath(deep.c_str(), nullptr);
  ASSERT_NE(nullptr, real);
  EXPECT_EQ(SString(real), getCurrentDirectory());
  std::free(real);

  const std::string gone = dir("gone");
  ASSERT_EQ(0, ::chdir(gone.c_str()));
  ASSERT_EQ(0, ::rmdir(gone.c_str()));
  try {
    getCurrentDirectory();
    ADD_FAILURE() << "no exception";
  } catch (const LauncherException &e) {
    EXPECT_EQ(SString("Unable to read the current directory: No such file or directory"),
              e.getMessage());
  }
  ASSERT_EQ(0, ::chdir(original.cStr()));
}

TEST_F(FileSystemTest, Environment) {
  setEnvironment("QG_TEST_VALUE", "one two");
  EXPECT_EQ(SString("one two"), getEnvironment("QG_TEST_VALUE"));
  setEnvironment("QG_TEST_VALUE", "");
  EXPECT_NE(nullptr, std::getenv("QG_TEST_VALUE")); // set and empty
  EXPECT_EQ(SString(), getEnvironment("QG_TEST_VALUE"));
  ::unsetenv("QG_TEST_VALUE");
  EXPECT_EQ(SString(), getEnvironment("QG_TEST_VALUE"));
}

TEST_F(FileSystemTest, EnvironmentList) {
  struct Case {
    const char *value; // null: unset
    std::vector<std::string> pieces;
  };
  const Case cases[] = {
      {nullptr, {}},     {"", {}},          {"/bin", {"/bin"}}, {"a::b", {"a", "", "b"}},
      {"a:", {"a", ""}}, {":a", {"", "a"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(unset)");
    if (c.value)
      ::setenv("QG_TEST_LIST", c.value, 1);
    else
      ::unsetenv("QG_TEST_LIST");
    StringDeque list;
    list.add("stale");
    getEnvironmentList(list, "QG_TEST_LIST");
    std::vector<std::string> pieces;
    for (const SString &piece : list)
      pieces.push_back(piece.str());
    EXPECT_EQ(c.pieces, pieces);
  }
  ::unsetenv("QG_TEST_LIST");
  StringDeque list;
  getEnvironmentList(list, "");
  EXPECT_EQ(0, list.count());
}

TEST_F(FileSystemTest, SearchRootsAndSeparator) {
  StringDeque roots;
  getSearchRoots(roots);
  ASSERT_EQ(1, roots.count());
  EXPECT_EQ(SString("/"), roots.get(0));
  EXPECT_EQ(SString("/"), getPathSeparator());
}
