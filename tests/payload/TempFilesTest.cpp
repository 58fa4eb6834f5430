// Tests of the temporary root, the names and creation below it, and the removal at the end.
#include "payload/TempFiles.h"

#include "base/LauncherException.h"
#include "native/launcher/linux/MessageCatalog.h"
#include "tests/payload/PayloadTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <sys/stat.h>

namespace {
namespace fs = std::filesystem;

template <class Operation> std::string errorOf(Operation operation) {
  try {
    operation();
  } catch (const LauncherException &e) {
    return e.getMessage().str();
  }
  return "no error";
}

bool hasNameForm(const std::string &path, const std::string &directory) {
  return std::regex_match(path, std::regex(directory + "/qgj[a-zA-Z0-9]{6}"));
}

using TempFilesTest = PayloadTest;
} // namespace

TEST_F(TempFilesTest, RootDefaultsToTmp) {
  resetTempFilesForTesting();
  EXPECT_EQ(getTempRoot(), "/tmp");
}

TEST_F(TempFilesTest, MissingRootOrFileAsRootRaisesMessage39) {
  writeFile(dir.file("plain"), "");
  const std::string expected = "Cannot use " + dir.file("plain") +
                               " as the temp directory because it does not exist. Please run the "
                               "program again using the option -qg:tempdir <temp dir> to specify "
                               "a different directory to use.";
  setTempRoot(SString(dir.file("plain")));
  EXPECT_EQ(errorOf(getTempRoot), expected);
  EXPECT_EQ(errorOf(createTempFile), expected);

  setTempRoot(SString(dir.file("missing")));
  const std::string missing = getMessage(MSG_BAD_TEMP_ROOT, dir.file("missing").c_str()).str();
  EXPECT_EQ(errorOf(createTempDirectory), missing);
}

TEST_F(TempFilesTest, CreatesNewEmptyDirectoriesAndFilesUnderTheRoot) {
  ::unsetenv("TMPDIR");
  const std::string directory = createTempDirectory().str();
  const std::string file = createTempFile().path.str();
  EXPECT_TRUE(hasNameForm(directory, dir.path())) << directory;
  EXPECT_TRUE(hasNameForm(file, dir.path())) << file;
  EXPECT_TRUE(fs::is_directory(directory));
  EXPECT_TRUE(fs::is_empty(directory));
  EXPECT_TRUE(fs::is_regular_file(file));
  EXPECT_EQ(fs::file_size(file), 0u);
  struct stat status {};
  ::stat(directory.c_str(), &status);
  EXPECT_EQ(status.st_mode & 0777u, 0700u);

  std::set<std::string> names{directory, file};
  for (int i = 0; i < 50; ++i) {
    names.insert(createTempDirectory().str());
    names.insert(createTempFile().path.str());
  }
  EXPECT_EQ(names.size(), 102u);
}

TEST_F(TempFilesTest, TmpdirWinsWhenItIsADirectoryAndTrailingSlashesGo) {
  fs::create_directory(dir.file("root"));
  fs::create_directory(dir.file("env"));
  struct Case {
    const char *label;
    std::string root;
    std::string tmpdir; // empty: unset
    std::string directory;
  };
  const Case cases[] = {
      {"TMPDIR names a directory", dir.file("root"), dir.file("env"), dir.file("env")},
      {"TMPDIR with slashes", dir.file("root"), dir.file("env") + "//", dir.file("env")},
      {"TMPDIR missing", dir.file("root"), dir.file("nothing"), dir.file("root")},
      {"TMPDIR unset, root with slash", dir.file("root") + "/", "", dir.file("root")},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    setTempRoot(SString(c.root));
    if (c.tmpdir.empty())
      ::unsetenv("TMPDIR");
    else
      ::setenv("TMPDIR", c.tmpdir.c_str(), 1);
    EXPECT_TRUE(hasNameForm(createTempDirectory().str(), c.directory));
    EXPECT_TRUE(hasNameForm(createTempFile().path.str(), c.directory));
  }
}

TEST_F(TempFilesTest, CreationFailuresNameTheSystemErrorOrThePath) {
  ::unsetenv("TMPDIR");
  // Nothing can be created in /proc, not even by root.
  setTempRoot("/proc");
  EXPECT_EQ(errorOf(createTempDirectory), "No such file or directory");
  const std::string fileError = errorOf(createTempFile);
  EXPECT_TRUE(
      std::regex_match(fileError, std::regex("Error creating tmp file /proc/qgj[a-zA-Z0-9]{6}")))
      << fileError;
}

TEST_F(TempFilesTest, RemovesRegisteredTreesButNotUnregisteredPaths) {
  const std::string tree = createTempDirectory().str();
  fs::create_directories(tree + "/a/b");
  writeFile(tree + "/a/b/deep.jar", "x");
  writeFile(tree + "/top.jar", "y");
  const std::string file = createTempFile().path.str();
  const std::string keptFile = createTempFile().path.str();
  const std::string keptDirectory = createTempDirectory().str();
  unregisterTempFile(SString(keptFile));
  unregisterTempDirectory(SString(keptDirectory));
  unregisterTempFile("/not/registered");

  removeTempFiles();
  EXPECT_FALSE(fs::exists(tree));
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(fs::exists(keptFile));
  EXPECT_TRUE(fs::is_directory(keptDirectory));
  fs::remove(keptFile);
  fs::remove(keptDirectory);
}

TEST_F(TempFilesTest, SelfDeletingLauncherGoesWithItsDirectory) {
  fs::create_directory(dir.file("copy"));
  writeFile(dir.file("copy/qglaunch"), "launcher");
  fs::create_directory(dir.file("busy"));
  writeFile(dir.file("busy/qglaunch"), "launcher");
  writeFile(dir.file("busy/other"), "stays");

  setSelfDeletingLauncher(SString(dir.file("copy/qglaunch")));
  removeTempFiles();
  EXPECT_FALSE(fs::exists(dir.file("copy")));

  setSelfDeletingLauncher(SString(dir.file("busy/qglaunch")));
  removeTempFiles();
  EXPECT_FALSE(fs::exists(dir.file("busy/qglaunch")));
  EXPECT_TRUE(fs::exists(dir.file("busy/other")));

  // Off again: nothing more is deleted.
  writeFile(dir.file("busy/qglaunch"), "launcher");
  setSelfDeletingLauncher(SString());
  removeTempFiles();
  EXPECT_TRUE(fs::exists(dir.file("busy/qglaunch")));
}
