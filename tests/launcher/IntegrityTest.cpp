// The integrity record at work: a run refuses a launcher whose index or embedded files no
// longer match their digests before it uses them, and -qg:check and qgpack verify report
// every damaged part. A launcher without the record runs as it always did.
#include "payload/LauncherFile.h"
#include "tests/launcher/LauncherProcessFixture.h"
#include "tests/support/FakeJava.h"

#include <filesystem>
#include <memory>

namespace {

class IntegrityTest : public LauncherProcessTest {
protected:
  // A product that uses every kind of entry: the search extracts the verification class,
  // the installer and the second launcher leave marks when they run.
  // Entries: 0 script, 1 launch script, 2 verification class, 3 JVM file, 4 installer,
  // 5 second launcher, 6 application archive.
  std::string packProduct(const std::string &name, std::vector<std::string> extra = {}) {
    writeFile(temp_.file("launch.txt"), "DESC: Product\nCOMMAND: \"true\"\n");
    writeFakeJVMFile(temp_.file("fake.jvm"), "17");
    writeFile(temp_.file("installer.sh"),
              "#!/bin/sh\ntouch " + temp_.file("installer.ran") + "\necho installer output\n");
    // Runs from a directory of its own, which it removes as a launcher copy would.
    writeFile(temp_.file("second.sh"),
              "#!/bin/sh\ntouch " + temp_.file("second.ran") + "\nrm -rf \"$(dirname \"$0\")\"\n");
    writeFile(temp_.file("app.jar"), std::string(5000, 'a'));
    writeFile(temp_.file("instructions.txt"),
              "INSTRUCTIONS:\n  FIND_JVM 0 0\n  INSTALL_JVM 0\n  EXECUTE_LAUNCHER 5\n/:\n");
    std::vector<std::string> entries = {"--instructions",
                                        temp_.file("instructions.txt"),
                                        "--launch-script",
                                        temp_.file("launch.txt"),
                                        "--verify-archive",
                                        verifyArchivePath(),
                                        "--jvm",
                                        temp_.file("fake.jvm"),
                                        "--jvm-installer",
                                        temp_.file("installer.sh"),
                                        "--launcher",
                                        temp_.file("second.sh"),
                                        "--app-archive",
                                        temp_.file("app.jar")};
    entries.insert(entries.end(), extra.begin(), extra.end());
    return pack(name, entries);
  }

  // A copy of the launcher with the byte at offset inverted.
  std::string damagedCopy(const std::string &launcher, std::uint64_t offset) {
    std::string bytes = readFile(launcher);
    bytes[offset] = static_cast<char>(~bytes[offset]);
    const std::string copy = temp_.file("damaged.bin");
    writeFile(copy, bytes);
    std::filesystem::permissions(copy, std::filesystem::perms::owner_all);
    return copy;
  }

  void removeMarks() {
    std::filesystem::remove(temp_.file("installer.ran"));
    std::filesystem::remove(temp_.file("second.ran"));
  }

  bool anyTemporaryLeft() const {
    for (const auto &item : std::filesystem::directory_iterator(temp_.path()))
      if (item.path().filename().string().rfind("qgj", 0) == 0)
        return true;
    return false;
  }
};

// Where the entries lie, as the launcher itself reads them.
std::unique_ptr<LauncherFile> readLauncher(const std::string &path) {
  auto file = std::make_unique<LauncherFile>();
  file->setLauncherPath(SString(path));
  file->readIndex(/*parseTagEntries=*/false);
  return file;
}

ProcessResult qgpack(const std::vector<std::string> &arguments) {
  return runProcess(std::string(QG_BIN_DIR) + "/qgpack", arguments);
}

} // namespace

TEST_F(IntegrityTest, ARunStopsAtTheFirstDamagedFileItWouldUse) {
  FakeJava java(temp_.file("jdk"));
  java.setProperty("qg.fake.version", "17");
  const std::vector<std::string> arguments = {"-qg:javahome", java.home()};
  const std::string launcher = packProduct("setup.bin");

  const ProcessResult intact = run(launcher, arguments);
  EXPECT_EQ(intact.status, 0) << intact.out;
  EXPECT_TRUE(std::filesystem::exists(temp_.file("installer.ran")));
  EXPECT_TRUE(std::filesystem::exists(temp_.file("second.ran")));
  EXPECT_FALSE(anyTemporaryLeft());

  const std::unique_ptr<LauncherFile> file = readLauncher(launcher);
  ASSERT_TRUE(file->hasIntegrityRecord());
  struct Case {
    int position;
    bool installerRuns;
  } cases[] = {
      // Tag files are checked before the script starts, so nothing runs.
      {0, false},
      {1, false},
      {3, false},
      // The verification class stops the search, before the installer.
      {2, false},
      {4, false},
      // The second launcher is checked once extracted, after the installer ran.
      {5, true},
  };
  for (const Case &c : cases) {
    const FileIndexEntry &entry = *file->getEntry(c.position);
    SCOPED_TRACE(entry.getName().cStr());
    removeMarks();
    const std::string damaged = damagedCopy(launcher, entry.getOffset() + entry.getLength() / 2);
    const ProcessResult result = run(damaged, arguments);
    EXPECT_EQ(result.status, 255);
    const std::string message = "The launcher file is damaged: the embedded file " +
                                std::string(entry.getName().cStr()) +
                                " does not match its checksum.\n";
    EXPECT_NE(result.out.find(message), std::string::npos) << result.out;
    EXPECT_EQ(std::filesystem::exists(temp_.file("installer.ran")), c.installerRuns);
    EXPECT_FALSE(std::filesystem::exists(temp_.file("second.ran")));
    EXPECT_FALSE(anyTemporaryLeft());
  }

  // The application archive is left to the JVM, which checks its own archives.
  removeMarks();
  const FileIndexEntry &archive = *file->getEntry(6);
  EXPECT_EQ(run(damagedCopy(launcher, archive.getOffset() + 1), arguments).status, 0);
  EXPECT_TRUE(std::filesystem::exists(temp_.file("second.ran")));

  // A changed name in the index is caught before any entry is used.
  const std::string bytes = readFile(launcher);
  const std::size_t name = bytes.rfind("installer.sh");
  ASSERT_NE(name, std::string::npos);
  const ProcessResult index = run(damagedCopy(launcher, name), arguments);
  EXPECT_EQ(index.status, 255);
  EXPECT_NE(index.out.find("The launcher file is damaged: its file index does not match its "
                           "checksum.\n"),
            std::string::npos)
      << index.out;
}

// -qg:check and qgpack verify agree: 0 intact, 1 damaged (one line per part), 2 without a
// record or an index. -qg:check ends the default run, and the options after it still count.
TEST_F(IntegrityTest, CheckAndVerifyReportEveryDamagedPart) {
  const std::string launcher = packProduct("setup.bin");
  const std::unique_ptr<LauncherFile> file = readLauncher(launcher);
  const FileIndexEntry &installer = *file->getEntry(4);
  const FileIndexEntry &archive = *file->getEntry(6);
  std::string bytes = readFile(launcher);
  for (const FileIndexEntry *entry : {&installer, &archive})
    bytes[entry->getOffset()] = static_cast<char>(~bytes[entry->getOffset()]);
  const std::string damaged = temp_.file("damaged.bin");
  writeFile(damaged, bytes);
  std::filesystem::permissions(damaged, std::filesystem::perms::owner_all);
  const std::string plain = packProduct("plain.bin", {"--no-integrity"});
  writeFile(temp_.file("text.txt"), "not a launcher at all\n");

  const std::string intactText = "intact: the file index and 7 entries\n";
  const std::string damagedText = "damaged: entry 4, type 4 (jvm-installer), name installer.sh\n"
                                  "damaged: entry 6, type 6 (app-archive), name app.jar\n";
  struct Case {
    std::string path;
    int status;
    std::string out;
  } cases[] = {
      {launcher, 0, intactText},
      {damaged, 1, damagedText},
      {plain, 2, "no integrity record\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.path);
    const ProcessResult verified = qgpack({"verify", c.path});
    EXPECT_EQ(verified.status, c.status);
    EXPECT_EQ(verified.out, c.out);
    const ProcessResult checked = run(c.path, {"-qg:check", "-qg:version"});
    EXPECT_EQ(checked.status, c.status);
    EXPECT_EQ(checked.out.substr(0, c.out.size()), c.out) << checked.out;
    EXPECT_NE(checked.out.find("2.51\n"), std::string::npos) << checked.out;
    EXPECT_FALSE(std::filesystem::exists(temp_.file("installer.ran")));
  }
  const ProcessResult text = qgpack({"verify", temp_.file("text.txt")});
  EXPECT_EQ(text.status, 2);
  EXPECT_EQ(text.out, "not a launcher file: it carries no file index\n");
  // The bare stub has nothing to check.
  EXPECT_EQ(run(std::string(QG_BIN_DIR) + "/qglaunch", {"-qg:check"}).status, 2);
}

// Without the record nothing is checked: a damaged installer runs as it did before.
TEST_F(IntegrityTest, ALauncherWithoutTheRecordRunsAsBefore) {
  FakeJava java(temp_.file("jdk"));
  java.setProperty("qg.fake.version", "17");
  const std::string plain = packProduct("plain.bin", {"--no-integrity"});
  const std::unique_ptr<LauncherFile> file = readLauncher(plain);
  const FileIndexEntry &installer = *file->getEntry(4);
  // A changed word of what the installer prints keeps it working.
  std::string bytes = readFile(plain);
  bytes[installer.getOffset() + readFile(temp_.file("installer.sh")).find("output")] = 'O';
  writeFile(temp_.file("damaged.bin"), bytes);
  std::filesystem::permissions(temp_.file("damaged.bin"), std::filesystem::perms::owner_all);
  const ProcessResult result = run(temp_.file("damaged.bin"), {"-qg:javahome", java.home()});
  EXPECT_EQ(result.status, 0) << result.out;
  EXPECT_TRUE(std::filesystem::exists(temp_.file("installer.ran")));
  EXPECT_TRUE(std::filesystem::exists(temp_.file("second.ran")));
  EXPECT_NE(qgpack({"list", plain}).out.find("integrity record: none\n"), std::string::npos);
}
